#include "tests/core_fixture.h"

#include "order/tree_sort.h"

namespace {
template <typename Fn>
FARPROC AsHostEntry(Fn function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function));
}
}  // namespace

void CoreTest::SetUp() {
    g_module = ModuleState{};
    g_hostApi = HostApi{};
    g_hostApi.functions[HostFn_BKA_GetVersion] = AsHostEntry(&standin::HostGetVersion);
    g_hostApi.functions[HostFn_BKA_GetWindowHandles] =
        AsHostEntry(&standin::HostGetWindowHandles);
    g_hostApi.functions[HostFn_BKA_GetDataFolder] =
        AsHostEntry(&standin::HostGetDataFolder);
    g_hostApi.functions[HostFn_BKA_Alloc] = AsHostEntry(&standin::HostAlloc);
    g_hostApi.functions[HostFn_BKA_Free] = AsHostEntry(&standin::HostFree);

    standin::Host() = standin::HostState{};
    standin::Host().heap = &heap_;
    host_.reset(new standin::FolderTreeHost(28));
    folder_.reset(new standin::TempFolder("core"));

    g_module.folderPathOffset = 28;
    UseDataFolder(standin::Host().dataFolder);
    lstrcpyA(g_module.orderFilePath, (*folder_ / "tamrivel.cfg").c_str());
}

void CoreTest::TearDown() {
    EXPECT_EQ(heap_.outstandingBlocks(), 0u) << "host blocks left outstanding";
    EXPECT_EQ(heap_.badFrees(), 0u) << "blocks freed that the host never gave";
    EXPECT_EQ(g_module.orderList.buffer, nullptr);
    host_.reset();
    folder_.reset();
    standin::Host().heap = nullptr;
}

void CoreTest::UseDataFolder(const std::string& dataFolder) {
    standin::Host().dataFolder = dataFolder;
    lstrcpynA(g_module.dataFolder, dataFolder.c_str(), kPathCapacity);
    g_module.dataFolderLength = static_cast<DWORD>(lstrlenA(g_module.dataFolder));
}

void CoreTest::WriteOrderFile(const std::string& bytes) {
    ASSERT_TRUE(standin::WriteFileBytes(orderFilePath(), bytes));
}

std::string CoreTest::ReadOrderFile() const { return standin::ReadFileBytes(orderFilePath()); }

std::string CoreTest::SortAndDescribe() {
    SortFolderTree(host_->tree());
    return Describe();
}

std::string CoreTest::Describe() const { return standin::DescribeTree(host_->tree()); }
