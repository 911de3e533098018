// The reader: any bytes as the order file, and two keys. The file is told
// and converted as a sort reads it, with the system's code page 932 and
// with UTF-8; a file in the code page comes through unchanged, and its
// lines and the answer of every scan (scalar, SSE2, AVX2 where the
// processor has it) to "which of the two keys comes first" are the model's.
// UTF-16 reads the same in either byte order, and as its ASCII where it
// holds only that; UTF-8 with its mark, on UTF-8 paths, as what follows it.
//
// Input: the keys, one a line; 0x1E; the file.
#include <cstring>

#include "model/order_model.h"
#include "order/order_lines.h"
#include "order/order_text.h"
#include "plugin/cpu_features.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

// The file as a sort reads it, in the code page; false when it could not.
bool Read(const std::string& file, OrderFileEncoding* encoding, std::string* text) {
    DWORD count = static_cast<DWORD>(file.size());
    TextBlock block(count ? count : 1);
    if (!block) return false;
    std::memcpy(block.get(), file.data(), count);
    *encoding = EncodingOf(block.get(), count);
    if (!ConvertToCodePage(&block, &count, *encoding)) return false;
    text->assign(block.get(), count);
    return true;
}

// The lines a sort walks, over the text split as it splits it.
std::vector<std::string> SortedLines(const char* begin, const char* end) {
    std::vector<std::string> lines;
    for (const char* line = begin < end ? begin : nullptr; line; line = NextLineStart(line, end))
        lines.emplace_back(line, strnlen(line, static_cast<size_t>(end - line)));
    return lines;
}

void CheckScans(const std::string& text, const std::string& first, const std::string& second) {
    // Exactly the text's bytes, so that a read past them is seen.
    std::vector<char> split(text.begin(), text.end());
    char* begin = split.empty() ? nullptr : split.data();
    char* end = begin ? begin + split.size() : nullptr;
    SplitOrderLines(begin, split.size());
    const std::vector<std::string> lines = model::Lines(text);
    fuzz::Expect(SortedLines(begin, end) == lines, "the lines a sort walks are the model's", text);
    const int expected = model::Compare(lines, first, second);
    static const bool avx2 = CpuidReportsAvx2();
    for (OrderScan scan : {OrderScan::kScalar, OrderScan::kSse2, OrderScan::kAvx2}) {
        if (scan == OrderScan::kAvx2 && !avx2) continue;
        const int answer = CompareKeysWith(scan, begin, end, first.c_str(), second.c_str());
        fuzz::Expect(answer == expected, "a scan answers as the model", first + " | " + second + " | " + text);
    }
}

bool AllBelow0x80(const std::string& bytes) {
    for (unsigned char c : bytes) {
        if (c >= 0x80) return false;
    }
    return true;
}

// What a file with a byte-order mark reads as, whatever the platform's
// tables: the other byte order reads the same, and text the code page
// shares with Unicode (ASCII; all of it on UTF-8 paths) as it is.
void CheckMarkedText(const std::string& file, OrderFileEncoding encoding, const std::string& text, bool utf8) {
    if (encoding == OrderFileEncoding::kUtf8 && file.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        const std::string afterMark = file.substr(3);
        if (utf8 || AllBelow0x80(afterMark))
            fuzz::Expect(text == afterMark, "UTF-8 after its mark reads as the code page's text", file);
        return;
    }
    if (encoding != OrderFileEncoding::kUtf16LittleEndian && encoding != OrderFileEncoding::kUtf16BigEndian) return;
    const bool little = encoding == OrderFileEncoding::kUtf16LittleEndian;
    const std::string afterMark = file.substr(2);
    std::string swapped = little ? "\xFE\xFF" : "\xFF\xFE", low;
    bool ascii = true;
    for (size_t i = 0; i + 1 < afterMark.size(); i += 2) {
        swapped += afterMark[i + 1];
        swapped += afterMark[i];
        const unsigned char high = static_cast<unsigned char>(afterMark[little ? i + 1 : i]);
        const unsigned char unit = static_cast<unsigned char>(afterMark[little ? i : i + 1]);
        ascii = ascii && high == 0 && unit < 0x80;
        low += static_cast<char>(unit);
    }
    OrderFileEncoding swappedEncoding;
    std::string swappedText;
    fuzz::Expect(Read(swapped, &swappedEncoding, &swappedText) && swappedText == text,
                 "UTF-16 reads the same in either byte order", file);
    if (ascii) fuzz::Expect(text == low, "UTF-16 of ASCII reads as the ASCII", file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> sections = fuzz::Sections(data, size, 2);
    const std::vector<std::string> keys = fuzz::Texts(sections[0]);
    const std::string& file = sections[1];
    const std::string first = keys.size() > 0 ? keys[0] : "", second = keys.size() > 1 ? keys[1] : "";
    for (bool utf8 : {false, true}) {
        native::UseUtf8CodePage(utf8);
        OrderFileEncoding encoding;
        std::string text;
        fuzz::Expect(Read(file, &encoding, &text), "any file is read", file);
        fuzz::Expect(HoldsNulByte(text.data(), static_cast<DWORD>(text.size())) ==
                         (text.find('\0') != std::string::npos),
                     "a NUL is told", text);
        if (encoding == OrderFileEncoding::kCodePage) {
            fuzz::Expect(text == file, "a file in the code page is read as it is", file);
            if (!utf8) CheckScans(text, first, second);
        } else if (utf8) {
            fuzz::Expect(file.size() >= 2 && (file[0] == '\xEF' || file[0] == '\xFF' || file[0] == '\xFE'),
                         "with UTF-8 paths only a mark makes a file other than the code page's", file);
        }
        CheckMarkedText(file, encoding, text, utf8);
        fuzz::WithEachAllocationFailing([&] {
            OrderFileEncoding ignored;
            fuzz::Outcome outcome;
            outcome.succeeded = Read(file, &ignored, &outcome.made);
            return outcome;
        });
    }
    native::UseUtf8CodePage(false);
    return 0;
}
