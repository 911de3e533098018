// The C library routines the compiler may call on its own: for struct copies
// and clears, for loops that shift an array within itself, and for loops it
// recognises as a string's length. The module links no C runtime: it needs nothing but
// KERNEL32 and USER32 in the host's process. Built with loop-to-library-call
// rewriting off, so these loops do not turn into calls to themselves.
#include <stddef.h>

extern "C" {

void* memcpy(void* destination, const void* source, size_t count) {
    unsigned char* to = static_cast<unsigned char*>(destination);
    const unsigned char* from = static_cast<const unsigned char*>(source);
    while (count--) *to++ = *from++;
    return destination;
}

void* memmove(void* destination, const void* source, size_t count) {
    unsigned char* to = static_cast<unsigned char*>(destination);
    const unsigned char* from = static_cast<const unsigned char*>(source);
    if (to <= from || to >= from + count) return memcpy(destination, source, count);
    while (count--) to[count] = from[count];
    return destination;
}

void* memset(void* destination, int value, size_t count) {
    unsigned char* to = static_cast<unsigned char*>(destination);
    while (count--) *to++ = static_cast<unsigned char>(value);
    return destination;
}

size_t strlen(const char* text) {
    const char* end = text;
    while (*end) ++end;
    return static_cast<size_t>(end - text);
}

}  // extern "C"
