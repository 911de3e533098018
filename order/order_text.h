// The order file's text in the host's code page. Notepad on current Windows
// saves a new file as UTF-8, and its "Unicode" is UTF-16: read as bytes,
// no line of such a file with a Japanese name would name a folder. Such a
// file is read as its text, converted to the code page of the host's paths
// (Shift_JIS), so that its lines name folders as a Shift_JIS file's do.
#pragma once

#include "order/text_block.h"

enum class OrderFileEncoding { kCodePage, kUtf8, kUtf16LittleEndian, kUtf16BigEndian };

// What the file's bytes are: a byte-order mark says so; without one, UTF-8
// when the bytes are valid UTF-8 with a character of two bytes or more and
// no plausible Shift_JIS (a Shift_JIS file is told at its first Japanese
// character, where UTF-8 ends being valid).
OrderFileEncoding EncodingOf(const char* bytes, DWORD count);

// Replaces `file` (`*count` bytes, of `encoding`) with its text in the
// host's code page, without a byte-order mark. A character the code page
// lacks becomes "?", which no folder's path holds, never a look-alike that
// might name another folder. False, with `file` as it was, when the host
// had no memory or the platform could not convert.
bool ConvertToCodePage(TextBlock* file, DWORD* count, OrderFileEncoding encoding);

// Whether the bytes hold a NUL, which no text this plug-in writes does: the
// file was saved as UTF-16 without a byte-order mark, or is no text at all.
bool HoldsNulByte(const char* bytes, DWORD count);
