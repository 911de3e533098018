#include "demo/preview/order_check.h"

#include <windows.h>

#include <set>

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

std::string AsciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::string Quoted(const std::string& sjis) { return "\"" + Utf8(sjis) + "\""; }

class LineChecker {
public:
    LineChecker(const std::vector<std::string>& keys, const std::string& dataFolder)
        : keys_(keys.begin(), keys.end()), dataFolder_(dataFolder) {}

    bool Names(const std::string& text) const { return keys_.count(text) != 0; }

    // Why `text`, which names no folder, names none, and what to write.
    Slip Explain(int number, const std::string& text) const {
        const std::string at = "line " + std::to_string(number) + ": ";
        const bool marked = number == 1 && text.compare(0, 3, kUtf8ByteOrderMark) == 0;
        const std::string unmarked = marked ? text.substr(3) : text;
        if (marked || (HasMultiByteUtf8(text) && DecodesAs(CP_UTF8, text) && !PlausibleShiftJis(text))) {
            std::string said = "as UTF-8 it says \"" + unmarked + "\"";
            std::string sjis = Sjis(unmarked);
            if (Names(sjis)) said += ", which would place that folder if saved as Shift_JIS";
            return {number, SlipKind::kUtf8,
                    at + (marked ? "the file is saved as UTF-8 (it starts with a byte-order mark)"
                                 : "is UTF-8, not Shift_JIS") +
                        ", so it names no folder; " + said};
        }
        if (AsciiLower(text.substr(0, dataFolder_.size())) == AsciiLower(dataFolder_) && !dataFolder_.empty()) {
            return {number, SlipKind::kDataFolderPrefix,
                    at + "starts with the data folder " + Quoted(dataFolder_) +
                        ", but lines are paths less the data folder: write " +
                        Quoted(text.substr(dataFolder_.size()))};
        }
        size_t last = text.find_last_not_of(" \t");
        if (!text.empty() && last != text.size() - 1) {
            std::string trimmed = last == std::string::npos ? "" : text.substr(0, last + 1);
            return {number, SlipKind::kTrailingBlank,
                    at + "ends in a space or a tab, which is compared too, so it names no folder" +
                        (Names(trimmed) ? ": write " + Quoted(trimmed) : "")};
        }
        if (Names(text + "\\")) {
            return {number, SlipKind::kNoFinalSeparator,
                    at + "lacks the \\ that ends the folder's key: write " + Quoted(text + "\\")};
        }
        if (!text.empty() && text[0] == '\\' && Names(text.substr(1))) {
            return {number, SlipKind::kLeadingSeparator,
                    at + "starts with a \\ that the data folder already ends with: write " +
                        Quoted(text.substr(1))};
        }
        for (const std::string& key : keys_) {
            if (key.size() == text.size() && AsciiLower(key) == AsciiLower(text)) {
                return {number, SlipKind::kLetterCase,
                        at + "differs from " + Quoted(key) +
                            " in letter case only, and case counts: write " + Quoted(key)};
            }
        }
        if (text.empty()) {
            return {number, SlipKind::kNoFolder,
                    at + "is empty, and an empty first line names the data folder itself, which is no "
                         "folder of the tree: it orders nothing, and the editor's next OK drops it"};
        }
        return {number, SlipKind::kNoFolder,
                at + Quoted(text) +
                    " names no folder of the tree: it orders nothing, and the editor's next OK drops it"};
    }

private:
    std::set<std::string> keys_;
    std::string dataFolder_;
};

}  // namespace

OrderFileCheck CheckOrderFile(const std::string& file, const std::vector<std::string>& keys,
                              const std::string& dataFolder) {
    const LineChecker checker(keys, dataFolder);
    const std::vector<model::NumberedLine> lines = model::NumberedLines(file);
    OrderFileCheck check = {{}, 0, static_cast<int>(lines.size())};
    for (size_t i = 0; i < lines.size(); ++i) {
        const model::NumberedLine& line = lines[i];
        size_t first = 0;
        while (lines[first].text != line.text) ++first;
        if (first < i) {
            check.slips.push_back({line.number, SlipKind::kRepeat,
                                   "line " + std::to_string(line.number) + ": repeats line " +
                                       std::to_string(lines[first].number) + ", and only the first counts"});
        } else if (checker.Names(line.text)) {
            ++check.placingLines;
        } else {
            check.slips.push_back(checker.Explain(line.number, line.text));
        }
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

std::string Count(size_t count, const std::string& singular, const std::string& plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

}  // namespace preview
