#include "plugin/tree_subclass.h"

#include "plugin/module_lifetime.h"

namespace {

// Normally one place is taken; each time a host cuts the module out of a
// tree's chain, the next look takes another.
const int kPlaces = 8;

struct Place {
    HWND tree;  // null: free
    WNDPROC original;
    bool unicode;
    bool listened;  // false: the procedure only passes messages on
    TreeListener listener;
};
Place g_places[kPlaces];

bool IsTreeMessage(UINT message) { return message >= TV_FIRST && message < TV_FIRST + 0x100; }

LRESULT PassOn(int index, HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
    ModuleCall call;
    Place& place = g_places[index];
    // A place is freed with its window's last message: nothing is left to
    // pass a message on to but the default.
    if (place.tree != tree) return DefaultWindowProcedure(tree, message, wParam, lParam);
    if (IsProbeFor(message, wParam, lParam, &place)) return kProbeAnswer;
    const Place passOn = place;
    if (message == WM_NCDESTROY) {
        place = Place{};
        if (passOn.listened) passOn.listener.destroying(tree);
    }
    LRESULT result = CallWindowProcedure(passOn.original, passOn.unicode, tree, message, wParam, lParam);
    // The tree's own queries, the host's most frequent messages, pass at
    // the cost of the call and this test. Listening may have stopped inside.
    if (IsTreeMessage(message) && place.listened && place.tree == tree) passOn.listener.handled(tree, message, wParam, lParam);
    return result;
}

template <int kIndex>
LRESULT CALLBACK PlaceProcedure(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
    return PassOn(kIndex, tree, message, wParam, lParam);
}

const WNDPROC kProcedures[kPlaces] = {PlaceProcedure<0>, PlaceProcedure<1>, PlaceProcedure<2>, PlaceProcedure<3>,
                                      PlaceProcedure<4>, PlaceProcedure<5>, PlaceProcedure<6>, PlaceProcedure<7>};

bool OnTop(int index) {
    const Place& place = g_places[index];
    return WindowProcedureOf(place.tree, place.unicode) == kProcedures[index];
}

bool Called(int index) { return OnTop(index) || ProbeReachesProcedure(g_places[index].tree, &g_places[index]); }

int ListenedPlace(HWND tree) {
    for (int i = 0; i < kPlaces; ++i) {
        if (tree && g_places[i].tree == tree && g_places[i].listened) return i;
    }
    return -1;
}

}  // namespace

bool SubclassTree(HWND tree, const TreeListener& listener) {
    if (ListenedPlace(tree) >= 0) return true;
    for (int i = 0; i < kPlaces; ++i) {
        // A place whose window is gone without its last message reaching
        // the procedure (it was cut out) can be called no more.
        if (g_places[i].tree && !IsWindow(g_places[i].tree)) g_places[i] = Place{};
        if (g_places[i].tree) continue;
        const bool unicode = IsWindowUnicode(tree) != FALSE;
        WNDPROC original = SubclassWindow(tree, unicode, kProcedures[i]);
        if (!original) return false;
        g_places[i] = Place{tree, original, unicode, true, listener};
        return true;
    }
    return false;
}

bool TreeSubclassStillCalled(HWND tree) {
    const int index = ListenedPlace(tree);
    return index >= 0 && Called(index);
}

void StopListening(HWND tree) {
    const int index = ListenedPlace(tree);
    if (index >= 0) g_places[index].listened = false;
}

bool UnsubclassTrees() {
    bool left = false;
    for (int i = 0; i < kPlaces; ++i) {
        Place& place = g_places[i];
        if (!place.tree) continue;
        place.listened = false;
        if (!IsWindow(place.tree) || (OnTop(i) && SubclassWindow(place.tree, place.unicode, place.original)) ||
            !Called(i)) {
            place = Place{};
            continue;
        }
        left = true;
    }
    return !left;
}

TreeQueriesStraightTo::Route RouteUnderSubclass(HWND tree) {
    const int index = ListenedPlace(tree);
    // Called from another thread, a question must travel to the tree's
    // thread as a sent message does.
    if (index < 0 || !OnTop(index) || GetWindowThreadProcessId(tree, nullptr) != GetCurrentThreadId())
        return {tree, nullptr, nullptr, false};
    return {tree, kProcedures[index], g_places[index].original, g_places[index].unicode};
}
