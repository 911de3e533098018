#include "demo/preview/tree_file.h"

#include <sstream>

namespace preview {

namespace {
bool ValidUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
        }
        i += length;
    }
    return true;
}
}  // namespace

bool ParseTreeFile(const std::string& fileName, const std::string& text,
                   std::vector<TreeFileFolder>* folders, std::string* error) {
    folders->clear();
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    int previousDepth = -1;
    auto fail = [&](const std::string& why) {
        *error = fileName + ":" + std::to_string(lineNumber) + ": " + why;
        return false;
    };
    while (std::getline(lines, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (lineNumber == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        size_t indent = line.find_first_not_of(' ');
        if (indent == std::string::npos || line[indent] == '#') continue;
        if (!ValidUtf8(line)) return fail("not UTF-8 text");
        if (line.find('\t') != std::string::npos) return fail("tabs are not allowed; indent with two spaces");
        if (indent % 2 != 0) return fail("indent with two spaces a level (found " + std::to_string(indent) + ")");
        int depth = static_cast<int>(indent / 2);
        if (depth > previousDepth + 1)
            return fail(previousDepth < 0 ? "the first folder must not be indented"
                                          : "indented more than one level below the folder above");
        TreeFileFolder folder;
        folder.depth = depth;
        std::string rest = line.substr(indent);
        size_t equals = rest.find(" = ");
        folder.name = rest.substr(0, equals);
        if (equals != std::string::npos) {
            folder.fullPath = rest.substr(equals + 3);
            if (folder.fullPath.empty()) return fail("the path after \" = \" is empty");
        }
        while (folder.name.back() == ' ') folder.name.pop_back();  // never empty: it starts with no space
        if (folder.name.find('\\') != std::string::npos)
            return fail("a folder name may not hold \"\\\"; nest folders by indenting");
        folders->push_back(folder);
        previousDepth = depth;
    }
    if (folders->empty()) {
        lineNumber = 0;
        return fail("no folders");
    }
    return true;
}

}  // namespace preview
