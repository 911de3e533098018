// The module's resources, read back out of the built DLL as the platform
// reads them: the editor's dialog template, the icon and the version record.
#include "tests/module_fixture.h"

#include <map>

#include "tamrivel_version.h"  // generated from project(VERSION)

namespace {

const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN);

std::string ResourceBytes(HMODULE module, LPCSTR type, LPCSTR name) {
    HRSRC found = FindResourceExA(module, type, name, kJapanese);
    if (!found) return std::string();
    const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return std::string(data, SizeofResource(module, found));
}

// Walks a resource's bytes the way the platform does.
class Reader {
public:
    explicit Reader(const std::string& bytes) : bytes_(bytes) {}
    WORD Word() { return Take<WORD>(); }
    DWORD Dword() { return Take<DWORD>(); }
    short Short() { return Take<short>(); }
    // A string, or an ordinal written as 0xFFFF then its value ("#123").
    std::wstring StringOrOrdinal() {
        if (Peek() == 0xFFFF) {
            Word();
            return L"#" + std::to_wstring(Word());
        }
        return String();
    }
    std::wstring String() {
        std::wstring text;
        while (WORD c = Word()) text += static_cast<wchar_t>(c);
        return text;
    }
    void AlignTo(size_t boundary) { offset_ = (offset_ + boundary - 1) / boundary * boundary; }
    size_t offset() const { return offset_; }
    void Seek(size_t offset) { offset_ = offset; }
    bool AtEnd() const { return offset_ >= bytes_.size(); }

private:
    WORD Peek() const { return offset_ + 2 <= bytes_.size() ? *reinterpret_cast<const WORD*>(&bytes_[offset_]) : 0; }
    template <typename T>
    T Take() {
        T value{};
        if (offset_ + sizeof value <= bytes_.size()) CopyMemory(&value, &bytes_[offset_], sizeof value);
        offset_ += sizeof value;
        return value;
    }
    const std::string& bytes_;
    size_t offset_ = 0;
};

struct ControlTemplate {
    DWORD style, exStyle;
    short x, y, cx, cy;
    WORD id;
    std::wstring className, text;
    bool operator==(const ControlTemplate& o) const {
        return style == o.style && exStyle == o.exStyle && x == o.x && y == o.y && cx == o.cx &&
               cy == o.cy && id == o.id && className == o.className && text == o.text;
    }
};

std::ostream& operator<<(std::ostream& out, const ControlTemplate& c) {
    return out << "id " << c.id << " style " << std::hex << c.style << std::dec << " at " << c.x
               << "," << c.y << " " << c.cx << "x" << c.cy << " class "
               << ::testing::PrintToString(c.className) << " text " << ::testing::PrintToString(c.text);
}

TEST_F(ModuleTest, TheEditorDialogTemplateIsExactlyAsDesigned) {
    Load();
    std::string bytes = ResourceBytes(module_->handle(), RT_DIALOG, MAKEINTRESOURCEA(101));
    ASSERT_FALSE(bytes.empty()) << "no Japanese dialog 101";
    Reader dialog(bytes);
    EXPECT_EQ(dialog.Dword(), static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT));
    EXPECT_EQ(dialog.Dword(), 0u);  // no extended style
    WORD controls = dialog.Word();
    EXPECT_EQ(dialog.Short(), 0);
    EXPECT_EQ(dialog.Short(), 0);
    EXPECT_EQ(dialog.Short(), 162);
    EXPECT_EQ(dialog.Short(), 214);
    EXPECT_EQ(dialog.StringOrOrdinal(), L"");  // no menu
    EXPECT_EQ(dialog.StringOrOrdinal(), L"");  // the standard dialog class
    EXPECT_EQ(dialog.String(), L"\x4E26\x3073\x66FF\x3048");
    EXPECT_EQ(dialog.Word(), 9);
    EXPECT_EQ(dialog.String(), L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF");

    const DWORD common = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    const ControlTemplate expected[] = {
        {common | BS_DEFPUSHBUTTON, 0, 29, 193, 50, 14, IDOK, L"#128", L"OK"},
        {common | BS_PUSHBUTTON, 0, 93, 193, 50, 14, IDCANCEL, L"#128", L"\xFF77\xFF6C\xFF9D\xFF7E\xFF99"},
        {common | WS_BORDER | TVS_HASLINES | TVS_DISABLEDRAGDROP | TVS_SHOWSELALWAYS, 0, 7, 7, 132,
         176, 1000, L"SysTreeView32", L"Tree1"},
        {common | BS_PUSHBUTTON, 0, 143, 37, 15, 46, 1001, L"#128", L"\x2191"},
        {common | BS_PUSHBUTTON, 0, 143, 105, 15, 46, 1002, L"#128", L"\x2193"},
    };
    ASSERT_EQ(controls, 5);
    for (const ControlTemplate& want : expected) {
        dialog.AlignTo(4);
        ControlTemplate got;
        got.style = dialog.Dword();
        got.exStyle = dialog.Dword();
        got.x = dialog.Short();
        got.y = dialog.Short();
        got.cx = dialog.Short();
        got.cy = dialog.Short();
        got.id = dialog.Word();
        got.className = dialog.StringOrOrdinal();
        got.text = dialog.StringOrOrdinal();
        EXPECT_EQ(dialog.Word(), 0) << "creation data";
        EXPECT_EQ(got, want);
    }
}

TEST_F(ModuleTest, TheIconIs32By32With16Colours) {
    Load();
    std::string group = ResourceBytes(module_->handle(), RT_GROUP_ICON, MAKEINTRESOURCEA(1));
    ASSERT_EQ(group.size(), 6u + 14u);
    Reader reader(group);
    EXPECT_EQ(reader.Word(), 0);
    EXPECT_EQ(reader.Word(), 1);  // an icon
    EXPECT_EQ(reader.Word(), 1);  // one image
    EXPECT_EQ(static_cast<BYTE>(group[6]), 32);
    EXPECT_EQ(static_cast<BYTE>(group[7]), 32);
    EXPECT_EQ(static_cast<BYTE>(group[8]), 16);
    EXPECT_NE(LoadIconA(module_->handle(), MAKEINTRESOURCEA(1)), nullptr);
}

// The version record as a map: "StringFileInfo/041104b0/Comments" -> text.
void ReadVersionBlock(const std::string& bytes, size_t offset, const std::wstring& parent,
                      std::map<std::wstring, std::wstring>& out, VS_FIXEDFILEINFO* fixed) {
    Reader reader(bytes);
    reader.Seek(offset);
    WORD length = reader.Word();
    WORD valueLength = reader.Word();
    WORD type = reader.Word();
    std::wstring key = reader.String();
    std::wstring path = parent.empty() ? key : parent + L"/" + key;
    reader.AlignTo(4);
    if (valueLength) {
        if (type == 1) {
            out[path] = reader.String();
        } else if (key == L"VS_VERSION_INFO") {
            CopyMemory(fixed, &bytes[reader.offset()], sizeof *fixed);
            reader.Seek(reader.offset() + valueLength);
        } else {
            std::wstring hex;
            for (WORD i = 0; i < valueLength; ++i) {
                wchar_t digits[4];
                wsprintfW(digits, L"%02x", static_cast<BYTE>(bytes[reader.offset() + i]));
                hex += digits;
            }
            out[path] = hex;
            reader.Seek(reader.offset() + valueLength);
        }
    }
    for (reader.AlignTo(4); reader.offset() < offset + length; reader.AlignTo(4)) {
        size_t child = reader.offset();
        ReadVersionBlock(bytes, child, path, out, fixed);
        reader.Seek(child + *reinterpret_cast<const WORD*>(&bytes[child]));
    }
}

TEST_F(ModuleTest, TheVersionRecordIsJapaneseUnicodeWithTheProjectVersion) {
    Load();
    std::string bytes = ResourceBytes(module_->handle(), RT_VERSION, MAKEINTRESOURCEA(1));
    ASSERT_FALSE(bytes.empty()) << "no Japanese version record";
    std::map<std::wstring, std::wstring> values;
    VS_FIXEDFILEINFO fixed = {};
    ReadVersionBlock(bytes, 0, L"", values, &fixed);

    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    const DWORD versionHigh = MAKELONG(TAMRIVEL_VERSION_MINOR, TAMRIVEL_VERSION_MAJOR);
    const DWORD versionLow = MAKELONG(TAMRIVEL_VERSION_TWEAK, TAMRIVEL_VERSION_PATCH);
    EXPECT_EQ(fixed.dwFileVersionMS, versionHigh);
    EXPECT_EQ(fixed.dwFileVersionLS, versionLow);
    EXPECT_EQ(fixed.dwProductVersionMS, versionHigh);
    EXPECT_EQ(fixed.dwProductVersionLS, versionLow);
    EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_DLL));

    const std::wstring table = L"VS_VERSION_INFO/StringFileInfo/041104b0/";
    EXPECT_EQ(values[table + L"Comments"],
              L"Becky!\x306E\x30D5\x30A9\x30EB\x30C0\x9806\x5E8F\x3092\x4E26\x3073\x66FF\x3048\x307E\x3059");
    for (const wchar_t* blank : {L"CompanyName", L"LegalTrademarks", L"PrivateBuild", L"SpecialBuild"})
        EXPECT_EQ(values[table + blank], L"\x3000") << ::testing::PrintToString(std::wstring(blank));
    EXPECT_EQ(values[table + L"InternalName"], L"tamrivel");
    EXPECT_EQ(values[table + L"OriginalFilename"], L"tamrivel.dll");
    EXPECT_EQ(values[table + L"ProductName"], L"tamrivel");
    EXPECT_EQ(values[table + L"FileDescription"], L"tamrivel");
    EXPECT_EQ(values[table + L"FileVersion"], L"" TAMRIVEL_VERSION_TEXT);
    EXPECT_EQ(values[table + L"ProductVersion"], L"" TAMRIVEL_VERSION_TEXT);
    EXPECT_EQ(values[L"VS_VERSION_INFO/VarFileInfo/Translation"], L"1104b004");  // 0x0411, 1200
}

}  // namespace
