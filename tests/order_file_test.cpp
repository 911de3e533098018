// The order file's name and how its bytes are split into lines.
#include "tests/core_fixture.h"

#include "order/order_file.h"

namespace {

std::string OrderPathFor(const std::string& modulePath) {
    char orderPath[MAX_PATH];
    OrderFilePathFromModulePath(modulePath.c_str(), static_cast<DWORD>(modulePath.size()), orderPath);
    return orderPath;
}

TEST(OrderFilePath, ReplacesTheExtensionOrAppendsOne) {
    EXPECT_EQ(OrderPathFor("C:\\Becky\\PlugIns\\tamrivel.dll"), "C:\\Becky\\PlugIns\\tamrivel.cfg");
    EXPECT_EQ(OrderPathFor("C:\\Becky\\PlugIns\\tamrivel"), "C:\\Becky\\PlugIns\\tamrivel.cfg");
    EXPECT_EQ(OrderPathFor("C:\\a.b\\tamrivel.x.dll"), "C:\\a.b\\tamrivel.x.cfg");
}

TEST(OrderFilePath, TheLastDotMayLieInAFolderName) {
    EXPECT_EQ(OrderPathFor("C:\\Becky.2\\PlugIns\\tamrivel"), "C:\\Becky.cfg");
}

TEST(OrderFilePath, ShiftJisNamesAreSplitAtTheRealDot) {
    // "表" is 0x95 0x5C: its second byte is a backslash, never a dot.
    std::string folder = standin::Sjis(u8"C:\\表示\\ソフト");
    EXPECT_EQ(OrderPathFor(folder + "\\tamrivel.dll"), folder + "\\tamrivel.cfg");
}

TEST(OrderFilePath, APathThatWouldNotFitIsLeftEmpty) {
    std::string longest = "C:\\" + std::string(251, 'x') + ".dll";  // 258 bytes
    ASSERT_EQ(longest.size(), 258u);
    EXPECT_EQ(OrderPathFor(longest).size(), 258u);
    std::string noDot = "C:\\" + std::string(252, 'x');  // 255 + ".cfg" = 259: fits
    EXPECT_EQ(OrderPathFor(noDot), noDot + ".cfg");
    std::string tooLong = "C:\\" + std::string(253, 'x');  // 256 + ".cfg" = 260: does not
    EXPECT_EQ(OrderPathFor(tooLong), "");
}

TEST(OrderFilePath, AModulePathThatWasCutShortGivesNoOrderFile) {
    std::string cut(MAX_PATH - 1, 'x');
    char orderPath[MAX_PATH] = "previous";
    // GetModuleFileNameA answers the whole capacity when it cut the path.
    EXPECT_FALSE(OrderFilePathFromModulePath(cut.c_str(), MAX_PATH, orderPath));
    EXPECT_STREQ(orderPath, "");
    EXPECT_FALSE(OrderFilePathFromModulePath("", 0, orderPath));
    EXPECT_STREQ(orderPath, "");
}

TEST_F(CoreTest, BuildOrderFilePathUsesTheModulesOwnFile) {
    g_module.moduleHandle = GetModuleHandleA(nullptr);
    BuildOrderFilePath();
    char exePath[MAX_PATH];
    GetModuleFileNameA(nullptr, exePath, MAX_PATH);
    std::string expected = exePath;
    expected = expected.substr(0, expected.rfind('.')) + ".cfg";
    EXPECT_EQ(orderFilePath(), expected);
}

std::vector<std::string> LoadedLines() {
    std::vector<std::string> lines;
    for (const char* line = FirstOrderLine(); line; line = NextOrderLine(line)) {
        const char* end = line;
        while (end < OrderListEnd() && *end) ++end;
        lines.emplace_back(line, end);
    }
    return lines;
}

TEST_F(CoreTest, LoadingSplitsTheFileIntoLinesInPlace) {
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"A", {"A"}},
        {"A\r\nB\r\n", {"A", "B"}},
        {"A\nB\rC\r\n\r\n\nD", {"A", "B", "C", "D"}},
        {"\r\nA", {"", "A"}},
        {std::string("\0A\0\0B", 5), {"", "A", "B"}},
        {"\r\n\r\n", {""}},
        {std::string("\r\n\0", 3), {""}},
    };
    for (const Case& c : cases) {
        WriteOrderFile(c.bytes);
        ASSERT_EQ(LoadOrderList(), OrderLoad::kLoaded);
        EXPECT_EQ(g_module.orderList.byteCount, c.bytes.size());
        EXPECT_EQ(LoadedLines(), c.lines) << "file: " << ::testing::PrintToString(c.bytes);
        for (DWORD i = 0; i < g_module.orderList.byteCount; ++i) {
            char original = c.bytes[i];
            char expected = (original == '\r' || original == '\n') ? '\0' : original;
            EXPECT_EQ(g_module.orderList.buffer[i], expected);
        }
        ReleaseOrderList();
    }
}

TEST_F(CoreTest, LoadingTakesOneBlockOfExactlyTheFileSize) {
    WriteOrderFile("A\r\nB\r\n");
    ASSERT_EQ(LoadOrderList(), OrderLoad::kLoaded);
    EXPECT_EQ(heap_.outstandingBlocks(), 1u);
    EXPECT_EQ(heap_.outstandingBytes(), 6u);
    ReleaseOrderList();
    EXPECT_EQ(heap_.outstandingBlocks(), 0u);
}

TEST_F(CoreTest, TheOrderFileIsClosedAfterLoading) {
    WriteOrderFile("A\r\n");
    ASSERT_EQ(LoadOrderList(), OrderLoad::kLoaded);
    EXPECT_TRUE(standin::CanOpenExclusively(orderFilePath()));
    ReleaseOrderList();
}

}  // namespace
