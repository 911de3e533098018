// The byte-level order-file code, built natively with AddressSanitizer and
// UndefinedBehaviorSanitizer: random order files and key pairs, each
// comparison checked against the model. The data sits in a block of exactly
// its size, so any read past the end is caught.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "order/order_lines.h"
#include "standin/order_model.h"

int main(int argc, char** argv) {
    const uint32_t cases = argc > 1 ? static_cast<uint32_t>(atoi(argv[1])) : 20000;
    int passed = 0, failed = 0;
    for (uint32_t seed = 1; seed <= cases; ++seed) {
        model::Case c = model::RandomCase(seed);
        std::vector<std::string> lines = model::Lines(c.file);
        std::unique_ptr<char[]> data(new char[c.file.size() ? c.file.size() : 1]);
        memcpy(data.get(), c.file.data(), c.file.size());
        SplitOrderLines(data.get(), c.file.size());
        const char* begin = c.file.empty() ? nullptr : data.get();
        const char* end = begin ? begin + c.file.size() : nullptr;
        bool ok = true;
        for (const std::string& a : c.keys) {
            for (const std::string& b : c.keys) {
                int got = CompareKeysByLines(begin, end, a.c_str(), b.c_str());
                if (got != model::Compare(lines, a, b)) ok = false;
            }
        }
        if (ok) {
            ++passed;
        } else {
            ++failed;
            printf("seed %u: comparison differs from the model\n", seed);
        }
    }
    printf("order_lines: %d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
