#include "demo/preview/tree_file.h"

#include <windows.h>

#include <algorithm>

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
        if (rest.compare(0, 2, "+ ") == 0) {
            folder.collapsed = true;
            size_t name = rest.find_first_not_of(' ', 1);
            if (name == std::string::npos) return fail("a folder name must follow \"+ \"");
            rest.erase(0, name);
        }
        size_t equals = rest.find(" = ");
        folder.name = rest.substr(0, equals);
        if (equals != std::string::npos) {
            std::string path = rest.substr(equals + 3);
            if (path.empty()) return fail("the path after \" = \" is empty");
            const bool whole = path.compare(0, 2, "\\\\") == 0 || (path.size() > 2 && path.compare(1, 2, ":\\") == 0);
            if (whole) {
                folder.fullPath = path;
            } else {
                if (path.back() == '\\') path.pop_back();
                if (path.empty() || path.find('\\') != std::string::npos)
                    return fail("after \" = \" comes the folder's name on disk, without \"\\\", or a full path from "
                                "its drive on (C:\\...)");
                folder.diskName = path;
            }
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

namespace {

std::wstring WideFromAnsi(const std::string& ansi) {
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    if (length > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], length);
    return wide;
}

std::string Utf8FromWide(const std::wstring& wide) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0], length, nullptr,
                            nullptr);
    return utf8;
}

// The name in code page 932, as Becky! would hold it; false when a
// character of it has no place there.
bool ShiftJisName(const std::wstring& name, std::string* sjis) {
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, name.data(), static_cast<int>(name.size()),
                                           nullptr, 0, nullptr, &lossy);
    sjis->assign(static_cast<size_t>(length), '\0');
    if (length > 0)
        WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, name.data(), static_cast<int>(name.size()), &(*sjis)[0],
                            length, nullptr, &lossy);
    return !lossy;
}

// The subfolders of `path` (ending in "\"), in code page 932, in name order:
// ASCII letter case aside first, as Windows lists them, then byte for byte.
bool Subfolders(const std::string& path, std::vector<std::string>* names, std::string* error) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((WideFromAnsi(path) + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) return true;
        // Shown empty, its folders' lines would read as renamed or removed.
        *error = standin::Utf8(path) + ": this folder cannot be read (Windows error " +
                 std::to_string(GetLastError()) + "); copy it so that it can be, or leave it out of the copy";
        return false;
    }
    do {
        const std::wstring name = found.cFileName;
        // A link to a folder could lead back up the tree: the host's data folder has none.
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || name == L"." || name == L"..")
            continue;
        std::string sjis;
        if (!ShiftJisName(name, &sjis)) {
            *error = standin::Utf8(path) + Utf8FromWide(name) +
                     ": the folder's name holds a character that code page 932 has not, so Becky! could not use "
                     "it; rename it or leave it out of the copy";
            FindClose(search);
            return false;
        }
        names->push_back(sjis);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names->begin(), names->end(), [](const std::string& a, const std::string& b) {
        const std::string lowerA = AsciiLower(a), lowerB = AsciiLower(b);
        return lowerA != lowerB ? lowerA < lowerB : a < b;
    });
    return true;
}

bool AddSubfolders(const std::string& path, int depth, std::vector<TreeFileFolder>* folders, std::string* error) {
    std::vector<std::string> names;
    if (!Subfolders(path, &names, error)) return false;
    for (const std::string& name : names) {
        const std::string folderPath = path + name + "\\";
        folders->push_back({depth, standin::Utf8(name), standin::Utf8(folderPath), ""});
        if (!AddSubfolders(folderPath, depth + 1, folders, error)) return false;
    }
    return true;
}

}  // namespace

bool ReadFolderTree(const std::string& folder, std::vector<TreeFileFolder>* folders, std::string* error) {
    folders->clear();
    // A last 0x5C may be the second byte of a name's last character: only a
    // drive's root ("Z:\\") already ends in its separator.
    const bool root = folder.size() == 3 && folder.compare(1, 2, ":\\") == 0;
    const std::string path = root ? folder : folder + "\\";
    if (!AddSubfolders(path, 0, folders, error)) return false;
    if (folders->empty()) {
        *error = standin::Utf8(folder) + ": no folders in it";
        return false;
    }
    return true;
}

}  // namespace preview
