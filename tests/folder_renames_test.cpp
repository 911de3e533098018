// The order file's lines of a renamed folder: which lines name it or its
// subfolders, and the file's bytes with them following the new name.
#include <string>
#include <vector>

#include "order/folder_key_copies.h"
#include "order/folder_renames.h"
#include "tests/core_fixture.h"

namespace {

bool Under(const std::string& line, const std::string& key) {
    return LineIsUnderKey(line.data(), static_cast<DWORD>(line.size()), key.data(), static_cast<DWORD>(key.size()));
}

TEST(FolderRenames, ALineIsUnderAKeyWhereItContinuesItAtASeparator) {
    using standin::Sjis;
    struct Case {
        std::string line, key;
        bool under;
    };
    const Case cases[] = {
        {Sjis(u8"仕事\\"), Sjis(u8"仕事\\"), true},
        {Sjis(u8"仕事\\会議\\"), Sjis(u8"仕事\\"), true},
        {Sjis(u8"仕事箱\\"), Sjis(u8"仕事\\"), false},
        // Keys without a final separator (a host whose paths end without one).
        {Sjis(u8"仕事"), Sjis(u8"仕事"), true},
        {Sjis(u8"仕事\\会議"), Sjis(u8"仕事"), true},
        {Sjis(u8"仕事箱"), Sjis(u8"仕事"), false},
        // 表 is 95 5C and ソ 83 5C: a key ending in them ends in no separator.
        {Sjis(u8"表示"), Sjis(u8"表"), false},
        {Sjis(u8"表\\示"), Sjis(u8"表"), true},
        {Sjis(u8"ソフト"), Sjis(u8"ソ"), false},
        {Sjis(u8"A\\ソ"), Sjis(u8"A\\ソ"), true},
        {Sjis(u8"仕"), Sjis(u8"仕事\\"), false},
        {"", Sjis(u8"仕事\\"), false},
    };
    for (const Case& c : cases) EXPECT_EQ(Under(c.line, c.key), c.under) << standin::Utf8(c.line) << " / " << standin::Utf8(c.key);
}

// Only the first bytes of the folder's lines and its subfolders' change;
// line ends of every kind, blank lines, other lines and a last line without
// a line end stay byte for byte.
TEST(FolderRenames, ARenamedFileChangesOnlyTheFoldersFirstBytes) {
    using standin::Sjis;
    const std::string from = Sjis(u8"受信箱\\仕事\\"), to = Sjis(u8"受信箱\\業務部\\");
    const std::string before = Sjis(u8"受信箱\\仕事\\\r\n受信箱\\仕事\\会議\\\n\r\n受信箱\\仕事箱\\\r"
                                    u8"受信箱\\\r\n\r\n 受信箱\\仕事\\\r\n受信箱\\仕事\\予定\\");
    const std::string after = Sjis(u8"受信箱\\業務部\\\r\n受信箱\\業務部\\会議\\\n\r\n受信箱\\仕事箱\\\r"
                                   u8"受信箱\\\r\n\r\n 受信箱\\仕事\\\r\n受信箱\\業務部\\予定\\");
    const FolderRename rename = {from.data(), static_cast<DWORD>(from.size()), to.data(),
                                 static_cast<DWORD>(to.size())};
    const DWORD count = static_cast<DWORD>(before.size());
    ASSERT_EQ(RenamedFileBytes(before.data(), count, rename), after.size());
    std::string written(after.size(), '?');
    WriteRenamedFile(before.data(), count, rename, &written[0]);
    EXPECT_EQ(written, after);
    EXPECT_TRUE(AnyLineUnder(before.data(), count, from.data(), static_cast<DWORD>(from.size())));
    EXPECT_FALSE(AnyLineUnder(before.data(), count, to.data(), static_cast<DWORD>(to.size())));
}

// Which folder became which, from the keys before and after a burst of the
// host's changes: one folder and its subfolders by the same rest, keeping
// its parent or its name; anything else tells nothing.
TEST_F(CoreTest, ARenameIsOneFolderAndItsSubfoldersByTheSameRest) {
    using standin::Sjis;
    struct Case {
        const char* what;
        std::vector<std::string> before, after;
        const char* from;  // null: no rename
        const char* to;
    };
    const Case cases[] = {
        {"a folder with a subfolder renamed", {"A\\", "A\\B\\", "C\\"}, {"C\\", "D\\B\\", "D\\"}, "A\\", "D\\"},
        {"a subfolder renamed", {"A\\", "A\\B\\"}, {"A\\", "A\\X\\"}, "A\\B\\", "A\\X\\"},
        {"a subfolder moved", {"A\\", "C\\", "A\\B\\"}, {"A\\", "C\\", "C\\B\\"}, "A\\B\\", "C\\B\\"},
        {"letter case only", {"Work\\"}, {"work\\"}, "Work\\", "work\\"},
        {"表 to 表示", {Sjis(u8"表\\"), Sjis(u8"表\\ソ\\")}, {Sjis(u8"表示\\"), Sjis(u8"表示\\ソ\\")},
         u8"表\\", u8"表示\\"},
        {"two folders renamed", {"A\\", "C\\"}, {"D\\", "E\\"}, nullptr, nullptr},
        {"a folder gone and another made elsewhere", {"A\\", "A\\B\\", "C\\"}, {"A\\", "C\\", "C\\X\\"},
         nullptr, nullptr},
        {"subfolders that differ", {"A\\", "A\\B\\"}, {"D\\", "D\\X\\"}, nullptr, nullptr},
        {"a subfolder left behind", {"A\\", "A\\B\\"}, {"D\\", "A\\B\\"}, nullptr, nullptr},
        {"under itself", {"A\\"}, {"A\\A\\"}, nullptr, nullptr},
        {"folders added only", {"A\\"}, {"A\\", "B\\"}, nullptr, nullptr},
        {"folders removed only", {"A\\", "B\\"}, {"A\\"}, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FolderKeyCopies before, after;
        for (const std::string& key : c.before) before.Add(host_->NewRecord(standin::Host().dataFolder + key));
        for (const std::string& key : c.after) after.Add(host_->NewRecord(standin::Host().dataFolder + key));
        ASSERT_TRUE(before.Index() && after.Index());
        FolderRename rename = {};
        const bool found = FindFolderRename(before.keys(), after.keys(), &rename);
        ASSERT_EQ(found, c.from != nullptr);
        if (!found) continue;
        EXPECT_EQ(std::string(rename.from, rename.fromLength), Sjis(c.from));
        EXPECT_EQ(std::string(rename.to, rename.toLength), Sjis(c.to));
    }
}

}  // namespace
