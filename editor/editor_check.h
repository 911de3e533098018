// The check of the order file for one editor: run when the window opens,
// against the folders it shows; the user's choice for each line that names
// no folder (keep it, remove it, or take its fix), kept until the editor
// closes; the lines OK then leaves out; and a fix's move of its folder.
// Part of the moves' layer: the windows above show it and ask for changes.
#pragma once

#include <windows.h>

#include "order/kept_lines.h"
#include "order/order_check.h"
#include "plugin/host_api.h"

class FolderKeyCopies;

enum class LineChoice : BYTE { kKeep, kRemove, kFix };

class EditorCheck {
public:
    EditorCheck() = default;
    EditorCheck(const EditorCheck&) = delete;
    EditorCheck& operator=(const EditorCheck&) = delete;

    // Reads the order file as stored and checks it against the folders of
    // the editor's `tree`, whose keys `keys` holds. False when it could not
    // (a file held, no memory): the editor then shows no notice, as before.
    bool Run(HWND tree, const FolderKeyCopies& keys, const char* dataFolder);

    const OrderCheck& check() const { return check_; }
    // The lines listed: each line that names no folder, once.
    DWORD rows() const { return rowCount_; }
    const CheckedLine& row(DWORD index) const { return check_.line(RowLines()[index]); }
    const char* RowText(DWORD index) const { return check_.text() + row(index).offset; }
    LineChoice choice(DWORD index) const { return static_cast<LineChoice>(choices_.get()[index]); }
    // The rows OK will remove or fix.
    DWORD chosen() const;
    // Whether the row's fix names one folder of the tree, which can take its place.
    bool CanFix(DWORD index) const;

    // Takes `choices` (one a row) as the user's. A row newly fixed moves
    // its folder in `tree` to the place its line gives it, after the
    // sibling placed last before it (by a line of its own or a fixed one;
    // first when none is), unless an earlier line places it; a row whose
    // move failed stays kept. A fix taken in an earlier opening is not
    // taken again, and one dropped since leaves its folder where it went
    // (Ctrl+Z moves it back): either way every folder's line is written.
    void Apply(HWND tree, const FolderKeyCopies& keys, const LineChoice* choices);
    // The lines OK leaves out (the rows removed or fixed), into `lines`;
    // false when the host had no memory: the save must not go on then.
    bool Dropped(HostBlock* lines, DWORD* count) const;

private:
    const DWORD* RowLines() const { return reinterpret_cast<const DWORD*>(rows_.get()); }
    class FixedFolders;
    // Places the folders of the group of rows[first]'s folder: the group's
    // new order worked out from its fixes among rows[first..count) in the
    // file's order, then arranged as one step. Marks in `placed` each row
    // of the group (1, or 2 when the group could not be arranged, which the
    // moves told); `groupOf` holds, for each fixed folder, the group it was
    // last read in and its index there. False when the group could not be
    // read (no memory, an item the control would not answer for).
    bool PlaceGroup(HWND tree, const FolderKeyCopies& keys, const DWORD* rows, DWORD count, DWORD first,
                    char* placed, FixedFolders* fixed, DWORD* groupOf, DWORD group);

    OrderCheck check_;
    HostBlock rows_;     // the index of each row's line in the check
    HostBlock choices_;  // LineChoice, one a row
    DWORD rowCount_ = 0;
};
