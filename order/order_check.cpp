#include "order/order_check.h"

#include "order/key_hash.h"
#include "order/key_path.h"
#include "order/text_table.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
// As the sort splits lines: a NUL ends one too (a text editor shows none).
bool EndsLine(char c) { return c == '\r' || c == '\n' || c == '\0'; }

bool BytesBefore(const char* a, DWORD aLength, const char* b, DWORD bLength) {
    for (DWORD i = 0; i < aLength && i < bLength; ++i) {
        if (a[i] != b[i]) return static_cast<BYTE>(a[i]) < static_cast<BYTE>(b[i]);
    }
    return aLength < bLength;
}

DWORD SeparatorCount(const char* path, DWORD length) {
    DWORD count = 0;
    ForEachSeparatorEnd(path, length, [&](DWORD) { return ++count, true; });
    return count;
}

// "￥" in Shift_JIS: what a Japanese keyboard gives for the yen sign in
// full-width mode, where the separator is the half-width one (0x5C).
bool IsFullWidthYen(const char* text, DWORD length, DWORD i) {
    return i + 1 < length && static_cast<BYTE>(text[i]) == 0x81 && static_cast<BYTE>(text[i + 1]) == 0x8F;
}

// `text` with "￥" and "/" as "\", whole characters only, into `out`
// (room for `length` bytes); answers the length written.
DWORD WithBackslashes(const char* text, DWORD length, char* out) {
    DWORD written = 0;
    for (DWORD i = 0; i < length; ++i) {
        if (IsFullWidthYen(text, length, i)) {
            out[written++] = '\\';
            ++i;
        } else if (IsLeadByte(static_cast<BYTE>(text[i])) && i + 1 < length) {
            out[written++] = text[i++];
            out[written++] = text[i];
        } else {
            out[written++] = text[i] == '/' ? '\\' : text[i];
        }
    }
    return written;
}

bool HasOtherSeparator(const char* text, DWORD length) {
    for (DWORD i = 0; i < length; ++i) {
        if (IsFullWidthYen(text, length, i) || text[i] == '/') return true;
        if (IsLeadByte(static_cast<BYTE>(text[i]))) ++i;
    }
    return false;
}

bool StartsWithFolded(const char* text, DWORD length, const char* prefix, DWORD prefixLength) {
    return prefixLength != 0 && length >= prefixLength && SameButLetterCase(text, prefix, prefixLength);
}

// The folder a slip most likely meant, and how it was found.
struct Resolution {
    enum How { kNone, kKey, kShownNames, kEnding } how;
    DWORD folder;
    DWORD count;  // the folders it could mean
};

const DWORD kNamesFolder = 0xFFFFFFFF;
// Lines that name no folder because one path above them names none are
// told as one group from this many on: a renamed parent.
const DWORD kGroupedLines = 3;

class LineChecker {
public:
    LineChecker(const CheckedFolder* folders, DWORD folderCount, const char* dataFolder)
        : folders_(folders), folderCount_(folderCount), dataFolder_(dataFolder),
          dataFolderLength_(TextLength(dataFolder)) {}

    // The keys alone: enough for a file whose every line places a folder.
    bool IndexKeys() {
        if (!keys_.Reserve(folderCount_)) return false;
        for (DWORD i = 0; i < folderCount_; ++i) keys_.Match(folders_[i].key, folders_[i].keyLength, i);
        return true;
    }

    // What Explain needs beside them, made at its first call.
    bool IndexForExplaining() {
        DWORD separators = 0;
        for (DWORD i = 0; i < folderCount_; ++i) {
            const CheckedFolder& folder = folders_[i];
            separators += SeparatorCount(folder.key, folder.keyLength);
            if (folder.shown) separators += SeparatorCount(folder.shown, folder.shownLength);
        }
        if (!lowered_.Reserve(folderCount_) || !holders_.Reserve(separators) || !shown_.Reserve(folderCount_) ||
            !endings_.Reserve(separators))
            return false;
        for (DWORD i = 0; i < folderCount_; ++i) {
            const CheckedFolder& folder = folders_[i];
            // Of keys alike but for letter case, the first in byte order is suggested.
            TextTable::Entry& lowered = lowered_.At(folder.key, folder.keyLength);
            if (lowered.count++ == 0 || BytesBefore(folder.key, folder.keyLength, folders_[lowered.value].key,
                                                    folders_[lowered.value].keyLength))
                lowered.value = i;
            ForEachSeparatorEnd(folder.key, folder.keyLength, [&](DWORD end) {
                holders_.At(folder.key, end);
                return true;
            });
        }
        for (DWORD i = 0; i < folderCount_; ++i) {
            const CheckedFolder& folder = folders_[i];
            if (folder.shown && folder.shownLength && !Names(folder.shown, folder.shownLength))
                shown_.Match(folder.shown, folder.shownLength, i);
            AddEndings(folder.key, folder.keyLength, i);
            if (folder.shown) AddEndings(folder.shown, folder.shownLength, i);
        }
        return true;
    }

    bool Names(const char* text, DWORD length) const { return keys_.Find(text, length) != nullptr; }
    const CheckedFolder& folder(DWORD index) const { return folders_[index]; }

    // Why `text`, which names no folder, names none, and what to write;
    // `scratch` has room for the line and two bytes more.
    void Explain(const char* text, DWORD length, bool converted, char* scratch, CheckedLine* line) const {
        if (converted) {
            for (DWORD i = 0; i < length; ++i) {
                if (text[i] == '?') return Say(line, LineSlip::kLacksCharacter);
            }
        } else if (EncodingOf(text, length) == OrderFileEncoding::kUtf8) {
            Say(line, LineSlip::kUtf8);
            const DWORD said = AsCodePage(text, length, scratch);
            if (const TextTable::Entry* key = said ? keys_.Find(scratch, said) : nullptr) SayFix(line, key->value);
            return;
        }
        DWORD first = 0;
        while (first < length && IsBlank(text[first])) ++first;
        if (first < length && text[first] == '#') return Say(line, LineSlip::kComment);
        const Resolution fix = Resolve(text, length, scratch);
        if (fix.how != Resolution::kNone) {
            SayFix(line, fix.folder, fix.how != Resolution::kKey);
            line->candidates = fix.count;
        }
        if (StartsWithFolded(text, length, dataFolder_, dataFolderLength_)) {
            // A line that is the data folder alone has nothing to write instead.
            if (fix.how == Resolution::kNone && length > dataFolderLength_) {
                line->fix = text + dataFolderLength_;
                line->fixLength = length - dataFolderLength_;
            }
            return Say(line, LineSlip::kDataFolderPrefix);
        }
        if (length && IsBlank(text[0])) return Say(line, LineSlip::kLeadingBlank);
        if (length && IsBlank(text[length - 1])) return Say(line, LineSlip::kTrailingBlank);
        if (HasOtherSeparator(text, length)) return Say(line, LineSlip::kSeparator);
        std::memcpy(scratch, text, length);
        scratch[length] = '\\';
        if (const TextTable::Entry* key = keys_.Find(scratch, length + 1)) {
            SayFix(line, key->value);
            return Say(line, LineSlip::kNoFinalSeparator);
        }
        if (length && text[0] == '\\') {
            if (const TextTable::Entry* key = keys_.Find(text + 1, length - 1)) {
                SayFix(line, key->value);
                return Say(line, LineSlip::kLeadingSeparator);
            }
        }
        if (const TextTable::Entry* key = lowered_.Find(text, length)) {
            SayFix(line, key->value);
            return Say(line, LineSlip::kLetterCase);
        }
        switch (fix.how) {
            case Resolution::kKey: return Say(line, LineSlip::kNoFolderAsWritten);
            case Resolution::kShownNames: return Say(line, LineSlip::kShownNames);
            case Resolution::kEnding: return Say(line, LineSlip::kWithoutParents);
            default: break;
        }
        Say(line, length == 0 ? LineSlip::kEmptyFirstLine : LineSlip::kNoFolder);
    }

    // The length of the first path of `text` (up to a "\") that names no
    // folder and holds none: where a renamed or removed parent shows.
    DWORD MissingPathLength(const char* text, DWORD length) const {
        DWORD missing = length;
        ForEachSeparatorEnd(text, length, [&](DWORD end) {
            if (holders_.Find(text, end)) return true;
            missing = end;
            return false;
        });
        return missing;
    }

private:
    static void Say(CheckedLine* line, LineSlip slip) { line->slip = slip; }
    void SayFix(CheckedLine* line, DWORD folder, bool guessed = false) const {
        line->fixNamesFolder = true;
        line->fixGuessed = guessed;
        line->fix = folders_[folder].key;
        line->fixLength = folders_[folder].keyLength;
    }

    // Every ending of `path` that starts after one of its separators but
    // the last: "仕事\" and "受信箱\仕事\" of "4b3c.mb\受信箱\仕事\".
    void AddEndings(const char* path, DWORD length, DWORD folder) {
        const DWORD separators = SeparatorCount(path, length);
        DWORD seen = 0;
        ForEachSeparatorEnd(path, length, [&](DWORD end) {
            if (++seen < separators) endings_.Match(path + end, length - end, folder);
            return true;
        });
    }

    // A UTF-8 line as the code page writes it, into `out` (room for the
    // line's length: no character takes more bytes there); 0 when it cannot.
    static DWORD AsCodePage(const char* text, DWORD length, char* out) {
        TextUnit wide[512];
        if (length > sizeof wide / sizeof wide[0]) return 0;
        const int characters = Utf8ToUtf16(text, static_cast<int>(length), wide, 512);
        if (characters <= 0) return 0;
        const int written = Utf16ToCodePage(wide, characters, out, static_cast<int>(length));
        return written > 0 ? static_cast<DWORD>(written) : 0;
    }

    // The line with its surface slips mended (blanks, separators, the data
    // folder, a first "\", a missing last "\"), then looked up: as a key,
    // in another letter case, as a path of shown names, or as the end of a
    // folder's path.
    Resolution Resolve(const char* text, DWORD length, char* scratch) const {
        Resolution fix = {Resolution::kNone, 0, 0};
        DWORD end = WithBackslashes(text, length, scratch);
        DWORD start = 0;
        while (start < end && IsBlank(scratch[start])) ++start;
        while (end > start && IsBlank(scratch[end - 1])) --end;
        if (StartsWithFolded(scratch + start, end - start, dataFolder_, dataFolderLength_)) start += dataFolderLength_;
        while (start < end && scratch[start] == '\\') ++start;
        const char* path = scratch + start;
        DWORD pathLength = end - start;
        if (pathLength == 0) return fix;
        if (!EndsWithSeparator(path, pathLength)) scratch[start + pathLength++] = '\\';
        const TextTable::Entry* found = keys_.Find(path, pathLength);
        if (!found) found = lowered_.Find(path, pathLength);
        if (found) {
            fix = {Resolution::kKey, found->value, 1};
            return fix;
        }
        if ((found = shown_.Find(path, pathLength)) != nullptr) {
            fix = {found->count > 1 ? Resolution::kEnding : Resolution::kShownNames, found->value, found->count};
        } else if ((found = endings_.Find(path, pathLength)) != nullptr) {
            fix = {Resolution::kEnding, found->value, found->count};
        }
        return fix;
    }

    const CheckedFolder* folders_;
    DWORD folderCount_;
    const char* dataFolder_;
    DWORD dataFolderLength_;
    TextTable keys_{false};
    TextTable lowered_{true};
    TextTable holders_{false};  // the keys and the paths that hold them
    TextTable shown_{false};
    TextTable endings_{false};
};

// Calls `visit(number, offset, length)` for each line the sort reads, with
// the number a text editor shows for it (the halves of a line a NUL splits
// share theirs): an empty first line too, no other empty line.
template <typename Visit>
void ForEachNumberedLine(const char* text, DWORD count, Visit visit) {
    if (count && EndsLine(text[0])) visit(1, 0, 0);
    DWORD number = 1, startNumber = 1, start = 0;
    bool inLine = false;
    for (DWORD i = 0; i < count; ++i) {
        const char c = text[i];
        if (!EndsLine(c)) {
            if (!inLine) start = i, startNumber = number, inLine = true;
            continue;
        }
        if (inLine) visit(startNumber, start, i - start);
        inLine = false;
        if (c == '\n' || (c == '\r' && (i + 1 == count || text[i + 1] != '\n'))) ++number;
    }
    if (inLine) visit(startNumber, start, count - start);
}

}  // namespace

bool OrderCheck::Run(const char* bytes, DWORD count, const CheckedFolder* folders, DWORD folderCount,
                     const char* dataFolder) {
    count_ = unplaced_ = placing_ = textLength_ = 0;
    notText_ = false;
    // Its texts were the last run's.
    seen_.Clear();
    encoding_ = EncodingOf(bytes, count);
    DWORD textLength = count;
    if (!text_.Allocate(count + 1)) return false;
    std::memcpy(text_.get(), bytes, count);
    if (!ConvertToCodePage(&text_, &textLength, encoding_)) return false;
    char* text = text_.get();
    text[textLength] = '\0';
    textLength_ = textLength;
    for (DWORD i = 0; i < textLength && encoding_ == OrderFileEncoding::kCodePage; ++i)
        notText_ = notText_ || text[i] == '\0';
    const bool converted = encoding_ != OrderFileEncoding::kCodePage;

    LineChecker checker(folders, folderCount, dataFolder);
    DWORD lineCount = 0, longest = 0;
    ForEachNumberedLine(text, textLength, [&](DWORD, DWORD, DWORD length) {
        ++lineCount;
        if (length > longest) longest = length;
    });
    TextTable groups;
    TextBlock scratch;
    if (!checker.IndexKeys() || !seen_.Reserve(lineCount) || !groups.Reserve(lineCount) ||
        !lines_.Allocate(static_cast<DWORD>(sizeof(CheckedLine)) * (lineCount + 1)) || !scratch.Allocate(longest + 2))
        return false;
    CheckedLine* lines = reinterpret_cast<CheckedLine*>(lines_.get());

    // Explaining needs more of the folders than placing does: made for a
    // file that has a line to explain, and once.
    enum class Explaining { kNotYet, kReady, kNoMemory } explaining = Explaining::kNotYet;
    ForEachNumberedLine(text, textLength, [&](DWORD number, DWORD offset, DWORD length) {
        const char* line = text + offset;
        TextTable::Entry& first = seen_.At(line, length);
        if (first.count == 0 && checker.Names(line, length)) {
            first = {line, length, number, 1, kNamesFolder};
            ++placing_;
            return;
        }
        CheckedLine& checked = lines[count_];
        checked = CheckedLine{};
        checked.number = number;
        checked.offset = offset;
        checked.length = length;
        if (first.count++ != 0) {
            checked.slip = LineSlip::kRepeat;
            checked.firstNumber = first.value;
            if (first.last != kNamesFolder) ++lines[first.last].repeats;
        } else {
            first.value = number;
            first.last = count_;
            if (explaining == Explaining::kNotYet)
                explaining = checker.IndexForExplaining() ? Explaining::kReady : Explaining::kNoMemory;
            if (explaining == Explaining::kReady) checker.Explain(line, length, converted, scratch.get(), &checked);
            if (length) ++unplaced_;
        }
        ++count_;
    });
    if (explaining == Explaining::kNoMemory) return false;

    // Many lines under one path that names no folder: a renamed or removed parent.
    for (DWORD i = 0; i < count_; ++i) {
        CheckedLine& line = lines[i];
        if (line.slip != LineSlip::kNoFolder) continue;
        line.groupLength = checker.MissingPathLength(text + line.offset, line.length);
        ++groups.At(text + line.offset, line.groupLength).count;
    }
    for (DWORD i = 0; i < count_; ++i) {
        CheckedLine& line = lines[i];
        if (line.slip != LineSlip::kNoFolder) continue;
        line.groupCount = groups.Find(text + line.offset, line.groupLength)->count;
        if (line.groupCount >= kGroupedLines) line.slip = LineSlip::kUnderMissingFolder;
    }
    return true;
}

DWORD OrderCheck::NumberOf(const char* text, DWORD length) const {
    const TextTable::Entry* first = text_ ? seen_.Find(text, length) : nullptr;
    return first ? first->value : 0;
}
