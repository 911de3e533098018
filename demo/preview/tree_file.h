// Reads a folder tree written as text, for the demo: one folder a line, two
// spaces of indent for each level below a mailbox. A folder's full path is
// its parent's path (for a mailbox, the data folder), its name and "\".
// "name = name on disk" gives the folder on disk where it differs from the
// name shown, as Becky! has it for mailboxes ("4b3c1a2e.mb") and for its own
// folders ("!!!!Inbox"); "name = full path" (from a drive or a "\\" share
// on) gives the path whole, e.g. for a folder outside the data folder. Blank
// lines and lines starting with "#" are skipped. "+ " before a name shows
// that folder's group collapsed, as the "+" button a closed group shows;
// every other group is expanded. UTF-8. Two folders of one name in one
// place are refused, as Becky! has none.
#pragma once

#include <string>
#include <vector>

namespace preview {

struct TreeFileFolder {
    int depth;
    std::string name;      // UTF-8
    std::string fullPath;  // UTF-8; empty: derived from the parent
    std::string diskName;  // UTF-8, without "\"; empty: the name
    bool collapsed = false;  // its subfolders hidden ("+ " before the name)
};

// Parses `text`; on bad input answers false with `error` set to one line
// naming the file and the line.
bool ParseTreeFile(const std::string& fileName, const std::string& text,
                   std::vector<TreeFileFolder>* folders, std::string* error);

// Reads a real folder tree, such as a copy of Becky!'s data folder: the
// subfolders of `folder` (a Windows path in code page 932), recursively,
// each shown by its name and with its path on disk as its full path, in
// name order. On failure answers false with `error` set to one line.
bool ReadFolderTree(const std::string& folder, std::vector<TreeFileFolder>* folders, std::string* error);

}  // namespace preview
