#include "demo/preview/order_check.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <set>

#include "order/order_check.h"
#include "plugin/host_api.h"

#include "standin/host.h"
#include "model/order_model.h"

namespace preview {

using standin::Sjis;
using standin::Utf8;

namespace {

std::string Quoted(const std::string& sjis) { return "\"" + Utf8(sjis) + "\""; }
std::string Quoted(const char* sjis, DWORD length) { return Quoted(std::string(sjis, length)); }

// The module's check allocates through the host's functions: here, the
// process heap stands in for the host's, for the length of one check.
void* WINAPI PreviewAlloc(DWORD byteCount) { return HeapAlloc(GetProcessHeap(), 0, byteCount ? byteCount : 1); }
void WINAPI PreviewFree(void* block) { HeapFree(GetProcessHeap(), 0, block); }

class PreviewAllocator {
public:
    PreviewAllocator() : saved_(g_hostApi) {
        g_hostApi.functions[HostFn_BKA_Alloc] = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&PreviewAlloc));
        g_hostApi.functions[HostFn_BKA_Free] = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&PreviewFree));
    }
    ~PreviewAllocator() { g_hostApi = saved_; }
    PreviewAllocator(const PreviewAllocator&) = delete;
    PreviewAllocator& operator=(const PreviewAllocator&) = delete;

private:
    HostApi saved_;
};

std::string EncodingName(OrderFileEncoding encoding) {
    switch (encoding) {
        case OrderFileEncoding::kUtf8: return "UTF-8";
        case OrderFileEncoding::kUtf16LittleEndian:
        case OrderFileEncoding::kUtf16BigEndian: return "UTF-16";
        default: return "";
    }
}

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

// What the check says of a line, in English for the person who runs the preview.
std::string Words(const CheckedLine& line, const std::string& text, const std::string& dataFolder) {
    const std::string fix = line.fix ? Quoted(line.fix, line.fixLength) : "";
    const std::string several = "could be any of " + std::to_string(line.candidates) +
                                " folders: write the whole path of the one you mean, such as " + fix;
    const std::string advice = line.candidates > 1 ? several
                               : line.fixGuessed   ? "did you mean " + fix + "?"
                                                   : "write " + fix;
    switch (line.slip) {
        case LineSlip::kUtf8:
            return "is UTF-8, not Shift_JIS, so it names no folder; as UTF-8 it says \"" + text + "\"" +
                   (line.fix ? ", which would place that folder if saved as Shift_JIS" : "");
        case LineSlip::kLacksCharacter:
            return "holds a character that Shift_JIS lacks, read as \"?\", so it names no folder: write the "
                   "folder's name as it is on disk";
        case LineSlip::kComment:
            return "starts with \"#\", but the order file has no comments: the line orders nothing; delete it, or "
                   "remove it in the editor's check list (its OK keeps it otherwise, after the folders' lines)";
        case LineSlip::kDataFolderPrefix:
            return "starts with the data folder " + Quoted(dataFolder) +
                   ", but lines are paths less the data folder: " +
                   (!line.fix ? "remove it" : line.candidates > 1 ? several : "write " + fix);
        case LineSlip::kLeadingBlank:
            return "starts with a space or a tab, which is compared too, so it names no folder: " +
                   (line.fix ? advice : "remove it");
        case LineSlip::kTrailingBlank:
            return "ends in a space or a tab, which is compared too, so it names no folder" +
                   (line.fix ? ": " + advice : "");
        case LineSlip::kSeparator:
            return "separates folders with \"" + std::string(text.find(u8"￥") != std::string::npos ? "￥" : "/") +
                   "\", but the separator is \"\\\" (shown as the half-width ¥ on Japanese Windows): " +
                   (line.fix ? advice : "write \"\\\" instead");
        case LineSlip::kNoFinalSeparator: return "lacks the \\ that ends the folder's key: write " + fix;
        case LineSlip::kLeadingSeparator:
            return "starts with a \\ that the data folder already ends with: write " + fix;
        case LineSlip::kLetterCase:
            return "differs from " + fix + " in letter case only, and case counts: write " + fix;
        case LineSlip::kNoFolderAsWritten:
            return "\"" + text + "\" names no folder as it stands: " + advice;
        case LineSlip::kShownNames:
            return "\"" + text + "\" is a path of the names Becky! shows, but a line is the folder's path on disk: " +
                   advice;
        case LineSlip::kWithoutParents:
            if (line.candidates > 1) return "\"" + text + "\" lacks the folders above it and " + advice;
            return "\"" + text + "\" lacks the folders above it, but a line is the folder's whole path less the "
                   "data folder: " + advice;
        case LineSlip::kEmptyFirstLine:
            return "is empty, and an empty first line names the data folder itself, which is no folder of the "
                   "tree: it orders nothing, and the editor's next OK leaves it out";
        default:
            return "\"" + text + "\" names no folder of the tree: it orders nothing here, and the editor's OK keeps "
                   "it, after the folders' lines";
    }
}

// The slip for a file saved whole in another encoding, or holding NUL bytes.
bool FileSlip(const OrderCheck& checked, Slip* slip) {
    std::string said;
    if (checked.notText())
        said = "the file holds NUL bytes (UTF-16 without a byte-order mark, or no text), which split its lines and "
               "which the editor's OK refuses: in Notepad, use Save As with the encoding \"ANSI\" (Shift_JIS on "
               "Japanese Windows)";
    else if (checked.encoding() != OrderFileEncoding::kCodePage)
        said = "the file is saved as " +
               std::string(checked.encoding() == OrderFileEncoding::kUtf8 ? "UTF-8"
                                                                          : "UTF-16 (Notepad's \"Unicode\")") +
               ": the plug-in reads it as its text, and the editor's OK saves it as Shift_JIS (\"ANSI\")";
    else
        return false;
    *slip = {static_cast<size_t>(-1), 0, SlipKind::kEncoding, said, ""};
    return true;
}

SlipKind KindOf(LineSlip slip) {
    switch (slip) {
        case LineSlip::kNoFolderAsWritten: return SlipKind::kNoFolderAsWritten;
        case LineSlip::kRepeat: return SlipKind::kRepeat;
        case LineSlip::kUtf8: return SlipKind::kUtf8;
        case LineSlip::kLacksCharacter: return SlipKind::kLacksCharacter;
        case LineSlip::kDataFolderPrefix: return SlipKind::kDataFolderPrefix;
        case LineSlip::kTrailingBlank: return SlipKind::kTrailingBlank;
        case LineSlip::kNoFinalSeparator: return SlipKind::kNoFinalSeparator;
        case LineSlip::kLeadingSeparator: return SlipKind::kLeadingSeparator;
        case LineSlip::kLetterCase: return SlipKind::kLetterCase;
        case LineSlip::kComment: return SlipKind::kComment;
        case LineSlip::kLeadingBlank: return SlipKind::kLeadingBlank;
        case LineSlip::kSeparator: return SlipKind::kSeparator;
        case LineSlip::kShownNames: return SlipKind::kShownNames;
        case LineSlip::kWithoutParents: return SlipKind::kWithoutParents;
        case LineSlip::kUnderMissingFolder: return SlipKind::kUnderMissingFolder;
        default: return SlipKind::kNoFolder;
    }
}

}  // namespace

std::string TextAsShiftJis(const std::string& file, std::string* encoding) {
    const OrderFileEncoding found = EncodingOf(file.data(), static_cast<DWORD>(file.size()));
    *encoding = EncodingName(found);
    if (encoding->empty()) return file;
    PreviewAllocator allocator;
    HostBlock text(static_cast<DWORD>(file.size()) + 1);
    DWORD count = static_cast<DWORD>(file.size());
    CopyMemory(text.get(), file.data(), count);
    return ConvertToCodePage(&text, &count, found) ? std::string(text.get(), count) : file;
}

OrderFileCheck CheckOrderFile(const std::string& file, const std::vector<CheckedFolder>& folders,
                              const std::string& dataFolder) {
    PreviewAllocator allocator;
    std::vector<::CheckedFolder> checked;
    for (const CheckedFolder& folder : folders)
        checked.push_back({folder.key.c_str(), static_cast<DWORD>(folder.key.size()),
                           folder.shownPath.empty() ? nullptr : folder.shownPath.c_str(),
                           static_cast<DWORD>(folder.shownPath.size())});
    OrderCheck run;
    OrderFileCheck check = {{}, 0, "", file};
    if (!run.Run(file.data(), static_cast<DWORD>(file.size()), checked.data(), static_cast<DWORD>(checked.size()),
                 dataFolder.c_str()))
        return check;
    check.placingLines = static_cast<int>(run.placingLines());
    check.encoding = EncodingName(run.encoding());
    check.checkedFile.assign(run.text(), run.textLength());
    // Each line's index among the checked file's lines, by where it starts.
    std::vector<DWORD> starts;
    const std::string& checkedFile = check.checkedFile;
    for (DWORD i = 0; i < checkedFile.size(); ++i) {
        if (!model::EndsLine(checkedFile[i]) && (i == 0 || model::EndsLine(checkedFile[i - 1]))) starts.push_back(i);
    }
    std::map<int, const CheckedLine*> utf8Lines;  // by number
    std::map<std::string, std::vector<int>> groups;  // the lines under each missing path
    for (DWORD i = 0; i < run.count(); ++i) {
        const CheckedLine& line = run.line(i);
        const std::string bytes(run.text() + line.offset, line.length);
        if (line.slip == LineSlip::kUnderMissingFolder) {
            std::vector<int>& group = groups[bytes.substr(0, line.groupLength)];
            group.push_back(static_cast<int>(line.number));
            if (group.size() > 1) continue;
        }
        const bool emptyFirst = !checkedFile.empty() && model::EndsLine(checkedFile[0]);
        const auto start = std::lower_bound(starts.begin(), starts.end(), line.offset);
        const size_t index = line.length == 0 ? 0 : static_cast<size_t>(start - starts.begin()) + emptyFirst;
        const std::string at = "line " + std::to_string(line.number) + ": ";
        Slip slip = {index, static_cast<int>(line.number), KindOf(line.slip), "", ""};
        if (line.slip == LineSlip::kRepeat) {
            slip.text = at + "repeats line " + std::to_string(line.firstNumber) + ", and only the first counts";
            if (utf8Lines.count(static_cast<int>(line.firstNumber)))
                slip.listed = bytes + "   [UTF-8: repeats line " + std::to_string(line.firstNumber) + "]";
        } else {
            const std::string text = line.slip == LineSlip::kUtf8 ? bytes : Utf8(bytes);
            slip.text = at + Words(line, text, dataFolder);
            if (line.slip == LineSlip::kUtf8) {
                utf8Lines[static_cast<int>(line.number)] = &line;
                slip.listed = bytes + "   [UTF-8: names no folder]";
            }
        }
        check.slips.push_back(slip);
    }
    for (Slip& slip : check.slips) {
        if (slip.kind != SlipKind::kUnderMissingFolder) continue;
        const auto group = std::find_if(groups.begin(), groups.end(), [&](const auto& g) {
            return g.second.front() == slip.line;
        });
        const std::vector<int>& numbers = group->second;
        slip.text = "lines " + Ranges(numbers) + " (" + Count(numbers.size(), "line", "lines") + "), all under " +
                    Quoted(group->first) + ", which names no folder: renamed or removed? They order nothing here, "
                    "and the editor's OK keeps them, after the folders' lines";
    }
    Slip fileSlip;
    if (FileSlip(run, &fileSlip)) {
        fileSlip.text += check.slips.empty() ? "; it has no other slip" : "; the slips below remain";
        check.slips.insert(check.slips.begin(), fileSlip);
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
    for (const model::NumberedLine& line : model::NumberedLines(check.encoding.empty() ? file : check.checkedFile))
        listed.push_back(Utf8(line.text));
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
