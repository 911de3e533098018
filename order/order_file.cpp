#include "order/order_file.h"

#include "order/folder_key.h"
#include "order/folder_key_copies.h"
#include "order/order_lines.h"
#include "order/tree_walk.h"
#include "plugin/host_api.h"
#include "plugin/module_state.h"
#include "plugin/tree_control.h"

namespace {

const char kOrderFileExtension[] = ".cfg";
// What the new copies of a save are called, before GetTempFileNameA's number.
const char kNewCopyPrefix[] = "tam";
const DWORD kExtensionLength = sizeof kOrderFileExtension - 1;

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Close() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

// Gathers small writes into one stack buffer, so a tree of thousands of
// folders costs a handful of WriteFile calls, and remembers whether every
// byte reached the file.
class FileWriter {
public:
    explicit FileWriter(HANDLE file) : file_(file) {}

    void Append(const char* bytes, DWORD count) {
        if (count > sizeof buffer_ - used_) {
            Flush();
            if (count > sizeof buffer_) {
                WriteThrough(bytes, count);
                return;
            }
        }
        CopyMemory(buffer_ + used_, bytes, count);
        used_ += count;
    }

    // 0 when everything appended so far is in the file, else the error of
    // the first write that failed.
    DWORD Flush() {
        if (used_ > 0) WriteThrough(buffer_, used_);
        used_ = 0;
        return error_;
    }

private:
    void WriteThrough(const char* bytes, DWORD count) {
        if (error_) return;
        DWORD written = 0;
        if (!WriteFile(file_, bytes, count, &written, nullptr))
            error_ = GetLastError();
        else if (written != count)
            error_ = ERROR_HANDLE_DISK_FULL;  // a short synchronous write: no room left
    }

    HANDLE file_;
    char buffer_[4096];
    DWORD used_ = 0;
    DWORD error_ = 0;
};

// 0 when every keyed folder of the tree is in the file, else why not.
DWORD WriteOrderLines(HANDLE file, HWND tree, const FolderKeyCopies& keys) {
    FileWriter writer(file);
    for (HTREEITEM item = TreeGetRoot(tree); item; item = NextPreorder(tree, item)) {
        const char* key = keys.Find(TreeGetItemData(tree, item));
        if (!key) continue;
        writer.Append(key, static_cast<DWORD>(lstrlenA(key)));
        writer.Append("\r\n", 2);
    }
    DWORD error = writer.Flush();
    if (error == 0 && !FlushFileBuffers(file)) error = GetLastError();
    return error;
}

bool IsReadOnlyFile(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
           !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolder(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsDiskFull(DWORD error) {
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

bool IsHeldByAnotherProgram(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// Why a rename onto the order file was refused, as far as the platform
// tells. Access is denied both when a program holds the file without delete
// sharing and when the file's permissions forbid replacing it; opening it
// for deletion tells the two apart: a holder gives a sharing violation.
enum class Refusal { kHeld, kForbidden, kUnknown };

Refusal WhyRenameWasRefused(DWORD error) {
    if (IsHeldByAnotherProgram(error)) return Refusal::kHeld;
    if (error != ERROR_ACCESS_DENIED) return Refusal::kUnknown;
    HANDLE probe = CreateFileA(g_module.orderFilePath, DELETE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        // Nobody holds it now: perhaps somebody did a moment ago.
        CloseHandle(probe);
        return Refusal::kUnknown;
    }
    DWORD probeError = GetLastError();
    if (IsHeldByAnotherProgram(probeError)) return Refusal::kHeld;
    return probeError == ERROR_ACCESS_DENIED ? Refusal::kForbidden : Refusal::kUnknown;
}

// Virus scanners, indexers and sync clients open a file that just changed
// for a moment, without delete sharing; while they hold it the rename fails
// with a sharing, lock or access-denied error. They let go quickly.
const int kReplaceAttempts = 10;
const DWORD kReplacePauseMilliseconds = 100;

// Replaces the order file with the new copy, waiting about a second for a
// passing holder. kSaved on success, else what the user is told.
SaveResult ReplaceOrderFile(const char* newCopyPath) {
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExA(newCopyPath, g_module.orderFilePath,
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return SaveResult::kSaved;
        DWORD error = GetLastError();
        DWORD attributes = GetFileAttributesA(g_module.orderFilePath);
        if (IsReadOnlyFile(attributes)) return SaveResult::kReadOnly;
        if (IsFolder(attributes)) return SaveResult::kNotWritable;
        if (IsDiskFull(error)) return SaveResult::kDiskFull;
        Refusal refusal = WhyRenameWasRefused(error);
        bool mayPass = refusal == Refusal::kHeld ||
                       (refusal == Refusal::kUnknown && error == ERROR_ACCESS_DENIED);
        if (!mayPass || attempt == kReplaceAttempts)
            return refusal == Refusal::kHeld ? SaveResult::kInUse : SaveResult::kNotWritable;
        Sleep(kReplacePauseMilliseconds);
    }
}

// Where the order file's name begins: after its last separator. A byte
// 0x5C may be the second byte of a Shift_JIS character ("表" is 95 5C), so
// the walk steps over whole characters.
const char* FileNameOf(const char* path) {
    const char* name = path;
    for (const char* p = path; *p;) {
        if (*p == '\\' || *p == '/') name = p + 1;
        p += (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1]) ? 2 : 1;
    }
    return name;
}

// Creates this save's new copy beside the order file, under a name that no
// other file has (GetTempFileNameA creates it, empty, and so claims the
// name), so that two hosts sharing the plug-in folder never write, rename
// or delete each other's copies. The rename never crosses volumes.
bool CreateNewCopy(char* newCopyPath) {
    char folder[kPathCapacity];
    DWORD folderLength = static_cast<DWORD>(FileNameOf(g_module.orderFilePath) - g_module.orderFilePath);
    if (folderLength == 0) return false;
    lstrcpynA(folder, g_module.orderFilePath, static_cast<int>(folderLength + 1));
    return GetTempFileNameA(folder, kNewCopyPrefix, 0, newCopyPath) != 0;
}

// Deletes a save's own new copy. One that another program holds (a virus
// scanner reading it) cannot go yet: it is remembered and deleted by the
// next save, or when the editor closes.
void DeleteNewCopy(const char* newCopyPath) {
    if (DeleteFileA(newCopyPath) || GetLastError() == ERROR_FILE_NOT_FOUND) return;
    lstrcpynA(g_module.leftoverCopyPath, newCopyPath, kPathCapacity);
}

// What a failure to create or fill the new copy means. Access denied here
// is the folder refusing new files, not a holder.
SaveResult WriteFailure(DWORD error) {
    if (IsDiskFull(error)) return SaveResult::kDiskFull;
    if (IsHeldByAnotherProgram(error)) return SaveResult::kInUse;
    return SaveResult::kNotWritable;
}

// What a failure to create the new copy means: short of a full disk, the
// folder refuses new files (under Program Files, most often), which the
// user fixes on the folder, not on the order file.
SaveResult NewCopyFailure(DWORD error) {
    return IsDiskFull(error) ? SaveResult::kDiskFull : SaveResult::kFolderNotWritable;
}

}  // namespace

bool OrderFilePathFromModulePath(const char* modulePath, DWORD length, char* orderFilePath) {
    orderFilePath[0] = '\0';
    // GetModuleFileNameA answers the full capacity when it had to cut the path.
    if (length == 0 || length >= static_cast<DWORD>(kPathCapacity)) return false;
    // "." never occurs as the second byte of a Shift_JIS character, so a
    // plain byte search finds the real last dot.
    DWORD stem = length;
    for (DWORD i = length; i > 0; --i) {
        if (modulePath[i - 1] == '.') {
            stem = i - 1;
            break;
        }
    }
    if (stem + kExtensionLength >= static_cast<DWORD>(kPathCapacity)) return false;
    lstrcpynA(orderFilePath, modulePath, static_cast<int>(stem + 1));
    lstrcatA(orderFilePath, kOrderFileExtension);
    return true;
}

void BuildOrderFilePath() {
    char modulePath[kPathCapacity];
    DWORD length = GetModuleFileNameA(g_module.moduleHandle, modulePath, kPathCapacity);
    OrderFilePathFromModulePath(modulePath, length, g_module.orderFilePath);
}

bool LoadOrderList() {
    FileHandle file(CreateFileA(g_module.orderFilePath, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD size = GetFileSize(file.get(), nullptr);
    HostBlock block(size);
    if (!block) return false;
    DWORD bytesRead = 0;
    if (!ReadFile(file.get(), block.get(), size, &bytesRead, nullptr)) return false;

    SplitOrderLines(block.get(), bytesRead);
    g_module.orderList.buffer = static_cast<char*>(block.Release());
    g_module.orderList.byteCount = bytesRead;
    return true;
}

void ReleaseOrderList() {
    if (g_module.orderList.buffer) HostFree(g_module.orderList.buffer);
    g_module.orderList.buffer = nullptr;
    g_module.orderList.byteCount = 0;
}

const char* OrderListEnd() { return g_module.orderList.buffer + g_module.orderList.byteCount; }

const char* FirstOrderLine() {
    return g_module.orderList.byteCount == 0 ? nullptr : g_module.orderList.buffer;
}

const char* NextOrderLine(const char* line) { return NextLineStart(line, OrderListEnd()); }

SaveResult SaveOrderFile(HWND tree, const FolderKeyCopies& keys) {
    if (g_module.orderFilePath[0] == '\0') return SaveResult::kNoOrderFile;
    // A tree that is gone would save as empty and wipe the user's order.
    if (!TreeIsLive(tree)) return SaveResult::kNotWritable;
    // Neither would a tree that shows no folder with a key: its save would
    // be an empty file. Deleting the file is how a user clears the order.
    if (keys.count() == 0) return SaveResult::kNothingToSave;
    // A read-only order file is never rewritten: the rename below would
    // replace it on some platforms (Wine) although no program may write it.
    DWORD attributes = GetFileAttributesA(g_module.orderFilePath);
    if (IsReadOnlyFile(attributes)) return SaveResult::kReadOnly;
    if (IsFolder(attributes)) return SaveResult::kNotWritable;

    DeleteLeftoverSave();
    char newCopyPath[kPathCapacity];
    if (!CreateNewCopy(newCopyPath)) return NewCopyFailure(GetLastError());
    DWORD error = 0;
    {
        FileHandle file(CreateFileA(newCopyPath, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        error = file ? WriteOrderLines(file.get(), tree, keys) : GetLastError();
    }
    if (error) {
        DeleteNewCopy(newCopyPath);
        return WriteFailure(error);
    }
    SaveResult result = ReplaceOrderFile(newCopyPath);
    if (result != SaveResult::kSaved) DeleteNewCopy(newCopyPath);
    return result;
}

SaveResult SaveOrderFile(HWND tree) {
    FolderKeyCopies keys;
    if (!keys.TakeFrom(tree)) return SaveResult::kNotWritable;
    return SaveOrderFile(tree, keys);
}

void DeleteLeftoverSave() {
    if (g_module.leftoverCopyPath[0] == '\0') return;
    if (DeleteFileA(g_module.leftoverCopyPath) || GetLastError() == ERROR_FILE_NOT_FOUND)
        g_module.leftoverCopyPath[0] = '\0';
}

void OrderFileFolder(char* folder) {
    const DWORD length = static_cast<DWORD>(FileNameOf(g_module.orderFilePath) - g_module.orderFilePath);
    lstrcpynA(folder, g_module.orderFilePath, static_cast<int>(length + 1));
}
