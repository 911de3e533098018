#include "standin/module_loader.h"

namespace standin {

namespace {
template <typename Fn>
Fn As(FARPROC function) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(function));
}
}  // namespace

LoadedModule::LoadedModule(const std::string& builtModule, const std::string& folderName,
                           const std::string& fileName)
    : folder_(folderName), fileName_(fileName) {
    CopyFileA(WindowsPath(builtModule).c_str(), path().c_str(), FALSE);
    module_ = LoadLibraryA(path().c_str());
    if (!module_) loadError_ = GetLastError();
}

// As the host leaves a plug-in: it says it exits, then frees it.
LoadedModule::~LoadedModule() {
    if (Export("BKC_OnExit")) OnExit();
    Unload();
}

void LoadedModule::Unload() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
}

std::string LoadedModule::orderFilePath() const {
    std::string name = fileName_.substr(0, fileName_.rfind('.'));
    return folder_ / (name + ".cfg");
}

FARPROC LoadedModule::Export(const char* name) const {
    return module_ ? GetProcAddress(module_, name) : nullptr;
}

int LoadedModule::OnStart() const { return As<int(WINAPI*)()>(Export("BKC_OnStart"))(); }
int LoadedModule::OnExit() const { return As<int(WINAPI*)()>(Export("BKC_OnExit"))(); }

int LoadedModule::OnPlugInSetup(HWND owner) const {
    return As<int(WINAPI*)(HWND)>(Export("BKC_OnPlugInSetup"))(owner);
}

int LoadedModule::OnPlugInInfo(char* info) const {
    return As<int(WINAPI*)(char*)>(Export("BKC_OnPlugInInfo"))(info);
}

std::string BuiltModulePath() {
    char path[MAX_PATH] = {};
    if (GetEnvironmentVariableA("TAMRIVEL_MODULE", path, sizeof path)) return WindowsPath(path);
#ifdef TAMRIVEL_MODULE_PATH
    return WindowsPath(TAMRIVEL_MODULE_PATH);
#else
    return "tamrivel.dll";
#endif
}

}  // namespace standin
