// The two order-list scans as the module runs them, 32-bit under Wine: the
// SSE2 scan must give the scalar scan's (and the model's) answer on every
// input, read nothing outside the data, and survive the 4-byte aligned stack
// the tree control calls it with.
#include "tests/core_fixture.h"

#include <random>

#include "order/order_file.h"
#include "order/order_lines.h"
#include "order/tree_sort.h"
#include "standin/order_model.h"

namespace {

// Calls a function of four 32-bit arguments with the stack pointer `skew`
// bytes off a 16-byte boundary at the call, and answers its result.
extern "C" int CallWithSkewedStack(const void* function, int skew, const void* a, const void* b,
                                   const void* c, const void* d);
asm(R"(
    .text
    .globl _CallWithSkewedStack
_CallWithSkewedStack:
    pushl %ebp
    movl  %esp, %ebp
    movl  8(%ebp), %eax
    movl  12(%ebp), %ecx
    andl  $-16, %esp
    subl  %ecx, %esp
    pushl 28(%ebp)
    pushl 24(%ebp)
    pushl 20(%ebp)
    pushl 16(%ebp)
    call  *%eax
    movl  %ebp, %esp
    popl  %ebp
    ret
)");

// One page of data between two pages that cannot be touched.
class GuardedPage {
public:
    GuardedPage() {
        base_ = static_cast<char*>(VirtualAlloc(nullptr, 3 * kPage, MEM_COMMIT, PAGE_NOACCESS));
        DWORD old;
        VirtualProtect(base_ + kPage, kPage, PAGE_READWRITE, &old);
    }
    ~GuardedPage() { VirtualFree(base_, 0, MEM_RELEASE); }
    char* start() const { return base_ + kPage; }
    char* end() const { return base_ + 2 * kPage; }

private:
    static const size_t kPage = 4096;
    char* base_;
};

TEST(ScanTest, TheSse2ScanAnswersAsTheScalarScanAndTheModelAndStaysInsideTheData) {
    ASSERT_TRUE(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE));
    std::mt19937 random(20261207);
    GuardedPage page;
    int failures = 0;
    for (int i = 0; i < 400000 && failures < 5; ++i) {
        model::ScanCase c = model::RandomScanCase(random);
        const int expected = model::ExpectedScan(c);
        const size_t size = c.data.size();
        // Against the page's end, then its start: one byte too far either way faults.
        for (char* data : {page.end() - size, page.start()}) {
            CopyMemory(data, c.data.data(), size);
            const char* begin = size ? data : nullptr;
            const char* end = size ? data + size : nullptr;
            int scalar = CompareKeysByLines(begin, end, c.firstKey.c_str(), c.secondKey.c_str());
            int vector = CompareKeysByLinesSse2(begin, end, c.firstKey.c_str(), c.secondKey.c_str());
            if (scalar != expected || vector != expected) {
                ++failures;
                ADD_FAILURE() << "case " << i << ": model " << expected << ", scalar " << scalar
                              << ", sse2 " << vector << ", keys \"" << c.firstKey << "\" \""
                              << c.secondKey << "\"";
            }
        }
    }
}

TEST_F(CoreTest, TheComparisonRunsOnAStackAlignedTo4BytesOnly) {
    // Keys long enough, and lines many enough, that the vector loop runs and
    // finds candidates to check.
    std::string outline, file;
    for (int i = 0; i < 40; ++i) {
        std::string name = "Folder" + std::to_string(1000 + i) + "\\Sub";
        outline += name + "\n";
        file = name + "\\\r\n" + file;
    }
    host_->AddOutline(outline);
    WriteOrderFile(file);
    ASSERT_TRUE(LoadOrderList());
    g_module.orderList.scanWithSse2 = true;
    LPARAM first = standin::ItemData(host_->tree(), host_->Find("Folder1000\\Sub"));
    LPARAM second = standin::ItemData(host_->tree(), host_->Find("Folder1001\\Sub"));
    for (int skew : {0, 4, 8, 12}) {
        SCOPED_TRACE(skew);
        EXPECT_EQ(CallWithSkewedStack(reinterpret_cast<const void*>(&CompareFolders), skew,
                                      reinterpret_cast<const void*>(first),
                                      reinterpret_cast<const void*>(second), nullptr, nullptr),
                  1);
        const char* list = g_module.orderList.buffer;
        EXPECT_EQ(CallWithSkewedStack(reinterpret_cast<const void*>(&CompareKeysByLinesSse2), skew, list,
                                      list + g_module.orderList.byteCount, "Folder1000\\Sub\\",
                                      "Folder1039\\Sub\\"),
                  1);
    }
    ReleaseOrderList();
}

}  // namespace
