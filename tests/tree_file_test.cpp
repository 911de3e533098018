// The demo's tree file: what it accepts, and one clear line for what it does not.
#include <gtest/gtest.h>

#include "demo/preview/tree_file.h"

#include <windows.h>

#include "standin/files.h"
#include "standin/host.h"

namespace {

TEST(TreeFile, ReadsNestingExplicitPathsCommentsAndCrLf) {
    std::vector<preview::TreeFileFolder> folders;
    std::string error;
    ASSERT_TRUE(preview::ParseTreeFile("t.txt",
                                       "\xEF\xBB\xBF# sample\r\nA\r\n  A1\r\n    A1a\r\n\r\nB = D:\\B\\\r\n  B1\n",
                                       &folders, &error))
        << error;
    ASSERT_EQ(folders.size(), 5u);
    EXPECT_EQ(folders[0].name, "A");
    EXPECT_EQ(folders[2].depth, 2);
    EXPECT_EQ(folders[3].name, "B");
    EXPECT_EQ(folders[3].fullPath, "D:\\B\\");
    EXPECT_EQ(folders[4].depth, 1);
}

TEST(TreeFile, BadInputIsOneLineNamingTheFileAndLine) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"A\n   B\n", "t.txt:2: indent with two spaces a level (found 3)"},
        {"A\n    B\n", "t.txt:2: indented more than one level below the folder above"},
        {"  A\n", "t.txt:1: the first folder must not be indented"},
        {"A\n\tB\n", "t.txt:2: tabs are not allowed; indent with two spaces"},
        {"A\nB\\C\n", "t.txt:2: a folder name may not hold \"\\\"; nest folders by indenting"},
        {"A = \n", "t.txt:1: the path after \" = \" is empty"},
        {"A = x\\y\n", "t.txt:1: after \" = \" comes the folder's name on disk, without \"\\\", or a full path from its "
                        "drive on (C:\\...)"},
        {"A\n\x82\xA0\n", "t.txt:2: not UTF-8 text"},
        {"# nothing\n\n", "t.txt: no folders"},
        {"", "t.txt: no folders"},
        {"A\n+  \n", "t.txt:2: a folder name must follow \"+ \""},
    };
    for (const Case& c : cases) {
        std::vector<preview::TreeFileFolder> folders;
        std::string error;
        EXPECT_FALSE(preview::ParseTreeFile("t.txt", c.text, &folders, &error)) << c.text;
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

TEST(TreeFile, TwoFoldersOfOneNameInOnePlaceAreRefusedNamingBothLines) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {u8"受信箱\n  仕事\n    会議\n  家族\n  仕事\n",
         u8"t.txt:5: \"仕事\" is already a folder of \"受信箱\" at line 2; a folder cannot hold two of one name"},
        // The second A is B's child, the third A a top-level folder again.
        {"A\nB\n  A\nA\n",
         "t.txt:4: \"A\" is already a top-level folder at line 1; the tree cannot have two of one name"},
        {"A\n  X\n\n# x\n  X  \n",
         "t.txt:5: \"X\" is already a folder of \"A\" at line 2; a folder cannot hold two of one name"},
        // Code page 932 has neither Hangul syllable: the host would see "a?" twice.
        {u8"a가\na각\n",
         u8"t.txt:2: \"a각\" is already a top-level folder at line 1; the tree cannot have two of one name "
         u8"(in Shift_JIS, as Becky! has them, both are \"a?\")"},
        // Windows folder names ignore letter case; Shift_JIS second bytes are
        // no letters (ア is 83 41, ヂ 83 61), so those two stay apart.
        {u8"Inbox\nア\nヂ\nINBOX\n",
         u8"t.txt:4: \"INBOX\" is already a top-level folder at line 1; the tree cannot have two of one name "
         u8"(\"Inbox\" differs in letter case only, which Windows does not tell apart)"},
    };
    for (const Case& c : cases) {
        std::vector<preview::TreeFileFolder> folders;
        std::string error;
        EXPECT_FALSE(preview::ParseTreeFile("t.txt", c.text, &folders, &error)) << c.text;
        EXPECT_EQ(error, c.error);
    }

    // One name in different places is fine: cousins, and a child named as its parent.
    std::vector<preview::TreeFileFolder> folders;
    std::string error;
    EXPECT_TRUE(preview::ParseTreeFile("t.txt", "A\n  X\n    Y\n  Z\n    Y\nB\n  X\n    X\n", &folders, &error))
        << error;
    EXPECT_EQ(folders.size(), 8u);
}

TEST(TreeFile, ANameOnDiskOrAFullPathAfterTheEquals) {
    std::vector<preview::TreeFileFolder> folders;
    std::string error;
    ASSERT_TRUE(preview::ParseTreeFile(
        "t.txt", u8"個人用 = 4b.mb\n  受信箱 = !!!!Inbox\\\n外部 = D:\\外部\\\n共有 = \\\\server\\x\\\n", &folders, &error))
        << error;
    ASSERT_EQ(folders.size(), 4u);
    EXPECT_EQ(folders[0].diskName, "4b.mb");
    EXPECT_EQ(folders[1].diskName, "!!!!Inbox");
    EXPECT_EQ(folders[1].name, u8"受信箱");
    EXPECT_EQ(folders[2].fullPath, u8"D:\\外部\\");
    EXPECT_EQ(folders[3].fullPath, "\\\\server\\x\\");
    EXPECT_EQ(folders[3].diskName, "");
}

TEST(TreeFile, APlusBeforeANameShowsItsGroupCollapsed) {
    std::vector<preview::TreeFileFolder> folders;
    std::string error;
    ASSERT_TRUE(preview::ParseTreeFile("t.txt", u8"+ 個人用 = 4b.mb\n  +  受信箱\n    A+ B\n+C\n", &folders, &error))
        << error;
    ASSERT_EQ(folders.size(), 4u);
    const bool collapsed[] = {true, true, false, false};
    const char* names[] = {u8"個人用", u8"受信箱", "A+ B", "+C"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(folders[i].collapsed, collapsed[i]) << i;
        EXPECT_EQ(folders[i].name, names[i]) << i;
    }
    EXPECT_EQ(folders[0].diskName, "4b.mb");
}

// A copy of a data folder: its subfolders, recursively, in name order (ASCII
// letter case aside), keyed by their paths on disk; files are no folders.
TEST(TreeFile, AFolderTreeOnDiskIsReadInNameOrder) {
    standin::TempFolder data("data");
    for (const char* path : {"b.mb", "b.mb\\!!!!Inbox", "b.mb\\!!!!Inbox\\Zeta", "b.mb\\!!!!Inbox\\alpha", "A.mb"})
        ASSERT_TRUE(CreateDirectoryA((data / path).c_str(), nullptr)) << path;
    ASSERT_TRUE(CreateDirectoryA((data / standin::Sjis(u8"b.mb\\表")).c_str(), nullptr));
    ASSERT_TRUE(standin::WriteFileBytes(data / "b.mb\\folder.ini", "x"));
    std::vector<preview::TreeFileFolder> folders;
    std::string error;
    ASSERT_TRUE(preview::ReadFolderTree(data.path(), &folders, &error)) << error;
    std::string outline;
    for (const preview::TreeFileFolder& folder : folders)
        outline += std::string(static_cast<size_t>(folder.depth) * 2, ' ') + folder.name + "\n";
    EXPECT_EQ(outline, u8"A.mb\nb.mb\n  !!!!Inbox\n    alpha\n    Zeta\n  表\n");
    const std::string root = standin::Utf8(data.path());
    EXPECT_EQ(folders[3].fullPath, root + "\\b.mb\\!!!!Inbox\\alpha\\");
    EXPECT_EQ(folders[5].fullPath, root + u8"\\b.mb\\表\\");

    standin::TempFolder empty("empty");
    EXPECT_FALSE(preview::ReadFolderTree(empty.path(), &folders, &error));
    EXPECT_EQ(error, standin::Utf8(empty.path()) + ": no folders in it");
}

}  // namespace
