#include "order/order_file.h"

#include "order/folder_key.h"
#include "order/folder_key_copies.h"
#include "order/kept_lines.h"
#include "order/order_lines.h"
#include "order/order_text.h"
#include "order/pending_renames.h"
#include "order/tree_walk.h"
#include "plugin/host_api.h"
#include "plugin/module_state.h"
#include "plugin/tree_control.h"

namespace {

// Whether a read or a replace of the order file waits for a program that
// holds it: only where the user waits for it too (the editor's save after OK).
enum class OrderFileWait { kNever, kAMoment };

const char kOrderFileExtension[] = ".cfg";
// What the new copies of a save are called, before GetTempFileNameA's number.
const char kNewCopyPrefix[] = "tam";
const DWORD kExtensionLength = sizeof kOrderFileExtension - 1;
// "tamXXXX.tmp" with its NUL, after the folder, in a path of MAX_PATH bytes.
const DWORD kTempNameBytes = 14;

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

bool SameStamp(const FileStamp& a, const FileStamp& b) {
    return a.exists == b.exists && a.size == b.size && CompareFileTime(&a.lastWrite, &b.lastWrite) == 0;
}

// The stamp of the order file at `path` now. False when it cannot be told.
bool StampNow(const char* path, FileStamp* stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
        const DWORD error = GetLastError();
        *stamp = FileStamp{};
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    *stamp = FileStamp{true, data.nFileSizeLow, data.ftLastWriteTime};
    return data.nFileSizeHigh == 0;
}

// The new content of the order file: every folder of the tree whose key
// `keys` holds, depth-first, then the lines kept from the previous file.
// Nothing runs between the walks that could change the tree.
SaveResult ComposeOrderLines(HWND tree, const FolderKeyCopies& keys, const KeptLines& kept,
                             SavedOrder* content) {
    const auto forEachShownKey = [&](auto visit) {
        for (HTREEITEM item = TreeGetRoot(tree); item; item = NextPreorder(tree, item)) {
            LPARAM itemData = 0;
            // An item the control cannot read would be a folder left out.
            if (!TreeReadItemData(tree, item, &itemData)) return false;
            if (const char* key = keys.Find(itemData)) visit(key);
        }
        return true;
    };
    return ComposeOrder(forEachShownKey, kept, &content->bytes, &content->byteCount) ? SaveResult::kSaved
                                                                                     : SaveResult::kNoMemory;
}

// 0 when all the bytes are in the file, else why not.
DWORD WriteAll(HANDLE file, const char* bytes, DWORD count) {
    while (count > 0) {
        DWORD written = 0;
        if (!WriteFile(file, bytes, count, &written, nullptr)) return GetLastError();
        // A short synchronous write: no room left.
        if (written == 0) return ERROR_HANDLE_DISK_FULL;
        bytes += written;
        count -= written;
    }
    return FlushFileBuffers(file) ? 0 : GetLastError();
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

Refusal WhyRenameWasRefused(const char* path, DWORD error) {
    if (IsHeldByAnotherProgram(error)) return Refusal::kHeld;
    if (error != ERROR_ACCESS_DENIED) return Refusal::kUnknown;
    HANDLE probe = CreateFileA(path, DELETE,
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
// A save merged this often with another program's, which saved again each
// time, gives up and says so.
const int kMostMerges = 3;
const DWORD kReplacePauseMilliseconds = 100;

// The editor's pause before another try at a file another program holds:
// its window, and the host's, go on painting meanwhile. Input waits in the
// queue, so nothing the user does can reach the editor inside its own save.
void PauseForHolder() {
    // A window whose painting never ends would wake every wait: a bounded
    // number of them.
    const int kMostWakes = 64;
    const DWORD start = GetTickCount();
    for (int wake = 0; wake < kMostWakes; ++wake) {
        const DWORD waited = GetTickCount() - start;
        if (waited >= kReplacePauseMilliseconds ||
            MsgWaitForMultipleObjects(0, nullptr, FALSE, kReplacePauseMilliseconds - waited,
                                      QS_PAINT | QS_SENDMESSAGE) == WAIT_TIMEOUT)
            return;
        MSG message;
        // Messages sent from other threads are handled inside the peek.
        for (int painted = 0; painted < kMostWakes && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT);
             ++painted)
            DispatchMessageA(&message);
    }
}

// Whether this process is between a stamp's check and its replace: the
// editor's save and the rename written on its own thread take turns there,
// so that neither replaces what the other just wrote.
volatile LONG g_replacing;

// One replace of the order file by the new copy, only while the file is as
// it was read and no other replace of this process is under way; false with
// `*changed` set when it was not as read, with the platform's error when
// the rename failed, and with ERROR_SHARING_VIOLATION when it had to wait
// its turn.
bool ReplaceIfAsRead(const char* path, const char* newCopyPath, const FileStamp& asRead, bool* changed) {
    *changed = false;
    if (InterlockedCompareExchange(&g_replacing, 1, 0) != 0) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return false;
    }
    FileStamp now;
    bool replaced = false;
    DWORD error = 0;
    // Another program saved it since: its save is read and merged again.
    if (!StampNow(path, &now) || !SameStamp(now, asRead)) {
        *changed = true;
    } else {
        replaced = MoveFileExA(newCopyPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        error = GetLastError();
    }
    InterlockedExchange(&g_replacing, 0);
    SetLastError(error);
    return replaced;
}

// Replaces the order file at `path` with the new copy, waiting about a
// second for a passing holder when asked to, while the file is still as it
// was read (`asRead`). kSaved on success, else what the user is told.
SaveResult ReplaceOrderFile(const char* path, const char* newCopyPath, OrderFileWait wait, const FileStamp& asRead) {
    const int attempts = wait == OrderFileWait::kAMoment ? kReplaceAttempts : 1;
    for (int attempt = 1;; ++attempt) {
        bool changed;
        if (ReplaceIfAsRead(path, newCopyPath, asRead, &changed)) return SaveResult::kSaved;
        if (changed) return SaveResult::kChangedMeanwhile;
        DWORD error = GetLastError();
        DWORD attributes = GetFileAttributesA(path);
        if (IsReadOnlyFile(attributes)) return SaveResult::kReadOnly;
        if (IsFolder(attributes)) return SaveResult::kNotWritable;
        if (IsDiskFull(error)) return SaveResult::kDiskFull;
        Refusal refusal = WhyRenameWasRefused(path, error);
        bool mayPass = refusal == Refusal::kHeld ||
                       (refusal == Refusal::kUnknown && error == ERROR_ACCESS_DENIED);
        if (!mayPass || attempt >= attempts)
            return refusal == Refusal::kHeld ? SaveResult::kInUse : SaveResult::kNotWritable;
        PauseForHolder();
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

// What a failure to create the new copy means: short of a full disk, the
// folder refuses new files (under Program Files, most often), which the
// user fixes on the folder, not on the order file.
SaveResult NewCopyFailure(DWORD error) {
    return IsDiskFull(error) ? SaveResult::kDiskFull : SaveResult::kFolderNotWritable;
}

// Creates this save's new copy beside the order file at `path`, under a name
// that no other file has (GetTempFileNameA creates it, empty, and so claims
// the name), so that two hosts sharing the plug-in folder never write,
// rename or delete each other's copies. The rename never crosses volumes.
SaveResult CreateNewCopy(const char* path, char* newCopyPath) {
    char folder[kPathCapacity];
    DWORD folderLength = static_cast<DWORD>(FileNameOf(path) - path);
    // The name GetTempFileNameA makes ("tamXXXX.tmp" and its NUL) must fit
    // MAX_PATH after the folder: a longer folder path is refused by it.
    if (folderLength == 0 || folderLength > kPathCapacity - kTempNameBytes) return SaveResult::kFolderPathTooLong;
    lstrcpynA(folder, path, static_cast<int>(folderLength + 1));
    if (GetTempFileNameA(folder, kNewCopyPrefix, 0, newCopyPath) == 0) return NewCopyFailure(GetLastError());
    return SaveResult::kSaved;
}

bool DeleteCopy(const char* path) {
    return DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

// Deletes a save's own new copy. One that another program holds (a virus
// scanner reading it) cannot go yet: it is named in `leftover`, to be
// deleted by the next save or when the editor closes.
void DeleteNewCopy(const char* newCopyPath, char* leftover) {
    if (!DeleteCopy(newCopyPath)) lstrcpynA(leftover, newCopyPath, kPathCapacity);
}

// What a failure to create or fill the new copy means. Access denied here
// is the folder refusing new files, not a holder.
SaveResult WriteFailure(DWORD error) {
    if (IsDiskFull(error)) return SaveResult::kDiskFull;
    if (IsHeldByAnotherProgram(error)) return SaveResult::kInUse;
    return SaveResult::kNotWritable;
}

// Opens the order file to read it. A program that holds it without read
// sharing (a save of another host, a scanner) lets go quickly: the editor's
// save, which the user waits for, waits for it as it waits to replace the
// file. A sort runs on the host's thread without a user waiting for it, and
// tries once: its caller tries again later.
HANDLE OpenOrderFileForReading(OrderFileWait wait) {
    for (int attempt = 1;; ++attempt) {
        HANDLE file = CreateFileA(g_module.orderFilePath, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || !IsHeldByAnotherProgram(GetLastError()) ||
            wait == OrderFileWait::kNever || attempt == kReplaceAttempts)
            return file;
        PauseForHolder();
    }
}

enum class FileRead { kRead, kMissing, kHeld, kNoMemory, kUnreadable };

// What a read makes of the file's bytes: the text they hold, converted to
// the code page; that text with the renames the file has not taken yet
// (what a sort orders by and a save keeps); or the bytes as stored (with
// those renames where they are text in the code page, as a save would
// write them: what the check explains).
enum class ReadAs { kText, kTextRenamed, kStored };

// Reads the whole order file into `block`, one host block of exactly its
// size; `*byteCount` is the size, then the bytes read.
FileRead ReadWholeOrderFile(HostBlock* block, DWORD* byteCount, OrderFileWait wait, ReadAs readAs,
                            OrderFileEncoding* encoding = nullptr, FileStamp* stamp = nullptr) {
    *byteCount = 0;
    if (encoding) *encoding = OrderFileEncoding::kCodePage;
    if (stamp) *stamp = FileStamp{};
    FileHandle file(OpenOrderFileForReading(wait));
    if (!file) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return FileRead::kMissing;
        return IsHeldByAnotherProgram(error) ? FileRead::kHeld : FileRead::kUnreadable;
    }
    // A size the platform cannot tell is a file that cannot be read: asking
    // the host for INVALID_FILE_SIZE bytes would be asking for 4 GB. So is
    // one of 4 GB or more, which no order file is.
    DWORD sizeHigh = 0;
    DWORD size = GetFileSize(file.get(), &sizeHigh);
    if ((size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || sizeHigh != 0) return FileRead::kUnreadable;
    *byteCount = size;
    // Taken while the file is open for reading, which no writer shares.
    if (stamp) {
        *stamp = FileStamp{true, size, {}};
        if (!GetFileTime(file.get(), nullptr, nullptr, &stamp->lastWrite)) return FileRead::kUnreadable;
    }
    if (!block->Allocate(size)) return FileRead::kNoMemory;
    // A read may succeed with fewer bytes than asked (a network share, a
    // filter driver): taken as the whole file, it would cut a line and lose
    // the rest. So it reads on until the size is reached or the file ends.
    char* bytes = static_cast<char*>(block->get());
    DWORD bytesRead = 0;
    while (bytesRead < size) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes + bytesRead, size - bytesRead, &got, nullptr)) {
            block->Reset();
            return IsHeldByAnotherProgram(GetLastError()) ? FileRead::kHeld : FileRead::kUnreadable;
        }
        // The file ended early: another program shortened it since it was sized.
        if (got == 0) break;
        bytesRead += got;
    }
    *byteCount = bytesRead;
    // A file saved as UTF-8 or UTF-16 is read as its text.
    const OrderFileEncoding found = EncodingOf(bytes, bytesRead);
    if (encoding) *encoding = found;
    if (readAs == ReadAs::kStored) {
        if (found != OrderFileEncoding::kCodePage) return FileRead::kRead;
    } else if (!ConvertToCodePage(block, byteCount, found)) {
        block->Reset();
        return FileRead::kNoMemory;
    }
    if (readAs != ReadAs::kText && ApplyPendingRenames(block, byteCount) < 0) {
        block->Reset();
        return FileRead::kNoMemory;
    }
    return FileRead::kRead;
}

// The lines of the order file as it is now (another program may have
// changed it since the editor opened) that name no folder of `keys`.
// A file that exists but cannot be read fails the save: written without
// its lines, it would lose them.
SaveResult TakeKeptLines(const FolderKeyCopies& keys, KeptLines* kept, const LineText* dropped,
                         DWORD droppedCount, FileStamp* stamp) {
    HostBlock file;
    DWORD byteCount = 0;
    switch (ReadWholeOrderFile(&file, &byteCount, OrderFileWait::kAMoment, ReadAs::kTextRenamed, nullptr, stamp)) {
        case FileRead::kRead: break;
        case FileRead::kMissing: return SaveResult::kSaved;
        case FileRead::kHeld: return SaveResult::kInUse;
        case FileRead::kNoMemory: return byteCount == 0 ? SaveResult::kSaved : SaveResult::kNoMemory;
        case FileRead::kUnreadable: return SaveResult::kUnreadable;
    }
    // A NUL byte is no part of the text this plug-in writes: the file was
    // saved as UTF-16 (Notepad's "Unicode") or is no text at all. Its lines
    // would be cut at every other byte and rewritten as fragments nobody
    // could put together again.
    if (HoldsNulByte(static_cast<const char*>(file.get()), byteCount)) return SaveResult::kNotPlainText;
    return kept->Take(&file, byteCount, keys.keys(), dropped, droppedCount) ? SaveResult::kSaved : SaveResult::kNoMemory;
}


// Writes `bytes` to a new copy and renames it onto the order file at
// `path`, if that is still as it was read: all or nothing. A failure leaves
// the previous file as it was and no copy behind, but one another program
// holds, named in `leftover`. Uses nothing but its arguments and the
// platform: it runs on any thread.
SaveResult WriteAndReplace(const char* path, const char* bytes, DWORD count, OrderFileWait wait,
                           const FileStamp& asRead, char* leftover) {
    leftover[0] = '\0';
    char newCopyPath[kPathCapacity];
    SaveResult created = CreateNewCopy(path, newCopyPath);
    if (created != SaveResult::kSaved) return created;
    DWORD error = 0;
    {
        FileHandle file(CreateFileA(newCopyPath, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        error = file ? WriteAll(file.get(), bytes, count) : GetLastError();
    }
    if (error) {
        DeleteNewCopy(newCopyPath, leftover);
        return WriteFailure(error);
    }
    SaveResult result = ReplaceOrderFile(path, newCopyPath, wait, asRead);
    if (result != SaveResult::kSaved) DeleteNewCopy(newCopyPath, leftover);
    return result;
}

// The same for the module's order file, from the host's thread.
SaveResult ReplaceOrderFileWith(const char* bytes, DWORD count, OrderFileWait wait, const FileStamp& asRead) {
    DeleteLeftoverSaves();
    // Copies that others still hold fill every place to remember one: they
    // are the other program's doing, and a new copy could not be cleaned up.
    if (g_module.leftoverCopyCount == kMostLeftoverCopies) return SaveResult::kInUse;
    char leftover[kPathCapacity];
    const SaveResult result = WriteAndReplace(g_module.orderFilePath, bytes, count, wait, asRead, leftover);
    RememberLeftoverSave(leftover);
    return result;
}

}  // namespace

RenameRewrite PrepareRenameRewrite(RenameRewriteJob** job) {
    *job = nullptr;
    if (!RenamesPending() || g_module.orderFilePath[0] == '\0') return RenameRewrite::kLeftAlone;
    // A new copy the write could not delete must find a place to be remembered.
    DeleteLeftoverSaves();
    if (g_module.leftoverCopyCount == kMostLeftoverCopies) return RenameRewrite::kNotNow;
    // A read-only file is the user's way of saying that it stays as it is.
    if (IsReadOnlyFile(GetFileAttributesA(g_module.orderFilePath))) return RenameRewrite::kLeftAlone;
    HostBlock file;
    DWORD count = 0;
    OrderFileEncoding encoding;
    FileStamp stamp;
    switch (ReadWholeOrderFile(&file, &count, OrderFileWait::kNever, ReadAs::kText, &encoding, &stamp)) {
        case FileRead::kRead: break;
        case FileRead::kMissing: return RenameRewrite::kLeftAlone;
        case FileRead::kNoMemory: return count == 0 ? RenameRewrite::kLeftAlone : RenameRewrite::kNotNow;
        default: return RenameRewrite::kNotNow;
    }
    // Not text this plug-in writes: rewritten as Shift_JIS, every other line
    // would change too.
    if (encoding != OrderFileEncoding::kCodePage) return RenameRewrite::kLeftAlone;
    const int renames = PendingRenameCount();
    const DWORD generation = PendingRenamesGeneration();
    const int applied = ApplyPendingRenames(&file, &count);
    if (applied < 0) return RenameRewrite::kNotNow;
    if (applied == 0) return RenameRewrite::kLeftAlone;
    // The writing thread's own memory, not the host's: the host's allocator
    // is never called from another thread.
    void* memory = VirtualAlloc(nullptr, sizeof(RenameRewriteJob) + count, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!memory) return RenameRewrite::kNotNow;
    RenameRewriteJob* made = static_cast<RenameRewriteJob*>(memory);
    lstrcpynA(made->orderFilePath, g_module.orderFilePath, kPathCapacity);
    made->asRead = stamp;
    made->renames = renames;
    made->generation = generation;
    made->byteCount = count;
    made->leftoverCopy[0] = '\0';
    made->result = RenameRewrite::kNotNow;
    made->state = 0;
    CopyMemory(made->bytes, file.get(), count);
    *job = made;
    return RenameRewrite::kRewritten;
}

void WriteRenameRewrite(RenameRewriteJob* job) {
    // Another program's save since the read is tried again at a later look.
    job->result = WriteAndReplace(job->orderFilePath, job->bytes, job->byteCount, OrderFileWait::kNever, job->asRead,
                                  job->leftoverCopy) == SaveResult::kSaved
                      ? RenameRewrite::kRewritten
                      : RenameRewrite::kNotNow;
}

void FreeRenameRewrite(RenameRewriteJob* job) { VirtualFree(job, 0, MEM_RELEASE); }

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

OrderLoad LoadOrderList() {
    HostBlock block;
    DWORD bytesRead = 0;
    switch (ReadWholeOrderFile(&block, &bytesRead, OrderFileWait::kNever, ReadAs::kTextRenamed)) {
        case FileRead::kRead: break;
        case FileRead::kMissing: return OrderLoad::kNoFile;
        // No memory for an empty file: the host's allocator grants no block
        // of 0 bytes. An empty file orders nothing, now or later.
        case FileRead::kNoMemory: return bytesRead == 0 ? OrderLoad::kNoFile : OrderLoad::kNotNow;
        default: return OrderLoad::kNotNow;
    }

    SplitOrderLines(block.get(), bytesRead);
    g_module.orderList.buffer = static_cast<char*>(block.Release());
    g_module.orderList.byteCount = bytesRead;
    return OrderLoad::kLoaded;
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

SaveResult SaveOrderFile(HWND tree, const FolderKeyCopies& keys, SavedOrder* saved, const LineText* dropped,
                         DWORD droppedCount) {
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

    // Another program's save between the read and the replace is read and
    // merged again; one that keeps coming is the user's to hear of.
    SavedOrder content;
    SaveResult result = SaveResult::kChangedMeanwhile;
    for (int merge = 0; merge < kMostMerges && result == SaveResult::kChangedMeanwhile; ++merge) {
        // A pause for a holder handles messages sent from other threads:
        // a tree gone meanwhile would save as the kept lines alone.
        if (!TreeIsLive(tree)) return SaveResult::kNotWritable;
        KeptLines kept;
        FileStamp stamp;
        SaveResult taken = TakeKeptLines(keys, &kept, dropped, droppedCount, &stamp);
        if (taken != SaveResult::kSaved) return taken;
        SaveResult composed = ComposeOrderLines(tree, keys, kept, &content);
        if (composed != SaveResult::kSaved) return composed;
        result = ReplaceOrderFileWith(content.bytes.get(), content.byteCount, OrderFileWait::kAMoment, stamp);
    }
    if (result != SaveResult::kSaved) return result;
    // The kept lines were read with them: the file has taken them now.
    ForgetPendingRenames();
    if (saved) {
        saved->bytes.Adopt(content.bytes.Release());
        saved->byteCount = content.byteCount;
        saved->saved = true;
    }
    return SaveResult::kSaved;
}

SaveResult SaveOrderFile(HWND tree) {
    FolderKeyCopies keys;
    if (!keys.TakeFrom(tree)) return SaveResult::kNotWritable;
    return SaveOrderFile(tree, keys);
}

bool ReadOrderFileAsStored(HostBlock* block, DWORD* byteCount) {
    switch (ReadWholeOrderFile(block, byteCount, OrderFileWait::kNever, ReadAs::kStored)) {
        case FileRead::kRead: return true;
        case FileRead::kMissing:
            *byteCount = 0;
            return true;
        default: return false;
    }
}

namespace {
// Whether `path` lies under the folder the environment variable `name` holds.
bool UnderFolderOf(const char* name, const char* path) {
    char folder[kPathCapacity];
    const DWORD length = GetEnvironmentVariableA(name, folder, sizeof folder);
    if (length == 0 || length >= sizeof folder || static_cast<DWORD>(lstrlenA(path)) <= length ||
        path[length] != '\\')
        return false;
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path, static_cast<int>(length), folder,
                          static_cast<int>(length)) == CSTR_EQUAL;
}
}  // namespace

bool OrderFileInVirtualStore(char* copy) {
    const char* path = g_module.orderFilePath;
    // The 32-bit and the 64-bit folders, as 32-bit and 64-bit Windows name them.
    if (path[0] == '\0' || path[1] != ':' ||
        !(UnderFolderOf("ProgramFiles", path) || UnderFolderOf("ProgramFiles(x86)", path) ||
          UnderFolderOf("ProgramW6432", path)))
        return false;
    const char kStore[] = "\\VirtualStore";
    DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", copy, kPathCapacity);
    if (length == 0 || length + sizeof kStore + lstrlenA(path + 2) > static_cast<DWORD>(kPathCapacity)) return false;
    lstrcatA(copy, kStore);
    lstrcatA(copy, path + 2);
    const DWORD attributes = GetFileAttributesA(copy);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void RememberLeftoverSave(const char* path) {
    // A save starts only while there is room to remember its copy.
    if (path[0] != '\0' && g_module.leftoverCopyCount < kMostLeftoverCopies)
        lstrcpynA(g_module.leftoverCopies[g_module.leftoverCopyCount++], path, kPathCapacity);
}

void DeleteLeftoverSaves() {
    int kept = 0;
    for (int i = 0; i < g_module.leftoverCopyCount; ++i) {
        if (DeleteCopy(g_module.leftoverCopies[i])) continue;
        if (kept != i) lstrcpyA(g_module.leftoverCopies[kept], g_module.leftoverCopies[i]);
        ++kept;
    }
    g_module.leftoverCopyCount = kept;
}

void OrderFileFolder(char* folder) {
    const DWORD length = static_cast<DWORD>(FileNameOf(g_module.orderFilePath) - g_module.orderFilePath);
    lstrcpynA(folder, g_module.orderFilePath, static_cast<int>(length + 1));
}
