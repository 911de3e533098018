// Measures the module on large folder trees: the start-up sort against the
// tree control's own sort with a constant-time comparison (the floor), a
// second sort of the sorted tree against its floor, the save, the editor's
// fill, and what the module holds of the host's memory. Each tree is sorted
// by an order file that lists its folders in reverse and by one that lists
// them shuffled (with a fixed seed), as a user's file meets the host's own
// order. Prints one table; compare figures within one run, as the machine
// is shared.
#include <windows.h>
#include <commctrl.h>
#include <immintrin.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/bench_timing.h"
#include "editor/editor_check.h"
#include "editor/folder_moves.h"
#include "order/folder_key_copies.h"
#include "order/order_file.h"
#include "order/tree_sort.h"
#include "order/tree_walk.h"
#include "plugin/host_api.h"
#include "plugin/module_state.h"
#include "plugin/processor.h"
#include "standin/files.h"
#include "standin/host.h"
#include "standin/module_loader.h"

namespace {

struct Shape {
    int folders;
    bool nested;
    bool listAll;   // every folder, or every other one
    bool shuffled;  // listed in a shuffled order, or in reverse of the tree's
};

// Builds the tree and answers its folders in the tree's (preorder) order.
// Nested trees are complete b-ary trees about ten levels deep.
std::vector<HTREEITEM> BuildTree(standin::FolderTreeHost& host, const Shape& shape) {
    int branching = 2;
    while (shape.nested && std::pow(branching, 10) < shape.folders) ++branching;
    std::vector<HTREEITEM> items;
    for (int i = 0; i < shape.folders; ++i) {
        char name[32];
        wsprintfA(name, "Folder%05d", i);
        HTREEITEM parent = shape.nested && i > 0 ? items[static_cast<size_t>((i - 1) / branching)] : nullptr;
        items.push_back(host.AddFolder(parent, name));
    }
    std::vector<HTREEITEM> preorder;
    HWND tree = host.tree();
    for (HTREEITEM item = TreeView_GetRoot(tree); item;) {
        preorder.push_back(item);
        HTREEITEM next = TreeView_GetChild(tree, item);
        while (!next && item) {
            next = TreeView_GetNextSibling(tree, item);
            if (!next) item = TreeView_GetParent(tree, item);
        }
        item = next;
    }
    return preorder;
}

// The keys of the order file, in its order. The shuffle's seed is fixed, so
// every run and every build sorts by the same file.
std::vector<std::string> ListedKeys(standin::FolderTreeHost& host, const std::vector<HTREEITEM>& preorder,
                                    const Shape& shape) {
    std::vector<std::string> keys;
    const size_t prefix = standin::Host().dataFolder.size();
    for (size_t i = preorder.size(); i-- > 0;) {
        if (!shape.listAll && i % 2) continue;
        keys.push_back(host.PathOf(preorder[i]).substr(prefix));
    }
    if (shape.shuffled) {
        std::mt19937 random(20261208u + static_cast<unsigned>(shape.folders));
        std::shuffle(keys.begin(), keys.end(), random);
    }
    return keys;
}

std::string OrderFileOf(const std::vector<std::string>& keys) {
    std::string file;
    for (const std::string& key : keys) file += key + "\r\n";
    return file;
}

// The floor: the same sort walk, with each folder's rank in the order file
// stored in the first bytes of its record beforehand.
int CALLBACK CompareByRank(LPARAM first, LPARAM second, LPARAM) {
    int a = *reinterpret_cast<const int*>(first), b = *reinterpret_cast<const int*>(second);
    return a < b ? -1 : a > b ? 1 : 0;
}

void SortWalk(HWND tree, PFNTVCOMPARE compare) {
    for (HTREEITEM node = TVI_ROOT; node; node = NextPreorder(tree, node)) {
        TVSORTCB sort = {node, compare, 0};
        SendMessageA(tree, TVM_SORTCHILDRENCB, FALSE, reinterpret_cast<LPARAM>(&sort));
    }
}

// Where in the order file each comparison of a sort walk can stop: the end
// of the line of each rank (a folder's rank stored in its record, as for the
// floor), and the file's size for folders not listed.
struct ScanReach {
    std::vector<size_t> lineEnds;
    size_t fileSize = 0;
    double bytes = 0;  // what the comparisons of the walks since the last reset had to read
};
ScanReach g_reach;

// The module's comparison, adding what it had to read (up to the end of the
// first line that holds either key): two loads and an add beside a scan of
// microseconds.
int CALLBACK CompareFoldersCounting(LPARAM first, LPARAM second, LPARAM value) {
    const size_t a = static_cast<size_t>(*reinterpret_cast<const int*>(first));
    const size_t b = static_cast<size_t>(*reinterpret_cast<const int*>(second));
    const size_t rank = std::min(a, b);
    g_reach.bytes += static_cast<double>(rank < g_reach.lineEnds.size() ? g_reach.lineEnds[rank] : g_reach.fileSize);
    return CompareFolders(first, second, value);
}

// Stores each folder's rank in the order file in the first bytes of its
// record, where the floor compares them (the module reads only the path).
void StoreRanks(standin::FolderTreeHost& host, const std::vector<HTREEITEM>& preorder,
                const std::unordered_map<std::string, int>& rankOfKey) {
    const size_t prefix = standin::Host().dataFolder.size();
    for (HTREEITEM item : preorder) {
        auto found = rankOfKey.find(host.PathOf(item).substr(prefix));
        int rank = found == rankOfKey.end() ? INT_MAX : found->second;
        *reinterpret_cast<int*>(standin::ItemData(host.tree(), item)) = rank;
    }
}

// A plain line scan for comparison with the module's: each line's length is
// measured, then compared with each key in turn.
int CALLBACK CompareNaively(LPARAM first, LPARAM second, LPARAM) {
    const DWORD offset = g_module.folderPathOffset, skip = g_module.dataFolderLength;
    const char* a = *reinterpret_cast<const char* const*>(reinterpret_cast<const BYTE*>(first) + offset) + skip;
    const char* b = *reinterpret_cast<const char* const*>(reinterpret_cast<const BYTE*>(second) + offset) + skip;
    const size_t lengthA = strlen(a), lengthB = strlen(b);
    const char* end = OrderListEnd();
    for (const char* line = FirstOrderLine(); line; line = NextOrderLine(line)) {
        size_t length = 0;
        while (line + length < end && line[length]) ++length;
        if (length == lengthA && memcmp(line, a, length) == 0) return -1;
        if (length == lengthB && memcmp(line, b, length) == 0) return 1;
    }
    return 0;
}

template <typename Fn>
FARPROC AsHostEntry(Fn function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function));
}

// The ordering code linked in directly, for the parts the exports do not
// reach on their own (the save and the editor's fill).
void UseLinkedCore(const std::string& orderFile) {
    g_hostApi.functions[HostFn_BKA_GetWindowHandles] = AsHostEntry(&standin::HostGetWindowHandles);
    g_hostApi.functions[HostFn_BKA_Alloc] = AsHostEntry(&standin::HostAlloc);
    g_hostApi.functions[HostFn_BKA_Free] = AsHostEntry(&standin::HostFree);
    lstrcpyA(g_module.dataFolder, standin::Host().dataFolder.c_str());
    g_module.dataFolderLength = static_cast<DWORD>(standin::Host().dataFolder.size());
    g_module.folderPathOffset = 28;
    lstrcpyA(g_module.orderFilePath, orderFile.c_str());
}

// The fill floor: the same items inserted into the same kind of control, in
// the same order, and expanded after their children, as the editor does,
// but with text and item data read beforehand and no module in between.
struct FillItem {
    std::string text;
    LPARAM data;
    int parent;  // index of the parent in the list, -1 at the top level
};

void CollectFillItems(HWND tree, HTREEITEM parent, int parentIndex, std::vector<FillItem>& items) {
    for (HTREEITEM item = TreeView_GetChild(tree, parent); item; item = TreeView_GetNextSibling(tree, item)) {
        items.push_back({standin::ItemText(tree, item).substr(0, 99), standin::ItemData(tree, item), parentIndex});
        CollectFillItems(tree, item, static_cast<int>(items.size()) - 1, items);
    }
}

double TimeFillFloor(HWND hostTree) {
    std::vector<FillItem> items;
    CollectFillItems(hostTree, TVI_ROOT, -1, items);
    HWND editor = CreateWindowA(WC_TREEVIEWA, "", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
    std::vector<HTREEITEM> inserted(items.size());
    double start = Now();
    for (size_t i = 0; i < items.size(); ++i) {
        TVINSERTSTRUCTA insert = {};
        insert.hParent = items[i].parent < 0 ? TVI_ROOT : inserted[static_cast<size_t>(items[i].parent)];
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM;
        insert.item.pszText = const_cast<char*>(items[i].text.c_str());
        insert.item.lParam = items[i].data;
        inserted[i] = reinterpret_cast<HTREEITEM>(SendMessageA(editor, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    }
    // Parents only, children before their parents, as the editor expands a
    // copy once its children are in place.
    std::vector<bool> isParent(items.size(), false);
    for (const FillItem& item : items) {
        if (item.parent >= 0) isParent[static_cast<size_t>(item.parent)] = true;
    }
    for (size_t i = items.size(); i-- > 0;) {
        if (isParent[i]) TreeView_Expand(editor, inserted[i], TVE_EXPAND);
    }
    double elapsed = Now() - start;
    DestroyWindow(editor);
    return elapsed;
}

const OrderScan kScans[] = {OrderScan::kScalar, OrderScan::kSse2, OrderScan::kAvx2};
const size_t kScanCount = sizeof kScans / sizeof kScans[0];

struct Row {
    Shape shape;
    double module, floor;
    double scans[kScanCount];  // the sort walk with each scan, -1 where the processor has none
    double naive, save, fill, fillFloor;
    // The editor's check of the order file against the filled tree, and
    // the same with one line that names no folder, which reads the names too.
    double check, checkSlip;
    // The second sort of the sorted tree: the module's start-up again, the
    // floor's walk again, and the control's sort of every group with the
    // start's scan (what the second sort cost before groups in order were
    // left as they are).
    double again, againFloor, againSorted;
    size_t peakBytes, outstanding;
    // What the comparisons of one sort walk had to read (the same in every
    // walk: the same control sorts the same tree with the same answers).
    double bytesRead = 0;
};

const char* ScanName(OrderScan scan) {
    switch (scan) {
        case OrderScan::kAvx2: return "avx2";
        case OrderScan::kSse2: return "sse2";
        default: return "scalar";
    }
}

bool CanScanWith(OrderScan scan) {
    switch (scan) {
        case OrderScan::kAvx2: return ProcessorHasAvx2();
        case OrderScan::kSse2: return ProcessorHasSse2();
        default: return true;
    }
}

const char* ListName(const Shape& shape) {
    return shape.listAll ? (shape.shuffled ? "all shuf" : "all rev") : (shape.shuffled ? "half shuf" : "half rev");
}

std::string Seconds(double s) {
    char text[32];
    if (s < 0) return "-";
    if (s < 1) sprintf(text, "%.1f ms", s * 1000);
    else sprintf(text, "%.2f s", s);
    return text;
}

// What the design allows: a first stage that tests three bytes of each
// position cannot load less than three 32-byte blocks a block of 32
// positions. These three loads (at p, p + 1 and p + 2, each kept in a
// register) and an AND, over the whole data, with nothing else.
volatile unsigned g_sink;  // what the loads found, so that they are not left out
__attribute__((target("avx2"), noinline)) unsigned ThreeLoadsABlock(const char* begin, const char* end) {
    __m256i any = _mm256_setzero_si256();
    for (const char* p = begin; end - p >= 34; p += 32) {
        __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1));
        __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 2));
        asm("" : "+x"(a), "+x"(b), "+x"(c));
        any = _mm256_or_si256(any, _mm256_and_si256(a, _mm256_and_si256(b, c)));
    }
    return static_cast<unsigned>(_mm256_movemask_epi8(any));
}

// Best of 5 rounds of `calls` calls of `read` over `file`, in bytes a nanosecond.
template <typename Read>
double BytesPerNanosecond(const std::string& file, int calls, Read read) {
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        const double start = Now();
        for (int call = 0; call < calls; ++call) read();
        best = std::min(best, Now() - start);
    }
    return static_cast<double>(file.size()) * calls / best / 1e9;
}

// How fast each scan reads an order file when neither key is listed, so
// that every comparison reads the whole file: the scans alone, without the
// tree control or the keys' lookup. On the shuffled order files of one
// flat and one nested tree of `folders`, with two keys shaped like sibling
// keys of the tree (one length, differing in the last digit, or in the last
// three: the vector scans test those keys in different ways). Best of 5
// rounds of `calls` comparisons. Beside them, the three loads a block that
// bound any such scan; answers that bound on the flat file (0 without AVX2).
double PrintScanThroughput(int folders) {
    printf("\nScan speed, neither key listed (whole file each comparison; bytes a nanosecond, best of 5),\n"
           "and three 32-byte loads a block of 32 positions with nothing else (the cap):\n");
    printf("%-7s %-6s %10s %-8s | %8s %8s %8s | %8s\n", "folders", "tree", "file", "keys", "scalar", "sse2", "avx2",
           "cap");
    double flatCap = 0;
    for (bool nested : {false, true}) {
        const Shape shape = {folders, nested, true, true};
        standin::FolderTreeHost host(28);
        std::vector<HTREEITEM> preorder = BuildTree(host, shape);
        const std::vector<std::string> listed = ListedKeys(host, preorder, shape);
        std::string file = OrderFileOf(listed);
        for (char& byte : file) {
            if (byte == '\r' || byte == '\n') byte = '\0';
        }
        const int calls = static_cast<int>(std::max<size_t>(20, (40u << 20) / file.size()));
        const double cap = ProcessorHasAvx2() ? BytesPerNanosecond(file, calls, [&] {
            g_sink = g_sink + ThreeLoadsABlock(file.data(), file.data() + file.size());
        }) : 0;
        if (!nested) flatCap = cap;
        // The longest key, its last folder renamed from FolderNNNNN to
        // Folder9NNNN: listed nowhere (there are fewer than 90,000 folders),
        // and tested by the first stage on digits that vary from line to
        // line, as siblings' keys are.
        std::string first = *std::max_element(listed.begin(), listed.end(), [](const std::string& a, const std::string& b) {
            return a.size() < b.size();
        });
        first[first.size() - 6] = '9';
        for (int differing : {1, 3}) {
            std::string second = first;
            for (int n = 0; n < differing; ++n) {
                char& digit = second[second.size() - 2 - static_cast<size_t>(n)];
                digit = static_cast<char>('0' + (digit - '0' + 1) % 10);
            }
            printf("%-7d %-6s %8zu B %-8s |", folders, nested ? "nested" : "flat", file.size(),
                   differing == 1 ? "1 digit" : "3 digits");
            for (OrderScan scan : kScans) {
                if (!CanScanWith(scan)) {
                    printf(" %8s", "-");
                    continue;
                }
                int answers = 0;
                printf(" %8.2f", BytesPerNanosecond(file, calls, [&] {
                           answers += CompareKeysWith(scan, file.data(), file.data() + file.size(), first.c_str(),
                                                      second.c_str());
                       }));
                if (answers != 0) printf(" (listed?)");
            }
            printf(" | %8.2f\n", cap);
        }
    }
    return flatCap;
}

// How fast each scan reads inside the sort: the bytes the comparisons of a
// sort walk had to read (each up to the end of the first line holding either
// key, the whole file when neither is listed), over the time the walk took
// beyond the floor's walk. And how far the start is from the design's own
// bound: the floor plus those bytes read at the cap.
void PrintScanInSort(const std::vector<Row>& rows, double cap) {
    printf("\nScan speed inside the sort walk (bytes a nanosecond, over the walk's time beyond the floor),\n"
           "and the start against the floor plus the bytes read at the cap (%.1f bytes a nanosecond):\n", cap);
    printf("%-7s %-6s %-9s | %9s | %8s %8s %8s | %6s %6s\n", "folders", "tree", "list", "read", "scalar", "sse2",
           "avx2", "start", "at cap");
    for (const Row& r : rows) {
        printf("%-7d %-6s %-9s | %6.1f MB |", r.shape.folders, r.shape.nested ? "nested" : "flat", ListName(r.shape),
               r.bytesRead / 1e6);
        for (size_t s = 0; s < kScanCount; ++s) {
            if (r.scans[s] > r.floor) printf(" %8.2f", r.bytesRead / (r.scans[s] - r.floor) / 1e9);
            else printf(" %8s", "-");
        }
        char atCap[16] = "-";
        if (cap > 0) sprintf(atCap, "%5.1fx", (r.floor + r.bytesRead / cap / 1e9) / r.floor);
        printf(" | %5.1fx %6s\n", r.module / r.floor, atCap);
    }
}

// Moving a folder with a big subtree in the editor: the move copies the
// subtree and deletes the old one, with the tree's painting held. Against
// the copy alone (the same items inserted into a fresh control) and the same
// move without the hold, each followed by the paint it causes, in a visible
// window. Median of `runs`.
void PrintBigSubtreeMoves(int runs) {
    printf("\nMoving a folder with its subtree (editor, visible window, median of %d):\n", runs);
    printf("%-12s | %9s %9s %6s | %9s\n", "descendants", "move", "copy", "ratio", "no hold");
    for (int descendants : {1000, 5000}) {
        std::string outline = "A\n";
        for (int child = 0; child < 10; ++child) {
            outline += "  Child" + std::to_string(child) + "\n";
            for (int grandchild = 0; grandchild < descendants / 10 - 1; ++grandchild)
                outline += "    Grandchild" + std::to_string(grandchild) + "\n";
        }
        outline += "B\n";
        std::vector<double> moves, copies, unheld;
        for (int run = 0; run < runs; ++run) {
            standin::FolderTreeHost host(28, true);
            host.AddOutline(outline);
            host.ExpandAll();
            standin::PumpMessages();
            HWND tree = host.tree();
            HTREEITEM a = TreeView_GetRoot(tree);
            double start = Now();
            MoveEditorItem(tree, a, nullptr, TreeView_GetNextSibling(tree, a));
            standin::PumpMessages();
            moves.push_back(Now() - start);
            copies.push_back(TimeFillFloor(tree));
            // The same copy, delete and select, painting as it goes.
            a = TreeView_GetNextSibling(tree, TreeView_GetRoot(tree));
            start = Now();
            HTREEITEM moved = CopyTreeItem(tree, TVI_ROOT, TVI_FIRST, tree, a);
            TreeView_DeleteItem(tree, a);
            TreeView_SelectItem(tree, moved);
            standin::PumpMessages();
            unheld.push_back(Now() - start);
        }
        double move = Median(moves), copy = Median(copies);
        printf("%-12d | %9s %9s %5.2fx | %9s\n", descendants, Seconds(move).c_str(), Seconds(copy).c_str(),
               move / copy, Seconds(Median(unheld)).c_str());
    }
}

// How the start grows from 1,000 to 10,000 folders, for the shapes measured
// at both sizes: nothing when a run measured one size only.
void PrintGrowth(const std::vector<Row>& rows) {
    std::string growth;
    for (const Row& big : rows) {
        if (big.shape.folders != 10000) continue;
        for (const Row& small : rows) {
            if (small.shape.folders == 1000 && small.shape.nested == big.shape.nested &&
                small.shape.listAll == big.shape.listAll && small.shape.shuffled == big.shape.shuffled) {
                char entry[64];
                sprintf(entry, " %s/%s %.0fx;", big.shape.nested ? "nested" : "flat", ListName(big.shape),
                        big.module / small.module);
                growth += entry;
            }
        }
    }
    if (!growth.empty()) printf("\nGrowth from 1,000 to 10,000 folders (module time ratio):%s\n", growth.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    // RUNS and SIZE from the Makefile: refused in one line when they are not
    // what a table can be made of in reasonable time: the plain and scalar
    // scans grow with the square of the size (20,000 folders: minutes a run).
    const int kMostFolders = 20000;
    int runs = argc > 1 ? atoi(argv[1]) : 3;
    int onlySize = argc > 2 ? atoi(argv[2]) : 0;  // measure one tree size only
    if (runs < 1 || runs > 1000 || (argc > 1 && std::to_string(runs) != argv[1])) {
        printf("RUNS must be a number of runs from 1 to 1000, not \"%s\"\n", argv[1]);
        return 2;
    }
    if (argc > 2 && (onlySize < 1 || onlySize > kMostFolders || std::to_string(onlySize) != argv[2])) {
        printf("SIZE must be a number of folders from 1 to %d, not \"%s\"\n", kMostFolders, argv[2]);
        return 2;
    }
    const std::vector<int> sizes = onlySize ? std::vector<int>{onlySize} : std::vector<int>{100, 1000, 10000};
    setvbuf(stdout, nullptr, _IONBF, 0);
    setvbuf(stderr, nullptr, _IONBF, 0);
    standin::HostHeap heap;
    standin::Host().heap = &heap;
    standin::LoadedModule module(standin::BuiltModulePath());
    if (!module.handle()) {
        printf("the module could not be loaded from %s\n", standin::BuiltModulePath().c_str());
        return 1;
    }
    UseLinkedCore(module.folder() + "\\linked.cfg");
    // The module makes the same choice with the same code at its start-up.
    const OrderScan startScan = ProcessorHasAvx2()   ? OrderScan::kAvx2
                                : ProcessorHasSse2() ? OrderScan::kSse2
                                                     : OrderScan::kScalar;

    std::vector<Row> rows;
    for (int folders : sizes) {
        for (bool nested : {false, true}) {
            for (bool listAll : {true, false}) {
                for (bool shuffled : {false, true}) {
                    Row row = {{folders, nested, listAll, shuffled}, 0, 0, {-1, -1, -1}, 0, -1, -1, -1, -1, -1, 0, 0, 0, 0, 0};
                    std::vector<double> moduleTimes, floorTimes, scanTimes[kScanCount], naiveTimes;
                    std::vector<double> againTimes, againFloorTimes, againSortedTimes;
                    for (int run = 0; run < runs; ++run) {
                        // A fresh tree for each run: every sort starts from the tree's own order.
                        std::unique_ptr<standin::FolderTreeHost> host(new standin::FolderTreeHost(28));
                        double phase = Now();
                        std::vector<HTREEITEM> preorder = BuildTree(*host, row.shape);
                        fprintf(stderr, "[%d %s %s] build %.2fs", folders, nested ? "nested" : "flat",
                                ListName(row.shape), Now() - phase);
                        const std::vector<std::string> listed = ListedKeys(*host, preorder, row.shape);
                        const std::string order = OrderFileOf(listed);
                        standin::WriteFileBytes(module.orderFilePath(), order);
                        heap.ResetPeak();
                        size_t before = heap.outstandingBytes();
                        double start = Now();
                        module.OnStart();
                        moduleTimes.push_back(Now() - start);
                        fprintf(stderr, " module %.2fs", moduleTimes.back());
                        row.peakBytes = heap.peakBytes() - before;
                        row.outstanding = heap.outstandingBlocks();
                        const std::string sorted = standin::DescribeTree(host->tree());
                        // The same start again, on the tree it sorted (the editor's re-sorts).
                        start = Now();
                        module.OnStart();
                        againTimes.push_back(Now() - start);
                        if (standin::DescribeTree(host->tree()) != sorted) printf("warning: the second start changed the tree\n");

                        // The floor, on the same tree rebuilt, with ranks in the records.
                        host.reset(new standin::FolderTreeHost(28));
                        preorder = BuildTree(*host, row.shape);
                        std::unordered_map<std::string, int> rankOfKey;
                        g_reach.lineEnds.clear();
                        g_reach.fileSize = order.size();
                        size_t lineStart = 0;
                        for (const std::string& key : listed) {
                            rankOfKey.emplace(key, static_cast<int>(rankOfKey.size()));
                            g_reach.lineEnds.push_back(lineStart + key.size());
                            lineStart += key.size() + 2;
                        }
                        StoreRanks(*host, preorder, rankOfKey);
                        start = Now();
                        SortWalk(host->tree(), CompareByRank);
                        floorTimes.push_back(Now() - start);
                        fprintf(stderr, " floor %.2fs", floorTimes.back());
                        if (standin::DescribeTree(host->tree()) != sorted) printf("warning: floor sorted differently\n");
                        start = Now();
                        SortWalk(host->tree(), CompareByRank);
                        againFloorTimes.push_back(Now() - start);

                        // The module's comparison with each of its scans, and a plain
                        // scan, all over the linked core's order list, each on the
                        // same tree rebuilt.
                        standin::WriteFileBytes(g_module.orderFilePath, order);
                        LoadOrderList();
                        for (size_t s = 0; s < kScanCount; ++s) {
                            if (!CanScanWith(kScans[s])) continue;
                            g_module.orderList.scan = kScans[s];
                            host.reset(new standin::FolderTreeHost(28));
                            StoreRanks(*host, BuildTree(*host, row.shape), rankOfKey);
                            g_reach.bytes = 0;
                            start = Now();
                            SortWalk(host->tree(), CompareFoldersCounting);
                            scanTimes[s].push_back(Now() - start);
                            row.bytesRead = g_reach.bytes;
                            fprintf(stderr, " %s %.2fs", ScanName(kScans[s]), scanTimes[s].back());
                            if (standin::DescribeTree(host->tree()) != sorted)
                                printf("warning: the %s scan sorted differently\n", ScanName(kScans[s]));
                            if (kScans[s] == startScan) {
                                start = Now();
                                SortWalk(host->tree(), CompareFolders);
                                againSortedTimes.push_back(Now() - start);
                            }
                        }
                        host.reset(new standin::FolderTreeHost(28));
                        BuildTree(*host, row.shape);
                        start = Now();
                        SortWalk(host->tree(), CompareNaively);
                        naiveTimes.push_back(Now() - start);
                        fprintf(stderr, " plain %.2fs\n", naiveTimes.back());
                        ReleaseOrderList();

                        if (run == 0 && listAll && !shuffled) {
                            start = Now();
                            SaveOrderFile(host->tree());
                            row.save = Now() - start;
                            HWND editor = CreateWindowA(WC_TREEVIEWA, "", WS_POPUP, 0, 0, 200, 200, nullptr,
                                                        nullptr, nullptr, nullptr);
                            // The editor's fill: the copy of the tree and of its folders' keys.
                            FolderKeyCopies keys;
                            start = Now();
                            FillEditorTree(editor, &keys);
                            row.fill = Now() - start;
                            // What opening the editor adds for the lines that name no folder.
                            EditorCheck check;
                            start = Now();
                            check.Run(editor, keys, g_module.dataFolder);
                            row.check = Now() - start;
                            standin::WriteFileBytes(g_module.orderFilePath, order + "Gone\\\r\n");
                            start = Now();
                            check.Run(editor, keys, g_module.dataFolder);
                            row.checkSlip = Now() - start;
                            standin::WriteFileBytes(g_module.orderFilePath, order);
                            DestroyWindow(editor);
                            row.fillFloor = TimeFillFloor(host->tree());
                        }
                    }
                    row.module = Median(moduleTimes);
                    row.floor = Median(floorTimes);
                    for (size_t s = 0; s < kScanCount; ++s) {
                        if (!scanTimes[s].empty()) row.scans[s] = Median(scanTimes[s]);
                    }
                    row.naive = Median(naiveTimes);
                    row.again = Median(againTimes);
                    row.againFloor = Median(againFloorTimes);
                    row.againSorted = Median(againSortedTimes);
                    rows.push_back(row);
                }
            }
        }
    }

    printf("Median of %d runs. Order files list every folder (all) or every other one (half),\n"
           "in reverse of the tree's order (rev) or shuffled with a fixed seed (shuf).\n"
           "  start: BKC_OnStart on the real DLL (read the file, sort every group, release)\n"
           "  floor: the same sort walk, comparing ranks stored in the records (constant time)\n"
           "  scalar, sse2, avx2: the sort walk with each of the module's scans\n"
           "         ('-': this processor or system has none)\n"
           "  plain: the sort walk with a plain scan (a length a line, one key at a time)\n"
           "  gain:  scalar / the start's scan; x floor: each sort walk / floor\n"
           "  save:  SaveOrderFile; fill: the editor's copy of the tree; fill floor: the\n"
           "         same inserts and expands without the module; check: the editor's check\n"
           "         of the order file against its tree, and with one line more that names no\n"
           "         folder (slip); peak: host bytes held\n"
           "  again: BKC_OnStart once more on the tree it sorted; its floor: the floor's walk\n"
           "         once more on its sorted tree; sorted: the control's sort of every group\n"
           "         of the sorted tree with the start's scan, none left as it is\n\n",
           runs);
    printf("The start-up sort scans with: %s\n\n", ScanName(startScan));
    printf("%-7s %-6s %-9s | %9s %9s %6s | %9s %9s %9s %9s %6s | %9s | %9s %9s %6s %9s %9s | %9s %s\n", "folders",
           "tree", "list", "start", "floor", "ratio", "scalar", "sse2", "avx2", "plain", "gain", "save",
           "fill", "fillfloor", "ratio", "check", "slip", "peak", "left");
    for (const Row& r : rows) {
        char fillRatio[16] = "-";
        if (r.fill >= 0) sprintf(fillRatio, "%5.2fx", r.fill / r.fillFloor);
        const double fastest = r.scans[static_cast<size_t>(startScan)];
        printf("%-7d %-6s %-9s | %9s %9s %5.1fx | %9s %9s %9s %9s %5.1fx | %9s | %9s %9s %6s %9s %9s | %7zu B %zu\n",
               r.shape.folders, r.shape.nested ? "nested" : "flat", ListName(r.shape), Seconds(r.module).c_str(),
               Seconds(r.floor).c_str(), r.module / r.floor, Seconds(r.scans[0]).c_str(), Seconds(r.scans[1]).c_str(),
               Seconds(r.scans[2]).c_str(), Seconds(r.naive).c_str(), r.scans[0] / fastest,
               Seconds(r.save).c_str(), Seconds(r.fill).c_str(), Seconds(r.fillFloor).c_str(), fillRatio,
               Seconds(r.check).c_str(), Seconds(r.checkSlip).c_str(), r.peakBytes,
               r.outstanding);
    }
    printf("\nx floor: %-7s %-6s %-9s | %6s | %6s %6s %6s %6s | %9s %9s %6s %6s\n", "folders", "tree", "list",
           "start", "scalar", "sse2", "avx2", "plain", "again", "its floor", "ratio", "sorted");
    for (const Row& r : rows) {
        char scans[kScanCount][16];
        for (size_t s = 0; s < kScanCount; ++s) {
            if (r.scans[s] >= 0) sprintf(scans[s], "%5.1fx", r.scans[s] / r.floor);
            else sprintf(scans[s], "-");
        }
        printf("         %-7d %-6s %-9s | %5.1fx | %6s %6s %6s %5.1fx | %9s %9s %5.1fx %5.1fx\n", r.shape.folders,
               r.shape.nested ? "nested" : "flat", ListName(r.shape), r.module / r.floor, scans[0], scans[1], scans[2],
               r.naive / r.floor, Seconds(r.again).c_str(), Seconds(r.againFloor).c_str(),
               r.again / r.againFloor, r.againSorted / r.againFloor);
    }
    PrintGrowth(rows);
    PrintScanInSort(rows, PrintScanThroughput(sizes.back()));
    if (!onlySize) PrintBigSubtreeMoves(runs);
    printf("\nHost blocks outstanding after all runs: %zu\n", heap.outstandingBlocks());
    standin::Host().heap = nullptr;
    return 0;
}
