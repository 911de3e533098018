// Writing the order file from a tree.
#include "tests/core_fixture.h"

#include "order/order_file.h"
#include "standin/import_patch.h"

namespace {

TEST_F(CoreTest, SavingWritesEveryKeyedFolderDepthFirstWithCrLf) {
    host_->AddOutline("B\n  B2\n    B2a\n  B1\nOutside = E:\\X\\\n  Inner = C:\\BeckyData\\In\\\nA\n");
    WriteOrderFile("A\\\r\nan old line that names no folder\r\n");
    EXPECT_EQ(SaveOrderFile(host_->tree()), SaveResult::kSaved);
    EXPECT_EQ(ReadOrderFile(), "B\\\r\nB\\B2\\\r\nB\\B2\\B2a\\\r\nB\\B1\\\r\nIn\\\r\nA\\\r\n"
                               "an old line that names no folder\r\n");
    EXPECT_EQ(standin::ListFolder(folder_->path()), std::vector<std::string>{"tamrivel.cfg"});
}

TEST_F(CoreTest, AFolderWhosePathIsTheDataFolderIsSavedAsAnEmptyLine) {
    host_->AddFolderWithPath(nullptr, "Root", standin::Host().dataFolder);
    host_->AddOutline("A\n");
    SaveOrderFile(host_->tree());
    EXPECT_EQ(ReadOrderFile(), "\r\nA\\\r\n");
}

TEST_F(CoreTest, SavingThenSortingReproducesTheTree) {
    const char* outline = "C\n  C2\n  C1\n    C1b\n    C1a\nA\n  A3\n  A1\n  A2\nB\n";
    host_->AddOutline(outline);
    SaveOrderFile(host_->tree());

    // The same folders in another order come back to the saved order.
    host_.reset(new standin::FolderTreeHost(28));
    host_->AddOutline("A\n  A1\n  A2\n  A3\nB\nC\n  C1\n    C1a\n    C1b\n  C2\n");
    EXPECT_EQ(SortAndDescribe(), outline);
}

// An empty file would lose the whole order for nothing.
TEST_F(CoreTest, SavingAnEmptyTreeOrOneWithoutKeysLeavesTheFileAlone) {
    WriteOrderFile("A\\\r\n");
    EXPECT_EQ(SaveOrderFile(host_->tree()), SaveResult::kNothingToSave);
    EXPECT_EQ(ReadOrderFile(), "A\\\r\n");

    host_->AddFolderWithPath(nullptr, "Outside", "E:\\X\\");
    host_->AddItem(nullptr, "NoRecord", 0);
    EXPECT_EQ(SaveOrderFile(host_->tree()), SaveResult::kNothingToSave);
    EXPECT_EQ(ReadOrderFile(), "A\\\r\n");
    EXPECT_EQ(standin::ListFolder(folder_->path()), std::vector<std::string>{"tamrivel.cfg"});
}

TEST_F(CoreTest, WithoutAnOrderFilePathNothingIsWritten) {
    host_->AddOutline("A\n");
    g_module.orderFilePath[0] = '\0';
    EXPECT_EQ(SaveOrderFile(host_->tree()), SaveResult::kNoOrderFile);
    EXPECT_TRUE(standin::ListFolder(folder_->path()).empty());
}

TEST_F(CoreTest, ALongTreeIsWrittenWhole) {
    std::string outline, expected;
    for (int i = 0; i < 3000; ++i) {
        std::string name = "Folder" + std::to_string(i) + std::string(static_cast<size_t>(i % 7) * 40, 'x');
        outline += name + "\n";
        expected += name + "\\\r\n";
    }
    host_->AddOutline(outline);
    SaveOrderFile(host_->tree());
    EXPECT_EQ(ReadOrderFile(), expected);
}

TEST_F(CoreTest, AWriteThatFailsPartWayLeavesThePreviousFileIntact) {
    std::string outline;
    for (int i = 0; i < 2000; ++i) outline += "Folder" + std::to_string(i) + "\n";
    host_->AddOutline(outline);
    const std::string previous = "Folder7\\\r\nFolder3\\\r\n";
    WriteOrderFile(previous);

    // The user's view of a full disk is in the fault tests; here, a disk that
    // fills between the writes of a long tree.
    for (int failAfter : {100, 5000}) {
        standin::FullDisk fullDisk(GetModuleHandleA(nullptr), failAfter);
        ASSERT_TRUE(fullDisk.applied());
        EXPECT_EQ(SaveOrderFile(host_->tree()), SaveResult::kDiskFull);
        EXPECT_EQ(ReadOrderFile(), previous) << "failing after " << failAfter << " bytes";
        EXPECT_EQ(standin::ListFolder(folder_->path()), std::vector<std::string>{"tamrivel.cfg"});
    }
    EXPECT_TRUE(standin::CanOpenExclusively(orderFilePath()));
}

}  // namespace
