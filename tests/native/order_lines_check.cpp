// The byte-level order-file code, built natively with AddressSanitizer and
// UndefinedBehaviorSanitizer, checked against the model:
//  - random order files and sibling keys, each comparison as the model says;
//  - random order-list data and key pairs, where every scan (scalar, SSE2,
//    and AVX2 where the processor has it) and the model must agree, with the
//    data at every start alignment 0-15 and ending exactly at its
//    allocation's end, and again between two inaccessible pages, so that a
//    read one byte before or after the data faults;
//  - long data (up to about 120 lines of near misses) and sibling keys
//    differing in any mix of the bytes the vector scans test (up to 150
//    lines agreeing with them there), at every offset 0-31 from a page that
//    cannot be touched, before it and after it, with bytes that end no line
//    around it.
//
//   order_lines_check [SECONDS [SEED]]   (default: 15 seconds, seed 1)
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "order/order_lines.h"
#include "plugin/cpu_features.h"
#include "model/order_model.h"

namespace {

int g_failed = 0;

struct Scan {
    const char* name;
    int (*compare)(const char*, const char*, const char*, const char*);
};
std::vector<Scan> g_scans = {{"scalar", CompareKeysByLines}, {"sse2", CompareKeysByLinesSse2}};

void Report(const char* what, const model::ScanCase& c, int expected, const Scan& scan, int answer) {
    if (++g_failed > 10) return;
    printf("%s: expected %d, %s %d; keys \"%s\" \"%s\", %zu bytes:", what, expected, scan.name, answer,
           c.firstKey.c_str(), c.secondKey.c_str(), c.data.size());
    for (unsigned char byte : c.data) printf(" %02X", byte);
    printf("\n");
}

void CheckAt(const char* data, const model::ScanCase& c, int expected, const char* where) {
    const char* begin = c.data.empty() ? nullptr : data;
    const char* end = begin ? begin + c.data.size() : nullptr;
    for (const Scan& scan : g_scans) {
        int answer = scan.compare(begin, end, c.firstKey.c_str(), c.secondKey.c_str());
        if (answer != expected) Report(where, c, expected, scan, answer);
    }
}

// A page of data between two pages that cannot be touched.
class GuardedPage {
public:
    explicit GuardedPage(size_t pages = 1) : size_(static_cast<size_t>(sysconf(_SC_PAGESIZE))), pages_(pages) {
        base_ = static_cast<char*>(mmap(nullptr, (pages + 2) * size_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(base_ + size_, pages * size_, PROT_READ | PROT_WRITE);
    }
    ~GuardedPage() { munmap(base_, (pages_ + 2) * size_); }
    char* start() const { return base_ + size_; }
    char* end() const { return base_ + (pages_ + 1) * size_; }

private:
    size_t size_, pages_;
    char* base_;
};

// The case's data `offset` bytes after the start of the accessible pages and
// again `offset` bytes before their end, with bytes around it that end no
// line, so that a scan reading past either end of the data answers wrong
// when it does not fault.
void CheckLongCase(const GuardedPage& page, const model::ScanCase& c, int expected) {
    const size_t size = c.data.size();
    const char filler = c.firstKey.empty() ? 'F' : c.firstKey[0];
    for (size_t offset = 0; offset < 32; ++offset) {
        memset(page.start(), filler, static_cast<size_t>(page.end() - page.start()));
        memcpy(page.start() + offset, c.data.data(), size);
        CheckAt(page.start() + offset, c, expected, "long, after a guard page");
        memset(page.start(), filler, static_cast<size_t>(page.end() - page.start()));
        memcpy(page.end() - offset - size, c.data.data(), size);
        CheckAt(page.end() - offset - size, c, expected, "long, before a guard page");
    }
}

bool CheckSiblingCase(uint32_t seed) {
    model::Case c = model::RandomCase(seed);
    std::vector<std::string> lines = model::Lines(c.file);
    std::unique_ptr<char[]> data(new char[c.file.size() ? c.file.size() : 1]);
    memcpy(data.get(), c.file.data(), c.file.size());
    SplitOrderLines(data.get(), c.file.size());
    const char* begin = c.file.empty() ? nullptr : data.get();
    const char* end = begin ? begin + c.file.size() : nullptr;
    for (const std::string& a : c.keys) {
        for (const std::string& b : c.keys) {
            int expected = model::Compare(lines, a, b);
            for (const Scan& scan : g_scans) {
                if (scan.compare(begin, end, a.c_str(), b.c_str()) != expected) return false;
            }
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? atof(argv[1]) : 15;
    const uint32_t seed = argc > 2 ? static_cast<uint32_t>(atoi(argv[2])) : 1;
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };

    // The processor's own word, asked another way, must agree with the
    // module's check; where there is no AVX2 its scan cannot be run here.
    if (CpuidReportsAvx2() != (__builtin_cpu_supports("avx2") != 0)) {
        ++g_failed;
        printf("the module's AVX2 check says %d, the compiler's %d\n", CpuidReportsAvx2(),
               __builtin_cpu_supports("avx2") != 0);
    }
    if (CpuidReportsAvx2()) g_scans.push_back({"avx2", CompareKeysByLinesAvx2});
    else printf("order_lines: this processor has no AVX2: the AVX2 scan is skipped\n");

    int siblingCases = 0;
    for (uint32_t s = 1; s <= 20000; ++s, ++siblingCases) {
        if (!CheckSiblingCase(s)) {
            ++g_failed;
            printf("sibling case %u: comparison differs from the model\n", s);
        }
    }

    std::mt19937 random(seed);
    GuardedPage page, longPage(4);
    long scanCases = 0, longCases = 0;
    while (elapsed() < seconds) {
        for (int i = 0; i < 20; ++i, ++longCases) {
            model::ScanCase c = model::RandomLongScanCase(random);
            if (c.data.size() + 32 > static_cast<size_t>(longPage.end() - longPage.start())) continue;
            CheckLongCase(longPage, c, model::ExpectedScan(c));
        }
        for (int i = 0; i < 10; ++i, ++longCases) {
            model::ScanCase c = model::RandomSiblingScanCase(random);
            if (c.data.size() + 32 > static_cast<size_t>(longPage.end() - longPage.start())) continue;
            CheckLongCase(longPage, c, model::ExpectedScan(c));
        }
        for (int i = 0; i < 1000; ++i, ++scanCases) {
            model::ScanCase c = model::RandomScanCase(random);
            const int expected = model::ExpectedScan(c);
            const size_t size = c.data.size();
            for (size_t alignment = 0; alignment < 16; ++alignment) {
                std::unique_ptr<char[]> block(new char[alignment + size + 1]);
                char* data = block.get() + alignment + 1;  // ends where the allocation ends
                memcpy(data, c.data.data(), size);
                block[alignment] = '\0';  // a NUL just before must not make a line start
                CheckAt(data, c, expected, "heap");
            }
            memcpy(page.end() - size, c.data.data(), size);
            CheckAt(page.end() - size, c, expected, "before a guard page");
            memcpy(page.start(), c.data.data(), size);
            CheckAt(page.start(), c, expected, "after a guard page");
        }
    }
    printf("order_lines: %d sibling cases, %ld scan cases at 18 placements each, %ld long cases at 64"
           " placements each, with %zu scans, in %.1f s (seed %u)\n",
           siblingCases, scanCases, longCases, g_scans.size(), elapsed(), seed);
    // A case fails once for each scan and placement that answers wrong.
    printf("%s: %d failed checks\n", g_failed ? "FAILED" : "passed", g_failed);
    return g_failed ? 1 : 0;
}
