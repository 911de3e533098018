// The order-list scans as the module runs them, 32-bit under Wine: the SSE2
// and AVX2 scans must give the scalar scan's (and the model's) answer on
// every input, read nothing outside the data, and survive the 4-byte aligned
// stack the tree control calls them with.
#include "tests/core_fixture.h"

#include <random>

#include "order/order_file.h"
#include "order/order_lines.h"
#include "order/tree_sort.h"
#include "plugin/processor.h"
#include "model/order_model.h"

namespace {

// Calls a function of four 32-bit arguments with the stack pointer `skew`
// bytes off a 32-byte boundary at the call, and answers its result.
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
    andl  $-32, %esp
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

// Pages of data between two pages that cannot be touched.
class GuardedPages {
public:
    explicit GuardedPages(size_t pages) : pages_(pages) {
        base_ = static_cast<char*>(VirtualAlloc(nullptr, (pages + 2) * kPage, MEM_COMMIT, PAGE_NOACCESS));
        DWORD old;
        VirtualProtect(base_ + kPage, pages * kPage, PAGE_READWRITE, &old);
    }
    ~GuardedPages() { VirtualFree(base_, 0, MEM_RELEASE); }
    char* start() const { return base_ + kPage; }
    char* end() const { return base_ + (pages_ + 1) * kPage; }

private:
    static const size_t kPage = 4096;
    size_t pages_;
    char* base_;
};

struct Scan {
    const char* name;
    OrderScan scan;
};

// Every scan this processor can run; says so when it cannot run AVX2.
std::vector<Scan> ScansToRun() {
    EXPECT_TRUE(ProcessorHasSse2());
    std::vector<Scan> scans = {{"scalar", OrderScan::kScalar}, {"sse2", OrderScan::kSse2}};
    if (ProcessorHasAvx2()) scans.push_back({"avx2", OrderScan::kAvx2});
    else printf("[  SKIPPED ] the AVX2 scan: this processor (or system) has no AVX2\n");
    return scans;
}

// Runs every scan on the case's data placed at `data`; counts a failure for
// each answer that is not the model's.
void CheckScans(const std::vector<Scan>& scans, const model::ScanCase& c, int expected, char* data,
                const char* where, int* failures) {
    const size_t size = c.data.size();
    CopyMemory(data, c.data.data(), size);
    const char* begin = size ? data : nullptr;
    const char* end = size ? data + size : nullptr;
    for (const Scan& scan : scans) {
        int answer = CompareKeysWith(scan.scan, begin, end, c.firstKey.c_str(), c.secondKey.c_str());
        if (answer != expected && ++*failures <= 5) {
            ADD_FAILURE() << where << ": model " << expected << ", " << scan.name << " " << answer
                          << ", keys \"" << c.firstKey << "\" \"" << c.secondKey << "\", " << size << " bytes";
        }
    }
}

TEST(ScanTest, EveryScanAnswersAsTheModelAndStaysInsideTheData) {
    const std::vector<Scan> scans = ScansToRun();
    std::mt19937 random(20261207);
    GuardedPages page(1);
    int failures = 0;
    for (int i = 0; i < 400000 && failures < 5; ++i) {
        model::ScanCase c = model::RandomScanCase(random);
        const int expected = model::ExpectedScan(c);
        // Against the page's end, then its start: one byte too far either way faults.
        CheckScans(scans, c, expected, page.end() - c.data.size(), "before a guard page", &failures);
        CheckScans(scans, c, expected, page.start(), "after a guard page", &failures);
    }
}

// Runs `count` cases from `generate` at every offset 0-31 after an
// inaccessible page and before one, with bytes that end no line around it:
// a read past either end of the data faults or answers wrong.
template <typename Generate>
void CheckAtEveryOffsetFromAGuardPage(uint32_t seed, int count, Generate generate) {
    const std::vector<Scan> scans = ScansToRun();
    std::mt19937 random(seed);
    GuardedPages page(4);
    const size_t room = static_cast<size_t>(page.end() - page.start());
    int failures = 0;
    for (int i = 0; i < count && failures < 5; ++i) {
        model::ScanCase c = generate(random);
        if (c.data.size() + 32 > room) continue;
        const int expected = model::ExpectedScan(c);
        const char filler = c.firstKey.empty() ? 'F' : c.firstKey[0];
        FillMemory(page.start(), room, static_cast<BYTE>(filler));
        for (size_t offset = 0; offset < 32; ++offset) {
            CheckScans(scans, c, expected, page.start() + offset, "after a guard page", &failures);
            FillMemory(page.start() + offset, c.data.size(), static_cast<BYTE>(filler));
        }
        for (size_t offset = 0; offset < 32; ++offset) {
            CheckScans(scans, c, expected, page.end() - offset - c.data.size(), "before a guard page", &failures);
            FillMemory(page.end() - offset - c.data.size(), c.data.size(), static_cast<BYTE>(filler));
        }
    }
}

// Long data, where the vector loops run many turns.
TEST(ScanTest, EveryScanAnswersAsTheModelOnLongDataAtEveryOffsetFromAGuardPage) {
    CheckAtEveryOffsetFromAGuardPage(15, 1500, model::RandomLongScanCase);
}

// Sibling keys differing in each mix of the three bytes the vector scans
// test, among lines that agree with a key there and differ elsewhere or mix
// the two keys' bytes: at every alignment of the block the scans load
// aligned, a line equal to a key is found wherever it stands.
TEST(ScanTest, EveryScanFindsSiblingKeysAmongLinesAgreeingWithThemInTheTestedBytes) {
    CheckAtEveryOffsetFromAGuardPage(30, 2000, model::RandomSiblingScanCase);
}

// A line equal to a sibling key ends the data, with no line end, at each of
// 32 data lengths, after 2 to 12 pairs of lines that agree with the keys in
// the bytes the vector scans test first: lines of the keys' length that
// differ before those bytes, and lines that agree without starting a line.
// The key then stands at the last position of the last block a vector loop
// tests, in a turn where a first stage gives up for a stricter one, just
// after it, or in the line-by-line tail; a position skipped anywhere fails.
TEST(ScanTest, EveryScanFindsASiblingKeyEndingTheDataAfterLinesAgreeingInTheTestedBytes) {
    struct Keys {
        const char* first;
        const char* second;
        const char* sameLength;
        const char* notALine;
    };
    // Keys that differ in two of the tested bytes, and in the last only.
    const Keys table[] = {{"Folder12", "Folder21", "Folder13", "xFolder21"},
                          {"Folder12", "Folder13", "Polder12", "xFolder13"}};
    const std::vector<Scan> scans = ScansToRun();
    GuardedPages page(1);
    int failures = 0;
    for (const Keys& keys : table) {
        for (const std::string tail : {"\\", ""}) {
            for (int pairs = 2; pairs <= 12; ++pairs) {
                for (size_t pad = 0; pad < 32; ++pad) {
                    model::ScanCase c{std::string(pad + 1, 'x') + '\0', keys.first + tail, keys.second + tail};
                    for (int i = 0; i < pairs; ++i)
                        c.data += keys.sameLength + tail + '\0' + keys.notALine + tail + '\0';
                    c.data += c.secondKey;
                    CheckScans(scans, c, 1, page.end() - c.data.size(), "ending the data", &failures);
                }
            }
        }
    }
}

// The module's own reading of CPUID and XGETBV against the system's answer
// (Wine asks the processor for it).
TEST(ScanTest, TheAvx2CheckAgreesWithTheSystem) {
    const DWORD kAvx2Feature = 40;  // PF_AVX2_INSTRUCTIONS_AVAILABLE
    EXPECT_EQ(ProcessorHasAvx2(), IsProcessorFeaturePresent(kAvx2Feature) != FALSE);
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
    ASSERT_EQ(LoadOrderList(), OrderLoad::kLoaded);
    LPARAM first = standin::ItemData(host_->tree(), host_->Find("Folder1000\\Sub"));
    LPARAM second = standin::ItemData(host_->tree(), host_->Find("Folder1001\\Sub"));
    struct Entry {
        OrderScan scan;
        const void* function;
    };
    std::vector<Entry> entries = {{OrderScan::kSse2, reinterpret_cast<const void*>(&CompareKeysByLinesSse2)}};
    if (ProcessorHasAvx2()) entries.push_back({OrderScan::kAvx2, reinterpret_cast<const void*>(&CompareKeysByLinesAvx2)});
    for (const Entry& entry : entries) {
        g_module.orderList.scan = entry.scan;
        for (int skew : {0, 4, 8, 12, 16, 20, 24, 28}) {
            SCOPED_TRACE(skew);
            EXPECT_EQ(CallWithSkewedStack(reinterpret_cast<const void*>(&CompareFolders), skew,
                                          reinterpret_cast<const void*>(first),
                                          reinterpret_cast<const void*>(second), nullptr, nullptr),
                      1);
            const char* list = g_module.orderList.buffer;
            EXPECT_EQ(CallWithSkewedStack(entry.function, skew, list, list + g_module.orderList.byteCount,
                                          "Folder1000\\Sub\\", "Folder1039\\Sub\\"),
                      1);
        }
    }
    ReleaseOrderList();
}

}  // namespace
