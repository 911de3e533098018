// The rename rewrite as the model sees it, over std::string: a line is a
// folder's or under it when it is the key or continues it at a separator,
// Shift_JIS aware (a 0x5C after a lead byte is no separator).
#pragma once

#include <string>
#include <vector>

namespace fuzz {

inline bool IsShiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Whether the key's last character is a single-byte "\".
inline bool EndsWithSeparator(const std::string& key) {
    bool last = false;
    for (size_t i = 0; i < key.size(); ++i) {
        last = false;
        if (IsShiftJisLead(static_cast<unsigned char>(key[i])))
            ++i;
        else
            last = key[i] == '\\';
    }
    return last;
}

// A folder key as the host gives one: whole characters, ending in "\".
inline std::string AsKey(std::string text) {
    size_t whole = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsShiftJisLead(static_cast<unsigned char>(text[i]))) ++i;
        if (i < text.size()) whole = i + 1;
    }
    text.resize(whole);
    if (!EndsWithSeparator(text)) text += '\\';
    return text;
}

inline bool Under(const std::string& line, const std::string& key) {
    return line.compare(0, key.size(), key) == 0 && line.size() >= key.size() &&
           (line.size() == key.size() || line[key.size()] == '\\' || EndsWithSeparator(key));
}

// The file's lines, each with its line end (a CR or an LF each end one).
inline std::vector<std::string> RawLines(const std::string& file) {
    std::vector<std::string> lines(1);
    for (char c : file) {
        lines.back() += c;
        if (c == '\r' || c == '\n') lines.emplace_back();
    }
    return lines;
}

inline std::string WithoutLineEnd(const std::string& line) {
    return !line.empty() && (line.back() == '\r' || line.back() == '\n') ? line.substr(0, line.size() - 1) : line;
}

inline bool AnyUnder(const std::string& file, const std::string& key) {
    for (const std::string& line : RawLines(file)) {
        if (Under(WithoutLineEnd(line), key)) return true;
    }
    return false;
}

inline std::string Renamed(const std::string& file, const std::string& from, const std::string& to) {
    std::string out;
    for (const std::string& line : RawLines(file))
        out += Under(WithoutLineEnd(line), from) ? to + line.substr(from.size()) : line;
    return out;
}

}  // namespace fuzz
