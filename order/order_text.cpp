#include "order/order_text.h"

namespace {

bool StartsWith(const char* bytes, DWORD count, const char* mark, DWORD markLength) {
    if (count < markLength) return false;
    for (DWORD i = 0; i < markLength; ++i) {
        if (bytes[i] != mark[i]) return false;
    }
    return true;
}

// Valid UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF)
// holding a character of two bytes or more.
bool IsMultiByteUtf8(const BYTE* bytes, DWORD count) {
    bool multiByte = false;
    for (DWORD i = 0; i < count;) {
        const BYTE lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        DWORD length;
        BYTE low = 0x80, high = 0xBF;  // the second byte's range
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (count - i < length || bytes[i + 1] < low || bytes[i + 1] > high) return false;
        for (DWORD k = 2; k < length; ++k) {
            if (bytes[i + k] < 0x80 || bytes[i + k] > 0xBF) return false;
        }
        multiByte = true;
        i += length;
    }
    return multiByte;
}

// Folder names in Shift_JIS are full-width text: bytes that decode only
// into half-width katakana or the rarely used characters of lead bytes 0xE0
// and up are much more likely UTF-8.
bool IsPlausibleShiftJis(const BYTE* bytes, DWORD count) {
    for (DWORD i = 0; i < count; ++i) {
        const BYTE c = bytes[i];
        if (c < 0x80) continue;
        if (c < 0x81 || c > 0x9F || i + 1 == count) return false;
        const BYTE trail = bytes[++i];
        if (trail < 0x40 || trail == 0x7F || trail > 0xFC) return false;
    }
    return true;
}

const char kUtf8Mark[] = "\xEF\xBB\xBF";
const char kUtf16LittleEndianMark[] = "\xFF\xFE";
const char kUtf16BigEndianMark[] = "\xFE\xFF";

}  // namespace

OrderFileEncoding EncodingOf(const char* bytes, DWORD count) {
    if (StartsWith(bytes, count, kUtf8Mark, 3)) return OrderFileEncoding::kUtf8;
    if (StartsWith(bytes, count, kUtf16LittleEndianMark, 2)) return OrderFileEncoding::kUtf16LittleEndian;
    if (StartsWith(bytes, count, kUtf16BigEndianMark, 2)) return OrderFileEncoding::kUtf16BigEndian;
    // Where the system's code page is UTF-8 (Windows' "Beta: Unicode UTF-8"
    // option), the host's paths are UTF-8 too: the file is read as it is.
    if (CodePageIsUtf8()) return OrderFileEncoding::kCodePage;
    const BYTE* unsignedBytes = reinterpret_cast<const BYTE*>(bytes);
    return IsMultiByteUtf8(unsignedBytes, count) && !IsPlausibleShiftJis(unsignedBytes, count)
               ? OrderFileEncoding::kUtf8
               : OrderFileEncoding::kCodePage;
}

bool ConvertToCodePage(TextBlock* file, DWORD* count, OrderFileEncoding encoding) {
    if (encoding == OrderFileEncoding::kCodePage) return true;
    const char* bytes = file->get();
    // Far beyond any order file: every size below stays within an int.
    const DWORD kMostBytes = 0x10000000;
    if (*count > kMostBytes) return false;
    TextBlock wide;
    int characters = 0;
    if (encoding == OrderFileEncoding::kUtf8 && CodePageIsUtf8()) {
        // Already the code page's text: only the mark goes.
        const DWORD markLength = StartsWith(bytes, *count, kUtf8Mark, 3) ? 3 : 0;
        TextBlock text;
        if (!text.Allocate(*count - markLength + 1)) return false;
        std::memcpy(text.get(), bytes + markLength, *count - markLength);
        file->Adopt(text.Release());
        *count -= markLength;
        return true;
    }
    if (encoding == OrderFileEncoding::kUtf8) {
        const DWORD markLength = StartsWith(bytes, *count, kUtf8Mark, 3) ? 3 : 0;
        const int length = static_cast<int>(*count - markLength);
        characters = length ? Utf8ToUtf16(bytes + markLength, length, nullptr, 0) : 0;
        if (length && !characters) return false;
        if (!wide.Allocate(static_cast<DWORD>(characters) * sizeof(TextUnit) + 2)) return false;
        if (length) Utf8ToUtf16(bytes + markLength, length, reinterpret_cast<TextUnit*>(wide.get()), characters);
    } else {
        // After the mark, two bytes a unit; a last odd byte is no character.
        characters = static_cast<int>((*count - 2) / 2);
        if (!wide.Allocate(static_cast<DWORD>(characters) * sizeof(TextUnit) + 2)) return false;
        TextUnit* units = reinterpret_cast<TextUnit*>(wide.get());
        const BYTE* from = reinterpret_cast<const BYTE*>(bytes) + 2;
        const bool little = encoding == OrderFileEncoding::kUtf16LittleEndian;
        for (int i = 0; i < characters; ++i, from += 2)
            units[i] = static_cast<TextUnit>(little ? from[0] | (from[1] << 8) : (from[0] << 8) | from[1]);
    }
    const TextUnit* text = reinterpret_cast<const TextUnit*>(wide.get());
    const int converted = characters ? Utf16ToCodePage(text, characters, nullptr, 0) : 0;
    if (characters && !converted) return false;
    TextBlock result;
    // A block of 0 bytes may be refused: one more, never read.
    if (!result.Allocate(static_cast<DWORD>(converted) + 1)) return false;
    if (converted) Utf16ToCodePage(text, characters, result.get(), converted);
    file->Adopt(result.Release());
    *count = static_cast<DWORD>(converted);
    return true;
}

bool HoldsNulByte(const char* bytes, DWORD count) {
    for (DWORD i = 0; i < count; ++i)
        if (bytes[i] == '\0') return true;
    return false;
}
