// Makes one platform call that a module imports fail, on its Nth call, once
// or from then on, the way the platform documents that call's failure: the
// tests' way of meeting a tree control out of memory, a file held by a
// scanner or a disk that fills, without the module having test hooks.
#pragma once

#include <windows.h>

#include "standin/import_patch.h"

namespace standin {

enum class FailingCall {
    kInsertItem,     // TVM_INSERTITEMA answers NULL: the control has no memory left
    kGetItem,        // TVM_GETITEMA answers FALSE
    kDeleteItem,     // TVM_DELETEITEM answers FALSE
    kSortChildren,   // TVM_SORTCHILDRENCB answers FALSE: no memory for its list
    kCreateFile,     // INVALID_HANDLE_VALUE, ERROR_SHARING_VIOLATION
    kGetFileSize,    // INVALID_FILE_SIZE, ERROR_ACCESS_DENIED
    kReadFile,       // FALSE, ERROR_LOCK_VIOLATION
    kShortRead,      // ReadFile succeeds with 5 bytes at most, fewer than asked
    kWriteFile,      // FALSE, ERROR_DISK_FULL
    kFlushFileBuffers,  // FALSE, ERROR_DISK_FULL
    kGetTempFileName,   // 0, ERROR_ACCESS_DENIED
    kMoveFileEx,     // FALSE, ERROR_SHARING_VIOLATION
    kDeleteFile,     // FALSE, ERROR_SHARING_VIOLATION
    kSetWindowLongW, // 0, ERROR_ACCESS_DENIED: a window of another process, or one being destroyed
    kSetTimer,       // 0, ERROR_NOT_ENOUGH_MEMORY
};

// One at a time: the calls are counted in one place.
class CallFailure {
public:
    // nth counts from 1; calls before it go through.
    CallFailure(HMODULE module, FailingCall call, int nth, bool fromThenOn = false);
    ~CallFailure();
    CallFailure(const CallFailure&) = delete;
    CallFailure& operator=(const CallFailure&) = delete;

    bool applied() const { return patch_.applied(); }
    int calls() const;     // of that function (of that message, for the tree's)
    int failures() const;  // how many were made to fail

    static const char* Name(FailingCall call);

private:
    ImportPatch patch_;
};

}  // namespace standin
