// The check: any order file against any tree of folders. Every line the
// model reads from the checked text is either a first line naming a folder
// (then no finding) or a finding of its own, in the file's order, with the
// model's line number; a repeat points at its first line; every fix that
// names a folder names one of this tree (the one the slip says, where it
// says one), and every other fix is part of the line. Run with code page
// 932 and with UTF-8.
//
// Input: the folders, one a line, each its key and, after a tab, the path
// of the names the host shows; 0x1E; the data folder; 0x1E; the file.
#include <cctype>
#include <map>

#include "model/order_model.h"
#include "order/order_check.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

struct Folders {
    std::vector<std::string> keys, shown;
    std::vector<CheckedFolder> checked;

    explicit Folders(const std::string& section) {
        for (const std::string& line : fuzz::Texts(section)) {
            const size_t tab = line.find('\t');
            keys.push_back(line.substr(0, tab));
            shown.push_back(tab == std::string::npos ? "" : line.substr(tab + 1));
        }
        for (size_t i = 0; i < keys.size(); ++i) {
            const char* shownPath = shown[i].empty() ? nullptr : shown[i].c_str();
            checked.push_back({keys[i].c_str(), static_cast<DWORD>(keys[i].size()), shownPath,
                               static_cast<DWORD>(shown[i].size())});
        }
    }
    bool Names(const std::string& text) const {
        for (const std::string& key : keys) {
            if (key == text) return true;
        }
        return false;
    }
    bool IsKey(const char* fix, DWORD length) const {
        for (const CheckedFolder& folder : checked) {
            if (folder.key == fix && folder.keyLength == length) return true;
        }
        return false;
    }
};

// A's and b's bytes alike but for the case of ASCII letters, the second
// byte of a double-byte character exactly.
bool SameButLetterCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (IsLeadByte(static_cast<BYTE>(a[i])) && i + 1 < a.size()) {
            if (a.compare(i, 2, b, i, 2) != 0) return false;
            ++i;
        } else if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// The folder a slip of the line's surface means, where it means one.
void CheckFixOfSlip(const CheckedLine& checked, const std::string& line, const std::string& file) {
    const std::string fix = checked.fix ? std::string(checked.fix, checked.fixLength) : "";
    switch (checked.slip) {
        case LineSlip::kNoFinalSeparator:
            return fuzz::Expect(fix == line + "\\", "the fix of a missing last separator adds it", file);
        case LineSlip::kLeadingSeparator:
            return fuzz::Expect(fix == line.substr(1), "the fix of a first separator drops it", file);
        case LineSlip::kLetterCase:
            return fuzz::Expect(SameButLetterCase(fix, line), "the fix of a letter case is the line's folder", file);
        default: return;
    }
}

// The findings as text, to compare two runs.
std::string Digest(const OrderCheck& check) {
    std::string digest = std::to_string(check.placingLines()) + " " + std::to_string(check.unplacedLines());
    for (DWORD i = 0; i < check.count(); ++i) {
        const CheckedLine& line = check.line(i);
        digest += "\n" + std::to_string(line.number) + " " + std::to_string(static_cast<int>(line.slip)) + " " +
                  std::to_string(line.repeats) + " " + std::to_string(line.groupCount) + " " +
                  std::string(check.text() + line.offset, line.length) + " > " +
                  (line.fix ? std::string(line.fix, line.fixLength) : "");
    }
    return digest;
}

void CheckFindings(const OrderCheck& check, const Folders& folders, const std::string& file) {
    const std::string text(check.text(), check.textLength());
    std::map<std::string, int> firstNumbers;
    DWORD finding = 0, placing = 0, unplaced = 0;
    for (const model::NumberedLine& line : model::NumberedLines(text)) {
        const bool first = firstNumbers.emplace(line.text, line.number).second;
        if (first && folders.Names(line.text)) {
            ++placing;
            continue;
        }
        fuzz::Expect(finding < check.count(), "each line that places no folder is a finding", file);
        const CheckedLine& checked = check.line(finding++);
        fuzz::Expect(static_cast<int>(checked.number) == line.number, "a finding has the model's number", file);
        fuzz::Expect(text.compare(checked.offset, checked.length, line.text) == 0 &&
                         checked.length == line.text.size(),
                     "a finding is the model's line", file);
        fuzz::Expect((checked.slip == LineSlip::kRepeat) == !first, "a repeat is told as one, only", file);
        if (!first) {
            fuzz::Expect(static_cast<int>(checked.firstNumber) == firstNumbers[line.text],
                         "a repeat points at its first line", file);
        } else if (!line.text.empty()) {
            ++unplaced;
        }
        CheckFixOfSlip(checked, line.text, file);
        if (checked.fixNamesFolder) {
            fuzz::Expect(folders.IsKey(checked.fix, checked.fixLength), "a fix names a folder of the tree", file);
        } else if (checked.fix) {
            fuzz::Expect(checked.fix >= check.text() + checked.offset &&
                             checked.fix + checked.fixLength <= check.text() + checked.offset + checked.length,
                         "a fix that names no folder is part of its line", file);
        }
        if (checked.slip == LineSlip::kUnderMissingFolder)
            fuzz::Expect(checked.groupCount >= 3 && checked.groupLength <= checked.length,
                         "a group under a missing folder has its lines", file);
        fuzz::Expect(static_cast<int>(check.NumberOf(text.data() + checked.offset, checked.length)) ==
                         firstNumbers[line.text],
                     "a text's number is its first line's", file);
    }
    fuzz::Expect(finding == check.count(), "no finding but the model's lines", file);
    fuzz::Expect(check.placingLines() == placing && check.unplacedLines() == unplaced, "the counts add up", file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> sections = fuzz::Sections(data, size, 3);
    const Folders folders(sections[0]);
    const std::vector<std::string> dataFolders = fuzz::Texts(sections[1]);
    std::string dataFolder = dataFolders.empty() ? "C:\\Becky!\\user\\" : dataFolders[0];
    if (dataFolder.back() != '\\') dataFolder += '\\';
    const std::string& file = sections[2];
    const auto run = [&](OrderCheck* check) {
        return check->Run(file.data(), static_cast<DWORD>(file.size()), folders.checked.data(),
                          static_cast<DWORD>(folders.checked.size()), dataFolder.c_str());
    };
    for (bool utf8 : {false, true}) {
        native::UseUtf8CodePage(utf8);
        OrderCheck check;
        fuzz::Expect(run(&check), "any file is checked", file);
        CheckFindings(check, folders, file);
        // A second run of the same check starts afresh.
        fuzz::Expect(run(&check), "a check runs again", file);
        CheckFindings(check, folders, file);
        fuzz::WithEachAllocationFailing([&] {
            OrderCheck failing;
            const bool succeeded = run(&failing);
            return fuzz::Outcome{succeeded, succeeded ? Digest(failing) : ""};
        });
    }
    native::UseUtf8CodePage(false);
    return 0;
}
