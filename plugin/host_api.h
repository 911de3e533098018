// The host's exported functions, bound by name when the module loads.
#pragma once

#include <windows.h>

#include "order/text_block.h"

// Every host function the module needs to find, in the order in which they are
// looked up. Only five are ever called; the rest must merely exist, because a
// host that lacks any of them is not the host this module was written for.
#define TAMRIVEL_HOST_FUNCTIONS(X)                                                      \
    X(BKA_GetVersion) X(BKA_Command) X(BKA_GetWindowHandles) X(BKA_RegisterCommand)    \
    X(BKA_RegisterUICallback) X(BKA_GetDataFolder) X(BKA_GetTempFolder)                \
    X(BKA_GetTempFileName) X(BKA_GetCurrentMailBox) X(BKA_SetCurrentMailBox)           \
    X(BKA_GetCurrentFolder) X(BKA_SetCurrentFolder) X(BKA_GetFolderDisplayName)        \
    X(BKA_SetMessageText) X(BKA_GetCurrentMail) X(BKA_SetCurrentMail) X(BKA_GetNextMail) \
    X(BKA_SetSel) X(BKA_AppendMessage) X(BKA_MoveSelectedMessages) X(BKA_GetStatus)    \
    X(BKA_ComposeMail) X(BKA_GetCharSet) X(BKA_GetSource) X(BKA_SetSource)             \
    X(BKA_GetHeader) X(BKA_GetText) X(BKA_SetText) X(BKA_GetSpecifiedHeader)           \
    X(BKA_SetSpecifiedHeader) X(BKA_CompGetCharSet) X(BKA_CompGetSource)               \
    X(BKA_CompSetSource) X(BKA_CompGetHeader) X(BKA_CompGetSpecifiedHeader)            \
    X(BKA_CompSetSpecifiedHeader) X(BKA_CompGetText) X(BKA_CompSetText)                \
    X(BKA_CompAttachFile) X(BKA_Alloc) X(BKA_ReAlloc) X(BKA_Free) X(BKA_ISO_2022_JP)   \
    X(BKA_ISO_2022_KR) X(BKA_HZ_GB2312) X(BKA_ISO_8859_2) X(BKA_EUC_JP) X(BKA_UTF_7)   \
    X(BKA_UTF_8) X(BKA_B64Convert) X(BKA_QPConvert) X(BKA_MIMEHeader)                  \
    X(BKA_SerializeRcpts) X(BKA_Connect)

enum HostFunction {
#define TAMRIVEL_HOST_FUNCTION_INDEX(name) HostFn_##name,
    TAMRIVEL_HOST_FUNCTIONS(TAMRIVEL_HOST_FUNCTION_INDEX)
#undef TAMRIVEL_HOST_FUNCTION_INDEX
    kHostFunctionCount
};

extern const char* const kHostFunctionNames[kHostFunctionCount];

struct HostApi {
    HMODULE hostModule;  // null while the table is not bound
    FARPROC functions[kHostFunctionCount];
};

extern HostApi g_hostApi;

// Looks up all host functions in the process's executable. True when every
// one was found; on failure the table is left unbound.
bool BindHostApi();
void UnbindHostApi();

// Calls through the table. The module only calls these after a successful
// bind (or, in tests, after the entries were filled in directly).
LPCSTR HostGetVersion();
HWND HostGetFolderTree();
LPCSTR HostGetDataFolder();
void* HostAlloc(DWORD byteCount);
void HostFree(void* block);

// One block from the host's allocator, given back on every path: the text
// logic's blocks are the host's in the module.
using HostBlock = TextBlock;
