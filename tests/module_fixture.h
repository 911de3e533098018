// Loads the real built module into this executable, which exports the host's
// functions as the mail client does, over a stand-in host with a real tree.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "standin/dialog_watcher.h"
#include "standin/files.h"
#include "standin/host.h"
#include "standin/import_patch.h"
#include "standin/module_loader.h"

using standin::Bytes;

// What the editor says, as UTF-8, for the tests to compare in Shift_JIS.
const char kNotEveryFolderShown[] =
    u8"メモリが足りないため、すべてのフォルダを表示できませんでした。\r\n"
    u8"並び順は変更していません。ほかのプログラムを閉じてから、もう一度プラグインの設定を開いてください。";
const char kMoveFailed[] =
    u8"メモリが足りないため、フォルダを移動できませんでした。\r\nフォルダは元の位置のままです。";
const char kEditorClosedUnsaved[] =
    u8"メモリが足りないため、フォルダの移動を終えられず、「並び替え」ウィンドウを閉じました。\r\n"
    u8"並び順ファイル（tamrivel.cfg）は変更していません。「並び替え」ウィンドウでの移動は保存されていません。"
    u8"ほかのプログラムを閉じてから、もう一度プラグインの設定を開いてください。";
const char kSavedButNotSorted[] =
    u8"並び順を保存しました。\r\nフォルダの一覧には、次に Becky! を起動したときに反映されます。";

// Counts the module's pauses (MsgWaitForMultipleObjects, the one way it
// imports to wait) for as long as it lives: what runs on the host's thread
// must make none, however fast or slow the machine. With `instant`, each
// pause ends at once, as if its time had passed: what a failed save says
// and leaves does not depend on them.
class PausesCounted {
public:
    explicit PausesCounted(HMODULE module, bool instant = false);
    ~PausesCounted();
    bool applied() const { return patch_.applied(); }
    int count() const;

private:
    standin::ImportPatch patch_;
};

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces the stand-in host's tree with one whose records keep the path
    // address at `pathOffset`.
    void NewHostTree(DWORD pathOffset);
    void Load(const std::string& folderName = "plugins");
    void WriteOrderFile(const std::string& bytes);
    std::string ReadOrderFile() const;
    std::string Describe() const { return standin::DescribeTree(host_->tree()); }
    // A new host tree from `outline`, the module loaded afresh over it with
    // that order file, and started; the boxes seen so far forgotten.
    void Start(const std::string& outline, const std::string& orderFile);
    // Nothing beside the module but itself, its order file and `others`:
    // no new copy of a save left behind.
    void ExpectNoTemporaryFile(const std::set<std::string>& others = {});
    // Once the host says it exits, the module holds no host block: what a
    // sort, a save or the editor took is back, and so is what the watch of
    // the host's tree keeps while the host runs.
    void ExpectNoHostBlockHeldAfterExit();
    // Opens the editor and presses OK (or Cancel) without moving anything.
    int ConfirmEditor(int button = IDOK);
    // Runs the host's message loop until the tree begins with `expected`
    // (folders no line names follow in whatever order the control's sort
    // leaves them), or until standin::PumpUntil gives up; answers whether it did.
    bool TreeComesToBegin(const std::string& expected);
    // Runs the host's message loop until the order file holds `expected`, or
    // until standin::PumpUntil gives up; answers whether it did.
    bool OrderFileComesToHold(const std::string& expected) const;
    // Runs the host's message loop for `milliseconds`: a time in which
    // something must not happen.
    static void RunHost(DWORD milliseconds);

    standin::DialogWatcher watcher_;
    standin::HostHeap heap_;
    std::unique_ptr<standin::FolderTreeHost> host_;
    std::unique_ptr<standin::LoadedModule> module_;
};
