#include "order/folder_renames.h"

#include "order/key_hash.h"
#include "order/key_list.h"
#include "order/key_path.h"

namespace {

// The distinct keys of a KeyList, findable by their text.
class KeySet {
public:
    bool Build(const KeyList& keys) {
        const DWORD kMostBits = 26;
        const DWORD bits = SlotBitsFor(keys.added() + 1, kMostBits);
        const DWORD slotBytes = static_cast<DWORD>(sizeof(Slot)) << bits;
        if (bits > kMostBits || !slots_.Allocate(slotBytes)) return false;
        std::memset(slots_.get(), 0, slotBytes);
        mask_ = (1u << bits) - 1;
        keys.ForEachKey([&](const char* key) {
            const DWORD length = TextLength(key);
            Slot& slot = SlotFor(key, length, nullptr, 0);
            slot.text = key;
            slot.length = length;
        });
        return true;
    }

    // Whether the set holds the text made of `head` and then `tail`.
    bool Contains(const char* head, DWORD headLength, const char* tail = nullptr, DWORD tailLength = 0) const {
        return SlotFor(head, headLength, tail, tailLength).text != nullptr;
    }

    template <typename Visit>
    void ForEach(Visit visit) const {
        const Slot* slots = reinterpret_cast<const Slot*>(slots_.get());
        for (DWORD i = 0; i <= mask_; ++i) {
            if (slots[i].text) visit(slots[i].text, slots[i].length);
        }
    }

private:
    struct Slot {
        const char* text;  // null: empty
        DWORD length;
    };

    Slot& SlotFor(const char* head, DWORD headLength, const char* tail, DWORD tailLength) const {
        Slot* slots = reinterpret_cast<Slot*>(slots_.get());
        for (DWORD index = HashOf(tail, tailLength, HashOf(head, headLength)) & mask_;; index = (index + 1) & mask_) {
            Slot& slot = slots[index];
            if (!slot.text || (slot.length == headLength + tailLength && SameBytes(slot.text, head, headLength) &&
                               SameBytes(slot.text + headLength, tail, tailLength)))
                return slot;
        }
    }

    TextBlock slots_;
    DWORD mask_ = 0;
};

// The shortest key of `keys` that `others` lacks: the folder itself, when
// one folder and its subfolders are what changed.
const char* ShortestMissing(const KeySet& keys, const KeySet& others, DWORD* length) {
    const char* shortest = nullptr;
    keys.ForEach([&](const char* key, DWORD keyLength) {
        if (others.Contains(key, keyLength) || (shortest && keyLength >= *length)) return;
        shortest = key;
        *length = keyLength;
    });
    return shortest;
}

// Every key of `keys` that `others` lacks lies under `root`, and no key
// under `root` is in both. Answers how many are missing, or -1 when not so.
long MissingAllUnder(const KeySet& keys, const KeySet& others, const char* root, DWORD rootLength) {
    long missing = 0;
    bool shaped = true;
    keys.ForEach([&](const char* key, DWORD length) {
        const bool under = LineIsUnderKey(key, length, root, rootLength);
        if (others.Contains(key, length)) {
            if (under) shaped = false;
            return;
        }
        ++missing;
        if (!under) shaped = false;
    });
    return shaped ? missing : -1;
}

// Calls `visit` with each line of an order file's bytes and its length,
// not counting its line end; a line end is CR or LF.
template <typename Visit>
void ForEachRawLine(const char* bytes, DWORD count, Visit visit) {
    DWORD start = 0;
    for (DWORD i = 0; i <= count; ++i) {
        if (i < count && bytes[i] != '\r' && bytes[i] != '\n') continue;
        visit(bytes + start, i - start);
        start = i + 1;
    }
}

}  // namespace

bool LineIsUnderKey(const char* line, DWORD lineLength, const char* key, DWORD keyLength) {
    if (lineLength < keyLength || !SameBytes(line, key, keyLength)) return false;
    // The key ends at a character's end: a 0x5C right after it is a separator.
    return lineLength == keyLength || line[keyLength] == '\\' || EndsWithSeparator(key, keyLength);
}

bool FindFolderRename(const KeyList& before, const KeyList& after, FolderRename* rename) {
    KeySet was, now;
    if (!was.Build(before) || !now.Build(after)) return false;
    DWORD fromLength = 0, toLength = 0;
    const char* from = ShortestMissing(was, now, &fromLength);
    const char* to = ShortestMissing(now, was, &toLength);
    // The data folder itself has the empty key, and everything is under it;
    // and a folder does not move under itself.
    if (!from || !to || fromLength == 0 || toLength == 0 || LineIsUnderKey(to, toLength, from, fromLength) ||
        LineIsUnderKey(from, fromLength, to, toLength))
        return false;
    const long left = MissingAllUnder(was, now, from, fromLength);
    if (left < 0 || left != MissingAllUnder(now, was, to, toLength)) return false;
    // Each folder that left came back under the new key, by the same rest.
    bool followed = true;
    was.ForEach([&](const char* key, DWORD length) {
        if (!now.Contains(key, length) && !now.Contains(to, toLength, key + fromLength, length - fromLength))
            followed = false;
    });
    if (!followed) return false;
    // A folder deleted and another made elsewhere in the same moment is
    // no rename: a renamed folder keeps its parent, a moved one its name.
    const DWORD fromName = NameStart(from, fromLength), toName = NameStart(to, toLength);
    const bool sameParent = fromName == toName && SameBytes(from, to, fromName);
    const bool sameName =
        fromLength - fromName == toLength - toName && SameBytes(from + fromName, to + toName, fromLength - fromName);
    if (!sameParent && !sameName) return false;
    *rename = FolderRename{from, fromLength, to, toLength};
    return true;
}

bool AnyLineUnder(const char* bytes, DWORD count, const char* key, DWORD keyLength) {
    bool found = false;
    ForEachRawLine(bytes, count, [&](const char* line, DWORD length) {
        if (!found && LineIsUnderKey(line, length, key, keyLength)) found = true;
    });
    return found;
}

DWORD RenamedFileBytes(const char* bytes, DWORD count, const FolderRename& rename) {
    DWORD total = count;
    ForEachRawLine(bytes, count, [&](const char* line, DWORD length) {
        if (!LineIsUnderKey(line, length, rename.from, rename.fromLength)) return;
        // Far beyond any order file; no wrap-around past 4 GB.
        if (total >= 0x80000000u) return;
        total = total - rename.fromLength + rename.toLength;
    });
    return total;
}

void WriteRenamedFile(const char* bytes, DWORD count, const FolderRename& rename, char* out) {
    ForEachRawLine(bytes, count, [&](const char* line, DWORD length) {
        DWORD kept = 0;
        if (LineIsUnderKey(line, length, rename.from, rename.fromLength)) {
            std::memcpy(out, rename.to, rename.toLength);
            out += rename.toLength;
            kept = rename.fromLength;
        }
        // The rest of the line and its line end, if it has one.
        const DWORD rest = length - kept + (line + length < bytes + count ? 1 : 0);
        if (rest) std::memcpy(out, line + kept, rest);
        out += rest;
    });
}
