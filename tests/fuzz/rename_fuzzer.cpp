// The rename rewrite: any order file and a rename of a folder. Only the
// lines of the renamed folder and of the folders under it change, each
// beginning with the new key; every other byte, line ends included, stays.
// Where no line had the new key, renaming back gives the file byte for
// byte. The renames waiting for the file apply the same way, and only where
// the file can take them. And the rename told from the tree's keys before
// and after, when one is told, turns the keys before into those after; a
// folder given a new name beside it is always told.
//
// Input: the old key and the new one, a line each; 0x1E; the tree's keys
// before the rename, one a line; 0x1E; the file.
#include <set>

#include "order/folder_renames.h"
#include "order/key_list.h"
#include "order/pending_renames.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/rename_test_model.h"

namespace {

FolderRename AsRename(const std::string& from, const std::string& to) {
    return {from.data(), static_cast<DWORD>(from.size()), to.data(), static_cast<DWORD>(to.size())};
}

std::string Rewritten(const std::string& file, const FolderRename& rename) {
    const DWORD count = static_cast<DWORD>(file.size());
    const DWORD bytes = RenamedFileBytes(file.data(), count, rename);
    std::vector<char> out(bytes);
    WriteRenamedFile(file.data(), count, rename, out.data());
    return std::string(out.begin(), out.end());
}

void CheckRewrite(const std::string& file, const std::string& from, const std::string& to) {
    const DWORD count = static_cast<DWORD>(file.size());
    const FolderRename rename = AsRename(from, to);
    const std::string detail = from + " > " + to + " | " + file;
    fuzz::Expect(AnyLineUnder(file.data(), count, from.data(), rename.fromLength) == fuzz::AnyUnder(file, from),
                 "a line under a key is told as the model tells it", detail);
    const std::string renamed = Rewritten(file, rename);
    fuzz::Expect(renamed == fuzz::Renamed(file, from, to), "only the renamed folder's lines change", detail);
    if (!fuzz::AnyUnder(file, to))
        fuzz::Expect(Rewritten(renamed, AsRename(to, from)) == file, "renaming back gives the file", detail);
}

// The renames waiting for the file, as every read applies them.
void CheckPending(const std::string& file, const std::string& from, const std::string& to) {
    QueuePendingRename(AsRename(from, to));
    QueuePendingRename(AsRename(to, from));
    DWORD count = static_cast<DWORD>(file.size());
    TextBlock bytes(count ? count : 1);
    std::memcpy(bytes.get(), file.data(), count);
    const int applied = ApplyPendingRenames(&bytes, &count);
    std::string expected = file;
    int expectedApplied = 0;
    for (const auto& rename : {std::make_pair(from, to), std::make_pair(to, from)}) {
        if (file.find('\0') != std::string::npos || fuzz::AnyUnder(expected, rename.second) ||
            !fuzz::AnyUnder(expected, rename.first))
            continue;
        expected = fuzz::Renamed(expected, rename.first, rename.second);
        ++expectedApplied;
    }
    fuzz::Expect(applied == expectedApplied && std::string(bytes.get(), count) == expected,
                 "a waiting rename applies where the file can take it", from + " > " + to + " | " + file);
    const DWORD generation = PendingRenamesGeneration();
    ForgetFirstPendingRenames(1, generation);
    fuzz::Expect(PendingRenameCount() == 1, "the first waiting rename is forgotten");
    ForgetPendingRenames();
    fuzz::WithEachAllocationFailing([&] {
        QueuePendingRename(AsRename(from, to));
        fuzz::Outcome outcome = {false, ""};
        DWORD failingCount = static_cast<DWORD>(file.size());
        TextBlock failing(failingCount + 1);
        if (PendingRenameCount() == 1 && failing) {
            std::memcpy(failing.get(), file.data(), failingCount);
            const int failingApplied = ApplyPendingRenames(&failing, &failingCount);
            outcome = {failingApplied >= 0, std::string(failing.get(), failingCount)};
        }
        ForgetPendingRenames();
        return outcome;
    });
}

// The name `to` ends in, after the last separator but a final one.
std::string NameOf(const std::string& key) {
    size_t start = 0;
    for (size_t i = 0; i + 1 < key.size(); ++i) {
        if (fuzz::IsShiftJisLead(static_cast<unsigned char>(key[i])))
            ++i;
        else if (key[i] == '\\')
            start = i + 1;
    }
    return key.substr(start);
}

// `from` given the name of `to`, beside it.
std::string Sibling(const std::string& from, const std::string& to) {
    return from.substr(0, from.size() - NameOf(from).size()) + NameOf(to);
}

void CheckToldRename(const std::vector<std::string>& keys, const std::string& from, const std::string& to) {
    KeyList before, after;
    std::set<std::string> afterKeys;
    KeyList::Tag tag = 1;
    bool fromIsKey = false, toIsFree = true;
    for (const std::string& key : keys) {
        const std::string moved = fuzz::Under(key, from) ? to + key.substr(from.size()) : key;
        before.Add(tag, key.c_str());
        after.Add(tag++, moved.c_str());
        afterKeys.insert(moved);
        fromIsKey = fromIsKey || key == from;
        toIsFree = toIsFree && !fuzz::Under(key, to);
    }
    FolderRename told;
    const bool found = FindFolderRename(before, after, &told);
    // A folder of the tree renamed beside itself to a name no folder has.
    if (fromIsKey && toIsFree && to == Sibling(from, to) && !fuzz::Under(to, from) && !fuzz::Under(from, to))
        fuzz::Expect(found && std::string(told.from, told.fromLength) == from &&
                         std::string(told.to, told.toLength) == to,
                     "a folder renamed is told", from + " > " + to);
    if (!found) return;
    const std::string toldFrom(told.from, told.fromLength), toldTo(told.to, told.toLength);
    std::set<std::string> moved;
    for (const std::string& key : keys)
        moved.insert(fuzz::Under(key, toldFrom) ? toldTo + key.substr(toldFrom.size()) : key);
    fuzz::Expect(moved == afterKeys, "the rename told turns the keys before into those after",
                 toldFrom + " > " + toldTo);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> sections = fuzz::Sections(data, size, 3);
    const std::vector<std::string> names = fuzz::Texts(sections[0]);
    const std::string from = fuzz::AsKey(names.size() > 0 ? names[0] : "A"),
                      to = fuzz::AsKey(names.size() > 1 ? names[1] : "B");
    std::vector<std::string> keys;
    for (const std::string& key : fuzz::Texts(sections[1])) keys.push_back(fuzz::AsKey(key));
    const std::string& file = sections[2];
    native::UseUtf8CodePage(false);
    CheckRewrite(file, from, to);
    if (from != to) CheckPending(file, from, to);
    CheckToldRename(keys, from, to);
    CheckToldRename(keys, from, Sibling(from, to));
    return 0;
}
