#include "standin/call_failure.h"

#include <commctrl.h>

namespace standin {

namespace {

struct Plan {
    FailingCall call;
    int nth;
    bool fromThenOn;
    int calls;
    int failures;
};
Plan g_plan;

// Counts the call; true when this one is to fail.
bool ThisCallFails() {
    ++g_plan.calls;
    if (g_plan.calls == g_plan.nth || (g_plan.fromThenOn && g_plan.calls > g_plan.nth)) {
        ++g_plan.failures;
        return true;
    }
    return false;
}

// The real functions, looked up rather than imported: the patched import
// may be this executable's own (the core tests link the module's code in).
template <typename Function>
Function Real(const char* dll, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(dll), name)));
}

UINT TreeMessageOf(FailingCall call) {
    switch (call) {
        case FailingCall::kInsertItem: return TVM_INSERTITEMA;
        case FailingCall::kGetItem: return TVM_GETITEMA;
        case FailingCall::kDeleteItem: return TVM_DELETEITEM;
        case FailingCall::kSortChildren: return TVM_SORTCHILDRENCB;
        default: return 0;
    }
}

LRESULT WINAPI FailingSendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static auto real = Real<LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM)>("user32.dll", "SendMessageA");
    if (message == TreeMessageOf(g_plan.call) && ThisCallFails()) return 0;
    return real(window, message, wParam, lParam);
}

HANDLE WINAPI FailingCreateFile(LPCSTR name, DWORD access, DWORD sharing, LPSECURITY_ATTRIBUTES security,
                                DWORD disposition, DWORD flags, HANDLE base) {
    static auto real = Real<decltype(&CreateFileA)>("kernel32.dll", "CreateFileA");
    if (ThisCallFails()) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    return real(name, access, sharing, security, disposition, flags, base);
}

DWORD WINAPI FailingGetFileSize(HANDLE file, LPDWORD high) {
    static auto real = Real<decltype(&GetFileSize)>("kernel32.dll", "GetFileSize");
    if (ThisCallFails()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_FILE_SIZE;
    }
    return real(file, high);
}

BOOL WINAPI FailingReadFile(HANDLE file, LPVOID data, DWORD count, LPDWORD read, LPOVERLAPPED overlapped) {
    static auto real = Real<decltype(&ReadFile)>("kernel32.dll", "ReadFile");
    if (ThisCallFails()) {
        if (read) *read = 0;
        SetLastError(ERROR_LOCK_VIOLATION);
        return FALSE;
    }
    return real(file, data, count, read, overlapped);
}

BOOL WINAPI ShortReadFile(HANDLE file, LPVOID data, DWORD count, LPDWORD read, LPOVERLAPPED overlapped) {
    static auto real = Real<decltype(&ReadFile)>("kernel32.dll", "ReadFile");
    const DWORD kShortReadBytes = 5;
    if (ThisCallFails() && count > kShortReadBytes) count = kShortReadBytes;
    return real(file, data, count, read, overlapped);
}

BOOL WINAPI FailingWriteFile(HANDLE file, LPCVOID data, DWORD count, LPDWORD written, LPOVERLAPPED overlapped) {
    static auto real = Real<decltype(&WriteFile)>("kernel32.dll", "WriteFile");
    if (ThisCallFails()) {
        if (written) *written = 0;
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    return real(file, data, count, written, overlapped);
}

BOOL WINAPI FailingFlushFileBuffers(HANDLE file) {
    static auto real = Real<decltype(&FlushFileBuffers)>("kernel32.dll", "FlushFileBuffers");
    if (ThisCallFails()) {
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    return real(file);
}

UINT WINAPI FailingGetTempFileName(LPCSTR folder, LPCSTR prefix, UINT unique, LPSTR name) {
    static auto real = Real<decltype(&GetTempFileNameA)>("kernel32.dll", "GetTempFileNameA");
    if (ThisCallFails()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    return real(folder, prefix, unique, name);
}

BOOL WINAPI FailingMoveFileEx(LPCSTR from, LPCSTR to, DWORD flags) {
    static auto real = Real<decltype(&MoveFileExA)>("kernel32.dll", "MoveFileExA");
    if (ThisCallFails()) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    return real(from, to, flags);
}

BOOL WINAPI FailingDeleteFile(LPCSTR name) {
    static auto real = Real<decltype(&DeleteFileA)>("kernel32.dll", "DeleteFileA");
    if (ThisCallFails()) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    return real(name);
}

LONG WINAPI FailingSetWindowLong(HWND window, int index, LONG value) {
    static auto real = Real<decltype(&SetWindowLongW)>("user32.dll", "SetWindowLongW");
    if (ThisCallFails()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    return real(window, index, value);
}

UINT_PTR WINAPI FailingSetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC procedure) {
    static auto real = Real<decltype(&SetTimer)>("user32.dll", "SetTimer");
    if (ThisCallFails()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    return real(window, id, elapse, procedure);
}

struct Target {
    const char* dll;
    const char* function;
    void* replacement;
};

Target TargetOf(FailingCall call) {
    switch (call) {
        case FailingCall::kCreateFile: return {"kernel32.dll", "CreateFileA", reinterpret_cast<void*>(&FailingCreateFile)};
        case FailingCall::kGetFileSize: return {"kernel32.dll", "GetFileSize", reinterpret_cast<void*>(&FailingGetFileSize)};
        case FailingCall::kReadFile: return {"kernel32.dll", "ReadFile", reinterpret_cast<void*>(&FailingReadFile)};
        case FailingCall::kShortRead: return {"kernel32.dll", "ReadFile", reinterpret_cast<void*>(&ShortReadFile)};
        case FailingCall::kWriteFile: return {"kernel32.dll", "WriteFile", reinterpret_cast<void*>(&FailingWriteFile)};
        case FailingCall::kFlushFileBuffers:
            return {"kernel32.dll", "FlushFileBuffers", reinterpret_cast<void*>(&FailingFlushFileBuffers)};
        case FailingCall::kGetTempFileName:
            return {"kernel32.dll", "GetTempFileNameA", reinterpret_cast<void*>(&FailingGetTempFileName)};
        case FailingCall::kMoveFileEx: return {"kernel32.dll", "MoveFileExA", reinterpret_cast<void*>(&FailingMoveFileEx)};
        case FailingCall::kDeleteFile: return {"kernel32.dll", "DeleteFileA", reinterpret_cast<void*>(&FailingDeleteFile)};
        case FailingCall::kSetWindowLongW:
            return {"user32.dll", "SetWindowLongW", reinterpret_cast<void*>(&FailingSetWindowLong)};
        case FailingCall::kSetTimer: return {"user32.dll", "SetTimer", reinterpret_cast<void*>(&FailingSetTimer)};
        default: return {"user32.dll", "SendMessageA", reinterpret_cast<void*>(&FailingSendMessage)};
    }
}

}  // namespace

CallFailure::CallFailure(HMODULE module, FailingCall call, int nth, bool fromThenOn)
    : patch_(module, TargetOf(call).dll, TargetOf(call).function, TargetOf(call).replacement) {
    g_plan = {call, nth, fromThenOn, 0, 0};
}

CallFailure::~CallFailure() { g_plan.nth = 0; }

int CallFailure::calls() const { return g_plan.calls; }
int CallFailure::failures() const { return g_plan.failures; }

const char* CallFailure::Name(FailingCall call) {
    switch (call) {
        case FailingCall::kInsertItem: return "TVM_INSERTITEMA";
        case FailingCall::kGetItem: return "TVM_GETITEMA";
        case FailingCall::kDeleteItem: return "TVM_DELETEITEM";
        case FailingCall::kSortChildren: return "TVM_SORTCHILDRENCB";
        default: return TargetOf(call).function;
    }
}

}  // namespace standin
