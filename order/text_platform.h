// All that the order file's text logic asks of the platform: memory, which
// bytes lead a double-byte character in the code page of the host's paths,
// and conversion between UTF-8, UTF-16 and that code page. The module fills
// it with the host's allocator and Windows' own functions; a native build
// for Linux fills it too, so that the logic that holds the user's data is
// built, checked and fuzzed alone, without Wine.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(_WIN32)
// As <windows.h> declares them, so that both may be included in one file.
typedef unsigned long DWORD;
typedef wchar_t TextUnit;
#else
typedef std::uint32_t DWORD;
typedef char16_t TextUnit;  // a UTF-16 code unit
#endif
typedef unsigned char BYTE;

static_assert(sizeof(DWORD) == 4, "sizes and hashes are 32-bit, as in the module");

// A block of `byteCount` bytes, or null when there is no memory.
void* TextAlloc(DWORD byteCount);
void TextFree(void* block);

// Whether `c` is the first byte of a double-byte character in the code
// page of the host's paths (Shift_JIS: 0x81-0x9F and 0xE0-0xFC).
bool IsLeadByte(BYTE c);

// Whether that code page is UTF-8 (Windows' "Beta: Unicode UTF-8" option).
bool CodePageIsUtf8();

// UTF-8 to UTF-16, as many units as `capacity` holds: an invalid sequence
// becomes U+FFFD. With `out` null, the units it would take. 0 when it
// cannot (too little room, no memory).
int Utf8ToUtf16(const char* bytes, int count, TextUnit* out, int capacity);

// UTF-16 to the code page: a character it lacks becomes "?", never a
// look-alike (no best fit). With `out` null, the bytes it would take. 0
// when it cannot.
int Utf16ToCodePage(const TextUnit* units, int count, char* out, int capacity);

inline DWORD TextLength(const char* text) { return static_cast<DWORD>(std::strlen(text)); }
