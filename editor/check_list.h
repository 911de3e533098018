// The check of the order file in the editor's window: a notice under the
// tree when lines name no folder, with a button that opens the list, a
// modal window where the user sees each such line, why it orders nothing
// and what was meant, and chooses to keep it, remove it or take its fix.
#pragma once

#include <windows.h>

class EditorCheck;
class FolderKeyCopies;

// Adds the notice and its button under the tree when the check listed
// lines; nothing when it listed none. After the window's layout is prepared.
void ShowCheckNotice(HWND dialog, const EditorCheck& check);
// Runs the list over the editor. Its OK makes the choices the editor's
// (a fix moves its folder in the tree at once); its Cancel drops them.
void RunCheckList(HWND dialog, EditorCheck* check, const FolderKeyCopies& keys);
