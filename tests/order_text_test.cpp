// What the order file's bytes are, and its text in the host's code page.
#include <gtest/gtest.h>

#include <string>

#include "order/order_text.h"
#include "tests/core_fixture.h"
#include "standin/host.h"
#include "standin/import_patch.h"

namespace {

TEST(OrderText, AFileIsUtf8OrUtf16ByItsMarkOrByItsBytes) {
    using standin::Sjis;
    struct Case {
        const char* what;
        std::string bytes;
        OrderFileEncoding encoding;
    };
    const std::string japanese = u8"仕事\\受信箱\\";
    const Case cases[] = {
        {"Shift_JIS", Sjis(japanese), OrderFileEncoding::kCodePage},
        {"Shift_JIS with 表 and ソ", Sjis(u8"表示\\ソフト\\"), OrderFileEncoding::kCodePage},
        {"ASCII alone", "Inbox\\\r\nOutbox\\", OrderFileEncoding::kCodePage},
        {"half-width katakana in Shift_JIS", Sjis(u8"ｱｲｳ\\"), OrderFileEncoding::kCodePage},
        {"UTF-8", japanese, OrderFileEncoding::kUtf8},
        {"UTF-8 with its mark, ASCII alone", "\xEF\xBB\xBFInbox\\", OrderFileEncoding::kUtf8},
        {"UTF-8 cut in a character", japanese.substr(0, 4), OrderFileEncoding::kCodePage},
        {"UTF-16", std::string("\xFF\xFEI\0n\0", 6), OrderFileEncoding::kUtf16LittleEndian},
        {"UTF-16 big-endian", std::string("\xFE\xFF\0I\0n", 6), OrderFileEncoding::kUtf16BigEndian},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EncodingOf(c.bytes.data(), static_cast<DWORD>(c.bytes.size())), c.encoding) << c.what;
}

UINT WINAPI Utf8CodePage() { return CP_UTF8; }

// Windows' "Beta: Unicode UTF-8" option makes the system's code page UTF-8:
// the host's paths are UTF-8 then, a UTF-8 file is read as it is (without
// its mark), and a UTF-16 file becomes UTF-8, neither refused for flags the
// UTF-8 conversion does not take.
TEST_F(CoreTest, WhereTheSystemsCodePageIsUtf8AFileIsReadAsIts) {
    const std::string japanese = u8"仕事\\受信箱\\\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("In\\")) utf16 += std::string(1, c) + '\0';
    utf16 += std::string("\x22\x6F", 2);  // 漢, U+6F22
    const struct {
        const char* what;
        std::string bytes;
        std::string text;
    } cases[] = {
        {"UTF-8", japanese, japanese},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + japanese, japanese},
        {"UTF-16", utf16, u8"In\\漢"},
    };
    standin::ImportPatch codePage(GetModuleHandleA(nullptr), "kernel32.dll", "GetACP",
                                  reinterpret_cast<void*>(&Utf8CodePage));
    ASSERT_TRUE(codePage.applied());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HostBlock file;
        ASSERT_TRUE(file.Allocate(static_cast<DWORD>(c.bytes.size())));
        CopyMemory(file.get(), c.bytes.data(), c.bytes.size());
        DWORD count = static_cast<DWORD>(c.bytes.size());
        ASSERT_TRUE(ConvertToCodePage(&file, &count, EncodingOf(file.get(), count)));
        EXPECT_EQ(std::string(file.get(), count), c.text);
    }
}

}  // namespace
