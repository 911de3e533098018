#include "standin/import_patch.h"

namespace standin {

namespace {
template <typename T>
T* At(HMODULE module, DWORD rva) {
    return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + rva);
}

void WriteSlot(void** slot, void* value) {
    DWORD oldProtection;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &oldProtection);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, oldProtection, &oldProtection);
}
}  // namespace

ImportPatch::ImportPatch(HMODULE module, const char* dll, const char* function, void* replacement) {
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(module);
    auto* nt = At<IMAGE_NT_HEADERS>(module, static_cast<DWORD>(dos->e_lfanew));
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return;
    for (auto* entry = At<IMAGE_IMPORT_DESCRIPTOR>(module, imports.VirtualAddress); entry->Name;
         ++entry) {
        if (lstrcmpiA(At<char>(module, entry->Name), dll) != 0) continue;
        auto* names = At<IMAGE_THUNK_DATA>(module, entry->OriginalFirstThunk ? entry->OriginalFirstThunk
                                                                             : entry->FirstThunk);
        auto* slots = At<void*>(module, entry->FirstThunk);
        for (int i = 0; names[i].u1.AddressOfData; ++i) {
            if (IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) continue;
            auto* byName = At<IMAGE_IMPORT_BY_NAME>(module, names[i].u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
            slot_ = &slots[i];
            original_ = *slot_;
            WriteSlot(slot_, replacement);
            return;
        }
    }
}

ImportPatch::~ImportPatch() {
    if (slot_) WriteSlot(slot_, original_);
}

}  // namespace standin

namespace standin {

namespace {
typedef BOOL(WINAPI* WriteFileFn)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
int g_bytesLeft = 0;

BOOL WINAPI WriteFileOnAFullDisk(HANDLE file, LPCVOID data, DWORD count, LPDWORD written,
                                 LPOVERLAPPED overlapped) {
    // Looked up, not imported: the patched import may be this module's own.
    static WriteFileFn realWriteFile = reinterpret_cast<WriteFileFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "WriteFile")));
    DWORD allowed = static_cast<DWORD>(g_bytesLeft) < count ? static_cast<DWORD>(g_bytesLeft) : count;
    g_bytesLeft -= static_cast<int>(allowed);
    BOOL ok = realWriteFile(file, data, allowed, written, overlapped);
    if (ok && allowed == count) return TRUE;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}
}  // namespace

FullDisk::FullDisk(HMODULE module, int bytesAllowed)
    : patch_(module, "kernel32.dll", "WriteFile", reinterpret_cast<void*>(&WriteFileOnAFullDisk)) {
    g_bytesLeft = bytesAllowed;
}

}  // namespace standin
