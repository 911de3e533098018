// Reads a folder tree written as text, for the demo: one folder a line, two
// spaces of indent for each level below a mailbox. A folder's full path is
// its parent's path (for a mailbox, the data folder), its name and "\".
// "name = full path" gives the path explicitly, e.g. for a folder outside the
// data folder. Blank lines and lines starting with "#" are skipped. UTF-8.
// Two folders of one name in one place are refused, as Becky! has none.
#pragma once

#include <string>
#include <vector>

namespace preview {

struct TreeFileFolder {
    int depth;
    std::string name;      // UTF-8
    std::string fullPath;  // UTF-8; empty: derived from the parent
};

// Parses `text`; on bad input answers false with `error` set to one line
// naming the file and the line.
bool ParseTreeFile(const std::string& fileName, const std::string& text,
                   std::vector<TreeFileFolder>* folders, std::string* error);

}  // namespace preview
