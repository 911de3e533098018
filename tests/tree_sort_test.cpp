// Sorting a real tree control by the order file.
#include "tests/core_fixture.h"

#include "order/folder_key.h"
#include "order/order_file.h"
#include "order/sibling_order.h"
#include "order/tree_sort.h"
#include "order/tree_walk.h"
#include "plugin/tree_control.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

TEST_F(CoreTest, ListedFoldersComeFirstInFileOrderAndUnlistedLast) {
    host_->AddOutline("A\nB\nC\n");
    WriteOrderFile("C\\\r\nA\\\r\n");
    EXPECT_EQ(SortAndDescribe(), "C\nA\nB\n");
}

TEST_F(CoreTest, EveryLevelOfANestedTreeIsSorted) {
    host_->AddOutline(
        "A\n  A1\n    A1a\n    A1b\n  A2\n"
        "B\n  B1\n  B2\n    B2a\n    B2b\n    B2c\n");
    WriteOrderFile(
        "B\\\r\n"
        "A\\A2\\\r\nA\\A1\\A1b\\\r\n"
        "B\\B2\\\r\nB\\B2\\B2c\\\r\nB\\B2\\B2a\\\r\n");
    EXPECT_EQ(SortAndDescribe(),
              "B\n  B2\n    B2c\n    B2a\n    B2b\n  B1\n"
              "A\n  A2\n  A1\n    A1b\n    A1a\n");
}

TEST_F(CoreTest, LineEndsOfEveryKindAndBlankLinesAndAnUnterminatedLastLine) {
    host_->AddOutline("A\nB\nC\nD\nE\n");
    // CR LF, bare LF, bare CR, runs of them, and no line end after the last.
    WriteOrderFile("E\\\r\n\r\n\nD\\\n\n\rC\\\r\r\rB\\");
    EXPECT_EQ(SortAndDescribe(), "E\nD\nC\nB\nA\n");
}

TEST_F(CoreTest, AnEmptyFirstLineNamesTheFolderWhosePathIsTheDataFolder) {
    host_->AddOutline("A\n");
    host_->AddFolderWithPath(nullptr, "Root", standin::Host().dataFolder);
    WriteOrderFile("\r\nA\\\r\n");
    EXPECT_EQ(SortAndDescribe(), "Root\nA\n");
}

TEST_F(CoreTest, AnEmptyLineLaterInTheFileNamesNothing) {
    host_->AddOutline("A\n");
    host_->AddFolderWithPath(nullptr, "Root", standin::Host().dataFolder);
    host_->AddOutline("B\n");
    WriteOrderFile("B\\\r\n\r\n\r\nA\\\r\n");
    EXPECT_EQ(SortAndDescribe(), "B\nA\nRoot\n");
}

TEST_F(CoreTest, ANulByteSplitsALine) {
    host_->AddOutline("A\nB\nC\n");
    WriteOrderFile(std::string("C\\\0B\\\r\n", 7));
    EXPECT_EQ(SortAndDescribe(), "C\nB\nA\n");
}

TEST_F(CoreTest, AKeyListedTwiceIsPlacedByItsFirstLine) {
    host_->AddOutline("A\nB\nC\n");
    WriteOrderFile("B\\\r\nC\\\r\nB\\\r\nA\\\r\n");
    EXPECT_EQ(SortAndDescribe(), "B\nC\nA\n");
}

TEST_F(CoreTest, KeysDifferingOnlyInCaseAreDifferentKeysAndPrefixesDoNotMatch) {
    host_->AddOutline("inbox\nInbox\nIn\n");
    // "In" must not match the line "Inbox\", nor "Inbox\" the line "In".
    WriteOrderFile("Inbox\\\r\nIn\r\ninbox\\x\r\nIn\\\r\n");
    EXPECT_EQ(SortAndDescribe(), "Inbox\nIn\ninbox\n");
}

TEST_F(CoreTest, WithAnEmptyDataFolderTheWholePathIsTheKey) {
    UseDataFolder("");
    host_->AddFolderWithPath(nullptr, "A", "D:\\Mail\\A\\");
    host_->AddFolderWithPath(nullptr, "B", "D:\\Mail\\B\\");
    WriteOrderFile("B\\\r\nD:\\Mail\\B\\\r\nD:\\Mail\\A\\\r\n");
    EXPECT_EQ(SortAndDescribe(), "B\nA\n");
}

TEST_F(CoreTest, FoldersOutsideTheDataFolderHaveNoKey) {
    host_->AddOutline("A\n");
    HTREEITEM outside = host_->AddFolderWithPath(nullptr, "Outside", "E:\\Elsewhere\\X\\");
    EXPECT_EQ(FolderKeyOf(standin::ItemData(host_->tree(), outside)), nullptr);
    // Only a full data-folder prefix gives a key: a shorter path gives none.
    HTREEITEM shorter = host_->AddFolderWithPath(nullptr, "Short", "C:\\Becky");
    EXPECT_EQ(FolderKeyOf(standin::ItemData(host_->tree(), shorter)), nullptr);
    HTREEITEM a = host_->Find("A");
    EXPECT_STREQ(FolderKeyOf(standin::ItemData(host_->tree(), a)), "A\\");
}

TEST_F(CoreTest, RecordsWithoutAReadablePathGiveNoKeyAndDoNotUpsetTheSort) {
    host_->AddOutline("A\nB\n");
    std::vector<std::string> names = {"A", "B", "NullRecord", "NullPath"};
    host_->AddItem(nullptr, "NullRecord", 0);
    host_->AddItem(nullptr, "NullPath", host_->NewRecordWithPathAddress(nullptr));
    if (standin::AccessViolationsAreCaught()) {
        host_->AddItem(nullptr, "Unreadable", host_->NewRecordWithPathAddress(host_->UnreadableAddress()));
        host_->AddItem(nullptr, "NoRecord", host_->UnreadableRecord());
        names.insert(names.end(), {"Unreadable", "NoRecord"});
    }
    for (HTREEITEM item = TreeGetRoot(host_->tree()); item;
         item = TreeGetNextSibling(host_->tree(), item)) {
        if (host_->PathOf(item).empty()) {
            EXPECT_EQ(FolderKeyOf(standin::ItemData(host_->tree(), item)), nullptr);
        }
    }
    WriteOrderFile("B\\\r\nA\\\r\n");
    std::string sorted = SortAndDescribe();
    // Keyless folders compare equal to everything, so only the set is certain.
    for (const std::string& name : names) EXPECT_NE(sorted.find(name + "\n"), std::string::npos) << name;
}

TEST_F(CoreTest, AnOrderFileThatCannotBeLoadedLeavesTheTreeAsItWas) {
    host_->AddOutline("A\nB\nC\n");
    // No file at all.
    EXPECT_EQ(SortAndDescribe(), "A\nB\nC\n");

    // The host refuses the block.
    WriteOrderFile("C\\\r\nB\\\r\n");
    heap_.refuseAll = true;
    EXPECT_EQ(SortAndDescribe(), "A\nB\nC\n");
    heap_.refuseAll = false;

    // No order-file path (the start-up check never passed).
    g_module.orderFilePath[0] = '\0';
    EXPECT_EQ(SortAndDescribe(), "A\nB\nC\n");
    EXPECT_EQ(heap_.outstandingBlocks(), 0u);
}

TEST_F(CoreTest, AnEmptyOrderFileHasNoLines) {
    host_->AddOutline("A\nB\n");
    WriteOrderFile("");
    heap_.refuseZeroBytes = true;
    EXPECT_EQ(SortAndDescribe(), "A\nB\n");
    EXPECT_EQ(heap_.requests(), 1u);
    heap_.refuseZeroBytes = false;
    EXPECT_EQ(SortAndDescribe(), "A\nB\n");
}

TEST_F(CoreTest, CompareFoldersAnswersByFirstListedKey) {
    LPARAM a = host_->NewRecord(standin::Host().dataFolder + "A");
    LPARAM b = host_->NewRecord(standin::Host().dataFolder + "B");
    LPARAM c = host_->NewRecord(standin::Host().dataFolder + "C");
    LPARAM outside = host_->NewRecord("X:\\B");
    WriteOrderFile("B\r\nA");
    ASSERT_EQ(LoadOrderList(), OrderLoad::kLoaded);
    EXPECT_EQ(CompareFolders(a, b, 0), 1);
    EXPECT_EQ(CompareFolders(b, a, 0), -1);
    EXPECT_EQ(CompareFolders(a, c, 0), -1);
    EXPECT_EQ(CompareFolders(c, a, 0), 1);
    EXPECT_EQ(CompareFolders(c, c, 0), 0);
    EXPECT_EQ(CompareFolders(a, a, 0), -1);  // the same key: the first item wins
    EXPECT_EQ(CompareFolders(outside, a, 0), 0);
    EXPECT_EQ(CompareFolders(a, outside, 0), 0);
    EXPECT_EQ(CompareFolders(a, 0, 0), 0);
    ReleaseOrderList();
}

// The control's own sort of every group, as the module sorted before it
// looked for groups already in order.
void SortEveryGroup(HWND tree) {
    ASSERT_EQ(LoadOrderList(), OrderLoad::kLoaded);
    for (HTREEITEM node = TVI_ROOT; node; node = NextPreorder(tree, node)) TreeSortChildren(tree, node, CompareFolders);
    ReleaseOrderList();
}

// A group is left alone only when the control's sort would leave it as it
// is; every other group is sorted, so the tree always ends as the control's
// sort of every group leaves it.
TEST_F(CoreTest, OnlyAGroupAlreadyInOrderIsLeftAndTheTreeEndsAsTheControlSortsIt) {
    struct Case {
        const char* what;
        const char* outline;
        const char* file;
        bool topInOrder;
    };
    const char* const kAbcd = "A\\\r\nB\\\r\nC\\\r\nD\\\r\n";
    const Case cases[] = {
        {"in order", "A\nB\nC\nD\n", kAbcd, true},
        {"in order, unlisted ones last", "A\nB\nX\nY\n", "A\\\r\nB\\\r\n", true},
        {"nothing listed", "X\nY\nZ\n", "Q\\\r\n", true},
        {"listed, then listed twice as far down", "B\nD\n", "Q\\\r\nB\\\r\nD\\\r\nB\\\r\n", true},
        {"the first pair out of order", "B\nA\nC\nD\n", kAbcd, false},
        {"a middle pair out of order", "A\nC\nB\nD\n", kAbcd, false},
        {"the last pair out of order", "A\nB\nD\nC\n", kAbcd, false},
        {"an unlisted folder among listed ones", "A\nX\nB\nC\n", "A\\\r\nB\\\r\nC\\\r\n", false},
        {"a folder without a key in an ordered group", "A\nB\nOut = E:\\Out\\\nC\n", kAbcd, false},
        {"a folder without a key alone", "Out = E:\\Out\\\n", kAbcd, false},
        {"in order above, a group out of order below", "A\n  A2\n  A1\nB\n",
         "A\\\r\nA\\A1\\\r\nA\\A2\\\r\nB\\\r\n", true},
        {"out of order above, a group in order below", "B\nA\n  A1\n  A2\n",
         "A\\\r\nA\\A1\\\r\nB\\\r\n", false},
        {"in order above: a leaf, then two groups out of order", "A\nB\n  B2\n  B1\nC\n  C2\n  C1\n",
         "A\\\r\nB\\\r\nB\\B1\\\r\nC\\\r\nC\\C1\\\r\n", true},
        {"the sort puts another folder with subfolders first", "A\n  A2\n  A1\nB\nC\n  C2\n  C1\n",
         "C\\\r\nB\\\r\nA\\\r\nA\\A1\\\r\nC\\C1\\\r\n", false},
        {"groups out of order two levels down", "A\n  A1\n    A1b\n    A1a\n  A2\n    A2b\n    A2a\n",
         "A\\\r\nA\\A1\\\r\nA\\A1\\A1a\\\r\nA\\A2\\\r\nA\\A2\\A2a\\\r\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host_.reset(new standin::FolderTreeHost(28));
        host_->AddOutline(c.outline);
        standin::FolderTreeHost controlSorted(28);
        controlSorted.AddOutline(c.outline);
        WriteOrderFile(c.file);

        ASSERT_EQ(LoadOrderList(), OrderLoad::kLoaded);
        EXPECT_EQ(CheckSiblingGroup(host_->tree(), TreeGetChild(host_->tree(), TVI_ROOT)).inOrder, c.topInOrder);
        ReleaseOrderList();
        SortEveryGroup(controlSorted.tree());
        EXPECT_EQ(SortAndDescribe(), standin::DescribeTree(controlSorted.tree()));
    }
}

// Random trees (chains, wide groups, leaves before and after parents,
// folders without keys), sorted by the module and, in a twin, by the
// control's sort of every group. The files list the keyed folders in the
// tree's order, in it but for one pair, shuffled, or in part with a
// stranger, so that groups in order meet groups the control sorts.
TEST_F(CoreTest, RandomTreesEndAsTheControlsSortOfEveryGroupLeavesThem) {
    std::mt19937 random(11);
    for (int round = 0; round < 120; ++round) {
        std::string outline;
        std::vector<std::string> keys;   // in the tree's order
        std::vector<std::string> keyAt;  // the last folder's key at each depth, "" without one
        const int folders = 1 + static_cast<int>(random() % 40);
        for (size_t i = 0, depth = 0; i < static_cast<size_t>(folders); ++i) {
            depth = i == 0 ? 0 : random() % 2 ? depth + 1 : random() % (depth + 1);
            const std::string name = std::string(1, static_cast<char>('A' + random() % 6)) + std::to_string(i);
            const bool keyless = random() % 15 == 0 || (depth > 0 && keyAt[depth - 1].empty());
            keyAt.resize(depth + 1);
            keyAt[depth] = keyless ? "" : (depth > 0 ? keyAt[depth - 1] : "") + name + "\\";
            outline += std::string(2 * depth, ' ') + name + (keyless ? " = E:\\Out\\" + name + "\\\n" : "\n");
            if (!keyless) keys.push_back(keyAt[depth]);
        }
        if (round % 4 == 1 && keys.size() > 1) std::swap(keys[random() % (keys.size() - 1)], keys.back());
        if (round % 4 == 2) std::shuffle(keys.begin(), keys.end(), random);
        if (round % 4 == 3) {
            keys.erase(std::remove_if(keys.begin(), keys.end(), [&](const std::string&) { return random() % 3 == 0; }),
                       keys.end());
            keys.insert(std::next(keys.begin(), static_cast<std::ptrdiff_t>(random() % (keys.size() + 1))), "Stranger\\");
        }
        std::string file;
        for (const std::string& key : keys) file += key + "\r\n";
        SCOPED_TRACE("round " + std::to_string(round) + ":\n" + outline + "file:\n" + file);

        host_.reset(new standin::FolderTreeHost(28));
        host_->AddOutline(outline);
        standin::FolderTreeHost controlSorted(28);
        controlSorted.AddOutline(outline);
        WriteOrderFile(file);
        SortEveryGroup(controlSorted.tree());
        ASSERT_EQ(SortAndDescribe(), standin::DescribeTree(controlSorted.tree()));
    }
}

// The module sorts at every start and after every change the host makes,
// and most of those trees stand in order already. In a large tree each
// question about an item is dear (Wine's control searches every item for
// the handle), so such a sort asks about each item three times (its data,
// child and sibling), once more where a folder with subfolders came before
// it in its group, twice for each group of folders with subfolders, once
// for the top, and sorts nothing.
TEST_F(CoreTest, ATreeInOrderIsAskedAboutEachItemAFewTimesAndNotSorted) {
    struct Case {
        const char* what;
        int groupSize, levels;
        int mostQueries;
    };
    // Three levels of six: 258 items, 35 after a folder with subfolders, 7 groups of such folders.
    const Case cases[] = {{"one group of 300", 300, 1, 3 * 300 + 1}, {"three levels of six", 6, 3, 3 * 258 + 35 + 2 * 7 + 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host_.reset(new standin::FolderTreeHost(28));
        std::vector<HTREEITEM> level = {nullptr};
        for (int depth = 0, folders = 0; depth < c.levels; ++depth) {
            std::vector<HTREEITEM> next;
            for (HTREEITEM parent : level) {
                for (int i = 0; i < c.groupSize; ++i) next.push_back(host_->AddFolder(parent, "F" + std::to_string(folders++)));
            }
            level = next;
        }
        std::string file;
        for (HTREEITEM item = NextPreorder(host_->tree(), TVI_ROOT); item; item = NextPreorder(host_->tree(), item))
            file += host_->PathOf(item).substr(standin::Host().dataFolder.size()) + "\r\n";
        WriteOrderFile(file);
        const std::string before = Describe();
        const int queries = host_->itemQueries(), sorts = host_->sortsByFunction();
        SortFolderTree(host_->tree());
        EXPECT_LE(host_->itemQueries() - queries, c.mostQueries);
        EXPECT_EQ(host_->sortsByFunction(), sorts);
        EXPECT_EQ(Describe(), before);
    }
}

TEST_F(CoreTest, ThePreorderWalkVisitsEveryItemParentsFirst) {
    host_->AddOutline("A\n  A1\n    A1a\n  A2\nB\nC\n  C1\n");
    std::string walk;
    for (HTREEITEM item = NextPreorder(host_->tree(), TVI_ROOT); item;
         item = NextPreorder(host_->tree(), item))
        walk += standin::ItemText(host_->tree(), item) + " ";
    EXPECT_EQ(walk, "A A1 A1a A2 B C C1 ");
    EXPECT_EQ(NextPreorder(nullptr, TVI_ROOT), nullptr);
}

}  // namespace
