#include "settings_ui/photos_tab_win32.h"

#include <commctrl.h>
#include <cderr.h>
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/message_box.h"
#include "diagnostics/crash_report.h"
#include "imaging/bitmap.h"
#include "imaging/fit.h"
#include "imaging/plugin_host.h"
#include "library/folder_scan.h"
#include "library/picture_list.h"
#include "library/registry.h"
#include "library/settings.h"
#include "library/wide_text_win32.h"
#include "settings_ui/control_toolkit_win32.h"
#include "settings_ui/photos_tab_rules.h"
#include "settings_ui/settings_window_win32.h"

namespace {
enum ControlId : int32_t {
    kTree = 54,
    kAddFolder = 4,
    kRemove = 5,
    kAddPhoto = 63,
    kIncludeSubdirs = 6,
    kAutoRefresh = 7,
    kAutoRotate = 8,
    kPreviewImage = 9,
    kRefreshFolder = 65,
};
constexpr int32_t kMaxSingleNodes = 0xFFFF;  // the most a tag's file number can carry
constexpr DWORD kOpenFileCharacters = 1 << 20;

enum class Mode { Folder, Image };

struct PhotosState {
    HWND page = nullptr, tree = nullptr;
    HWND addFolder = nullptr, remove = nullptr, addPhoto = nullptr, autoRotate = nullptr;
    HWND preview = nullptr, properties = nullptr;
    HWND width = nullptr, height = nullptr, format = nullptr, size = nullptr;
    HWND refresh = nullptr, includeSubdirs = nullptr, autoRefresh = nullptr;
    BitmapPtr previewBitmap;
    int32_t previewWidth = 0, previewHeight = 0;
    HDC previewDc = nullptr;
    Mode mode = Mode::Image;
    bool forceLayout = false;  // the next SetMode lays the group out even without a change
    int32_t syncedTab = -1;
    SlotTable slots;
    std::atomic<bool> fillRunning{false};
    std::atomic<bool> stopRequested{false};
    HANDLE fillThread = nullptr;
    bool comStarted = false;
};
PhotosState P;

HCURSOR WaitCursor() { return LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)); }

// Both busy cursors on for the length of a folder read; the tree's only if
// nobody else had set it.
class BusyCursors {
public:
    BusyCursors() : setTree_(!TreeBusyCursor()) {
        SetWindowBusyCursor(WaitCursor());
        if (setTree_) SetTreeBusyCursor(WaitCursor());
        SetCursor(WaitCursor());
    }
    ~BusyCursors() {
        SetWindowBusyCursor(nullptr);
        if (setTree_) SetTreeBusyCursor(nullptr);
        POINT p;
        GetCursorPos(&p);
        SetCursorPos(p.x, p.y);  // lets the window under the mouse choose its cursor again
    }
    BusyCursors(const BusyCursors&) = delete;
    BusyCursors& operator=(const BusyCursors&) = delete;

private:
    bool setTree_;
};

// --- Tree nodes ------------------------------------------------------------
HTREEITEM InsertNode(HTREEITEM parent, HTREEITEM after, const std::string& text, uint32_t tag) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    if (TagFile(tag) == 0 && TagSlot(tag) != 0) {
        // A folder gets its file nodes when it is first opened; until then
        // it only shows that it has some.
        insert.item.mask |= TVIF_CHILDREN;
        const int32_t entry = P.slots.EntryOf(static_cast<int32_t>(TagSlot(tag)));
        insert.item.cChildren = entry > 0 && entry < PicList().Count() && !PicList().At(entry).Pictures->empty();
    }
    insert.item.pszText = const_cast<char*>(text.c_str());
    insert.item.lParam = static_cast<LPARAM>(tag);
    return reinterpret_cast<HTREEITEM>(SendMessageA(P.tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

uint32_t TagOf(HTREEITEM item) {
    TVITEMA get{};
    get.mask = TVIF_PARAM | TVIF_HANDLE;
    get.hItem = item;
    if (!SendMessageA(P.tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&get))) return 0;
    return static_cast<uint32_t>(get.lParam);
}

void SetTag(HTREEITEM item, uint32_t tag) {
    TVITEMA set{};
    set.mask = TVIF_PARAM | TVIF_HANDLE;
    set.hItem = item;
    set.lParam = static_cast<LPARAM>(tag);
    SendMessageA(P.tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&set));
}

HTREEITEM Selected() { return TreeView_GetSelection(P.tree); }

// Whether a folder node shows the button that opens it.
void ShowHasFiles(HTREEITEM folder, bool hasFiles) {
    TVITEMA set{};
    set.mask = TVIF_CHILDREN | TVIF_HANDLE;
    set.hItem = folder;
    set.cChildren = hasFiles ? 1 : 0;
    SendMessageA(P.tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&set));
}

// The file nodes of a folder: tags (slot, 1), (slot, 2), ... up to the limit,
// ending early when a stop is asked for.
void AddFileNodes(HTREEITEM folder, int32_t slot, const TStringList& pictures) {
    const int32_t count = std::min<int32_t>(static_cast<int32_t>(pictures.size()), kMaxFileNodes);
    for (int32_t k = 1; k <= count && !P.stopRequested; ++k)
        InsertNode(folder, TVI_LAST, FileNamePart(pictures[static_cast<size_t>(k - 1)]),
                   MakeNodeTag(static_cast<uint32_t>(slot), static_cast<uint32_t>(k)));
}

// --- Properties ------------------------------------------------------------
void SetMode(Mode mode) {
    if (P.mode == mode && !P.forceLayout) return;
    P.mode = mode;
    P.forceLayout = false;
    const bool folder = mode == Mode::Folder;
    SetWindowTextA(P.properties, folder ? "Folder properties" : "Image properties");
    for (HWND w : {P.includeSubdirs, P.refresh, P.autoRefresh}) ShowWindow(w, folder ? SW_SHOW : SW_HIDE);
    for (HWND w : {P.height, P.format, P.size}) ShowWindow(w, folder ? SW_HIDE : SW_SHOW);
    InvalidateRect(P.properties, nullptr, TRUE);
}

void ResetPropertyTexts() {
    SetWindowTextA(P.width, "Width : ");
    SetWindowTextA(P.height, "Height : ");
    SetWindowTextA(P.format, "Format : ");
    SetWindowTextA(P.size, "Size : ");
}

void CopyPreviewTo(HDC dc) {
    if (!dc || !P.previewBitmap || !P.previewBitmap->DC()) return;
    BitBlt(dc, 0, 0, P.previewWidth - 1, P.previewHeight - 1, static_cast<HDC>(P.previewBitmap->DC()), 0, 0,
           SRCCOPY);
}

// Draws the preview bitmap now, through the device context kept for it.
void RepaintPreview() { CopyPreviewTo(P.previewDc); }

void ClearPreview() {
    if (P.previewBitmap) P.previewBitmap->Clear();
    RepaintPreview();
}

void SetCheck(HWND box, bool on) { SendMessageA(box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }
bool IsChecked(HWND box) { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

std::string Numbered(const char* label, int32_t value) {
    std::string text = label;
    if (value > 0) text += std::to_string(value);
    return text;
}

void ShowProperties() {
    TPicList& list = PicList();
    HTREEITEM item = Selected();
    if (!item) {
        SetMode(list.Count() > 1 ? Mode::Folder : Mode::Image);
        return;
    }
    const uint32_t tag = TagOf(item);
    const int32_t slot = static_cast<int32_t>(TagSlot(tag));
    const int32_t file = static_cast<int32_t>(TagFile(tag));
    const int32_t entry = P.slots.EntryOf(slot);
    if ((slot != 0 && entry == 0) || entry >= list.Count()) return;
    const TFolderItem& folder = list.At(entry);
    if (file == 0) {
        if (slot == 0) return;
        SetMode(Mode::Folder);
        std::string count = std::to_string(folder.Pictures->size());
        count += " pictures";
        SetWindowTextA(P.width, count.c_str());
        SetCheck(P.includeSubdirs, folder.IncludeSubdirs);
        SetCheck(P.autoRefresh, folder.AutoRefresh);
        ClearPreview();
        return;
    }
    if (static_cast<int32_t>(folder.Pictures->size()) < file || !P.previewBitmap) return;
    P.previewBitmap->Clear();
    const PictureResult r = LoadPictureInto(*P.previewBitmap, (*folder.Pictures)[static_cast<size_t>(file - 1)]);
    SetMode(Mode::Image);
    SetWindowTextA(P.width, Numbered("Width : ", r.pictureWidth).c_str());
    SetWindowTextA(P.height, Numbered("Height : ", r.pictureHeight).c_str());
    std::string format = "Format : ";
    format += r.formatName;
    SetWindowTextA(P.format, format.c_str());
    SetWindowTextA(P.size, SizeText(r.fileSize).c_str());
    RepaintPreview();
}

// --- The fill thread ---------------------------------------------------------
void FillNodes() {
    TPicList& list = PicList();
    const int32_t n = list.Count();
    for (int32_t i = 1; i < n && !P.stopRequested; ++i) {
        TFolderItem& folder = list.At(i);
        folder.TreeItem = 0;
        if (!P.slots.Map(i, i)) continue;  // beyond what a tag can carry: kept in the list, not shown
        HTREEITEM node = InsertNode(TVI_ROOT, TVI_LAST, folder.Path, MakeNodeTag(static_cast<uint32_t>(i), 0));
        folder.TreeItem = reinterpret_cast<uintptr_t>(node);
    }
    if (n < 1) return;
    const TStringList& singles = *list.At(0).Pictures;
    const int32_t count = std::min<int32_t>(static_cast<int32_t>(singles.size()), kMaxSingleNodes);
    for (int32_t k = 1; k <= count && !P.stopRequested; ++k)
        InsertNode(TVI_ROOT, TVI_LAST, FileNamePart(singles[static_cast<size_t>(k - 1)]),
                   MakeNodeTag(0, static_cast<uint32_t>(k)));
}

DWORD WINAPI FillThread(void*) {
    try {
        SetTreeBusyCursor(WaitCursor());
        TreeView_SelectItem(P.tree, nullptr);
        TreeView_DeleteAllItems(P.tree);
        P.slots.Reset();
        FillNodes();
        SetTreeBusyCursor(nullptr);
    } catch (...) {
        ReportCurrentException(CrashPhaseFlags() | kPhaseNoGl);
    }
    // The flags first: the window selects the first node and closes this
    // thread's handle only when it sees the fill has ended.
    P.stopRequested = false;
    P.fillRunning = false;
    PostMessageA(SettingsWindow(), kTreeFilledMessage, 0, 0);
    return 0;
}

// --- Folder reads ------------------------------------------------------------
struct ScanJob {
    std::string path;
    bool includeSubdirs = true;
    std::exception_ptr failure;
};

DWORD WINAPI ScanThread(void* data) {
    auto& job = *static_cast<ScanJob*>(data);
    try {
        ScanIncludeSubfolders = job.includeSubdirs;
        ScanFolder(job.path, false);
    } catch (...) {
        job.failure = std::current_exception();
    }
    return 0;
}

// Reads a folder into ScanResult on a thread of its own, so that the window
// goes on answering during a long read (a drive root, a network share): a
// busy cursor, the count found so far, and "Cancel" or Escape to stop. False
// when the user stopped it; the result is then incomplete.
bool ScanWhileAnswering(const std::string& path, bool includeSubdirs) {
    std::atomic<bool> stop{false};
    WindowBusyScope busyWindow(&stop);
    BusyCursors busy;
    ScanStopRequested = false;
    ScanJob job{path, includeSubdirs, nullptr};
    HANDLE thread = CreateThread(nullptr, 0, ScanThread, &job, 0, nullptr);
    if (!thread) {
        ScanThread(&job);
    } else {
        const DWORD started = GetTickCount();
        bool progressShown = false;
        while (MsgWaitForMultipleObjects(1, &thread, FALSE, 100, QS_ALLINPUT) != WAIT_OBJECT_0) {
            PumpSettingsMessages();
            if (stop) ScanStopRequested = true;
            if (GetTickCount() - started >= 300) {
                // Past a glance: say what is going on and how to stop it.
                const std::string text = "Reading... " + std::to_string(ScanFoundCount.load()) + " pictures (Esc stops)";
                SetWindowTextA(P.width, text.c_str());
                progressShown = true;
            }
        }
        CloseHandle(thread);
        if (progressShown) ResetPropertyTexts();
    }
    const bool stopped = ScanStopRequested.exchange(false);
    if (job.failure) std::rethrow_exception(job.failure);
    return !stopped;
}

// --- Operations --------------------------------------------------------------
int32_t SelectedFolderEntry() {
    HTREEITEM item = Selected();
    if (!item) return -1;
    const uint32_t tag = TagOf(item);
    if (TagFile(tag) != 0 || TagSlot(tag) == 0) return -1;
    const int32_t entry = P.slots.EntryOf(static_cast<int32_t>(TagSlot(tag)));
    if (entry <= 0 || entry >= PicList().Count() || !PicList().At(entry).TreeItem) return -1;
    return entry;
}

int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data) {
        const char* start = reinterpret_cast<const char*>(data);
        if (*start) SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, data);
    }
    return 0;
}

std::string BrowseForFolder() {
    if (!P.comStarted) P.comStarted = SUCCEEDED(CoInitialize(nullptr));
    const std::string start = RegReadString("DialogPath");
    BROWSEINFOA info{};
    info.hwndOwner = SettingsWindow();
    info.lpszTitle = "Select folder with pictures";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(start.c_str());
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    if (!chosen) return "";
    // The wide form: in UTF-8 a path of MAX_PATH letters may take more bytes
    // than the narrow call's buffer holds.
    wchar_t wide[MAX_PATH + 1] = {};
    const bool ok = SHGetPathFromIDListW(chosen, wide);
    CoTaskMemFree(chosen);
    const std::string path = ok ? NarrowText(wide) : std::string();
    if (path.empty()) return "";
    RegWriteString("DialogPath", path);
    return path;
}

// The node after which a new folder's node goes: the last folder that has
// one, so that folders stay ahead of the single photos.
HTREEITEM LastFolderNode(int32_t before) {
    for (int32_t i = before - 1; i >= 1; --i)
        if (uintptr_t node = PicList().At(i).TreeItem) return reinterpret_cast<HTREEITEM>(node);
    return TVI_FIRST;
}

void AddFolder() {
    const std::string path = BrowseForFolder();
    if (path.empty()) return;
    // The tree must not change under a fill that is still adding nodes.
    WaitForTreeFill();
    TPicList& list = PicList();
    if (list.Count() > SlotTable::kMaxSlot) {
        MessageBoxA(SettingsWindow(), "The list holds as many folders as it can. Remove a folder first.", "Pagewind",
                    MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (!ScanWhileAnswering(path, true)) {
        ShowProperties();
        return;  // stopped: nothing is added
    }
    const int32_t entry = list.AddFolder(path);
    TFolderItem& folder = list.At(entry);
    folder.Pictures->assign(ScanResult().begin(), ScanResult().end());
    list.Modified = true;
    ClearPreview();

    const int32_t slot = P.slots.SlotForNewFolder(entry);
    if (slot < 0) return;
    HTREEITEM node = InsertNode(TVI_ROOT, LastFolderNode(entry), folder.Path, MakeNodeTag(static_cast<uint32_t>(slot), 0));
    folder.TreeItem = reinterpret_cast<uintptr_t>(node);
    TreeView_SelectItem(P.tree, node);
    InvalidateRect(P.properties, nullptr, TRUE);
}

std::vector<FileFormat> PluginFormats() {
    std::vector<FileFormat> formats;
    for (const PluginTableEntry& plugin : PluginTable()) {
        if (!plugin.enabled) continue;
        const PluginDescriptor& d = plugin.descriptor;
        for (int32_t i = 0; i < d.count; ++i)
            if (d.extensions && d.extensions[i])
                formats.push_back({d.formatNames && d.formatNames[i] ? d.formatNames[i] : "", d.extensions[i]});
    }
    return formats;
}

void AddPhoto() {
    const std::string filter = OpenFileFilter(PluginFormats());
    std::vector<char> buffer(kOpenFileCharacters, '\0');
    OPENFILENAMEA open{};
    open.lStructSize = sizeof open;
    open.hwndOwner = SettingsWindow();
    open.lpstrFilter = filter.c_str();
    open.nFilterIndex = 1;
    open.lpstrFile = buffer.data();
    open.nMaxFile = kOpenFileCharacters;
    open.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&open)) {
        const DWORD error = CommDlgExtendedError();
        if (error == FNERR_BUFFERTOOSMALL) {
            MessageBoxA(SettingsWindow(), "Too many photos were chosen at once. Please add them in smaller groups.",
                        "Pagewind", MB_OK | MB_ICONINFORMATION);
            return;
        }
        if (error != 0) throw std::runtime_error("OpenFileName Fails = " + std::to_string(error));
        return;
    }
    const std::vector<std::string> files = ChosenFiles(buffer.data(), buffer.size());
    WaitForTreeFill();
    TPicList& list = PicList();
    if (list.Count() < 1) return;
    TStringList& singles = *list.At(0).Pictures;
    HTREEITEM last = nullptr;
    for (const std::string& file : files) {
        singles.push_back(file);
        const auto k = static_cast<int32_t>(singles.size());
        if (k <= kMaxSingleNodes)
            last = InsertNode(TVI_ROOT, TVI_LAST, FileNamePart(file), MakeNodeTag(0, static_cast<uint32_t>(k)));
    }
    list.Modified = true;
    if (!last) return;
    TreeView_SelectItem(P.tree, last);
    ShowProperties();
    InvalidateRect(P.properties, nullptr, TRUE);
}

void Remove() {
    if (!Selected()) return;
    // Renumbering and deleting must not race a fill that is still adding nodes.
    WaitForTreeFill();
    HTREEITEM item = Selected();
    if (!item) return;
    const uint32_t tag = TagOf(item);
    const int32_t slot = static_cast<int32_t>(TagSlot(tag));
    const int32_t file = static_cast<int32_t>(TagFile(tag));
    const int32_t entry = P.slots.EntryOf(slot);
    TPicList& list = PicList();
    if ((slot != 0 && entry == 0) || entry >= list.Count()) return;
    if (file >= 1) {
        TStringList& pictures = *list.At(entry).Pictures;
        if (static_cast<int32_t>(pictures.size()) < file) return;
        for (HTREEITEM next = TreeView_GetNextSibling(P.tree, item); next;
             next = TreeView_GetNextSibling(P.tree, next)) {
            const uint32_t t = TagOf(next);
            if (TagSlot(t) == static_cast<uint32_t>(slot) && TagFile(t) > 0) SetTag(next, t - 1);
        }
        ResetPropertyTexts();
        TreeView_DeleteItem(P.tree, item);
        pictures.erase(pictures.begin() + (file - 1));
        list.Modified = true;
        if (slot != 0 && pictures.empty()) ShowHasFiles(reinterpret_cast<HTREEITEM>(list.At(entry).TreeItem), false);
        if (list.Count() == 1 && list.At(0).Pictures->empty()) ClearPreview();
        ShowProperties();
        return;
    }
    if (slot == 0) return;
    ClearPreview();
    ResetPropertyTexts();
    TreeView_DeleteItem(P.tree, item);
    P.slots.FolderDeleted(slot, entry);
    list.Delete(entry);
    list.Modified = true;
    if (list.Count() == 1 && list.At(0).Pictures->empty()) ShowProperties();
}

// Reads the selected folder again; false when there was none or the user
// stopped the read (the folder then keeps the pictures it had).
bool RefreshFolder() {
    if (SelectedFolderEntry() < 0) return false;
    WaitForTreeFill();
    const int32_t entry = SelectedFolderEntry();
    if (entry < 0) return false;
    ClearLastScannedFolder();
    const std::string path = PicList().At(entry).Path;
    if (!ScanWhileAnswering(path, PicList().At(entry).IncludeSubdirs)) {
        ShowProperties();
        return false;
    }
    TFolderItem& folder = PicList().At(entry);
    const auto node = reinterpret_cast<HTREEITEM>(folder.TreeItem);
    folder.ExtraNames->clear();
    folder.Pictures->assign(ScanResult().begin(), ScanResult().end());
    PicList().Modified = true;
    // The file nodes come back when the folder is opened again.
    TreeView_Expand(P.tree, node, TVE_COLLAPSE | TVE_COLLAPSERESET);
    while (HTREEITEM child = TreeView_GetChild(P.tree, node)) TreeView_DeleteItem(P.tree, child);
    ShowHasFiles(node, !folder.Pictures->empty());
    TreeView_SelectItem(P.tree, node);
    ShowProperties();
    return true;
}

// --- The preview window ------------------------------------------------------
LRESULT CALLBACK PreviewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            CopyPreviewTo(dc);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_SETCURSOR:
            if (HCURSOR busy = WindowBusyCursor()) {
                SetCursor(busy);
                return TRUE;
            }
            break;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

void CreatePreviewBitmap(int32_t width, int32_t height) {
    P.previewWidth = width;
    P.previewHeight = height;
    P.previewBitmap.reset(TBitmap0::Create(width, height));
    P.previewBitmap->Enlarge = true;
    P.previewBitmap->RandomPos = false;
    P.previewBitmap->Crop = Settings.crop;
    P.previewBitmap->SetFillColour(0);
    P.previewBitmap->Clear();
}
int32_t PreviewWidth() { return P.previewWidth; }
int32_t PreviewHeight() { return P.previewHeight; }

void CreatePhotosTab(HWND page) {
    P.page = page;
    HWND group = CreatePlainGroupBox(page, 0, "", 359, 210, 4, 6);
    if (!group) throw std::runtime_error("can't create the Photos group");
    P.tree = CreateTreeView(group, kTree, "Tree Images", 240, 190, 16, 10);
    if (!P.tree) throw std::runtime_error("can't create Tree Images");
    P.addFolder = CreatePushButton(group, kAddFolder, "Add folder", 20, 90, 276, 10);
    P.remove = CreatePushButton(group, kRemove, "Remove", 20, 90, 276, 110);
    P.addPhoto = CreatePushButton(group, kAddPhoto, "Add photo", 20, 90, 306, 10);
    P.preview = CreateImageWindow(page, kPreviewImage, P.previewHeight, P.previewWidth, 20, 236, PreviewProc);
    P.properties = CreateGroupBox(page, 0, "Image properties", 88, 340, 275, 226);
    if (!P.properties) throw std::runtime_error("can't create the properties group");
    P.width = CreateStaticText(P.properties, 0, "Width : ", 20, 120, 20, 20);
    P.height = CreateStaticText(P.properties, 0, "Height : ", 20, 120, 43, 20);
    P.format = CreateStaticText(P.properties, 0, "Format : ", 20, 120, 66, 20);
    P.refresh = CreatePushButton(P.properties, kRefreshFolder, "Refresh folder", 25, 103, 20, 170);
    P.includeSubdirs = CreateCheckBox(P.properties, kIncludeSubdirs, "Include subdirectories", 20, 150, 40, 20);
    P.autoRotate = CreateCheckBox(group, kAutoRotate, "Auto rotate photos (EXIF)", 20, 150, 332, 20);
    P.autoRefresh = CreateCheckBox(P.properties, kAutoRefresh, "Auto Refresh", 20, 150, 50, 180);
    P.size = CreateStaticText(P.properties, 0, "Size : ", 20, 120, 20, 170);
    // Image mode to begin with: the folder controls stay hidden.
    P.mode = Mode::Image;
    for (HWND w : {P.includeSubdirs, P.refresh, P.autoRefresh}) ShowWindow(w, SW_HIDE);
}

void AddPhotosTooltips() {
    const std::pair<HWND, const char*> tips[] = {
        {P.addFolder, "Add a folder to the list"},
        {P.addPhoto, "Add a photo to the list"},
        {P.remove, "Remove the selected folder or image from the list"},
        {P.refresh, "Refresh the folder selected in the list"},
        {P.autoRefresh, "Refresh the folder selected in the list automatically at the program start"},
        {P.includeSubdirs, "Search for images in subdirectories of the selected folder"},
        {P.preview, "Preview of pictures"},
    };
    for (const auto& [control, text] : tips)
        if (control) AddTooltip(control, text);
}

void OpenPreviewDc() {
    if (P.preview && !P.previewDc) P.previewDc = GetDC(P.preview);
}

bool PhotosCommand(int32_t id, int32_t code) {
    switch (id) {
        case kAddFolder:
        case kRemove:
        case kAddPhoto:
        case kIncludeSubdirs:
        case kAutoRefresh:
        case kAutoRotate:
        case kRefreshFolder:
            break;
        default:
            return false;
    }
    if (code != BN_CLICKED) return true;
    switch (id) {
        case kAddFolder: AddFolder(); break;
        case kRemove: Remove(); break;
        case kAddPhoto: AddPhoto(); break;
        case kRefreshFolder: RefreshFolder(); break;
        case kIncludeSubdirs: {
            const int32_t entry = SelectedFolderEntry();
            if (entry < 0) break;
            const bool before = PicList().At(entry).IncludeSubdirs;
            PicList().At(entry).IncludeSubdirs = IsChecked(P.includeSubdirs);
            if (!RefreshFolder()) {
                // Stopped: the pictures are still those of the old setting.
                PicList().At(entry).IncludeSubdirs = before;
                SetCheck(P.includeSubdirs, before);
            }
            break;
        }
        case kAutoRefresh: {
            const int32_t entry = SelectedFolderEntry();
            if (entry < 0) break;
            const bool on = IsChecked(P.autoRefresh);
            PicList().At(entry).AutoRefresh = on;
            PicList().Modified = true;
            if (on) RefreshFolder();
            break;
        }
        case kAutoRotate:
            Settings.ignoreexif = !IsChecked(P.autoRotate);
            ReinitPlugins();
            ShowProperties();
            break;
        default:
            break;
    }
    return true;
}

namespace {
// A folder being opened for the first time gets its file nodes.
void OnExpanding(const NMTREEVIEWA& change) {
    if (!(change.action & TVE_EXPAND)) return;
    HTREEITEM node = change.itemNew.hItem;
    if (!node || TreeView_GetChild(P.tree, node)) return;
    const uint32_t tag = TagOf(node);
    const int32_t slot = static_cast<int32_t>(TagSlot(tag));
    const int32_t entry = P.slots.EntryOf(slot);
    if (TagFile(tag) != 0 || slot == 0 || entry <= 0 || entry >= PicList().Count()) return;
    BusyCursors busy;
    AddFileNodes(node, slot, *PicList().At(entry).Pictures);
}
}  // namespace

bool PhotosNotify(const NMHDR& header) {
    if (header.hwndFrom != P.tree) return false;
    // The A and W forms share the fields read here.
    if (header.code == static_cast<UINT>(TVN_ITEMEXPANDINGA) || header.code == static_cast<UINT>(TVN_ITEMEXPANDINGW))
        OnExpanding(reinterpret_cast<const NMTREEVIEWA&>(header));
    if (header.code == static_cast<UINT>(TVN_SELCHANGEDA) || header.code == static_cast<UINT>(TVN_SELCHANGEDW))
        ShowProperties();
    return true;
}

bool TreeFillRunning() { return P.fillRunning; }

void WaitForTreeFill() {
    if (!P.fillRunning) return;
    // Nothing the user clicks meanwhile may run inside this wait.
    WindowBusyScope busy;
    while (P.fillRunning) {
        PumpSettingsMessages();
        Sleep(10);
    }
}

namespace {
// Closes the handle of a fill thread that has ended.
void CloseFinishedFill() {
    if (!P.fillThread || P.fillRunning) return;
    if (WaitForSingleObject(P.fillThread, 1000) != WAIT_OBJECT_0) return;
    CloseHandle(P.fillThread);
    P.fillThread = nullptr;
}

// Asks a running fill to stop and waits until it has ended.
void StopTreeFillAndWait() {
    if (!P.fillRunning) return;
    P.stopRequested = true;
    WaitForTreeFill();
}

void TerminateTreeFill() {
    if (!P.fillRunning) return;
    P.stopRequested = true;
    if (P.fillThread) TerminateThread(P.fillThread, 0);
    P.fillRunning = false;
}
}  // namespace

void FillTree() {
    StopTreeFillAndWait();
    CloseFinishedFill();
    P.stopRequested = false;
    P.fillRunning = true;
    DWORD id = 0;
    P.fillThread = CreateThread(nullptr, 0, FillThread, nullptr, 0, &id);
    if (!P.fillThread) {
        P.fillRunning = false;
        throw std::runtime_error("can't start the tree fill " + std::to_string(GetLastError()));
    }
}

void StopTreeFill() {
    if (!P.fillRunning) return;
    P.stopRequested = true;
    {
        WindowBusyScope busy;
        for (int32_t step = 0; step < 100 && P.fillRunning; ++step) {
            PumpSettingsMessages();
            Sleep(10);
        }
    }
    TerminateTreeFill();
}

void OnTreeFilled() {
    CloseFinishedFill();
    P.syncedTab = -1;
}

void SyncPhotosTab(int32_t currentTab) {
    if (currentTab != kPhotosTabIndex) {
        P.syncedTab = currentTab;
        return;
    }
    if (P.syncedTab == currentTab || P.fillRunning) return;
    P.syncedTab = currentTab;
    // Show properties lays the group out in full this time.
    P.forceLayout = true;
    if (Selected()) {
        ShowProperties();
        return;
    }
    HTREEITEM first = TreeView_GetRoot(P.tree);
    if (first) TreeView_SelectItem(P.tree, first);
    else ShowProperties();
}

HWND AutoRotateCheckBox() { return P.autoRotate; }

void ReleasePhotosTab() {
    if (P.previewDc) ReleaseDC(P.preview, P.previewDc);
    P.previewDc = nullptr;
    P.previewBitmap.reset();
    if (P.comStarted) CoUninitialize();
    P.comStarted = false;
}
