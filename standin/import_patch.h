// Replaces, for as long as the object lives, the address a module calls for
// one imported function: how tests make a system call fail inside the module
// without the module having any test hooks.
#pragma once

#include <windows.h>

namespace standin {

class ImportPatch {
public:
    // module: the importing module; dll: e.g. "KERNEL32.dll" (any case).
    ImportPatch(HMODULE module, const char* dll, const char* function, void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool applied() const { return slot_ != nullptr; }
    void* original() const { return original_; }

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

}  // namespace standin

namespace standin {

// Makes one module's WriteFile calls run out of space after `bytesAllowed`
// more bytes, as a full disk would, for as long as the object lives.
class FullDisk {
public:
    FullDisk(HMODULE module, int bytesAllowed);
    bool applied() const { return patch_.applied(); }

private:
    ImportPatch patch_;
};

}  // namespace standin
