#include "plugin/contested_groups.h"

#include "plugin/host_api.h"

namespace {

const DWORD kUndoneWithin = 1000;
const int kUndoneTimesToGiveWay = 3;
// Each sort message looks the list through: past this many groups (a tree
// rebuilt whole, thousands of groups re-sorted) the rest are not remembered.
const DWORD kMostGroups = 1024;

struct SortedGroup {
    HTREEITEM parent;
    DWORD sortedAt;  // GetTickCount of the module's last sort of it
    int undone;      // the module's sorts of it undone soon after, running
    bool counted;    // the module's last sort of it is counted as undone
    bool givenWay;
};

// Every group the module sorted since a folder was last added or removed,
// in one host block that grows as a sort reaches more groups.
struct Groups {
    SortedGroup* list;
    DWORD count;
    DWORD capacity;
};
Groups g_groups;

SortedGroup* Find(HTREEITEM parent) {
    for (DWORD i = 0; i < g_groups.count; ++i) {
        if (g_groups.list[i].parent == parent) return &g_groups.list[i];
    }
    return nullptr;
}

// Without memory for one more group, that group is not remembered: at
// worst it goes on being re-sorted, twice a second at most.
SortedGroup* Add(HTREEITEM parent) {
    if (g_groups.count == kMostGroups) return nullptr;
    if (g_groups.count == g_groups.capacity) {
        const DWORD capacity = g_groups.capacity ? g_groups.capacity * 2 : 16;
        SortedGroup* larger = static_cast<SortedGroup*>(HostAlloc(capacity * sizeof(SortedGroup)));
        if (!larger) return nullptr;
        if (g_groups.list) {
            CopyMemory(larger, g_groups.list, g_groups.count * sizeof(SortedGroup));
            HostFree(g_groups.list);
        }
        g_groups.list = larger;
        g_groups.capacity = capacity;
    }
    SortedGroup* group = &g_groups.list[g_groups.count++];
    *group = SortedGroup{parent, 0, 0, false, false};
    return group;
}

void NoteUndone(SortedGroup* group, DWORD now) {
    if (now - group->sortedAt >= kUndoneWithin) {
        group->undone = 0;
        return;
    }
    // Once for each of the module's sorts, however often the other party sorts.
    if (group->counted) return;
    group->counted = true;
    if (++group->undone >= kUndoneTimesToGiveWay) group->givenWay = true;
}

}  // namespace

void NoteOwnGroupSort(HTREEITEM parent) {
    SortedGroup* group = Find(parent);
    if (!group) group = Add(parent);
    if (!group) return;
    group->sortedAt = GetTickCount();
    group->counted = false;
}

void NoteOthersGroupSort(HTREEITEM parent, bool recursive) {
    const DWORD now = GetTickCount();
    // The groups a recursive sort reaches are not told: every group the
    // module sorted counts.
    if (recursive) {
        for (DWORD i = 0; i < g_groups.count; ++i) NoteUndone(&g_groups.list[i], now);
        return;
    }
    if (SortedGroup* group = Find(parent)) NoteUndone(group, now);
}

bool GroupGivenWay(HTREEITEM parent) {
    const SortedGroup* group = Find(parent);
    return group && group->givenWay;
}

void ForgetGroupSorts() {
    if (g_groups.list) HostFree(g_groups.list);
    g_groups = Groups{};
}
