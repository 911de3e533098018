// The byte-level order-file code, built natively with AddressSanitizer and
// UndefinedBehaviorSanitizer, checked against the model:
//  - random order files and sibling keys, each comparison as the model says;
//  - random order-list data and key pairs, where the SSE2 scan, the scalar
//    scan and the model must agree, with the data at every start alignment
//    0-15 and ending exactly at its allocation's end, and again between two
//    inaccessible pages, so that a read one byte before or after the data
//    faults.
//
//   order_lines_check [SECONDS [SEED]]   (default: 15 seconds, seed 1)
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "order/order_lines.h"
#include "standin/order_model.h"

namespace {

int g_failed = 0;

void Report(const char* what, const model::ScanCase& c, int expected, int scalar, int vector) {
    if (++g_failed > 10) return;
    printf("%s: expected %d, scalar %d, sse2 %d; keys \"%s\" \"%s\", %zu bytes:", what, expected,
           scalar, vector, c.firstKey.c_str(), c.secondKey.c_str(), c.data.size());
    for (unsigned char byte : c.data) printf(" %02X", byte);
    printf("\n");
}

void CheckAt(const char* data, const model::ScanCase& c, int expected, const char* where) {
    const char* begin = c.data.empty() ? nullptr : data;
    const char* end = begin ? begin + c.data.size() : nullptr;
    int scalar = CompareKeysByLines(begin, end, c.firstKey.c_str(), c.secondKey.c_str());
    int vector = CompareKeysByLinesSse2(begin, end, c.firstKey.c_str(), c.secondKey.c_str());
    if (scalar != expected || vector != expected) Report(where, c, expected, scalar, vector);
}

// A page of data between two pages that cannot be touched.
class GuardedPage {
public:
    GuardedPage() : size_(static_cast<size_t>(sysconf(_SC_PAGESIZE))) {
        base_ = static_cast<char*>(mmap(nullptr, 3 * size_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(base_ + size_, size_, PROT_READ | PROT_WRITE);
    }
    ~GuardedPage() { munmap(base_, 3 * size_); }
    char* start() const { return base_ + size_; }
    char* end() const { return base_ + 2 * size_; }

private:
    size_t size_;
    char* base_;
};

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
            if (CompareKeysByLines(begin, end, a.c_str(), b.c_str()) != expected ||
                CompareKeysByLinesSse2(begin, end, a.c_str(), b.c_str()) != expected)
                return false;
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

    int siblingCases = 0;
    for (uint32_t s = 1; s <= 20000; ++s, ++siblingCases) {
        if (!CheckSiblingCase(s)) {
            ++g_failed;
            printf("sibling case %u: comparison differs from the model\n", s);
        }
    }

    std::mt19937 random(seed);
    GuardedPage page;
    long scanCases = 0;
    while (elapsed() < seconds) {
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
    printf("order_lines: %d sibling cases, %ld scan cases at 18 placements each in %.1f s (seed %u)\n",
           siblingCases, scanCases, elapsed(), seed);
    printf("%ld passed, %d failed\n", siblingCases + scanCases - g_failed, g_failed);
    return g_failed ? 1 : 0;
}
