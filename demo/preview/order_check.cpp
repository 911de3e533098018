#include "demo/preview/order_check.h"

#include <windows.h>

#include <algorithm>
#include <set>
#include <unordered_map>

#include "standin/host.h"
#include "model/order_model.h"

namespace preview {

using standin::Sjis;
using standin::Utf8;

namespace {

const std::string kUtf8ByteOrderMark = "\xEF\xBB\xBF";

bool DecodesAs(UINT codePage, const std::string& bytes) {
    return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                               nullptr, 0) > 0;
}

bool HasMultiByteUtf8(const std::string& bytes) {
    for (unsigned char c : bytes) {
        if (c >= 0xC2) return true;
    }
    return false;
}

// Folder names in Shift_JIS are full-width text: a line that decodes only
// into half-width katakana or the rarely used characters of lead bytes
// 0xE0 and up is much more likely UTF-8 read the wrong way.
bool PlausibleShiftJis(const std::string& bytes) {
    if (!DecodesAs(932, bytes)) return false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0xA1 && c <= 0xDF) return false;
        if (c >= 0xE0) return false;
        if (c >= 0x81 && c <= 0x9F) ++i;  // the trail byte
    }
    return true;
}

std::string Quoted(const std::string& sjis) { return "\"" + Utf8(sjis) + "\""; }

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// "￥" in Shift_JIS: what a Japanese keyboard gives for the yen sign in
// full-width mode, where the separator is the half-width one (0x5C).
const std::string kFullWidthYen = "\x81\x8F";

// The places just after each "\" of a Shift_JIS path: where its prefixes
// that are folder paths end. A 0x5C that is a second byte is no separator.
std::vector<size_t> SeparatorEnds(const std::string& path) {
    std::vector<size_t> ends;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(path[i])))
            ++i;
        else if (path[i] == '\\')
            ends.push_back(i + 1);
    }
    return ends;
}

// The line with "￥" and "/" as "\", whole characters only.
std::string WithBackslashes(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, kFullWidthYen) == 0) {
            out += '\\';
            ++i;
        } else if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
            out += text.substr(i++, 2);
        } else {
            out += text[i] == '/' ? '\\' : text[i];
        }
    }
    return out;
}

// A line with two or more slips under one path that names no folder is one
// slip of the group from this many lines on: a renamed parent.
const size_t kGroupedLines = 3;

class LineChecker {
public:
    LineChecker(const std::vector<CheckedFolder>& folders, const std::string& dataFolder)
        : dataFolder_(dataFolder) {
        for (const CheckedFolder& folder : folders) keys_.insert(folder.key);
        // In the set's order, so that of keys one in letter case, the first
        // in byte order is the one suggested.
        for (const std::string& key : keys_) byLowerCase_.emplace(AsciiLower(key), key);
        for (const CheckedFolder& folder : folders) {
            for (size_t end : SeparatorEnds(folder.key)) holders_.insert(folder.key.substr(0, end));
            if (!folder.shownPath.empty() && !keys_.count(folder.shownPath))
                AddMatch(byShownPath_, folder.shownPath, folder.key);
            AddEndings(folder.key, folder.key);
            AddEndings(folder.shownPath, folder.key);
        }
    }

    bool Names(const std::string& text) const { return keys_.count(text) != 0; }

    // Whether `path` (ending in "\") is a folder's key or holds one.
    bool HoldsAFolder(const std::string& path) const { return holders_.count(path) != 0; }

    // Whether line `number`, `text`, is UTF-8 rather than Shift_JIS, and
    // then what it says, less the byte-order mark line 1 may start with.
    bool ReadsAsUtf8(int number, const std::string& text, std::string* said, bool* marked) const {
        *marked = number == 1 && text.compare(0, 3, kUtf8ByteOrderMark) == 0;
        *said = *marked ? text.substr(3) : text;
        return *marked || (HasMultiByteUtf8(text) && DecodesAs(CP_UTF8, text) && !PlausibleShiftJis(text));
    }

    // Why `text`, which names no folder, names none, and what to write.
    Slip Explain(size_t index, int number, const std::string& text) const {
        const std::string at = "line " + std::to_string(number) + ": ";
        auto slip = [&](SlipKind kind, const std::string& why) { return Slip{index, number, kind, at + why, ""}; };
        std::string said;
        bool marked;
        if (ReadsAsUtf8(number, text, &said, &marked)) {
            std::string says = "as UTF-8 it says \"" + said + "\"";
            if (Names(Sjis(said))) says += ", which would place that folder if saved as Shift_JIS";
            Slip utf8 = slip(SlipKind::kUtf8, std::string(marked ? "the file is saved as UTF-8 (it starts with a "
                                                                   "byte-order mark)"
                                                                 : "is UTF-8, not Shift_JIS") +
                                                  ", so it names no folder; " + says);
            utf8.listed = said + "   [" + (marked ? "UTF-8 with a byte-order mark" : "UTF-8") + ": names no folder]";
            return utf8;
        }
        const size_t first = text.find_first_not_of(" \t");
        if (first != std::string::npos && text[first] == '#') {
            return slip(SlipKind::kComment, "starts with \"#\", but the order file has no comments: the line orders "
                                            "nothing; delete it (the editor's OK keeps it, after the folders' lines)");
        }
        const Resolution fix = Resolve(text);
        if (AsciiLower(text.substr(0, dataFolder_.size())) == AsciiLower(dataFolder_) && !dataFolder_.empty()) {
            return slip(SlipKind::kDataFolderPrefix,
                        "starts with the data folder " + Quoted(dataFolder_) +
                            ", but lines are paths less the data folder: write " +
                            Quoted(fix.key.empty() ? text.substr(dataFolder_.size()) : fix.key));
        }
        if (!text.empty() && IsBlank(text[0])) {
            return slip(SlipKind::kLeadingBlank, "starts with a space or a tab, which is compared too, so it names "
                                                 "no folder: " + (fix.key.empty() ? "remove it" : Advice(fix)));
        }
        if (!text.empty() && IsBlank(text.back())) {
            return slip(SlipKind::kTrailingBlank, "ends in a space or a tab, which is compared too, so it names no "
                                                  "folder" + (fix.key.empty() ? "" : ": " + Advice(fix)));
        }
        if (WithBackslashes(text) != text) {
            return slip(SlipKind::kSeparator,
                        "separates folders with \"" +
                            std::string(text.find(kFullWidthYen) != std::string::npos ? "￥" : "/") +
                            "\", but the separator is \"\\\" (shown as the half-width ¥ on Japanese Windows): " +
                            (fix.key.empty() ? "write \"\\\" instead" : Advice(fix)));
        }
        if (Names(text + "\\")) {
            return slip(SlipKind::kNoFinalSeparator,
                        "lacks the \\ that ends the folder's key: write " + Quoted(text + "\\"));
        }
        if (!text.empty() && text[0] == '\\' && Names(text.substr(1))) {
            return slip(SlipKind::kLeadingSeparator,
                        "starts with a \\ that the data folder already ends with: write " + Quoted(text.substr(1)));
        }
        auto sameButCase = byLowerCase_.find(AsciiLower(text));
        if (sameButCase != byLowerCase_.end()) {
            const std::string& key = sameButCase->second;
            return slip(SlipKind::kLetterCase,
                        "differs from " + Quoted(key) + " in letter case only, and case counts: write " +
                            Quoted(key));
        }
        if (fix.how == Resolution::kKey) {
            return slip(SlipKind::kNoFolderAsWritten, Quoted(text) + " names no folder as it stands: " + Advice(fix));
        }
        if (fix.how == Resolution::kShownNames) {
            return slip(SlipKind::kShownNames, Quoted(text) + " is a path of the names Becky! shows, but a line is "
                                                              "the folder's path on disk: " + Advice(fix));
        }
        if (fix.how == Resolution::kEnding) {
            return slip(SlipKind::kWithoutParents, Quoted(text) + " lacks the folders above it, but a line is the "
                                                                  "folder's whole path less the data folder: " +
                                                       Advice(fix));
        }
        if (fix.how == Resolution::kSeveral) {
            return slip(SlipKind::kWithoutParents,
                        Quoted(text) + " lacks the folders above it and could be any of " +
                            std::to_string(fix.count) + " folders: write the whole path of the one you mean, such as " +
                            Quoted(fix.key));
        }
        if (text.empty()) {
            return slip(SlipKind::kNoFolder,
                        "is empty, and an empty first line names the data folder itself, which is no "
                        "folder of the tree: it orders nothing, and the editor's next OK leaves it out");
        }
        return slip(SlipKind::kNoFolder, Quoted(text) + " names no folder of the tree: it orders nothing here, and "
                                                        "the editor's OK keeps it, after the folders' lines");
    }

private:
    // The folder a slip most likely meant, and how it was found.
    struct Resolution {
        enum How { kNone, kKey, kShownNames, kEnding, kSeveral } how = kNone;
        std::string key;  // the one to write (for kSeveral, one of them)
        size_t count = 0;
    };

    static std::string Advice(const Resolution& fix) {
        return fix.how == Resolution::kKey ? "write " + Quoted(fix.key) : "did you mean " + Quoted(fix.key) + "?";
    }

    // Keys by some text: more than one when the text could mean several folders.
    using Matches = std::unordered_map<std::string, std::vector<std::string>>;

    static void AddMatch(Matches& matches, const std::string& text, const std::string& key) {
        std::vector<std::string>& keys = matches[text];
        if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
    }

    // Every ending of `path` that starts after one of its separators: "仕事\"
    // and "受信箱\仕事\" of "4b3c.mb\受信箱\仕事\".
    void AddEndings(const std::string& path, const std::string& key) {
        const std::vector<size_t> ends = SeparatorEnds(path);
        for (size_t i = 0; i + 1 < ends.size(); ++i) AddMatch(byEnding_, path.substr(ends[i]), key);
    }

    // The line with its surface slips mended (blanks, separators, the data
    // folder, a first "\", a missing last "\"), then looked up: as a key,
    // in another letter case, as a path of shown names, or as the end of a
    // folder's path.
    Resolution Resolve(const std::string& text) const {
        std::string path = WithBackslashes(text);
        const size_t first = path.find_first_not_of(" \t");
        const size_t last = path.find_last_not_of(" \t");
        path = first == std::string::npos ? "" : path.substr(first, last - first + 1);
        if (!dataFolder_.empty() && AsciiLower(path.substr(0, dataFolder_.size())) == AsciiLower(dataFolder_))
            path = path.substr(dataFolder_.size());
        while (!path.empty() && path[0] == '\\') path.erase(0, 1);
        const std::vector<size_t> ends = SeparatorEnds(path);
        if (!path.empty() && (ends.empty() || ends.back() != path.size())) path += '\\';
        Resolution fix;
        if (path.empty()) return fix;
        auto lowered = byLowerCase_.find(AsciiLower(path));
        if (Names(path) || lowered != byLowerCase_.end()) {
            fix.how = Resolution::kKey;
            fix.key = Names(path) ? path : lowered->second;
            return fix;
        }
        for (const auto* matches : {&byShownPath_, &byEnding_}) {
            auto found = matches->find(path);
            if (found == matches->end()) continue;
            fix.count = found->second.size();
            fix.key = found->second.front();
            fix.how = fix.count > 1 ? Resolution::kSeveral
                                    : matches == &byShownPath_ ? Resolution::kShownNames : Resolution::kEnding;
            return fix;
        }
        return fix;
    }

    std::set<std::string> keys_;
    std::set<std::string> holders_;  // keys and the paths that hold them
    std::unordered_map<std::string, std::string> byLowerCase_;
    Matches byShownPath_, byEnding_;
    std::string dataFolder_;
};

// "67–167", "3, 5–9": line numbers as ranges.
std::string Ranges(const std::vector<int>& numbers) {
    std::string out;
    for (size_t i = 0; i < numbers.size();) {
        size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] <= numbers[j] + 1) ++j;
        if (!out.empty()) out += ", ";
        out += std::to_string(numbers[i]) + (numbers[j] != numbers[i] ? "–" + std::to_string(numbers[j]) : "");
        i = j + 1;
    }
    return out;
}

// The first path of `line` (up to a "\") that names no folder and holds
// none: where a renamed or removed parent shows.
std::string MissingPath(const LineChecker& checker, const std::string& line) {
    for (size_t end : SeparatorEnds(line)) {
        const std::string path = line.substr(0, end);
        if (!checker.HoldsAFolder(path)) return path;
    }
    return line;
}

// Many lines that name no folder because one path above them names none
// become one slip, placed at the first of them.
void GroupUnderMissingPaths(const LineChecker& checker, const std::vector<model::NumberedLine>& lines,
                            std::vector<Slip>* slips) {
    std::unordered_map<std::string, std::vector<size_t>> byPath;  // slips by the path they lack
    for (size_t i = 0; i < slips->size(); ++i) {
        const Slip& slip = (*slips)[i];
        if (slip.kind == SlipKind::kNoFolder) byPath[MissingPath(checker, lines[slip.index].text)].push_back(i);
    }
    std::vector<bool> dropped(slips->size(), false);
    for (const auto& group : byPath) {
        if (group.second.size() < kGroupedLines) continue;
        std::vector<int> numbers;
        for (size_t i : group.second) {
            numbers.push_back((*slips)[i].line);
            dropped[i] = true;
        }
        Slip& first = (*slips)[group.second.front()];
        first.kind = SlipKind::kUnderMissingFolder;
        first.text = "lines " + Ranges(numbers) + " (" + Count(numbers.size(), "line", "lines") + "), all under " +
                     Quoted(group.first) + ", which names no folder: renamed or removed? They order nothing here, and "
                     "the editor's OK keeps them, after the folders' lines";
        dropped[group.second.front()] = false;
    }
    std::vector<Slip> kept;
    for (size_t i = 0; i < slips->size(); ++i) {
        if (!dropped[i]) kept.push_back((*slips)[i]);
    }
    slips->swap(kept);
}

// The file as UTF-16 text, when it is saved so: with Notepad's byte-order
// mark, or without one when most characters have a zero byte.
bool ReadsAsUtf16(const std::string& file, std::wstring* text) {
    if (file.size() < 2 || file.size() % 2 != 0) return false;
    const unsigned char b0 = static_cast<unsigned char>(file[0]), b1 = static_cast<unsigned char>(file[1]);
    bool bigEndian = b0 == 0xFE && b1 == 0xFF;
    size_t skip = (b0 == 0xFF && b1 == 0xFE) || bigEndian ? 2 : 0;
    if (skip == 0) {
        size_t zerosHigh = 0, zerosLow = 0;
        for (size_t i = 0; i < file.size(); i += 2) {
            zerosLow += file[i] == '\0';
            zerosHigh += file[i + 1] == '\0';
        }
        const size_t units = file.size() / 2;
        if (std::max(zerosHigh, zerosLow) * 2 < units || std::min(zerosHigh, zerosLow) * 4 > units) return false;
        bigEndian = zerosLow > zerosHigh;
    }
    text->clear();
    for (size_t i = skip; i < file.size(); i += 2) {
        const unsigned char first = static_cast<unsigned char>(file[i]), second = static_cast<unsigned char>(file[i + 1]);
        text->push_back(static_cast<wchar_t>(bigEndian ? (first << 8 | second) : (second << 8 | first)));
    }
    return true;
}

// The file as UTF-8 text, when it is saved so as a whole: with a byte-order
// mark, or with characters that UTF-8 has and Shift_JIS hardly would.
bool ReadsAsUtf8Whole(const std::string& file, std::wstring* text, bool* marked) {
    *marked = file.compare(0, 3, kUtf8ByteOrderMark) == 0;
    if (!DecodesAs(CP_UTF8, file) || !(*marked || (HasMultiByteUtf8(file) && !PlausibleShiftJis(file)))) return false;
    const std::string body = *marked ? file.substr(3) : file;
    const int length = MultiByteToWideChar(CP_UTF8, 0, body.data(), static_cast<int>(body.size()), nullptr, 0);
    text->assign(static_cast<size_t>(length), L'\0');
    if (length > 0) MultiByteToWideChar(CP_UTF8, 0, body.data(), static_cast<int>(body.size()), &(*text)[0], length);
    return true;
}

// Text as Notepad's "ANSI" would save it on Japanese Windows.
std::string AsShiftJis(const std::wstring& text) {
    const int length = WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                           nullptr);
    std::string out(static_cast<size_t>(length), '\0');
    if (length > 0)
        WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), &out[0], length, nullptr, nullptr);
    return out;
}

// The file as text, when it is saved whole as UTF-16 or UTF-8: the
// encoding's name, or empty.
std::string WholeFileText(const std::string& file, std::wstring* text, bool* marked) {
    *marked = false;
    if (ReadsAsUtf16(file, text)) return "UTF-16";
    if (ReadsAsUtf8Whole(file, text, marked)) return "UTF-8";
    return "";
}

// The slip for a file saved whole in another encoding, when it is.
bool WholeFileEncoding(const std::string& file, OrderFileCheck* check, Slip* slip) {
    std::wstring text;
    bool marked = false;
    check->encoding = WholeFileText(file, &text, &marked);
    if (check->encoding.empty()) return false;
    const std::string saved =
        check->encoding == "UTF-16"
            ? "UTF-16 (Notepad's \"Unicode\"), not Shift_JIS, so no line names a folder"
            : std::string("UTF-8") + (marked ? " with a byte-order mark" : "") +
                  ", not Shift_JIS, so no line with a Japanese character names a folder" +
                  (marked ? ", nor does line 1" : "");
    check->checkedFile = AsShiftJis(text);
    *slip = {static_cast<size_t>(-1), 0, SlipKind::kEncoding,
             "the file is saved as " + saved + ": in Notepad, use Save As with the encoding \"ANSI\" (Shift_JIS on "
             "Japanese Windows)",
             ""};
    return true;
}

}  // namespace

std::string TextAsShiftJis(const std::string& file, std::string* encoding) {
    std::wstring text;
    bool marked;
    *encoding = WholeFileText(file, &text, &marked);
    return encoding->empty() ? file : AsShiftJis(text);
}

OrderFileCheck CheckOrderFile(const std::string& file, const std::vector<CheckedFolder>& folders,
                              const std::string& dataFolder) {
    const LineChecker checker(folders, dataFolder);
    OrderFileCheck check = {{}, 0, "", file};
    Slip encoding;
    const bool wholeFile = WholeFileEncoding(file, &check, &encoding);
    if (wholeFile) {
        // What the module reads: only lines that are the same in both encodings place a folder.
        std::set<std::string> met;
        for (const std::string& line : model::Lines(file))
            check.placingLines += met.insert(line).second && checker.Names(line);
    }
    const std::vector<model::NumberedLine> lines = model::NumberedLines(check.checkedFile);
    // The first line of each text, which any later one repeats.
    std::unordered_map<std::string, size_t> firsts;
    for (size_t i = 0; i < lines.size(); ++i) {
        const model::NumberedLine& line = lines[i];
        auto met = firsts.emplace(line.text, i);
        if (met.second) {
            if (!checker.Names(line.text))
                check.slips.push_back(checker.Explain(i, line.number, line.text));
            else if (!wholeFile)
                ++check.placingLines;
            continue;
        }
        const int first = lines[met.first->second].number;
        Slip repeat = {i, line.number, SlipKind::kRepeat,
                       "line " + std::to_string(line.number) + ": repeats line " + std::to_string(first) +
                           ", and only the first counts",
                       ""};
        std::string said;
        bool marked;
        if (!checker.Names(line.text) && checker.ReadsAsUtf8(first, line.text, &said, &marked))
            repeat.listed = said + "   [UTF-8: repeats line " + std::to_string(first) + "]";
        check.slips.push_back(repeat);
    }
    GroupUnderMissingPaths(checker, lines, &check.slips);
    if (wholeFile) {
        encoding.text += check.slips.empty() ? "; saved so, it has no other slip"
                                             : "; the slips below remain once it is saved so";
        check.slips.insert(check.slips.begin(), encoding);
    }
    return check;
}

OrderFileCheck CheckOrderFile(const std::string& file, const std::vector<std::string>& keys,
                              const std::string& dataFolder) {
    std::vector<CheckedFolder> folders;
    for (const std::string& key : keys) folders.push_back({key, ""});
    return CheckOrderFile(file, folders, dataFolder);
}

SavePreview PreviewSave(const std::string& currentFile, const std::vector<std::string>& keysInTreeOrder) {
    SavePreview preview = {model::SavedFile(keysInTreeOrder, currentFile), 0, 0, 0, 0};
    const std::vector<std::string> current = model::Lines(currentFile);
    const std::set<std::string> written(keysInTreeOrder.begin(), keysInTreeOrder.end());
    std::set<std::string> kept, carried;
    for (const std::string& line : current) {
        if (written.count(line) ? kept.insert(line).second : !line.empty() && carried.insert(line).second) continue;
        ++preview.dropped;  // repeats a line, or an empty line after the first
    }
    preview.carried = static_cast<int>(carried.size());
    preview.kept = static_cast<int>(kept.size());
    preview.added = static_cast<int>(written.size() - kept.size());
    return preview;
}

std::vector<std::string> ListedLines(const std::string& file, const OrderFileCheck& check) {
    std::vector<std::string> listed;
    if (!check.encoding.empty()) {
        // Each line as it says it; those that differ from their bytes as the module reads them are tagged.
        const std::vector<std::string> lines = model::Lines(file);
        const std::set<std::string> asRead(lines.begin(), lines.end());
        for (const model::NumberedLine& line : model::NumberedLines(check.checkedFile))
            listed.push_back(Utf8(line.text) +
                             (asRead.count(line.text) ? "" : "   [" + check.encoding + ": names no folder]"));
        return listed;
    }
    for (const model::NumberedLine& line : model::NumberedLines(file)) listed.push_back(Utf8(line.text));
    for (const Slip& slip : check.slips) {
        if (!slip.listed.empty() && slip.index < listed.size()) listed[slip.index] = slip.listed;
    }
    return listed;
}

std::string Thousands(size_t count) {
    std::string digits = std::to_string(count);
    for (size_t comma = digits.size(); comma > 3; comma -= 3) digits.insert(comma - 3, ",");
    return digits;
}

std::string Count(size_t count, const std::string& singular, const std::string& plural) {
    return Thousands(count) + " " + (count == 1 ? singular : plural);
}

// The second byte of a Shift_JIS character may have a letter's code (ア is
// 83 41, ヂ 83 61): it is left alone, or two characters would pass for one
// in two cases.
std::string AsciiLower(std::string text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC))
            ++i;
        else if (c >= 'A' && c <= 'Z')
            text[i] = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace preview
