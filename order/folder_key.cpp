#include "order/folder_key.h"

#include "plugin/module_state.h"

const void* FolderPathField(LPARAM itemData) {
    return reinterpret_cast<const BYTE*>(itemData) + g_module.folderPathOffset;
}

const char* FolderPathOf(LPARAM itemData) {
    if (!itemData) return nullptr;
    const void* field = FolderPathField(itemData);
    if (IsBadReadPtr(field, sizeof(const char*))) return nullptr;
    const char* path;
    CopyMemory(&path, field, sizeof path);
    return path;
}

const char* FolderKeyOf(LPARAM itemData) {
    const char* path = FolderPathOf(itemData);
    // The whole string must be readable: comparisons read the key to its end.
    if (!path || IsBadStringPtrA(path, static_cast<UINT_PTR>(-1))) return nullptr;
    // Byte for byte; a shorter path differs at its terminator.
    for (DWORD i = 0; i < g_module.dataFolderLength; ++i) {
        if (path[i] != g_module.dataFolder[i]) return nullptr;
    }
    return path + g_module.dataFolderLength;
}
