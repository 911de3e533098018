// What a person who writes an order file by hand gets wrong, told line by
// line: the preview's check. The module itself compares bytes and says
// nothing; this is for the person, before the file goes to Becky!.
#pragma once

#include <string>
#include <vector>

namespace preview {

enum class SlipKind {
    kNoFolder,          // names no folder of the tree
    kRepeat,            // repeats an earlier line
    kUtf8,              // saved as UTF-8, not Shift_JIS
    kDataFolderPrefix,  // a full path: starts with the data folder
    kTrailingBlank,     // ends in a space or a tab
    kNoFinalSeparator,  // lacks the "\" that ends every key
    kLeadingSeparator,  // starts with a "\" the data folder already ends with
    kLetterCase,        // differs from a folder's key in letter case only
};

struct Slip {
    size_t index;  // among the file's lines as model::NumberedLines gives them
    int line;      // as an editor numbers the file's lines
    SlipKind kind;
    std::string text;    // "line 4: ...", UTF-8
    std::string listed;  // for a UTF-8 line, or a repeat of one, how a listing shows it
};

struct OrderFileCheck {
    std::vector<Slip> slips;
    int placingLines;  // lines that place a folder
};

// Checks `file` (the order file's bytes) against the keys of the tree's
// folders (code page 932, as the host's paths are).
OrderFileCheck CheckOrderFile(const std::string& file, const std::vector<std::string>& keys,
                              const std::string& dataFolder);

// What the editor's OK would write without any move, for the tree's keyed
// folders in the tree's order, compared with the current file.
struct SavePreview {
    std::string file;
    int kept, added, dropped;
};
SavePreview PreviewSave(const std::string& currentFile, const std::vector<std::string>& keysInTreeOrder);

// The file's lines as a listing shows them, UTF-8 and without their numbers:
// decoded as Shift_JIS, as the module reads them, but a line the check reads
// as UTF-8 shown as it says it, with a tag in brackets.
std::vector<std::string> ListedLines(const std::string& file, const OrderFileCheck& check);

// "20,000": a count with its thousands set apart.
std::string Thousands(size_t count);

// Shift_JIS text with its ASCII letters in lower case, and nothing else
// changed: how Windows tells two file names apart, as far as it matters here.
std::string AsciiLower(std::string sjis);

// "1 line", "20,000 lines": a count with its noun, singular or plural.
std::string Count(size_t count, const std::string& singular, const std::string& plural);

}  // namespace preview
