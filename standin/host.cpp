#include "standin/host.h"

#include <cstdio>

#include <algorithm>
#include <sstream>

namespace standin {

namespace {
const char kHostWindowClass[] = "TamrivelStandinHost";

void RegisterHostWindowClass() {
    static bool registered = false;
    if (registered) return;
    // A real host registers the common controls; the module never does.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = FolderTreeHost::HostWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kHostWindowClass;
    RegisterClassA(&windowClass);
    registered = true;
}

std::string Convert(const std::string& text, UINT from, UINT to) {
    if (text.empty()) return text;
    int wideLength = MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0);
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), &wide[0], wideLength);
    int length = WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(to, 0, wide.data(), wideLength, &result[0], length, nullptr, nullptr);
    return result;
}
}  // namespace

FolderTreeHost::FolderTreeHost(DWORD pathOffset, bool visible) : pathOffset_(pathOffset) {
    RegisterHostWindowClass();
    window_ = CreateWindowA(kHostWindowClass, "Becky! (stand-in)",
                            WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 40, 40, 360, 480,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    Host().mainWindow = window_;
    CreateTree();
}

void FolderTreeHost::CreateTree() {
    RECT client;
    GetClientRect(window_, &client);
    tree_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                            WS_CHILD | WS_VISIBLE | TVS_HASLINES | TVS_HASBUTTONS |
                                TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                            0, 0, client.right, client.bottom, window_, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    // The host's own subclass, under any the module puts on top: it sees
    // every sort the module asks for. In the control's character set, as a
    // host's would be, so that the module meets a Unicode window.
    SetWindowLongPtrW(tree_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    treeProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(tree_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingTreeProc)));
    Host().folderTree = tree_;
}

void FolderTreeHost::ReplaceTreeWindow() {
    ReleaseAllFolders();
    DestroyWindow(tree_);
    CreateTree();
}

void FolderTreeHost::RenameFolder(HTREEITEM item, const std::string& name, bool tellTree) {
    HTREEITEM parent = TreeView_GetParent(tree_, item);
    const std::string oldPath = PathOf(item);
    const std::string newPath = (parent ? PathOf(parent) : Host().dataFolder) + name + "\\";
    int depth = 0;
    for (HTREEITEM each = item; each; each = NextInTree(tree_, each, &depth)) {
        if (each != item && depth <= 0) break;
        const std::string path = PathOf(each);
        SetRecordPath(ItemData(tree_, each), newPath + path.substr(oldPath.size()));
        paths_[each] = newPath + path.substr(oldPath.size());
    }
    if (!tellTree) return;
    TVITEMA text = {};
    text.mask = TVIF_HANDLE | TVIF_TEXT;
    text.hItem = item;
    text.pszText = const_cast<char*>(name.c_str());
    SendMessageA(tree_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&text));
}

HTREEITEM FolderTreeHost::ReinsertFolder(HTREEITEM item, HTREEITEM parent, const std::string& name,
                                         HTREEITEM after) {
    // The subtree's names, depth first, with their depths below `item`.
    std::vector<std::pair<int, std::string>> names;
    int depth = 0;
    for (HTREEITEM each = item; each; each = NextInTree(tree_, each, &depth)) {
        if (each != item && depth <= 0) break;
        names.emplace_back(depth, each == item ? name : ItemText(tree_, each));
    }
    ReleaseFolder(item);
    std::vector<HTREEITEM> parents{parent};
    HTREEITEM top = nullptr;
    for (const auto& entry : names) {
        parents.resize(static_cast<size_t>(entry.first) + 1);
        HTREEITEM added = AddFolder(parents.back(), entry.second, entry.first == 0 ? after : TVI_LAST);
        if (!top) top = added;
        parents.push_back(added);
    }
    return top;
}

void FolderTreeHost::SetRecordPath(LPARAM itemData, const std::string& fullPath) {
    for (Record& record : records_) {
        if (reinterpret_cast<LPARAM>(record.bytes) != itemData) continue;
        record.path = fullPath;
        const char* address = record.path.c_str();
        CopyMemory(record.bytes + pathOffset_, &address, sizeof address);
        return;
    }
}

LRESULT CALLBACK FolderTreeHost::CountingTreeProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
    FolderTreeHost* host = reinterpret_cast<FolderTreeHost*>(GetWindowLongPtrW(tree, GWLP_USERDATA));
    if (message == TVM_SORTCHILDRENCB) {
        ++host->sortsByFunction_;
        std::function<void()> action;
        action.swap(host->duringSort_);
        if (action) action();
        if (!IsWindow(tree)) return 0;
    }
    if ((message == TVM_GETNEXTITEM && wParam != TVGN_ROOT && wParam != TVGN_CARET) || message == TVM_GETITEMA ||
        message == TVM_GETITEMW)
        ++host->itemQueries_;
    return CallWindowProcW(host->treeProc_, tree, message, wParam, lParam);
}

LRESULT CALLBACK FolderTreeHost::HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    FolderTreeHost* host = reinterpret_cast<FolderTreeHost*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_NOTIFY && host && reinterpret_cast<const NMHDR*>(lParam)->hwndFrom == host->tree_) {
        std::function<void()> action;
        action.swap(host->onNotification_);
        if (action) action();
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

namespace {
// The control removes its items by recursion when its window goes, a stack
// frame a level: a test tree thousands of levels deep is taken apart first,
// each item once it has no children left, from the last one back.
void DeleteItemsFromTheLeavesUp(HWND tree) {
    SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
    auto lastDescendant = [tree](HTREEITEM item) {
        for (HTREEITEM child; (child = TreeView_GetChild(tree, item)) != nullptr;) {
            for (HTREEITEM next; (next = TreeView_GetNextSibling(tree, child)) != nullptr;) child = next;
            item = child;
        }
        return item;
    };
    HTREEITEM item = TreeView_GetRoot(tree);
    if (!item) return;
    for (HTREEITEM next; (next = TreeView_GetNextSibling(tree, item)) != nullptr;) item = next;
    for (item = lastDescendant(item); item;) {
        HTREEITEM previous = TreeView_GetPrevSibling(tree, item);
        HTREEITEM parent = TreeView_GetParent(tree, item);
        TreeView_DeleteItem(tree, item);
        item = previous ? lastDescendant(previous) : parent;
    }
}
}  // namespace

FolderTreeHost::~FolderTreeHost() {
    DeleteItemsFromTheLeavesUp(tree_);
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
    if (images_) ImageList_Destroy(images_);
    if (noAccessPage_) VirtualFree(noAccessPage_, 0, MEM_RELEASE);
    if (Host().folderTree == tree_) Host().folderTree = nullptr;
    if (Host().mainWindow == window_) Host().mainWindow = nullptr;
}

FolderTreeHost::Record& FolderTreeHost::TakeRecord() {
    if (released_.empty()) {
        records_.emplace_back();
        return records_.back();
    }
    Record& record = *released_.front();
    released_.pop_front();
    return record;
}

LPARAM FolderTreeHost::NewRecordWithPathAddress(const void* pathAddress) {
    Record& record = TakeRecord();
    record.path.clear();
    FillMemory(record.bytes, sizeof record.bytes, kRecordFill);
    CopyMemory(record.bytes + pathOffset_, &pathAddress, sizeof pathAddress);
    return reinterpret_cast<LPARAM>(record.bytes);
}

LPARAM FolderTreeHost::NewRecord(const std::string& fullPath) {
    Record& record = TakeRecord();
    record.path = fullPath;
    FillMemory(record.bytes, sizeof record.bytes, kRecordFill);
    const char* address = record.path.c_str();
    CopyMemory(record.bytes + pathOffset_, &address, sizeof address);
    return reinterpret_cast<LPARAM>(record.bytes);
}

void FolderTreeHost::ReleaseRecord(LPARAM itemData) {
    for (Record& record : records_) {
        if (reinterpret_cast<LPARAM>(record.bytes) != itemData) continue;
        FillMemory(record.bytes, sizeof record.bytes, kRecordFill);
        record.path.assign(record.path.size(), '\xEE');
        released_.push_back(&record);
        return;
    }
}

void FolderTreeHost::ReleaseFolder(HTREEITEM item) {
    std::vector<HTREEITEM> pending{item};
    while (!pending.empty()) {
        HTREEITEM each = pending.back();
        pending.pop_back();
        ReleaseRecord(ItemData(tree_, each));
        paths_.erase(each);
        for (HTREEITEM child = TreeView_GetChild(tree_, each); child;
             child = TreeView_GetNextSibling(tree_, child))
            pending.push_back(child);
    }
    TreeView_DeleteItem(tree_, item);
}

void FolderTreeHost::ReleaseAllFolders() {
    while (HTREEITEM first = TreeView_GetRoot(tree_)) ReleaseFolder(first);
}

const void* FolderTreeHost::UnreadableAddress() {
    if (!noAccessPage_) noAccessPage_ = VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_NOACCESS);
    return noAccessPage_;
}

LPARAM FolderTreeHost::UnreadableRecord() {
    return reinterpret_cast<LPARAM>(UnreadableAddress());
}

HTREEITEM FolderTreeHost::AddItem(HTREEITEM parent, const std::string& name, LPARAM itemData,
                                  HTREEITEM after) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | (images_ ? TVIF_IMAGE | TVIF_SELECTEDIMAGE : 0);
    insert.item.pszText = const_cast<char*>(name.c_str());
    insert.item.lParam = itemData;
    const bool mailbox = !parent || parent == TVI_ROOT;
    insert.item.iImage = mailbox ? 0 : 1;
    insert.item.iSelectedImage = mailbox ? 0 : 2;
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

HTREEITEM FolderTreeHost::AddFolderWithPath(HTREEITEM parent, const std::string& name,
                                            const std::string& fullPath, HTREEITEM after) {
    HTREEITEM item = AddItem(parent, name, NewRecord(fullPath), after);
    paths_[item] = fullPath;
    return item;
}

HTREEITEM FolderTreeHost::AddFolder(HTREEITEM parent, const std::string& name, HTREEITEM after) {
    std::string base = (parent && parent != TVI_ROOT) ? PathOf(parent) : Host().dataFolder;
    return AddFolderWithPath(parent, name, base + name + "\\", after);
}

void FolderTreeHost::AddOutline(const std::string& outline) {
    std::vector<HTREEITEM> parents;
    std::istringstream lines(outline);
    std::string line;
    while (std::getline(lines, line)) {
        size_t indent = line.find_first_not_of(' ');
        if (indent == std::string::npos) continue;
        size_t depth = indent / 2;
        parents.resize(depth);
        std::string text = line.substr(indent);
        HTREEITEM parent = depth == 0 ? nullptr : parents[depth - 1];
        size_t equals = text.find(" = ");
        HTREEITEM item = equals == std::string::npos
                             ? AddFolder(parent, text)
                             : AddFolderWithPath(parent, text.substr(0, equals),
                                                 text.substr(equals + 3));
        parents.push_back(item);
    }
}

void FolderTreeHost::ExpandAll() {
    for (const auto& entry : paths_) TreeView_Expand(tree_, entry.first, TVE_EXPAND);
}

namespace {
// 16 by 16 pixels, a character a pixel: '.' the background (transparent),
// then the colours below.
const char* const kIcons[3][16] = {
    {"................", "................", ".bbbbbbbbbbbbbb.", ".bwwwwwwwwwwwwb.", ".bwbwwwwwwwwbwb.",
     ".bwwbwwwwwwbwwb.", ".bwwwbwwwwbwwwb.", ".bwwwwbwwbwwwwb.", ".bwwwwwbbwwwwwb.", ".bwwwwwwwwwwwwb.",
     ".bwwwwwwwwwwwwb.", ".bbbbbbbbbbbbbb.", ".ssssssssssssss.", "................", "................",
     "................"},
    {"................", "................", ".ddddd..........", ".dyyyyd.........", ".dyyyyydddddddd.",
     ".dyyyyyyyyyyyyd.", ".dyyyyyyyyyyyyd.", ".dyyyyyyyyyyyyd.", ".dyyyyyyyyyyyyd.", ".dyyyyyyyyyyyyd.",
     ".dyyyyyyyyyyyyd.", ".dyyyyyyyyyyyyd.", ".dddddddddddddd.", "................", "................",
     "................"},
    {"................", "................", ".ddddd..........", ".dyyyyd.........", ".dyyyyydddddddd.",
     ".dyyyyyyyyyyyyd.", ".dyydddddddddddd", ".dyydlllllllllld", ".dydllllllllllld", ".dydlllllllllld.",
     ".ddllllllllllld.", ".ddlllllllllld..", ".ddddddddddddd..", "................", "................",
     "................"},
};

COLORREF IconColour(char pixel) {
    switch (pixel) {
        case 'b': return RGB(0x30, 0x60, 0xB0);
        case 'w': return RGB(0xF4, 0xF8, 0xFF);
        case 's': return RGB(0x90, 0x90, 0x90);
        case 'd': return RGB(0xB0, 0x80, 0x20);
        case 'y': return RGB(0xF0, 0xC8, 0x50);
        case 'l': return RGB(0xFF, 0xE0, 0x90);
        default: return RGB(0xFF, 0x00, 0xFF);  // the mask colour
    }
}
}  // namespace

void FolderTreeHost::UseImageList() {
    if (images_) return;
    images_ = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 3, 0);
    HDC screen = GetDC(nullptr);
    HDC drawing = CreateCompatibleDC(screen);
    HBITMAP strip = CreateCompatibleBitmap(screen, 48, 16);
    HGDIOBJ previous = SelectObject(drawing, strip);
    for (int icon = 0; icon < 3; ++icon)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) SetPixel(drawing, icon * 16 + x, y, IconColour(kIcons[icon][y][x]));
    SelectObject(drawing, previous);
    ImageList_AddMasked(images_, strip, RGB(0xFF, 0x00, 0xFF));
    DeleteObject(strip);
    DeleteDC(drawing);
    ReleaseDC(nullptr, screen);
    TreeView_SetImageList(tree_, images_, TVSIL_NORMAL);
}

void FolderTreeHost::SetItemImages(HTREEITEM item, int image, int selectedImage) {
    TVITEMA change = {};
    change.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    change.hItem = item;
    change.iImage = image;
    change.iSelectedImage = selectedImage;
    SendMessageA(tree_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&change));
}

void FolderTreeHost::DestroyImageList() {
    TreeView_SetImageList(tree_, nullptr, TVSIL_NORMAL);
    if (images_) ImageList_Destroy(images_);
    images_ = nullptr;
}

std::string FolderTreeHost::PathOf(HTREEITEM item) const {
    auto found = paths_.find(item);
    return found == paths_.end() ? std::string() : found->second;
}

HTREEITEM FolderTreeHost::Find(const std::string& name) const {
    for (const auto& entry : paths_) {
        if (ItemText(tree_, entry.first) == name) return entry.first;
    }
    return nullptr;
}

HostState& Host() {
    static HostState state;
    return state;
}

LPCSTR WINAPI HostGetVersion() { return Host().version.c_str(); }

BOOL WINAPI HostGetWindowHandles(HWND* main, HWND* tree, HWND* list, HWND* view) {
    ++Host().getWindowHandlesCalls;
    if (main) *main = Host().mainWindow;
    if (tree) *tree = Host().folderTree;
    if (list) *list = nullptr;
    if (view) *view = nullptr;
    return TRUE;
}

LPCSTR WINAPI HostGetDataFolder() {
    return Host().nullDataFolder ? nullptr : Host().dataFolder.c_str();
}

LPVOID WINAPI HostAlloc(DWORD byteCount) {
    return Host().heap ? Host().heap->Alloc(byteCount) : nullptr;
}

void WINAPI HostFree(LPVOID block) {
    if (Host().heap) Host().heap->Free(block);
}

std::string ItemText(HWND tree, HTREEITEM item) {
    char text[1024] = {};
    TVITEMA request = {};
    request.mask = TVIF_HANDLE | TVIF_TEXT;
    request.hItem = item;
    request.pszText = text;
    request.cchTextMax = sizeof text - 1;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&request));
    // A control may answer with a pointer to its own copy of the text.
    return request.pszText ? request.pszText : text;
}

LPARAM ItemData(HWND tree, HTREEITEM item) {
    TVITEMA request = {};
    request.mask = TVIF_HANDLE | TVIF_PARAM;
    request.hItem = item;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&request));
    return request.lParam;
}

HTREEITEM NextInTree(HWND tree, HTREEITEM item, int* depth) {
    int unused = 0;
    if (!depth) depth = &unused;
    if (HTREEITEM child = TreeView_GetChild(tree, item)) {
        ++*depth;
        return child;
    }
    for (; item; item = TreeView_GetParent(tree, item), --*depth) {
        if (HTREEITEM next = TreeView_GetNextSibling(tree, item)) return next;
    }
    return nullptr;
}

std::string DescribeTree(HWND tree) {
    std::string out;
    int depth = 0;
    for (HTREEITEM item = TreeView_GetRoot(tree); item; item = NextInTree(tree, item, &depth))
        out += std::string(static_cast<size_t>(depth) * 2, ' ') + ItemText(tree, item) + "\n";
    return out;
}

std::string DescribeLook(HWND tree) {
    const bool images = TreeView_GetImageList(tree, TVSIL_NORMAL) != nullptr;
    std::string out;
    int depth = 0;
    for (HTREEITEM item = TreeView_GetRoot(tree); item; item = NextInTree(tree, item, &depth)) {
        TVITEMA look = {};
        look.mask = TVIF_HANDLE | TVIF_STATE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        look.stateMask = TVIS_EXPANDED;
        look.hItem = item;
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&look));
        out += std::string(static_cast<size_t>(depth) * 2, ' ') + ItemText(tree, item);
        if (TreeView_GetChild(tree, item)) out += look.state & TVIS_EXPANDED ? "+" : "-";
        if (images) out += " " + std::to_string(look.iImage) + "/" + std::to_string(look.iSelectedImage);
        out += "\n";
    }
    return out;
}

std::string Sjis(const std::string& utf8) { return Convert(utf8, CP_UTF8, 932); }
std::string Utf8(const std::string& sjis) { return Convert(sjis, 932, CP_UTF8); }

std::string Bytes(const char* hex) {
    std::string bytes;
    for (const char* p = hex; p[0] && p[1];) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        bytes += static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16));
        p += 2;
    }
    return bytes;
}

bool AccessViolationsAreCaught() {
    char value[8] = {};
    if (GetEnvironmentVariableA("TAMRIVEL_EMULATED_32", value, sizeof value) == 0 || value[0] == '0') return true;
    static bool told = false;
    if (!told)
        std::printf("[ SKIPPED  ] what needs unreadable memory: 32-bit code runs under qemu's emulation here, "
                    "which raises an access violation as an illegal instruction that IsBadReadPtr cannot catch\n");
    told = true;
    return false;
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

double LongestDispatchOver(DWORD milliseconds) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    LONGLONG longest = 0;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            Sleep(1);
            continue;
        }
        LARGE_INTEGER before, after;
        QueryPerformanceCounter(&before);
        TranslateMessage(&message);
        DispatchMessageA(&message);
        QueryPerformanceCounter(&after);
        longest = std::max(longest, after.QuadPart - before.QuadPart);
    }
    return static_cast<double>(longest) * 1000 / static_cast<double>(frequency.QuadPart);
}

}  // namespace standin
