#include "order/order_file.h"

#include "order/folder_key.h"
#include "order/order_lines.h"
#include "order/tree_walk.h"
#include "plugin/host_api.h"
#include "plugin/module_state.h"
#include "plugin/tree_control.h"

namespace {

const char kOrderFileExtension[] = ".cfg";
const char kTemporaryExtension[] = ".tmp";
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
DWORD WriteOrderLines(HANDLE file, HWND tree) {
    FileWriter writer(file);
    for (HTREEITEM item = TreeGetRoot(tree); item; item = NextPreorder(tree, item)) {
        const char* key = FolderKeyOf(TreeGetItemData(tree, item));
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

// Virus scanners, indexers and sync clients open a file that just changed
// for a moment, without delete sharing; while they hold it the rename fails
// with a sharing, lock or access-denied error. They let go quickly.
const int kReplaceAttempts = 10;
const DWORD kReplacePauseMilliseconds = 100;

// Replaces the order file with the temporary file, waiting about a second
// for a passing holder. 0 on success, else the last error.
DWORD ReplaceOrderFile(const char* temporaryPath) {
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExA(temporaryPath, g_module.orderFilePath,
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return 0;
        DWORD error = GetLastError();
        bool passing = IsHeldByAnotherProgram(error) || error == ERROR_ACCESS_DENIED;
        DWORD attributes = GetFileAttributesA(g_module.orderFilePath);
        if (!passing || IsReadOnlyFile(attributes) || IsFolder(attributes) ||
            attempt == kReplaceAttempts)
            return error;
        Sleep(kReplacePauseMilliseconds);
    }
}

// What a failed rename means to the user. Access is denied on the rename
// when a program holds the order file without delete sharing, unless the
// file is read-only or a folder stands in its place.
SaveResult ReplaceFailure(DWORD error) {
    DWORD attributes = GetFileAttributesA(g_module.orderFilePath);
    if (IsReadOnlyFile(attributes)) return SaveResult::kReadOnly;
    if (IsFolder(attributes)) return SaveResult::kNotWritable;
    if (IsDiskFull(error)) return SaveResult::kDiskFull;
    if (IsHeldByAnotherProgram(error) || error == ERROR_ACCESS_DENIED) return SaveResult::kInUse;
    return SaveResult::kNotWritable;
}

// Where a save writes the new content first: the order file's path with
// ".tmp" for ".cfg", in the same folder and of the same length, so it fits
// wherever the order file does and the final rename never crosses volumes.
bool TemporaryPathFor(char* temporaryPath) {
    lstrcpyA(temporaryPath, g_module.orderFilePath);
    DWORD length = static_cast<DWORD>(lstrlenA(temporaryPath));
    if (length <= kExtensionLength) return false;
    lstrcpyA(temporaryPath + length - kExtensionLength, kTemporaryExtension);
    return true;
}

// What a failure to create or fill the temporary file means. Access denied
// here is the folder refusing new files, not a holder.
SaveResult WriteFailure(DWORD error) {
    if (IsDiskFull(error)) return SaveResult::kDiskFull;
    if (IsHeldByAnotherProgram(error)) return SaveResult::kInUse;
    return SaveResult::kNotWritable;
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

SaveResult SaveOrderFile(HWND tree) {
    if (g_module.orderFilePath[0] == '\0') return SaveResult::kNoOrderFile;
    // A tree that is gone would save as empty and wipe the user's order.
    if (!TreeIsLive(tree)) return SaveResult::kNotWritable;
    // A read-only order file is never rewritten: the rename below would
    // replace it on some platforms (Wine) although no program may write it.
    DWORD attributes = GetFileAttributesA(g_module.orderFilePath);
    if (IsReadOnlyFile(attributes)) return SaveResult::kReadOnly;
    if (IsFolder(attributes)) return SaveResult::kNotWritable;

    char temporaryPath[kPathCapacity];
    if (!TemporaryPathFor(temporaryPath)) return SaveResult::kNotWritable;

    FileHandle file(CreateFileA(temporaryPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return WriteFailure(GetLastError());
    DWORD error = WriteOrderLines(file.get(), tree);
    file.Close();
    if (error) {
        DeleteFileA(temporaryPath);
        return WriteFailure(error);
    }
    error = ReplaceOrderFile(temporaryPath);
    if (error) {
        DeleteFileA(temporaryPath);
        return ReplaceFailure(error);
    }
    return SaveResult::kSaved;
}

void DeleteLeftoverSave() {
    char temporaryPath[kPathCapacity];
    if (g_module.orderFilePath[0] != '\0' && TemporaryPathFor(temporaryPath)) DeleteFileA(temporaryPath);
}
