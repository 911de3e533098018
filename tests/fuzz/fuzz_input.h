// What the fuzzers share: their inputs are sections of bytes apart at the
// byte 0x1E (a seed is readable text: "A\\\nB\\\n", 0x1E, the order file),
// each section's lines apart at CR and LF; and a check that stops the run
// with the input that broke it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/native/native_text_platform.h"

namespace fuzz {

const char kSectionEnd = '\x1E';

// The `count` sections of `data`: the last takes the rest (0x1E included),
// and sections before it that the data lacks are empty.
inline std::vector<std::string> Sections(const uint8_t* data, size_t size, size_t count) {
    std::vector<std::string> sections(count);
    const std::string input(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    for (size_t i = 0; i + 1 < count; ++i) {
        const size_t end = input.find(kSectionEnd, start);
        if (end == std::string::npos) break;
        sections[i] = input.substr(start, end - start);
        start = end + 1;
    }
    sections[count - 1] = input.substr(start);
    return sections;
}

// The non-empty lines of a section, each cut at a NUL: texts a folder's
// key or a tree can hold.
inline std::vector<std::string> Texts(const std::string& section) {
    std::vector<std::string> texts;
    std::string current;
    for (size_t i = 0; i <= section.size(); ++i) {
        if (i < section.size() && section[i] != '\r' && section[i] != '\n') {
            current += section[i];
            continue;
        }
        current = current.substr(0, current.find('\0'));
        if (!current.empty()) texts.push_back(current);
        current.clear();
    }
    return texts;
}

inline std::string Shown(const std::string& bytes) {
    std::string shown;
    for (unsigned char c : bytes) {
        char hex[8];
        snprintf(hex, sizeof hex, c >= 0x20 && c < 0x7F && c != '\\' ? "%c" : "\\x%02X", c);
        shown += hex;
    }
    return shown;
}

[[noreturn]] inline void Fail(const char* what, const std::string& detail) {
    fprintf(stderr, "\nbroken: %s\n  %s\n", what, Shown(detail).c_str());
    std::abort();
}

inline void Expect(bool holds, const char* what, const std::string& detail = "") {
    if (!holds) Fail(what, detail);
}

// What a piece of work answered: whether it succeeded, and what it made.
struct Outcome {
    bool succeeded;
    std::string made;
};

// Runs `work` (answering an Outcome) once with its `n`th allocation
// failing, for each n while it makes that many: it must fail cleanly,
// every block given back, or make what it makes when nothing fails.
template <typename Work>
void WithEachAllocationFailing(Work work) {
    const Outcome whole = work();
    Expect(whole.succeeded, "the work succeeds when nothing fails", whole.made);
    for (unsigned n = 1;; ++n) {
        const long live = native::LiveAllocations();
        native::FailAllocation(n);
        const Outcome outcome = work();
        const bool failed = native::AllocationFailed();
        native::FailAllocation(0);
        Expect(native::LiveAllocations() == live, "a failed allocation left a block behind");
        Expect(!outcome.succeeded || outcome.made == whole.made, "a failed allocation is no success with less",
               outcome.made);
        if (!failed) return;
    }
}

}  // namespace fuzz
