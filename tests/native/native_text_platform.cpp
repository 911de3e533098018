#include "tests/native/native_text_platform.h"

#include <iconv.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "order/text_platform.h"

namespace {

bool g_utf8;
unsigned g_failAt;
bool g_failed;
long g_live;

// Code page 932's bytes for each BMP character, empty where it has none.
// A mapping that does not come back to the same character is a best fit
// (glibc maps U+00A5 to 0x5C, the separator): Windows' converter, asked
// for no best fit, takes none of them, and neither does this.
class Cp932Table {
public:
    Cp932Table() : bytes_(0x10000) {
        iconv_t to = iconv_open("CP932", "UTF-32LE"), from = iconv_open("UTF-32LE", "CP932");
        if (to == reinterpret_cast<iconv_t>(-1) || from == reinterpret_cast<iconv_t>(-1)) std::abort();
        for (char32_t c = 0; c < 0x10000; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF) continue;
            char out[8];
            const size_t length = Convert(to, reinterpret_cast<const char*>(&c), 4, out, sizeof out);
            if (length == 0) continue;
            char32_t back = 0;
            if (Convert(from, out, length, reinterpret_cast<char*>(&back), 4) == 4 && back == c)
                bytes_[c].assign(out, length);
        }
        iconv_close(to);
        iconv_close(from);
        // A table that came out wrong would leave the fuzzers ASCII only,
        // or with the look-alike of a separator.
        if (bytes_[0x3042] != "\x82\xA0" || bytes_[0x8868] != "\x95\x5C" || bytes_[0xFF5E] != "\x81\x60" ||
            bytes_['A'] != "A" || bytes_['\\'] != "\\" || !bytes_[0xA5].empty()) {
            fprintf(stderr, "glibc's code page 932 is not as expected\n");
            std::abort();
        }
    }
    const std::string& operator[](char32_t c) const { return bytes_[c]; }

private:
    // The bytes written, 0 when it could not convert all of the input.
    static size_t Convert(iconv_t converter, const char* in, size_t inLength, char* out, size_t room) {
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        char* input = const_cast<char*>(in);
        char* output = out;
        size_t left = room;
        if (iconv(converter, &input, &inLength, &output, &left) == static_cast<size_t>(-1) || inLength) return 0;
        return room - left;
    }

    std::vector<std::string> bytes_;
};

const Cp932Table& Cp932() {
    static const Cp932Table table;
    return table;
}

// The code point at `units[*i]`, moving past it: a lone surrogate is U+FFFD.
char32_t NextCodePoint(const TextUnit* units, int count, int* i) {
    const char32_t unit = units[(*i)++];
    if (unit >= 0xD800 && unit <= 0xDBFF && *i < count && units[*i] >= 0xDC00 && units[*i] <= 0xDFFF)
        return 0x10000 + ((unit - 0xD800) << 10) + (units[(*i)++] - 0xDC00);
    return unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit;
}

// Writes `bytes` at `out[*written]` while `capacity` allows (no `out`:
// counts only); false when it does not.
bool Put(const std::string& bytes, char* out, int capacity, int* written) {
    if (out && *written + static_cast<int>(bytes.size()) > capacity) return false;
    if (out) bytes.copy(out + *written, bytes.size());
    *written += static_cast<int>(bytes.size());
    return true;
}

std::string AsUtf8(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

}  // namespace

namespace native {
void UseUtf8CodePage(bool utf8) { g_utf8 = utf8; }
void FailAllocation(unsigned n) {
    g_failAt = n;
    g_failed = false;
}
bool AllocationFailed() { return g_failed; }
long LiveAllocations() { return g_live; }
}  // namespace native

void* TextAlloc(DWORD byteCount) {
    if (g_failAt && --g_failAt == 0) {
        g_failed = true;
        return nullptr;
    }
    // The host may refuse a block of no bytes: the logic never asks for one.
    if (byteCount == 0) return nullptr;
    // Exactly the bytes asked for, so that the sanitizer sees a read past them.
    void* block = std::malloc(byteCount);
    if (block) ++g_live;
    return block;
}

void TextFree(void* block) {
    if (block) --g_live;
    std::free(block);
}

bool IsLeadByte(BYTE c) { return !g_utf8 && ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)); }

bool CodePageIsUtf8() { return g_utf8; }

int Utf8ToUtf16(const char* bytes, int count, TextUnit* out, int capacity) {
    const unsigned char* in = reinterpret_cast<const unsigned char*>(bytes);
    int written = 0;
    for (int i = 0; i < count;) {
        const unsigned char lead = in[i];
        int length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                     : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
        char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length != 0 && count - i >= length;
        for (int k = 1; valid && k < length; ++k) {
            valid = (in[i + k] & 0xC0) == 0x80;
            c = (c << 6) | (in[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are invalid too.
        if (valid && ((length == 3 && c < 0x800) || (length == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
                      (c >= 0xD800 && c <= 0xDFFF)))
            valid = false;
        // An invalid sequence: its first byte becomes U+FFFD, and the next
        // one starts afresh.
        if (!valid) c = 0xFFFD, length = 1;
        i += length;
        const int units = c >= 0x10000 ? 2 : 1;
        if (out && written + units > capacity) return 0;
        if (out && units == 2) {
            out[written] = static_cast<TextUnit>(0xD800 + ((c - 0x10000) >> 10));
            out[written + 1] = static_cast<TextUnit>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else if (out) {
            out[written] = static_cast<TextUnit>(c);
        }
        written += units;
    }
    return written;
}

int Utf16ToCodePage(const TextUnit* units, int count, char* out, int capacity) {
    int written = 0;
    for (int i = 0; i < count;) {
        const char32_t c = NextCodePoint(units, count, &i);
        const std::string& bytes = g_utf8 ? AsUtf8(c) : c < 0x10000 && !Cp932()[c].empty() ? Cp932()[c] : "?";
        if (!Put(bytes, out, capacity, &written)) return 0;
    }
    return written;
}
