// What a person who writes an order file by hand gets wrong, told line by
// line in English: the module's check of the order file, worded for the
// preview, before the file goes to Becky!.
#pragma once

#include <string>
#include <vector>

namespace preview {

enum class SlipKind {
    kNoFolder,          // names no folder of the tree
    kNoFolderAsWritten,  // names no folder as written, but one folder with a fix
    kRepeat,            // repeats an earlier line
    kUtf8,              // saved as UTF-8, not Shift_JIS
    kLacksCharacter,    // a character Shift_JIS lacks
    kDataFolderPrefix,  // a full path: starts with the data folder
    kTrailingBlank,     // ends in a space or a tab
    kNoFinalSeparator,  // lacks the "\" that ends every key
    kLeadingSeparator,  // starts with a "\" the data folder already ends with
    kLetterCase,        // differs from a folder's key in letter case only
    kComment,           // starts with "#": the file has no comments
    kLeadingBlank,      // starts with a space or a tab
    kSeparator,         // separates folders with a full-width yen sign or a "/"
    kShownNames,        // a path of the names the host shows, not of folders on disk
    kWithoutParents,    // a folder's name, or the end of its path, without the folders above it
    kEncoding,          // the whole file is UTF-8 or UTF-16, or holds NUL bytes: one slip for the file
    kUnderMissingFolder,  // many lines under one path that names no folder: one slip for them all
};

struct Slip {
    size_t index;  // among the checked file's lines as model::NumberedLines gives them
    int line;      // as an editor numbers the file's lines; 0 for the whole file
    SlipKind kind;
    std::string text;    // "line 4: ...", UTF-8
    std::string listed;  // for a UTF-8 line, or a repeat of one, how a listing shows it
};

struct OrderFileCheck {
    std::vector<Slip> slips;
    int placingLines;  // lines that place a folder
    // A file saved whole as UTF-8 or UTF-16 is named once ("UTF-8",
    // "UTF-16"), and its lines are checked as the module reads them, in
    // Shift_JIS: `checkedFile` holds those bytes (otherwise the file as it is).
    std::string encoding;
    std::string checkedFile;
};

// The file's text as Shift_JIS, when it is saved whole as UTF-8 or UTF-16
// (named in `encoding`); else the file as it is, and `encoding` empty.
std::string TextAsShiftJis(const std::string& file, std::string* encoding);

// A folder of the tree as the check knows it, in code page 932 as the
// host's paths are: its key, and the path of the names the host shows for
// it, each followed by "" (empty when unknown).
struct CheckedFolder {
    std::string key;
    std::string shownPath;
};

// Checks `file` (the order file's bytes) against the tree's folders.
OrderFileCheck CheckOrderFile(const std::string& file, const std::vector<CheckedFolder>& folders,
                              const std::string& dataFolder);
// The same, for folders known by their keys alone.
OrderFileCheck CheckOrderFile(const std::string& file, const std::vector<std::string>& keys,
                              const std::string& dataFolder);

// What the editor's OK would write without any move, for the tree's keyed
// folders in the tree's order, compared with the current file: its lines of
// those folders kept, the folders added, its lines naming no folder of the
// tree carried over after them, and its repeats dropped.
struct SavePreview {
    std::string file;
    int kept, added, carried, dropped;
};
SavePreview PreviewSave(const std::string& currentFile, const std::vector<std::string>& keysInTreeOrder);

// The checked file's lines as a listing shows them, UTF-8 and without their
// numbers: decoded as Shift_JIS, as the module reads them, but a line the
// check reads as UTF-8 (or UTF-16) shown as it says it, with a tag in brackets.
std::vector<std::string> ListedLines(const std::string& file, const OrderFileCheck& check);

// "20,000": a count with its thousands set apart.
std::string Thousands(size_t count);

// Shift_JIS text with its ASCII letters in lower case, and nothing else
// changed: how Windows tells two file names apart, as far as it matters here.
std::string AsciiLower(std::string sjis);

// "1 line", "20,000 lines": a count with its noun, singular or plural.
std::string Count(size_t count, const std::string& singular, const std::string& plural);

}  // namespace preview
