// The order file's lines of a renamed folder: which lines name it or its
// subfolders, and the file's bytes with them following the new name.
#include <gtest/gtest.h>

#include <string>

#include "order/folder_renames.h"
#include "standin/host.h"

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

}  // namespace
