// The module as the host's loader sees it: its export and import tables,
// the calling convention of every callback, and its self-description.
#include "tests/module_fixture.h"

#include <map>
#include <set>

namespace {

// Calls `function` with `count` 32-bit arguments and reports how far the
// stack pointer moved over the call: 0 when the callee removed exactly the
// arguments it was given, as the host expects of a stdcall callback.
extern "C" int CallMeasuringStack(const void* function, int count, const DWORD* arguments,
                                  int* stackDelta);
asm(R"(
    .text
    .globl _CallMeasuringStack
_CallMeasuringStack:
    pushl %ebp
    movl  %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl  8(%ebp), %eax
    movl  12(%ebp), %ecx
    movl  16(%ebp), %edx
    movl  %esp, %esi
1:  testl %ecx, %ecx
    jz    2f
    decl  %ecx
    pushl (%edx,%ecx,4)
    jmp   1b
2:  call  *%eax
    movl  %esp, %ecx
    subl  %esi, %ecx
    movl  %esi, %esp
    movl  20(%ebp), %edx
    movl  %ecx, (%edx)
    popl  %edi
    popl  %esi
    popl  %ebx
    popl  %ebp
    ret
)");

struct Callback {
    const char* name;
    WORD ordinal;
    int arguments;
};
const Callback kCallbacks[] = {
    {"BKC_OnStart", 1, 0},          {"BKC_OnExit", 2, 0},          {"BKC_OnMenuInit", 3, 3},
    {"BKC_OnOpenFolder", 4, 1},     {"BKC_OnOpenMail", 5, 1},      {"BKC_OnEveryMinute", 6, 0},
    {"BKC_OnOpenCompose", 7, 2},    {"BKC_OnOutgoing", 8, 2},      {"BKC_OnKeyDispatch", 9, 3},
    {"BKC_OnRetrieve", 10, 2},      {"BKC_OnSend", 11, 1},         {"BKC_OnFinishRetrieve", 12, 1},
    {"BKC_OnPlugInSetup", 13, 1},   {"BKC_OnPlugInInfo", 14, 1},   {"BKC_OnDragDrop", 15, 4},
};

template <typename T>
const T* At(HMODULE module, DWORD rva) {
    return reinterpret_cast<const T*>(reinterpret_cast<const BYTE*>(module) + rva);
}

const IMAGE_DATA_DIRECTORY& Directory(HMODULE module, int which) {
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    auto* nt = At<IMAGE_NT_HEADERS32>(module, static_cast<DWORD>(dos->e_lfanew));
    return nt->OptionalHeader.DataDirectory[which];
}

TEST_F(ModuleTest, ExportsExactlyTheFifteenCallbacksByNameAndOrdinal) {
    Load();
    HMODULE module = module_->handle();
    auto* exports = At<IMAGE_EXPORT_DIRECTORY>(
        module, Directory(module, IMAGE_DIRECTORY_ENTRY_EXPORT).VirtualAddress);
    ASSERT_EQ(exports->NumberOfFunctions, 15u);
    ASSERT_EQ(exports->NumberOfNames, 15u);
    EXPECT_EQ(exports->Base, 1u);

    std::map<std::string, WORD> exported;
    auto* names = At<DWORD>(module, exports->AddressOfNames);
    auto* ordinals = At<WORD>(module, exports->AddressOfNameOrdinals);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        exported[At<char>(module, names[i])] = static_cast<WORD>(ordinals[i] + exports->Base);

    std::map<std::string, WORD> expected;
    for (const Callback& callback : kCallbacks) expected[callback.name] = callback.ordinal;
    EXPECT_EQ(exported, expected);
    for (const Callback& callback : kCallbacks) {
        EXPECT_EQ(GetProcAddress(module, MAKEINTRESOURCEA(callback.ordinal)),
                  GetProcAddress(module, callback.name))
            << callback.name;
    }
}

// Nothing but what every Windows has, and exactly the functions the module
// means to call: no runtime, nothing a new import could bring in unnoticed.
TEST_F(ModuleTest, ImportsExactlyItsFunctionsFromKernelAndUserOnly) {
    Load();
    HMODULE module = module_->handle();
    std::map<std::string, std::set<std::string>> imports;
    for (auto* entry = At<IMAGE_IMPORT_DESCRIPTOR>(
             module, Directory(module, IMAGE_DIRECTORY_ENTRY_IMPORT).VirtualAddress);
         entry->Name; ++entry) {
        std::string dll = At<char>(module, entry->Name);
        for (char& c : dll) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        auto* names = At<IMAGE_THUNK_DATA32>(module, entry->OriginalFirstThunk);
        for (; names->u1.AddressOfData; ++names) {
            ASSERT_FALSE(IMAGE_SNAP_BY_ORDINAL32(names->u1.Ordinal)) << dll << " by ordinal";
            imports[dll].insert(At<IMAGE_IMPORT_BY_NAME>(module, names->u1.AddressOfData)->Name);
        }
    }
    const std::map<std::string, std::set<std::string>> expected = {
        {"KERNEL32.DLL",
         {"CloseHandle", "CompareFileTime", "CompareStringA", "CreateFileA", "CreateThread", "DeleteFileA", "FlushFileBuffers", "FreeLibrary", "FreeLibraryAndExitThread", "GetACP",
          "GetCurrentThreadId", "GetEnvironmentVariableA", "GetFileAttributesA", "GetFileAttributesExA", "GetFileSize", "GetFileTime", "GetLastError", "GetModuleFileNameA",
          "GetModuleHandleA", "GetModuleHandleExA", "GetProcAddress", "GetTempFileNameA", "GetTickCount",
          "IsBadReadPtr", "IsBadStringPtrA", "IsDBCSLeadByte", "IsProcessorFeaturePresent", "MoveFileExA", "MultiByteToWideChar",
          "ReadFile", "SetLastError", "VirtualAlloc", "VirtualFree", "WideCharToMultiByte", "WriteFile", "lstrcatA", "lstrcmpA", "lstrcmpiA", "lstrcpyA", "lstrcpynA",
          "lstrlenA"}},
        {"USER32.DLL",
         {"AdjustWindowRectEx", "AppendMenuA", "CallNextHookEx", "CallWindowProcA", "CallWindowProcW",
          "ClientToScreen", "CreatePopupMenu", "CreateWindowExA", "DefWindowProcA", "DefWindowProcW", "DestroyMenu", "DestroyWindow",
          "DialogBoxIndirectParamA", "DialogBoxParamA", "DispatchMessageA", "EndDialog", "GetCapture", "GetClassLongW", "GetClassNameA", "GetClientRect",
          "GetCursorPos", "GetDlgCtrlID", "GetDlgItem", "GetKeyState", "GetMessagePos", "GetMessageTime", "GetMonitorInfoA",
          "GetParent", "GetSysColor", "GetSystemMetrics", "GetWindowLongA", "GetWindowLongW",
          "GetWindowRect", "GetWindowThreadProcessId", "InvalidateRect", "IsChild", "IsIconic", "IsWindow",
          "IsWindowUnicode", "IsWindowVisible", "KillTimer", "LoadCursorA", "MapDialogRect", "MapWindowPoints", "MessageBeep", "MessageBoxA",
          "MonitorFromRect", "MsgWaitForMultipleObjects", "OffsetRect", "PeekMessageA", "PostMessageA", "ReleaseCapture", "ScreenToClient",
          "RegisterWindowMessageA", "SendMessageA", "SendMessageW", "SetCapture", "SetCursor", "SetDlgItemTextA", "SetFocus", "SetForegroundWindow", "SetTimer",
          "SetWindowLongA", "SetWindowLongW", "SetWindowPos", "SetWindowTextA",
          "SetWindowsHookExA", "SystemParametersInfoA", "TrackPopupMenu", "UnhookWindowsHookEx", "wsprintfA"}},
    };
    EXPECT_EQ(imports, expected);
    EXPECT_EQ(Directory(module, IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT).VirtualAddress, 0u);
}

// Each callback is called through a thunk that checks the stack afterwards;
// the idle ones get arbitrary arguments and must touch nothing.
TEST_F(ModuleTest, EveryCallbackTakesExactlyItsArgumentsAndAnswersAsTheHostExpects) {
    host_->AddOutline("A\nB\n");
    Load();
    char info[496] = {};
    for (const Callback& callback : kCallbacks) {
        DWORD arguments[4] = {0xFFFFFFFF, 0x12345678, 1, 0};
        bool working = callback.ordinal == 1 || callback.ordinal == 13 || callback.ordinal == 14;
        if (callback.ordinal == 14) arguments[0] = reinterpret_cast<DWORD>(info);
        if (callback.ordinal == 13) {
            arguments[0] = reinterpret_cast<DWORD>(host_->window());
            watcher_.OnNextDialog([](HWND dialog) { standin::ClickButton(dialog, IDCANCEL); });
        }
        size_t requestsBefore = heap_.requests();
        int stackDelta = -1;
        int result = CallMeasuringStack(reinterpret_cast<const void*>(module_->Export(callback.name)),
                                        callback.arguments, arguments, &stackDelta);
        EXPECT_EQ(stackDelta, 0) << callback.name;
        EXPECT_EQ(result, callback.ordinal == 13 ? 1 : 0) << callback.name;
        if (!working) {
            EXPECT_EQ(heap_.requests(), requestsBefore) << callback.name;
        }
    }
    EXPECT_EQ(watcher_.dialogsSeen(), 1);
    EXPECT_EQ(Describe(), "A\nB\n");
    EXPECT_TRUE(watcher_.messageBoxes().empty());
}

const std::string kDescription = Bytes(
    "83 74 83 48 83 8B 83 5F 82 F0 95 C0 82 D7 91 D6 82 A6 82 E9 0A 81 A6 56 "
    "65 72 32 2E 30 35 2E 30 34 88 C8 8D 7E 82 C5 82 C8 82 A2 82 C6 82 A4 82 "
    "DC 82 AD 93 AE 82 AB 82 DC 82 B9 82 F1");

TEST_F(ModuleTest, PlugInInfoFillsTheFourFieldsWithTheirExactBytes) {
    Load();
    char info[496];
    FillMemory(info, sizeof info, 0x7F);
    EXPECT_EQ(module_->OnPlugInInfo(info), 0);
    EXPECT_EQ(std::string(info, 9), std::string("Tamrivel\0", 9));
    EXPECT_EQ(std::string(info + 80, 7), std::string("Oskvar\0", 7));
    EXPECT_EQ(std::string(info + 160, 5), std::string("1.01\0", 5));
    EXPECT_EQ(std::string(info + 240, kDescription.size() + 1), kDescription + '\0');
    // Nothing past each string's NUL is touched.
    EXPECT_EQ(info[9], 0x7F);
    EXPECT_EQ(info[87], 0x7F);
    EXPECT_EQ(info[240 + kDescription.size() + 1], 0x7F);
}

}  // namespace
