// OK's merge: any order file, the folders a tree shows in its order, and
// lines the user removed. The file written holds the shown folders' keys in
// the tree's order, each once, then every other line of the file but the
// removed ones, each once, in the file's order; read back as a sort reads
// it, it orders the shown folders as the tree shows them. A walk of the
// tree that fails, or gives other folders the second time, writes nothing.
//
// Input: the shown folders' keys in the tree's order, one a line; 0x1E; the
// removed lines; 0x1E; the file.
#include <set>

#include "model/order_model.h"
#include "order/kept_lines.h"
#include "order/key_list.h"
#include "order/order_lines.h"
#include "order/order_text.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

// The file as a save reads it: its text in the code page. False for a file
// holding a NUL, which a save refuses.
bool ReadForSave(const std::string& file, TextBlock* block, DWORD* count) {
    *count = static_cast<DWORD>(file.size());
    if (!block->Allocate(*count ? *count : 1)) return false;
    std::memcpy(block->get(), file.data(), *count);
    return ConvertToCodePage(block, count, EncodingOf(block->get(), *count)) && !HoldsNulByte(block->get(), *count);
}

// How the tree's walks go: as shown, or failing or giving one folder more
// at one of them.
struct Walks {
    int failing = -1, longer = -1;  // which walk, from 0
};

// Takes the kept lines and writes the new file into `out`.
bool Merge(const std::string& file, const std::vector<std::string>& shown, const std::vector<LineText>& removed,
           std::string* text, std::string* out, Walks walks = Walks()) {
    TextBlock block;
    DWORD count = 0;
    if (!ReadForSave(file, &block, &count)) return false;
    text->assign(block.get(), count);
    KeyList keys;
    KeyList::Tag tag = 1;
    for (const std::string& key : shown) keys.Add(tag++, key.c_str());
    if (keys.failed()) return false;
    KeptLines kept;
    if (!kept.Take(&block, count, keys, removed.data(), static_cast<DWORD>(removed.size()))) return false;
    int walk = 0;
    const auto forEachShownKey = [&](auto visit) {
        for (const std::string& key : shown) visit(key.c_str());
        if (walk == walks.longer) visit("\\");
        return walk++ != walks.failing;
    };
    TextBlock written;
    DWORD writtenCount = 0;
    if (!ComposeOrder(forEachShownKey, kept, &written, &writtenCount)) return false;
    out->assign(written ? written.get() : "", writtenCount);
    return true;
}

std::string Expected(const std::vector<std::string>& shown, const std::vector<std::string>& removed,
                     const std::string& text) {
    std::string file;
    for (const std::string& key : shown) file += key + "\r\n";
    std::set<std::string> written(shown.begin(), shown.end());
    written.insert(removed.begin(), removed.end());
    for (const std::string& line : model::Lines(text)) {
        if (!line.empty() && written.insert(line).second) file += line + "\r\n";
    }
    return file;
}

// Read back as a sort reads it, each shown folder comes before the next.
void CheckReadBack(const std::string& out, const std::vector<std::string>& shown) {
    std::vector<char> split(out.begin(), out.end());
    SplitOrderLines(split.data(), split.size());
    const char* begin = split.empty() ? nullptr : split.data();
    const char* end = begin ? begin + split.size() : nullptr;
    for (size_t i = 0; i + 1 < shown.size() && i < 40; ++i) {
        fuzz::Expect(CompareKeysByLines(begin, end, shown[i].c_str(), shown[i + 1].c_str()) == -1,
                     "the file written orders the tree as shown", shown[i] + " | " + shown[i + 1] + " | " + out);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> sections = fuzz::Sections(data, size, 3);
    std::vector<std::string> shown;
    std::set<std::string> distinct;
    // A folder shows once in a tree.
    for (const std::string& key : fuzz::Texts(sections[0])) {
        if (distinct.insert(key).second) shown.push_back(key);
    }
    const std::vector<std::string> removed = fuzz::Texts(sections[1]);
    std::vector<LineText> removedLines;
    for (const std::string& line : removed) removedLines.push_back({line.data(), static_cast<DWORD>(line.size())});
    const std::string& file = sections[2];
    native::UseUtf8CodePage(false);

    std::string text, out;
    if (!Merge(file, shown, removedLines, &text, &out)) {
        TextBlock block;
        DWORD count;
        fuzz::Expect(!ReadForSave(file, &block, &count), "a merge fails only for a file a save refuses", file);
        return 0;
    }
    fuzz::Expect(out == Expected(shown, removed, text), "the file written is the model's", file);
    CheckReadBack(out, shown);
    fuzz::WithEachAllocationFailing([&] {
        std::string ignoredText;
        fuzz::Outcome outcome;
        outcome.succeeded = Merge(file, shown, removedLines, &ignoredText, &outcome.made);
        return outcome;
    });
    const Walks wrongWalks[] = {{0, -1}, {1, -1}, {-1, 0}, {-1, 1}};
    for (const Walks& walks : wrongWalks) {
        // An empty file takes no second walk.
        if (out.empty() && (walks.failing == 1 || walks.longer == 1)) continue;
        const long live = native::LiveAllocations();
        std::string ignoredText, ignoredOut;
        fuzz::Expect(!Merge(file, shown, removedLines, &ignoredText, &ignoredOut, walks),
                     "a walk that fails or changes writes nothing", file);
        fuzz::Expect(native::LiveAllocations() == live, "a walk that fails leaves no block behind");
    }
    return 0;
}
