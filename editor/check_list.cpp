#include "editor/check_list.h"

#include "editor/editor_check.h"
#include "editor/editor_layout.h"
#include "editor/folder_moves.h"
#include "order/order_file.h"
#include "plugin/module_state.h"
#include "plugin/texts.h"
#include "plugin/tree_control.h"
#include "resources/resource_ids.h"

namespace {

static_assert(kCheckReasons == static_cast<int>(LineSlip::kEmptyFirstLine) + 1, "a reason for every slip");

// Every text here is put together by wsprintfA, which writes at most 1024
// bytes a call: a line, a path or a fix is shown up to kShownBytes, so that
// no call needs more.
const int kTextBytes = 1024;
const int kDetailBytes = 4 * kTextBytes;
const DWORD kShownBytes = 300;

// `length` bytes of `text` as a string, up to kShownBytes, "..." where it was cut.
void Copied(const char* text, DWORD length, char* out) {
    const DWORD shown = WholeCharacterBytes(text, length, kShownBytes);
    CopyMemory(out, text, shown);
    lstrcpyA(out + shown, shown < length ? "..." : "");
}

// ---- The notice under the tree.

void NoticeText(const EditorCheck& check, char* text) {
    const DWORD chosen = check.chosen();
    if (chosen)
        wsprintfA(text, kCheckNoticeChosenFormat, chosen, check.rows());
    else
        wsprintfA(text, kCheckNoticeFormat, check.rows());
}

// Dialog units to pixels, as the window's font makes them.
int DialogWidth(HWND dialog, int units) {
    RECT rect = {0, 0, units, 0};
    MapDialogRect(dialog, &rect);
    return rect.right;
}
int DialogHeight(HWND dialog, int units) {
    RECT rect = {0, 0, 0, units};
    MapDialogRect(dialog, &rect);
    return rect.bottom;
}

// The width a text of `bytes` bytes takes at most: a full-width character
// (two bytes) is about twice the font's average width, four dialog units.
int TextWidth(HWND dialog, int bytes) { return DialogWidth(dialog, bytes * 4 + 4); }

// ---- The list's window, made from a template in memory: the module's
// resources keep the one dialog they have.

class DialogTemplate {
public:
    explicit DialogTemplate(DWORD* buffer) : start_(reinterpret_cast<WORD*>(buffer)), at_(start_) {}

    // No menu, the dialog class, a title set at run time, the editor's font.
    void Header(DWORD style, WORD items, short width, short height) {
        Dword(style);
        Dword(0);
        Word(items);
        Word(0);
        Word(0);
        Word(static_cast<WORD>(width));
        Word(static_cast<WORD>(height));
        Word(0);
        Word(0);
        Word(0);
        Word(9);
        // ＭＳ Ｐゴシック, as the editor's template names it.
        Text(L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF");
    }
    // A control with a predefined class (`atom`: 0x80 a button, 0x81 an
    // edit) or a class by name; its text is set at run time.
    void Item(DWORD style, short x, short y, short width, short height, WORD id, WORD atom,
              const WCHAR* className = nullptr) {
        if ((at_ - start_) % 2) Word(0);
        Dword(WS_CHILD | WS_VISIBLE | style);
        Dword(0);
        Word(static_cast<WORD>(x));
        Word(static_cast<WORD>(y));
        Word(static_cast<WORD>(width));
        Word(static_cast<WORD>(height));
        Word(id);
        if (className) {
            Text(className);
        } else {
            Word(0xFFFF);
            Word(atom);
        }
        Word(0);
        Word(0);
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(start_); }

private:
    void Word(WORD value) { *at_++ = value; }
    void Dword(DWORD value) {
        Word(LOWORD(value));
        Word(HIWORD(value));
    }
    void Text(const WCHAR* text) {
        do Word(*text);
        while (*text++);
    }

    WORD* start_;
    WORD* at_;
};

const WORD kButton = 0x80, kEdit = 0x81;
// The template's words: the header and nine controls, far below this.
const int kTemplateDwords = 256;

void BuildListTemplate(DWORD* buffer) {
    DialogTemplate dialog(buffer);
    dialog.Header(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 9, 310, 214);
    dialog.Item(WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 7, 7, 296, 40, IDC_CHECK_HEADER, kEdit);
    dialog.Item(WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 7, 50, 296, 90,
                IDC_CHECK_LIST, 0, L"SysListView32");
    dialog.Item(WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 7, 144, 296, 44, IDC_CHECK_DETAIL, kEdit);
    dialog.Item(WS_TABSTOP | BS_PUSHBUTTON, 7, 193, 48, 14, IDC_CHECK_FIX, kButton);
    dialog.Item(WS_TABSTOP | BS_PUSHBUTTON, 58, 193, 48, 14, IDC_CHECK_REMOVE, kButton);
    dialog.Item(WS_TABSTOP | BS_PUSHBUTTON, 109, 193, 40, 14, IDC_CHECK_KEEP, kButton);
    dialog.Item(WS_TABSTOP | BS_PUSHBUTTON, 152, 193, 52, 14, IDC_CHECK_REMOVE_ALL, kButton);
    dialog.Item(WS_TABSTOP | BS_DEFPUSHBUTTON, 209, 193, 45, 14, IDOK, kButton);
    dialog.Item(WS_TABSTOP | BS_PUSHBUTTON, 258, 193, 45, 14, IDCANCEL, kButton);
}

// ---- The list's state while it runs: the choices made in it, which its
// OK hands to the editor and its Cancel drops.
struct ListSession {
    EditorCheck* check;
    HWND editor;
    HostBlock choices;
    bool opened;
};

LineChoice* Choices(ListSession* session) { return reinterpret_cast<LineChoice*>(session->choices.get()); }

ListSession* SessionOf(HWND window) { return static_cast<ListSession*>(DialogContext(window)); }

// The line as the user wrote it, between 「」 so that blanks show; a UTF-8
// line as what it says.
void ReadableLine(const EditorCheck& check, DWORD row, char* out) {
    const CheckedLine& line = check.row(row);
    lstrcpyA(out, "「");
    char* at = out + lstrlenA(out);
    char said[kTextBytes];
    const char* text = check.RowText(row);
    DWORD length = line.length;
    bool cut = false;
    if (line.slip == LineSlip::kUtf8) {
        // What the UTF-8 says, in the code page (a character it lacks as
        // "?"), of its first kShownBytes at most, cut before a character.
        DWORD taken = line.length < kShownBytes ? line.length : kShownBytes;
        while (taken < line.length && taken > 0 && (static_cast<BYTE>(text[taken]) & 0xC0) == 0x80) --taken;
        WCHAR wide[kShownBytes];
        const int characters = MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(taken), wide, kShownBytes);
        const int written = characters > 0 ? WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, characters,
                                                                 said, sizeof said, nullptr, nullptr)
                                           : 0;
        if (written > 0) {
            text = said;
            length = static_cast<DWORD>(written);
            cut = taken < line.length;
        }
    }
    Copied(text, length, at);
    if (cut) lstrcatA(at, "...");
    lstrcatA(out, "」");
    if (line.slip == LineSlip::kUtf8) lstrcatA(out, kCheckUtf8Tag);
}

const char* ChoiceText(LineChoice choice) {
    return choice == LineChoice::kRemove ? kCheckChoiceRemove
           : choice == LineChoice::kFix  ? kCheckChoiceFix
                                         : kCheckChoiceKeep;
}

void AnswerCell(ListSession* session, LPARAM notification, int row, int column) {
    char text[kTextBytes];
    const EditorCheck& check = *session->check;
    if (row < 0 || static_cast<DWORD>(row) >= check.rows()) return;
    switch (column) {
        case 0: wsprintfA(text, "%lu", check.row(row).number); break;
        case 1: ReadableLine(check, row, text); break;
        case 2: lstrcpynA(text, kCheckWhyShort[static_cast<int>(check.row(row).slip)], kTextBytes); break;
        default: lstrcpyA(text, ChoiceText(Choices(session)[row])); break;
    }
    ListAnswerText(notification, text);
}

// What the check says of the focused row, in full, under the list.
void ShowDetail(HWND window, ListSession* session) {
    const EditorCheck& check = *session->check;
    const int row = ListFocusedRow(GetDlgItem(window, IDC_CHECK_LIST));
    char detail[kDetailBytes];
    detail[0] = '\0';
    if (row >= 0 && static_cast<DWORD>(row) < check.rows()) {
        const CheckedLine& line = check.row(row);
        char readable[kTextBytes], why[kTextBytes], fix[kTextBytes];
        ReadableLine(check, row, readable);
        if (line.slip == LineSlip::kUnderMissingFolder) {
            char path[kTextBytes];
            Copied(check.RowText(row), line.groupLength, path);
            wsprintfA(why, kCheckGroupFormat, path, line.groupCount);
        } else {
            lstrcpynA(why, kCheckWhy[static_cast<int>(line.slip)], kTextBytes);
        }
        char* at = detail + wsprintfA(detail, kCheckDetailFormat, line.number, readable, why);
        if (line.fix) {
            Copied(line.fix, line.fixLength, fix);
            if (line.candidates > 1)
                at += wsprintfA(at, kCheckSeveralFormat, line.candidates, fix);
            else
                at += wsprintfA(at, !line.fixNamesFolder ? kCheckTailFormat
                                    : line.fixGuessed    ? kCheckGuessFormat
                                                         : kCheckFixFormat,
                                fix);
        }
        if (line.repeats) at += wsprintfA(at, kCheckRepeatsFormat, line.repeats);
    }
    SetDlgItemTextA(window, IDC_CHECK_DETAIL, detail);
}

// The order file's path, the copy Windows keeps of it, how it was read,
// and what the choices do.
void ShowHeader(HWND window, const EditorCheck& check) {
    char header[kDetailBytes];
    char* at = header + wsprintfA(header, kCheckFileFormat, g_module.orderFilePath);
    char copy[kPathCapacity];
    if (OrderFileInVirtualStore(copy)) at += wsprintfA(at, kCheckVirtualStoreFormat, copy);
    const OrderFileEncoding encoding = check.check().encoding();
    if (check.check().notText())
        lstrcpyA(at, kCheckNotText);
    else if (encoding == OrderFileEncoding::kUtf8)
        lstrcpyA(at, kCheckReadAsUtf8);
    else if (encoding != OrderFileEncoding::kCodePage)
        lstrcpyA(at, kCheckReadAsUtf16);
    lstrcatA(at, "\r\n");
    lstrcatA(at, kCheckHowToApply);
    SetDlgItemTextA(window, IDC_CHECK_HEADER, header);
}

void CentreOn(HWND window, HWND owner) {
    RECT outer, inner;
    GetWindowRect(owner, &outer);
    GetWindowRect(window, &inner);
    const int width = inner.right - inner.left, height = inner.bottom - inner.top;
    SetWindowPos(window, nullptr, outer.left + (outer.right - outer.left - width) / 2,
                 outer.top + (outer.bottom - outer.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Kept on the screen, as a dialog is.
    SendMessageA(window, DM_REPOSITION, 0, 0);
}

void InitialiseList(HWND window, ListSession* session) {
    session->opened = true;
    SetWindowTextA(window, kCheckListCaption);
    const struct {
        int id;
        const char* text;
    } labels[] = {{IDC_CHECK_FIX, kCheckFix},          {IDC_CHECK_REMOVE, kCheckRemove},
                  {IDC_CHECK_KEEP, kCheckKeep},        {IDC_CHECK_REMOVE_ALL, kCheckRemoveAll},
                  {IDOK, "OK"},                        {IDCANCEL, kCheckCancel}};
    for (const auto& label : labels) SetDlgItemTextA(window, label.id, label.text);
    ShowHeader(window, *session->check);
    HWND list = GetDlgItem(window, IDC_CHECK_LIST);
    const char* const titles[] = {kCheckColumnLine, kCheckColumnText, kCheckColumnWhy, kCheckColumnAtOk};
    // The last column names the OK that writes the file: wide enough for it.
    const int widths[] = {DialogWidth(window, 24), DialogWidth(window, 112), DialogWidth(window, 84),
                          DialogWidth(window, 60)};
    ListPrepare(list, titles, widths, 4, static_cast<int>(session->check->rows()));
    ListFocusRow(list, 0);
    ShowDetail(window, session);
    CentreOn(window, session->editor);
    FocusDialogControl(window, list);
}

// Sets the choice of every selected row to `choice`; a fix only where one
// is known. False when no row took it.
bool ChooseForSelected(HWND window, ListSession* session, LineChoice choice) {
    HWND list = GetDlgItem(window, IDC_CHECK_LIST);
    bool taken = false;
    for (int row = ListNextSelected(list, -1); row >= 0; row = ListNextSelected(list, row)) {
        if (choice == LineChoice::kFix && !session->check->CanFix(row)) continue;
        Choices(session)[row] = choice;
        taken = true;
    }
    ListRedrawAll(list);
    return taken;
}

// Space: the focused row's next choice (keep, remove, fix where one is
// known), for every selected row.
void CycleChoice(HWND window, ListSession* session) {
    const int row = ListFocusedRow(GetDlgItem(window, IDC_CHECK_LIST));
    if (row < 0) return;
    const LineChoice now = Choices(session)[row];
    LineChoice next = now == LineChoice::kKeep ? LineChoice::kRemove
                      : now == LineChoice::kRemove && session->check->CanFix(row) ? LineChoice::kFix
                                                                                   : LineChoice::kKeep;
    ChooseForSelected(window, session, next);
}

void OnListCommand(HWND window, ListSession* session, WORD id) {
    // A choice's button (Alt+letter clicks it, and takes the focus): the
    // arrows and Space go on in the list.
    if (id >= IDC_CHECK_FIX && id <= IDC_CHECK_REMOVE_ALL)
        FocusDialogControl(window, GetDlgItem(window, IDC_CHECK_LIST));
    switch (id) {
        case IDC_CHECK_FIX:
            if (!ChooseForSelected(window, session, LineChoice::kFix)) MessageBeep(MB_OK);
            break;
        case IDC_CHECK_REMOVE: ChooseForSelected(window, session, LineChoice::kRemove); break;
        case IDC_CHECK_KEEP: ChooseForSelected(window, session, LineChoice::kKeep); break;
        case IDC_CHECK_REMOVE_ALL:
            ListSelectAll(GetDlgItem(window, IDC_CHECK_LIST));
            ChooseForSelected(window, session, LineChoice::kRemove);
            break;
        case IDOK: EndDialog(window, 1); break;
        case IDCANCEL: EndDialog(window, 0); break;
        default: break;
    }
}

INT_PTR CALLBACK CheckListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        InitialiseList(window, static_cast<ListSession*>(KeepDialogContext(window, lParam)));
        return FALSE;
    }
    ListSession* session = SessionOf(window);
    if (!session) return FALSE;
    switch (message) {
        case WM_COMMAND:
            OnListCommand(window, session, LOWORD(wParam));
            return TRUE;
        case WM_NOTIFY: {
            if (LOWORD(wParam) != IDC_CHECK_LIST) return FALSE;
            int row, column;
            if (ListTextAsked(lParam, &row, &column)) {
                AnswerCell(session, lParam, row, column);
                return TRUE;
            }
            if (ListKeyDown(lParam) == VK_SPACE) {
                CycleChoice(window, session);
                return TRUE;
            }
            // Typing in a list whose rows the owner keeps asks the owner to
            // find a row; unanswered, the control takes row 0 as found.
            if (NotificationCode(lParam) == LVN_ODFINDITEMA || NotificationCode(lParam) == LVN_ODFINDITEMW)
                return AnswerDialogNotification(window, -1);
            if (NotificationCode(lParam) == LVN_ITEMCHANGED) ShowDetail(window, session);
            return FALSE;
        }
        default:
            return FALSE;
    }
}

}  // namespace

void ShowCheckNotice(HWND dialog, const EditorCheck& check) {
    if (check.rows() == 0) return;
    char text[kTextBytes];
    // As wide as the longest it can grow to: every line fixed or removed.
    wsprintfA(text, kCheckNoticeChosenFormat, check.rows(), check.rows());
    int bytes = lstrlenA(text);
    wsprintfA(text, kCheckNoticeFormat, check.rows());
    if (lstrlenA(text) > bytes) bytes = lstrlenA(text);
    const int buttonWidth = DialogWidth(dialog, 40), gap = DialogWidth(dialog, 4);
    const int width = TextWidth(dialog, bytes) + gap + buttonWidth;
    NoticeText(check, text);
    if (!CreateDialogControl(dialog, "STATIC", text, SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOPREFIX,
                             IDC_CHECK_NOTICE) ||
        !CreateDialogControl(dialog, "BUTTON", kCheckOpenList, WS_TABSTOP | BS_PUSHBUTTON, IDC_CHECK_OPEN)) {
        // Half a notice would say nothing: none, and the window as before.
        DestroyWindow(GetDlgItem(dialog, IDC_CHECK_NOTICE));
        return;
    }
    ReserveEditorRow(dialog, IDC_CHECK_NOTICE, IDC_CHECK_OPEN, DialogHeight(dialog, 14), width, buttonWidth, gap);
}

void RunCheckList(HWND dialog, EditorCheck* check, const FolderKeyCopies& keys) {
    if (check->rows() == 0) return;
    ListSession session = {check, dialog, HostBlock(), false};
    if (!session.choices.Allocate(check->rows())) {
        ShowEditorWarning(dialog, kCheckCouldNotOpen);
        return;
    }
    for (DWORD i = 0; i < check->rows(); ++i) Choices(&session)[i] = check->choice(i);
    DWORD buffer[kTemplateDwords];
    BuildListTemplate(buffer);
    HWND tree = GetDlgItem(dialog, IDC_FOLDER_TREE);
    const INT_PTR result =
        EnsureListViewClass(tree)
            ? RunDialogFromTemplate(g_module.moduleHandle, DialogTemplate(buffer).get(), dialog, CheckListProc,
                                    &session)
            : -1;
    // Wine answers 0, not -1, for a dialog it could not make.
    if (!session.opened) {
        ShowEditorWarning(dialog, kCheckCouldNotOpen);
        return;
    }
    // The editor may have gone with its owner while the list ran.
    if (result != 1 || !IsWindow(dialog)) return;
    check->Apply(tree, keys, Choices(&session));
    NoticeText(*check, reinterpret_cast<char*>(buffer));
    SetDlgItemTextA(dialog, IDC_CHECK_NOTICE, reinterpret_cast<char*>(buffer));
}
