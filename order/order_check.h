// Which lines of the order file order nothing, and why: what a person who
// writes the file by hand gets wrong (a blank, "/" for "\", a full path,
// the names the host shows), and the lines of folders long gone. The sort
// compares bytes and says nothing; this is for the person, in the editor's
// list and in the preview, which word it each in their own way.
#pragma once

#include "order/order_text.h"
#include "order/text_table.h"
#include "order/text_block.h"

// Why a line names no folder, the first that applies.
enum class LineSlip : BYTE {
    kNoFolder,            // names no folder of the tree: renamed or removed?
    kNoFolderAsWritten,   // names none as written, but one once its surface is mended
    kRepeat,              // repeats an earlier line: only the first counts
    kUtf8,                // a line in UTF-8 among Shift_JIS ones
    kLacksCharacter,      // a character the code page lacks, read as "?"
    kDataFolderPrefix,    // a full path: starts with the data folder
    kTrailingBlank,       // ends in a space or a tab
    kNoFinalSeparator,    // lacks the "\" that ends every key
    kLeadingSeparator,    // starts with a "\" the data folder already ends with
    kLetterCase,          // differs from a folder's key in ASCII letter case only
    kComment,             // starts with "#": the file has no comments
    kLeadingBlank,        // starts with a space or a tab
    kSeparator,           // separates folders with a full-width yen sign or a "/"
    kShownNames,          // a path of the names the host shows, not of folders on disk
    kWithoutParents,      // the end of a folder's path, without the folders above it
    kUnderMissingFolder,  // one of several lines under one path that names no folder
    kEmptyFirstLine,      // an empty first line: it names the data folder itself
};

// A folder as the check knows it, in the code page of the host's paths:
// its key, and the path of the names the host shows for it ending in "\"
// (null when unknown). A line's fix points at a key, which must outlive the
// check; the shown paths are read only while it runs.
struct CheckedFolder {
    const char* key;
    DWORD keyLength;
    const char* shown;
    DWORD shownLength;
};

struct CheckedLine {
    DWORD number;  // as a text editor numbers the file's lines, from 1
    DWORD offset;  // of the line in OrderCheck::text()
    DWORD length;
    LineSlip slip;
    // The line meant: a folder's key when `fixNamesFolder`, else what to
    // write (part of the line). Null when the check knows of none.
    bool fixNamesFolder;
    bool fixGuessed;  // found by the names shown or the path's end: the user is asked
    const char* fix;
    DWORD fixLength;
    DWORD candidates;   // kWithoutParents: the folders the line could mean, `fix` one of them
    DWORD firstNumber;  // kRepeat: the line it repeats
    DWORD repeats;      // any other: how many later lines repeat it
    DWORD groupLength;  // kUnderMissingFolder: the line's first bytes that name no folder,
    DWORD groupCount;   // and how many lines lie under them
};

class OrderCheck {
public:
    OrderCheck() = default;
    OrderCheck(const OrderCheck&) = delete;
    OrderCheck& operator=(const OrderCheck&) = delete;

    // Checks the order file's bytes as stored (`count` of them) against
    // the tree's folders; `dataFolder` ends in "\". A file saved as UTF-8
    // or UTF-16 is checked as its text in the code page, as the sort reads
    // it. False when the host had no memory for the work.
    bool Run(const char* bytes, DWORD count, const CheckedFolder* folders, DWORD folderCount,
             const char* dataFolder);

    OrderFileEncoding encoding() const { return encoding_; }
    // NUL bytes without a byte-order mark: UTF-16 without one, or no text,
    // which the sort reads split at every NUL and the editor's OK refuses.
    bool notText() const { return notText_; }
    // The checked text: the file's, or its conversion.
    const char* text() const { return text_.get(); }

    // The lines that order nothing, in the file's order; a repeat of any
    // line is one too.
    DWORD count() const { return count_; }
    const CheckedLine& line(DWORD index) const { return reinterpret_cast<const CheckedLine*>(lines_.get())[index]; }
    // Lines that name no folder, each text once (no repeat, no empty line).
    DWORD unplacedLines() const { return unplaced_; }
    // Lines that place a folder.
    DWORD placingLines() const { return placing_; }
    // The number of the first line that is `text`, or 0.
    DWORD NumberOf(const char* text, DWORD length) const;
    // The bytes of text().
    DWORD textLength() const { return textLength_; }

private:
    TextBlock text_;
    DWORD textLength_ = 0;
    TextBlock lines_;
    // Each line's text, with the number of its first line (value) and the
    // index of its entry in lines_ (last; kNamesFolder for a placing line).
    TextTable seen_;
    DWORD count_ = 0;
    DWORD unplaced_ = 0;
    DWORD placing_ = 0;
    OrderFileEncoding encoding_ = OrderFileEncoding::kCodePage;
    bool notText_ = false;
};
