// An independent, obviously correct model of the order file and of the
// comparison, over std::string, and a seeded generator of order files and
// sibling groups biased toward the bytes that matter.
#pragma once

#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace model {

inline bool EndsLine(char c) { return c == '\r' || c == '\n' || c == '\0'; }

// A line of the file as the module reads it, with the number an editor
// shows for it: CR LF, a lone CR and a lone LF each end an editor's line;
// a NUL splits one into two lines that share its number.
struct NumberedLine {
    int number;
    std::string text;
};

// The file's lines: CR, LF and NUL end lines; runs of them make no empty
// lines, except that a file starting with one has an empty first line.
inline std::vector<NumberedLine> NumberedLines(const std::string& file) {
    std::vector<NumberedLine> lines;
    if (!file.empty() && EndsLine(file[0])) lines.push_back({1, ""});
    int number = 1, currentNumber = 1;
    std::string current;
    for (size_t i = 0; i < file.size(); ++i) {
        const char c = file[i];
        if (!EndsLine(c)) {
            if (current.empty()) currentNumber = number;
            current += c;
            continue;
        }
        if (!current.empty()) lines.push_back({currentNumber, current});
        current.clear();
        if (c == '\n' || (c == '\r' && (i + 1 == file.size() || file[i + 1] != '\n'))) ++number;
    }
    if (!current.empty()) lines.push_back({currentNumber, current});
    return lines;
}

inline std::vector<std::string> Lines(const std::string& file) {
    std::vector<std::string> texts;
    for (const NumberedLine& line : NumberedLines(file)) texts.push_back(line.text);
    return texts;
}

// A folder's key: its path less the data folder, when the path begins with
// it byte for byte.
inline bool KeyOf(const std::string& path, const std::string& dataFolder, std::string* key) {
    if (path.compare(0, dataFolder.size(), dataFolder) != 0) return false;
    *key = path.substr(dataFolder.size());
    return true;
}

// The order file a save writes for keyed folders met in this order: their
// keys, then every other line of the previous file, each once, in its order
// (an empty line orders nothing after the first and is left out).
inline std::string SavedFile(const std::vector<std::string>& keysInTreeOrder, const std::string& previous = "") {
    std::string file;
    for (const std::string& key : keysInTreeOrder) file += key + "\r\n";
    std::set<std::string> written(keysInTreeOrder.begin(), keysInTreeOrder.end());
    for (const std::string& line : Lines(previous)) {
        if (!line.empty() && written.insert(line).second) file += line + "\r\n";
    }
    return file;
}

// Position of the first line equal to `key`, or -1.
inline int Rank(const std::vector<std::string>& lines, const std::string& key) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == key) return static_cast<int>(i);
    }
    return -1;
}

inline int Compare(const std::vector<std::string>& lines, const std::string& a, const std::string& b) {
    int ra = Rank(lines, a), rb = Rank(lines, b);
    if (ra < 0 && rb < 0) return 0;
    if (ra >= 0 && (rb < 0 || ra <= rb)) return -1;
    return 1;
}

// Bytes that make keys: ASCII, a separator, a dot, Shift_JIS lead bytes
// (whose second byte may be a backslash) and a lone lead byte.
inline std::string RandomKey(std::mt19937& random) {
    static const char* const pieces[] = {"A", "B", "AB", "\\", ".", "x", "\x95\x5C", "\x83\x5C",
                                         "\x82\xA0", "\x81", "Inbox", "inbox", "\xE0"};
    std::string key;
    int length = static_cast<int>(random() % 5);
    for (int i = 0; i < length; ++i) key += pieces[random() % (sizeof pieces / sizeof *pieces)];
    return key;
}

struct Case {
    std::vector<std::string> keys;  // distinct sibling keys
    std::string file;
};

inline Case RandomCase(uint32_t seed) {
    std::mt19937 random(seed);
    Case c;
    std::set<std::string> used;
    int siblings = 2 + static_cast<int>(random() % 7);
    while (static_cast<int>(c.keys.size()) < siblings) {
        std::string key = RandomKey(random);
        if (used.insert(key).second) c.keys.push_back(key);
    }
    static const char* const endings[] = {"\r\n", "\n", "\r", "", "\r\n\r\n"};  // "" stands for NUL
    int pieces = static_cast<int>(random() % 12);
    for (int i = 0; i < pieces; ++i) {
        switch (random() % 6) {
            case 0:
            case 1: c.file += c.keys[random() % c.keys.size()]; break;
            case 2: c.file += RandomKey(random); break;
            case 3: c.file += static_cast<char>(random() % 256); break;
            default: {
                int which = static_cast<int>(random() % 5);
                if (which == 3) c.file += '\0';
                else c.file += endings[which];
            }
        }
    }
    return c;
}

// Order-list data as a sort sees it (CR and LF already NUL, up to 300 bytes)
// and two keys to look for, built to hit the scan's hard cases: lines that
// are prefixes, extensions and tails of the keys, equal keys, empty keys and
// empty first lines, Shift_JIS characters whose second byte is a backslash,
// lone lead bytes, NUL runs, and data with no NUL after its last line.
struct ScanCase {
    std::string data;
    std::string firstKey, secondKey;
};

inline std::string RandomLine(std::mt19937& random) {
    static const char* const pieces[] = {"A",    "B",     "AB",   "\\",      "\\Folder", ".",
                                         "x",    "\x95\x5C", "\x83\x5C", "\x82\xA0", "\x81",
                                         "\xE0", "Inbox", "f1",  "f3",      "f9",      "0123456789"};
    std::string line;
    int count = static_cast<int>(random() % 7);
    for (int i = 0; i < count; ++i) line += pieces[random() % (sizeof pieces / sizeof *pieces)];
    if (random() % 8 == 0) line += std::string(random() % 40, 'L');
    return line;
}

inline std::string KeyNear(std::mt19937& random, const std::vector<std::string>& lines) {
    const std::string line = lines.empty() ? RandomLine(random) : lines[random() % lines.size()];
    switch (random() % 7) {
        case 0: return line.substr(0, line.size() ? random() % line.size() : 0);  // a prefix
        case 1: return line + RandomLine(random);                                // an extension
        case 2: return line.substr(line.size() ? random() % line.size() : 0);   // a tail
        case 3: return RandomLine(random);
        case 4: return "";
        default: return line;
    }
}

inline ScanCase RandomScanCase(std::mt19937& random) {
    ScanCase c;
    std::vector<std::string> lines;
    if (random() % 4 == 0) c.data.append(1 + random() % 3, '\0');  // an empty first line
    int count = static_cast<int>(random() % 24);
    for (int i = 0; i < count; ++i) {
        lines.push_back(RandomLine(random));
        c.data += lines.back();
        if (i + 1 < count || random() % 2) c.data.append(1 + random() % 3, '\0');
    }
    if (c.data.size() > 300) c.data.resize(random() % 301);
    c.firstKey = KeyNear(random, lines);
    switch (random() % 8) {
        case 0: c.secondKey = c.firstKey; break;
        case 1:  // a sibling's: the same length, one byte apart
            c.secondKey = c.firstKey;
            if (!c.secondKey.empty()) c.secondKey[random() % c.secondKey.size()] ^= static_cast<char>(1 + random() % 3);
            break;
        default: c.secondKey = KeyNear(random, lines);
    }
    // Keys are C strings: a NUL ends them.
    c.firstKey = c.firstKey.c_str();
    c.secondKey = c.secondKey.c_str();
    return c;
}

// Long order-list data for the vector loops, which need a few turns of 32 to
// 64 bytes to run at all: up to about 120 lines, most of them near misses of
// two path-like keys (one byte off, as siblings are; the key inside a longer
// line, at its end or start; a prefix or an extension; Shift_JIS bytes whose
// second byte is a backslash), with an empty first line now and then, and a
// line equal to a key in about half the cases, anywhere, the last line too.
inline ScanCase RandomLongScanCase(std::mt19937& random) {
    static const char* const names[] = {"Folder", "\x95\x5C", "\x83\x5C\x83\x74\x83\x67", "Inbox", "f"};
    static const char bytes[] = {'0', '1', '7', '9', '\\', '\x95', '\x5C', '.', 'A', 'a'};
    auto number = [&] {
        std::string digits = std::to_string(random() % 100000);
        return std::string(5 - digits.size(), '0') + digits;
    };
    std::string stem;
    for (int i = static_cast<int>(random() % 4); i > 0; --i) stem += names[random() % 5] + number() + "\\";
    ScanCase c;
    c.firstKey = stem + names[random() % 5] + number() + (random() % 4 ? "\\" : "");
    std::string sibling = c.firstKey;
    for (int i = 1 + static_cast<int>(random() % 2); i > 0; --i)
        sibling[random() % sibling.size()] = bytes[random() % sizeof bytes];
    switch (random() % 6) {
        case 0: c.secondKey = c.firstKey; break;
        case 1: c.secondKey = stem + names[random() % 5] + number() + "\\"; break;
        case 2: c.secondKey = RandomLine(random); break;
        default: c.secondKey = sibling;
    }
    const std::string keys[] = {c.firstKey, c.secondKey};
    auto nearMiss = [&]() -> std::string {
        std::string key = keys[random() % 2];
        switch (random() % 8) {
            case 0: return RandomLine(random) + key;  // the key at a longer line's end
            case 1: return key + RandomLine(random);  // an extension
            case 2: return key.substr(0, random() % (key.size() + 1));  // a prefix
            case 3: return key.substr(random() % (key.size() + 1));      // a tail
            case 4: return RandomLine(random);
            default: {  // one or two bytes off
                for (int i = 1 + static_cast<int>(random() % 2); i > 0 && !key.empty(); --i)
                    key[random() % key.size()] = bytes[random() % sizeof bytes];
                return key;
            }
        }
    };
    if (random() % 6 == 0) c.data.append(1 + random() % 3, '\0');
    const int count = 1 + static_cast<int>(random() % 120);
    const int hit = random() % 2 ? static_cast<int>(random() % count) : -1;
    for (int i = 0; i < count; ++i) {
        c.data += i == hit ? keys[random() % 2] : nearMiss();
        if (i + 1 < count || random() % 2) c.data.append(1 + random() % 3, '\0');
    }
    c.firstKey = c.firstKey.c_str();
    c.secondKey = c.secondKey.c_str();
    return c;
}

// Sibling keys of one length as a sort compares them, differing in any mix
// of their last three differing-or-not bytes (the vector scans test those
// three), now and then only in their first bytes or not at all, among up to
// 150 lines that agree with a key in those three bytes but not elsewhere,
// that mix one key's bytes with the other's, or that are one byte off, with
// a line equal to a key (or both keys) anywhere in about two cases of three.
inline ScanCase RandomSiblingScanCase(std::mt19937& random) {
    static const char digits[] = "0123456789";
    auto number = [&](size_t length) {
        std::string text;
        while (text.size() < length) text += digits[random() % 10];
        return text;
    };
    ScanCase c;
    std::string stem;
    for (int i = static_cast<int>(random() % 3); i > 0; --i) stem += "Folder" + number(5) + "\\";
    const std::string tail = random() % 3 ? "\\" : "";
    c.firstKey = stem + (random() % 4 ? "Folder" : "") + number(1 + random() % 5) + tail;
    c.secondKey = c.firstKey;
    // The last digit before the tail, and which of it and the two before differ.
    const size_t last = c.firstKey.size() - tail.size() - 1;
    const unsigned differing = random() % 8 == 0 ? 0u : 1u | static_cast<unsigned>(random() % 4) << 1;
    for (unsigned n = 0; n < 3 && n <= last; ++n) {
        if (differing & (1u << n)) c.secondKey[last - n] = static_cast<char>('0' + (c.secondKey[last - n] - '0' + 1 + random() % 9) % 10);
    }
    if (differing == 0 && random() % 2) c.secondKey[0] = 'G';  // a difference in the first byte only
    const std::string keys[] = {c.firstKey, c.secondKey};
    auto nearMiss = [&]() -> std::string {
        std::string line = keys[random() % 2];
        const std::string& other = keys[random() % 2];
        switch (random() % 5) {
            case 0:  // the other key's byte at one of the last three
                if (last >= 2) line[last - random() % 3] = other[last - random() % 3];
                return line;
            case 1:  // a byte off before the last three
                if (last > 2) line[random() % (last - 2)] ^= 1;
                return line;
            case 2: return line + number(1);                       // longer
            case 3: return line.substr(0, line.size() - 1);        // shorter
            default: return stem + "Folder" + number(5) + tail;  // another sibling
        }
    };
    if (random() % 6 == 0) c.data.append(1 + random() % 3, '\0');
    const int count = 1 + static_cast<int>(random() % 150);
    const int hit = random() % 3 ? static_cast<int>(random() % count) : -1;
    const int otherHit = random() % 3 ? static_cast<int>(random() % count) : -1;
    for (int i = 0; i < count; ++i) {
        c.data += i == hit ? keys[0] : i == otherHit ? keys[1] : nearMiss();
        if (i + 1 < count || random() % 2) c.data.append(1 + random() % 3, '\0');
    }
    return c;
}

inline int ExpectedScan(const ScanCase& c) { return Compare(Lines(c.data), c.firstKey, c.secondKey); }

}  // namespace model

