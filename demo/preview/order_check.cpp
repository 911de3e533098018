#include "demo/preview/order_check.h"

#include <windows.h>

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

class LineChecker {
public:
    LineChecker(const std::vector<std::string>& keys, const std::string& dataFolder)
        : keys_(keys.begin(), keys.end()), dataFolder_(dataFolder) {
        // In the set's order, so that of keys one in letter case, the first
        // in byte order is the one suggested.
        for (const std::string& key : keys_) byLowerCase_.emplace(AsciiLower(key), key);
    }

    bool Names(const std::string& text) const { return keys_.count(text) != 0; }

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
        if (AsciiLower(text.substr(0, dataFolder_.size())) == AsciiLower(dataFolder_) && !dataFolder_.empty()) {
            return slip(SlipKind::kDataFolderPrefix, "starts with the data folder " + Quoted(dataFolder_) +
                                                         ", but lines are paths less the data folder: write " +
                                                         Quoted(text.substr(dataFolder_.size())));
        }
        size_t last = text.find_last_not_of(" \t");
        if (!text.empty() && last != text.size() - 1) {
            std::string trimmed = last == std::string::npos ? "" : text.substr(0, last + 1);
            return slip(SlipKind::kTrailingBlank,
                        "ends in a space or a tab, which is compared too, so it names no folder" +
                            (Names(trimmed) ? ": write " + Quoted(trimmed) : ""));
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
        if (text.empty()) {
            return slip(SlipKind::kNoFolder,
                        "is empty, and an empty first line names the data folder itself, which is no "
                        "folder of the tree: it orders nothing, and the editor's next OK drops it");
        }
        return slip(SlipKind::kNoFolder, Quoted(text) + " names no folder of the tree: it orders nothing, and the "
                                                        "editor's next OK drops it");
    }

private:
    std::set<std::string> keys_;
    std::unordered_map<std::string, std::string> byLowerCase_;
    std::string dataFolder_;
};

}  // namespace

OrderFileCheck CheckOrderFile(const std::string& file, const std::vector<std::string>& keys,
                              const std::string& dataFolder) {
    const LineChecker checker(keys, dataFolder);
    const std::vector<model::NumberedLine> lines = model::NumberedLines(file);
    OrderFileCheck check = {{}, 0};
    // The first line of each text, which any later one repeats.
    std::unordered_map<std::string, size_t> firsts;
    for (size_t i = 0; i < lines.size(); ++i) {
        const model::NumberedLine& line = lines[i];
        auto met = firsts.emplace(line.text, i);
        if (met.second) {
            if (checker.Names(line.text))
                ++check.placingLines;
            else
                check.slips.push_back(checker.Explain(i, line.number, line.text));
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
    return check;
}

SavePreview PreviewSave(const std::string& currentFile, const std::vector<std::string>& keysInTreeOrder) {
    SavePreview preview = {model::SavedFile(keysInTreeOrder), 0, 0, 0};
    const std::vector<std::string> current = model::Lines(currentFile);
    const std::set<std::string> written(keysInTreeOrder.begin(), keysInTreeOrder.end());
    std::set<std::string> kept;
    for (const std::string& line : current) {
        if (written.count(line) && kept.insert(line).second) continue;
        ++preview.dropped;  // names no folder, or repeats a line
    }
    preview.kept = static_cast<int>(kept.size());
    preview.added = static_cast<int>(written.size() - kept.size());
    return preview;
}

std::vector<std::string> ListedLines(const std::string& file, const OrderFileCheck& check) {
    std::vector<std::string> listed;
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
