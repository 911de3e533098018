// The module's exported callbacks. The host calls them with the standard
// calling convention and 32-bit arguments; each takes exactly the number of
// arguments the host pushes, so the host's stack stays balanced.
#include <windows.h>

#include "editor/order_editor.h"
#include "plugin/entry_points.h"
#include "plugin/module_lifetime.h"

typedef DWORD Ignored;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) return AttachToHost(module);
    // `reserved` is set when the process ends, null when the module is freed.
    if (reason == DLL_PROCESS_DETACH) DetachFromHost(reserved != nullptr);
    return TRUE;
}

// The two callbacks that may run the host's messages inside them count as
// calls under way: the host may exit and free the module meanwhile.
int WINAPI BKC_OnStart() {
    ModuleCall call;
    StartUp();
    return 0;
}

int WINAPI BKC_OnPlugInSetup(HWND owner) {
    ModuleCall call;
    RunOrderEditor(owner);
    return 1;
}

int WINAPI BKC_OnPlugInInfo(char* info) {
    FillPlugInInfo(info);
    return 0;
}

int WINAPI BKC_OnExit() {
    ExitHost();
    return 0;
}

// Events this plug-in has no use for.
int WINAPI BKC_OnMenuInit(Ignored, Ignored, Ignored) { return 0; }
int WINAPI BKC_OnOpenFolder(Ignored) { return 0; }
int WINAPI BKC_OnOpenMail(Ignored) { return 0; }
int WINAPI BKC_OnEveryMinute() { return 0; }
int WINAPI BKC_OnOpenCompose(Ignored, Ignored) { return 0; }
int WINAPI BKC_OnOutgoing(Ignored, Ignored) { return 0; }
int WINAPI BKC_OnKeyDispatch(Ignored, Ignored, Ignored) { return 0; }
int WINAPI BKC_OnRetrieve(Ignored, Ignored) { return 0; }
int WINAPI BKC_OnSend(Ignored) { return 0; }
int WINAPI BKC_OnFinishRetrieve(Ignored) { return 0; }
int WINAPI BKC_OnDragDrop(Ignored, Ignored, Ignored, Ignored) { return 0; }

}  // extern "C"
