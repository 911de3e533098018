#include "tests/module_fixture.h"

void ModuleTest::SetUp() {
    // The pointer where no window of the tests opens (the editor opens at
    // the top left): a tooltip it rested under would ask the tree about a
    // folder, in a test that counts the tree's questions.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    standin::Host() = standin::HostState{};
    standin::Host().heap = &heap_;
    NewHostTree(28);
}

void ModuleTest::TearDown() {
    module_.reset();
    host_.reset();
    EXPECT_EQ(heap_.outstandingBlocks(), 0u) << "host blocks left outstanding";
    EXPECT_EQ(heap_.badFrees(), 0u) << "blocks freed that the host never gave";
    EXPECT_EQ(watcher_.dialogsLeftOpen(), 0) << "a dialog script left its dialog open";
    standin::Host().heap = nullptr;
}

void ModuleTest::NewHostTree(DWORD pathOffset) {
    host_.reset();
    host_.reset(new standin::FolderTreeHost(pathOffset));
}

void ModuleTest::Load(const std::string& folderName) {
    module_.reset(new standin::LoadedModule(standin::BuiltModulePath(), folderName));
    ASSERT_NE(module_->handle(), nullptr) << "LoadLibrary failed: " << module_->loadError();
}

void ModuleTest::WriteOrderFile(const std::string& bytes) {
    ASSERT_TRUE(standin::WriteFileBytes(module_->orderFilePath(), bytes));
}

std::string ModuleTest::ReadOrderFile() const {
    return standin::ReadFileBytes(module_->orderFilePath());
}

void ModuleTest::ExpectNoHostBlockHeldAfterExit() {
    if (module_ && module_->Export("BKC_OnExit")) module_->OnExit();
    EXPECT_EQ(heap_.outstandingBlocks(), 0u);
}

int ModuleTest::ConfirmEditor(int button) {
    watcher_.OnNextDialog([button](HWND dialog) { standin::ClickButton(dialog, button); });
    return module_->OnPlugInSetup(host_->window());
}

void ModuleTest::Start(const std::string& outline, const std::string& orderFile) {
    module_.reset();
    NewHostTree(28);
    host_->AddOutline(outline);
    Load();
    WriteOrderFile(orderFile);
    module_->OnStart();
    watcher_.ClearMessageBoxes();
}

void ModuleTest::ExpectNoTemporaryFile(const std::set<std::string>& others) {
    for (const std::string& name : standin::ListFolder(module_->folder()))
        EXPECT_TRUE(name == "tamrivel.dll" || name == "tamrivel.cfg" || others.count(name))
            << "left behind: " << name;
}

bool ModuleTest::TreeComesToBegin(const std::string& expected) {
    return standin::PumpUntil([&] { return Describe().compare(0, expected.size(), expected) == 0; });
}

bool ModuleTest::OrderFileComesToHold(const std::string& expected) const {
    return standin::PumpUntil([&] { return ReadOrderFile() == expected; });
}

void ModuleTest::RunHost(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        standin::PumpMessages();
        Sleep(10);
    } while (GetTickCount() - start < milliseconds);
}

namespace {
int g_pauses = 0;
bool g_instantPauses = false;
DWORD WINAPI CountPause(DWORD count, const HANDLE* handles, BOOL all, DWORD milliseconds, DWORD wake) {
    ++g_pauses;
    if (g_instantPauses) return WAIT_TIMEOUT;
    return MsgWaitForMultipleObjects(count, handles, all, milliseconds, wake);
}
}  // namespace

PausesCounted::PausesCounted(HMODULE module, bool instant)
    : patch_(module, "user32.dll", "MsgWaitForMultipleObjects", reinterpret_cast<void*>(&CountPause)) {
    g_pauses = 0;
    g_instantPauses = instant;
}

PausesCounted::~PausesCounted() {
    g_pauses = 0;
    g_instantPauses = false;
}

int PausesCounted::count() const { return g_pauses; }
