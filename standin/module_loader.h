// Loads the built module the way the host does: from its own folder, with
// LoadLibraryA, into this process, whose executable plays the host.
#pragma once

#include <windows.h>

#include <string>

#include "standin/files.h"

namespace standin {

class LoadedModule {
public:
    // Copies `builtModule` into a fresh folder (named after `folderName`, which
    // may hold Japanese characters and spaces) as `fileName`, and loads it.
    explicit LoadedModule(const std::string& builtModule, const std::string& folderName = "plugins",
                          const std::string& fileName = "tamrivel.dll");
    ~LoadedModule();
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    HMODULE handle() const { return module_; }
    const std::string& folder() const { return folder_.path(); }
    std::string path() const { return folder_ / fileName_; }
    std::string orderFilePath() const;
    DWORD loadError() const { return loadError_; }

    FARPROC Export(const char* name) const;
    int OnStart() const;
    int OnExit() const;
    int OnPlugInSetup(HWND owner) const;
    int OnPlugInInfo(char* info) const;
    // FreeLibrary alone, without BKC_OnExit (which going out of scope calls first).
    void Unload();

private:
    TempFolder folder_;
    std::string fileName_;
    HMODULE module_ = nullptr;
    DWORD loadError_ = 0;
};

// The built module named by the build (a Unix path under Wine is fine).
std::string BuiltModulePath();

}  // namespace standin
