// Groups the module sorted that another party keeps sorting back. A second
// ordering plug-in (or a second copy of this one with another order file)
// restores its order after each change, this module restores its own, and
// the two would re-sort each other for as long as the host runs. A group
// the module sorted that somebody else sorts within a second, after each of
// three of the module's sorts running, is left to them until a folder is
// added or removed.
#pragma once

#include <windows.h>
#include <commctrl.h>

// A sort of the group under `parent` (TVI_ROOT for the top level): the
// module's own, or another party's (`recursive`: of every group below too).
void NoteOwnGroupSort(HTREEITEM parent);
void NoteOthersGroupSort(HTREEITEM parent, bool recursive);

// Whether the module leaves the group under `parent` to the other party.
bool GroupGivenWay(HTREEITEM parent);

// A folder added or removed: both orders are about other folders now.
void ForgetGroupSorts();
