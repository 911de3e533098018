#include "demo/preview/tree_file.h"

#include <map>
#include <sstream>

#include "demo/preview/order_check.h"
#include "standin/host.h"

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

struct Placed {
    std::string name;  // UTF-8, as the tree file has it
    int line;
};

// The folders met so far that a new folder could clash with: for each level,
// the latest folder there, parent to what follows, and its siblings. Names
// are compared as Windows compares folder names, in Shift_JIS (as the host
// holds them) and regardless of ASCII letter case, so that "Inbox" and
// "INBOX", or two names the conversion makes one (both with a character code
// page 932 lacks, say), count as the same name.
class Siblings {
public:
    // The earlier sibling of that name, or null; `name` joins the siblings.
    const Placed* Add(int depth, const std::string& name, int line) {
        const size_t level = static_cast<size_t>(depth);
        latest_.resize(level);
        children_.resize(level + 1);
        auto added = children_[level].emplace(AsciiLower(standin::Sjis(name)), Placed{name, line});
        latest_.push_back({name, line});
        return added.second ? nullptr : &added.first->second;
    }

    // The folder that holds the level, or null at the top.
    const Placed* Parent(int depth) const { return depth ? &latest_[static_cast<size_t>(depth) - 1] : nullptr; }

private:
    std::vector<Placed> latest_;                            // by level
    std::vector<std::map<std::string, Placed>> children_;  // by level, by name as Windows compares it
};

std::string DuplicateName(const std::string& name, const Placed& first, const Placed* parent) {
    std::string message = "\"" + name + "\" is already a " +
                          (parent ? "folder of \"" + parent->name + "\"" : std::string("top-level folder")) +
                          " at line " + std::to_string(first.line) + "; " +
                          (parent ? "a folder cannot hold" : "the tree cannot have") + " two of one name";
    if (standin::Sjis(first.name) != standin::Sjis(name))
        message += " (\"" + first.name + "\" differs in letter case only, which Windows does not tell apart)";
    else if (first.name != name)
        message += " (in Shift_JIS, as Becky! has them, both are \"" + standin::Utf8(standin::Sjis(name)) + "\")";
    return message;
}

}  // namespace

bool ParseTreeFile(const std::string& fileName, const std::string& text,
                   std::vector<TreeFileFolder>* folders, std::string* error) {
    folders->clear();
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    int previousDepth = -1;
    Siblings siblings;
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
        if (const Placed* first = siblings.Add(depth, folder.name, lineNumber))
            return fail(DuplicateName(folder.name, *first, siblings.Parent(depth)));
        folders->push_back(folder);
        previousDepth = depth;
    }
    if (folders->empty()) {
        *error = fileName + ": no folders";
        return false;
    }
    return true;
}

}  // namespace preview
