#include "order/kept_lines.h"

#include "order/key_hash.h"
#include "order/key_list.h"
#include "order/order_lines.h"

namespace {
DWORD LineLength(const char* line, const char* end) {
    const char* p = line;
    while (p < end && *p != '\0') ++p;
    return static_cast<DWORD>(p - line);
}

// Calls `visit` with each line of the split file, the empty first line too
// (a line break at the file's start), and its length.
template <typename Visit>
void ForEachLine(const char* begin, const char* end, Visit visit) {
    for (const char* line = begin < end ? begin : nullptr; line; line = NextLineStart(line, end))
        visit(line, LineLength(line, end));
}
}  // namespace

bool KeptLines::Take(TextBlock* file, DWORD byteCount, const KeyList& keys, const LineText* dropped,
                     DWORD droppedCount) {
    file_.Adopt(file->Release());
    byteCount_ = byteCount;
    writtenBytes_ = 0;
    char* begin = file_.get();
    const char* end = begin + byteCount;
    SplitOrderLines(begin, byteCount);

    DWORD lineCount = 0;
    ForEachLine(begin, end, [&](const char*, DWORD) { ++lineCount; });
    if (lineCount == 0) return true;
    // One set holds the tree's keys, the dropped lines and the lines kept
    // so far: a line is kept when it finds no entry of its text.
    if (!set_.Reserve(keys.added() + droppedCount + lineCount)) return false;
    keys.ForEachKey([&](const char* key) { set_.At(key, TextLength(key)); });
    for (DWORD i = 0; i < droppedCount; ++i) set_.At(dropped[i].text, dropped[i].length);
    // An empty line orders something only as the file's first line, which
    // a kept line never is: the tree's lines come first.
    ForEachLine(begin, end, [&](const char* line, DWORD length) {
        if (length != 0 && set_.At(line, length).text == line) writtenBytes_ += length + 2;
    });
    return true;
}

char* KeptLines::WriteTo(char* out) const {
    if (writtenBytes_ == 0) return out;
    const char* begin = file_.get();
    // A line is kept where the set holds this very line, not an earlier
    // line or a key with the same text.
    ForEachLine(begin, begin + byteCount_, [&](const char* line, DWORD length) {
        if (length == 0 || set_.Find(line, length)->text != line) return;
        std::memcpy(out, line, length);
        out[length] = '\r';
        out[length + 1] = '\n';
        out += length + 2;
    });
    return out;
}
