#include "plugin/module_lifetime.h"

#include "plugin/module_state.h"

bool HoldModuleLoaded() {
    if (g_module.holdsItself) return true;
    HMODULE self = nullptr;
    // Counted, not pinned: FROM_ADDRESS names this module by an address inside it.
    g_module.holdsItself = GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                              reinterpret_cast<LPCSTR>(&g_module), &self) != FALSE;
    return g_module.holdsItself;
}

void LetModuleGo(bool nothingLeftInHost) {
    if (!g_module.holdsItself || !nothingLeftInHost || g_module.callsUnderWay > 0) return;
    g_module.holdsItself = false;
    FreeLibrary(g_module.moduleHandle);
}

ModuleCall::ModuleCall() { ++g_module.callsUnderWay; }
ModuleCall::~ModuleCall() { --g_module.callsUnderWay; }
