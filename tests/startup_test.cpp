// The host's start: version, layout check, order-file path and the sort.
#include "tests/module_fixture.h"

namespace {

const std::string kErrorCaption = Bytes("83 76 83 89 83 4F 83 43 83 93 83 47 83 89 81 5B");
const std::string kUnsupportedHost = Bytes(
    "82 B1 82 CC 83 6F 81 5B 83 57 83 87 83 93 82 CC 42 65 63 6B 79 21 82 C5 "
    "82 CD 54 61 6D 72 69 76 65 6C 82 CD 8E 67 97 70 82 C5 82 AB 82 DC 82 B9 "
    "82 F1");

class StartUpTest : public ModuleTest {
protected:
    void ExpectUnsupportedHostMessage() {
        ASSERT_EQ(watcher_.messageBoxes().size(), 1u);
        const standin::MessageBoxSeen& box = watcher_.messageBoxes()[0];
        EXPECT_EQ(box.caption, kErrorCaption);
        EXPECT_EQ(box.text, kUnsupportedHost);
        EXPECT_TRUE(box.errorIcon);
        watcher_.ClearMessageBoxes();
    }

    // The settings without an order file: no editor whose moves could not be
    // saved, but a warning owned by the host's window saying why: the host's
    // folders could not be read, or (`beforeAnyStart`) the host has not yet
    // started the plug-in.
    void ExpectNoEditorButAWarning(bool beforeAnyStart = false) {
        EXPECT_EQ(watcher_.dialogsSeen(), 0);
        ASSERT_EQ(watcher_.messageBoxes().size(), 1u);
        const standin::MessageBoxSeen& box = watcher_.messageBoxes()[0];
        EXPECT_EQ(box.caption, standin::Sjis(u8"並び替え"));
        EXPECT_EQ(box.text,
                  standin::Sjis(beforeAnyStart
                                    ? u8"Becky! の起動時の処理がまだ済んでいないため、並び順を編集できません。\r\n"
                                      u8"Becky! を再起動してから、もう一度プラグインの設定を開いてください。"
                                    : u8"Becky! からフォルダの情報を読み取れなかったため、並び順を編集できません。\r\n"
                                      u8"Becky! を再起動しても同じ場合は、このバージョンの Becky! では Tamrivel を使用できません。"));
        EXPECT_TRUE(box.warningIcon);
        EXPECT_EQ(box.owner, host_->window());
        watcher_.ClearMessageBoxes();
    }
};

TEST_F(StartUpTest, SortsTheHostTreeByTheOrderFileBesideTheModule) {
    host_->AddOutline("A\n  A1\n  A2\nB\nC\n");
    Load();
    WriteOrderFile("C\\\r\nA\\\r\nA\\A2\\\r\n");
    EXPECT_EQ(module_->OnStart(), 0);
    EXPECT_EQ(Describe(), "C\nA\n  A2\n  A1\nB\n");
    EXPECT_TRUE(watcher_.messageBoxes().empty());
    EXPECT_TRUE(standin::CanOpenExclusively(module_->orderFilePath()));
}

TEST_F(StartUpTest, TheHostVersionChoosesWhereFolderRecordsKeepTheirPath) {
    struct Case {
        const char* version;
        DWORD offset;
    };
    const Case cases[] = {
        {"2.05.04", 24}, {"2.05.05", 28}, {"2.05.03", 24}, {"2.06", 28},
        {"10.0.0", 24},  // textual: "1" sorts before "2"
        {"2.05.04.1", 28},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        standin::Host().version = c.version;
        NewHostTree(c.offset);
        host_->AddOutline("A\nB\n");
        Load();
        WriteOrderFile("B\\\r\n");
        module_->OnStart();
        EXPECT_EQ(Describe(), "B\nA\n");
        EXPECT_TRUE(watcher_.messageBoxes().empty());
        module_.reset();
    }
}

TEST_F(StartUpTest, RecordsOfTheOtherLayoutFailTheCheckAndLeaveTheTreeAlone) {
    if (!standin::AccessViolationsAreCaught()) GTEST_SKIP() << "needs unreadable memory probed";
    standin::Host().version = "2.05.04";  // says 24, but the records keep it at 28
    host_->AddOutline("A\nB\n");
    Load();
    WriteOrderFile("B\\\r\n");
    EXPECT_EQ(module_->OnStart(), 0);
    ExpectUnsupportedHostMessage();
    EXPECT_EQ(Describe(), "A\nB\n");
    // Without a passing check there is no order-file path: OK writes nothing.
    ConfirmEditor(IDOK);
    EXPECT_EQ(ReadOrderFile(), "B\\\r\n");
}

TEST_F(StartUpTest, AFirstItemWithoutAReadableRecordFailsTheCheck) {
    const char* cases[] = {"null record", "unreadable record", "unreadable path"};
    for (const char* which : cases) {
        SCOPED_TRACE(which);
        if (which[0] != 'n' && !standin::AccessViolationsAreCaught()) continue;
        NewHostTree(28);
        LPARAM record = which[0] == 'n' ? 0
                        : which[11] == 'r' ? host_->UnreadableRecord()
                                           : host_->NewRecordWithPathAddress(host_->UnreadableAddress());
        host_->AddItem(nullptr, "First", record);
        host_->AddOutline("A\n");
        Load();
        module_->OnStart();
        ExpectUnsupportedHostMessage();
        module_.reset();
    }
}

TEST_F(StartUpTest, AFailedCheckForgetsTheOrderFileUntilACheckPassesAgain) {
    if (!standin::AccessViolationsAreCaught()) GTEST_SKIP() << "needs unreadable memory probed";
    host_->AddOutline("A\nB\nC\n");
    Load();
    WriteOrderFile("B\\\r\nC\\\r\n");
    module_->OnStart();
    EXPECT_EQ(Describe(), "B\nC\nA\n");

    // At the other offset no folder has a key: a save now would wipe the order.
    standin::Host().version = "2.05.04";
    module_->OnStart();
    ExpectUnsupportedHostMessage();
    watcher_.ClearMessageBoxes();
    WriteOrderFile("C\\\r\nB\\\r\n");
    EXPECT_EQ(ConfirmEditor(IDOK), 1);
    EXPECT_EQ(ReadOrderFile(), "C\\\r\nB\\\r\n");
    EXPECT_EQ(Describe(), "B\nC\nA\n") << "no sort without an order file";
    ExpectNoEditorButAWarning();

    standin::Host().version = "2.05.05";
    module_->OnStart();
    EXPECT_EQ(Describe(), "C\nB\nA\n");
    EXPECT_EQ(ConfirmEditor(IDOK), 1);
    EXPECT_EQ(ReadOrderFile(), "C\\\r\nB\\\r\nA\\\r\n");
}

TEST_F(StartUpTest, SettingsBeforeAnyStartOpenNoEditorAndSayWhy) {
    host_->AddOutline("A\nB\n");
    Load();
    WriteOrderFile("B\\\r\n");
    EXPECT_EQ(ConfirmEditor(IDOK), 1);
    EXPECT_EQ(ReadOrderFile(), "B\\\r\n");
    EXPECT_EQ(Describe(), "A\nB\n");
    ExpectNoEditorButAWarning(true);
}

TEST_F(StartUpTest, AnEmptyTreeHasNothingToCheckAndStillGetsAnOrderFilePath) {
    Load();
    EXPECT_EQ(module_->OnStart(), 0);
    EXPECT_TRUE(watcher_.messageBoxes().empty());
    host_->AddOutline("A\nB\n");
    ConfirmEditor(IDOK);
    EXPECT_EQ(ReadOrderFile(), "A\\\r\nB\\\r\n");
}

TEST_F(StartUpTest, AnEmptyDataFolderPassesTheCheckEvenWithANullPath) {
    standin::Host().dataFolder = "";
    host_->AddItem(nullptr, "NoPath", host_->NewRecordWithPathAddress(nullptr));
    host_->AddFolderWithPath(nullptr, "A", "D:\\A");
    host_->AddFolderWithPath(nullptr, "B", "D:\\B");
    Load();
    WriteOrderFile("D:\\B\r\nD:\\A\r\n");
    module_->OnStart();
    EXPECT_TRUE(watcher_.messageBoxes().empty());
    std::string sorted = Describe();
    EXPECT_LT(sorted.find("B\n"), sorted.find("A\n"));
}

TEST_F(StartUpTest, ADataFolderLongerThan259BytesIsCutAndTheCutLengthUsed) {
    std::string dataFolder = "C:\\" + std::string(296, 'd') + "\\";  // 300 bytes
    standin::Host().dataFolder = dataFolder;
    host_->AddOutline("A\nB\n");
    Load();
    // Keys begin after the first 259 bytes of the host's data folder.
    std::string rest = dataFolder.substr(259);
    WriteOrderFile(rest + "B\\\r\n" + rest + "A\\\r\n");
    module_->OnStart();
    EXPECT_EQ(Describe(), "B\nA\n");
    ConfirmEditor(IDOK);
    EXPECT_EQ(ReadOrderFile(), rest + "B\\\r\n" + rest + "A\\\r\n");
}

TEST_F(StartUpTest, EveryStartReadsTheHostAndTheFileAfresh) {
    host_->AddOutline("A\nB\nC\n");
    Load();
    WriteOrderFile("C\\\r\n");
    module_->OnStart();
    EXPECT_EQ(Describe(), "C\nA\nB\n");
    WriteOrderFile("B\\\r\nA\\\r\n");
    module_->OnStart();
    EXPECT_EQ(Describe(), "B\nA\nC\n");

    // A new data folder: the same folders now have other keys.
    standin::Host().dataFolder = "C:\\";
    WriteOrderFile("BeckyData\\A\\\r\n");
    module_->OnStart();
    EXPECT_EQ(Describe(), "A\nB\nC\n");
    EXPECT_EQ(standin::Host().getWindowHandlesCalls, 3);
}

}  // namespace
