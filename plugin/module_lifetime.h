// How long the module stays mapped. The host frees a plug-in with
// FreeLibrary whenever it likes: from a handler of its tree, from another
// thread, or without BKC_OnExit at all. Whatever the module has left in the
// host (a procedure in the tree's chain, a thread timer) would then call
// unmapped code. So from the first start-up that watches the tree, or the
// first editor, the module holds a reference to itself, which only the
// host's exit gives back, and only where nothing of the module can still be
// called. A reference, not a pin: once given back, the host can unload the
// module and replace its file without restarting.
#pragma once

#include <windows.h>

// Takes the module's own reference, once; false when the platform refused
// it (then nothing may be left in the host).
bool HoldModuleLoaded();

// At the host's exit: gives the reference back when `nothingLeftInHost`
// and no call of the module is under way (the host's own reference, which
// it called BKC_OnExit with, then keeps the module mapped until FreeLibrary
// returns to the host). Otherwise the reference stays, for the process's
// life unless a later exit can give it back.
void LetModuleGo(bool nothingLeftInHost);

// Marks a call of the module under way for as long as it lives: a window
// procedure, a timer or an export that runs a message loop may see the
// host exit and free the module inside it, and must return into mapped code.
class ModuleCall {
public:
    ModuleCall();
    ~ModuleCall();
    ModuleCall(const ModuleCall&) = delete;
    ModuleCall& operator=(const ModuleCall&) = delete;
};
