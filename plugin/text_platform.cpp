// The text logic's platform in the module: the host's allocator, and the
// system's code page (932 for the host's Japanese paths) through Windows'
// own functions.
#include <windows.h>

#include "order/text_platform.h"
#include "plugin/host_api.h"

void* TextAlloc(DWORD byteCount) { return HostAlloc(byteCount); }
void TextFree(void* block) { HostFree(block); }

bool IsLeadByte(BYTE c) { return IsDBCSLeadByte(c) != FALSE; }

bool CodePageIsUtf8() { return GetACP() == CP_UTF8; }

int Utf8ToUtf16(const char* bytes, int count, TextUnit* out, int capacity) {
    return MultiByteToWideChar(CP_UTF8, 0, bytes, count, out, out ? capacity : 0);
}

int Utf16ToCodePage(const TextUnit* units, int count, char* out, int capacity) {
    // UTF-8 lacks no character, and takes neither the flag nor a default.
    const bool utf8 = CodePageIsUtf8();
    return WideCharToMultiByte(utf8 ? CP_UTF8 : CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, units, count, out,
                               out ? capacity : 0, utf8 ? nullptr : "?", nullptr);
}
