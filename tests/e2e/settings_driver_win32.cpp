// Drives Pagewind's settings window from outside, as a user would, with
// ordinary window messages sent across the process boundary. Reads a script of
// commands (one a line, '#' starts a comment, "double quotes" group words) and
// prints one line per check: "ok: ..." or "FAIL: ...". Exits 1 when a check
// failed, 2 on a broken script or when the program under test went missing.
//
// Usage: settings_driver [--sync DIR] SCRIPT
//   --sync DIR  folder shared with the calling shell script: "shot NAME" writes
//               DIR\request ("NAME LEFT TOP WIDTH HEIGHT", the settings
//               window's rectangle) and waits until the shell has taken the
//               screenshot and deleted the file.
//
// Controls are named by selectors, searched among all descendants of the
// settings window (or of the current dialog for the dialog-* commands):
//   56              the control with that child-window id
//   1148@Edit       ... and that window class
//   =TEXT           the window whose text is TEXT
//   ^TEXT           ... whose text starts with TEXT
//   *TEXT           ... whose text contains TEXT
//   child:SEL:N     the N-th child (0-based, creation order) of SEL
//
// Commands:
//   start PROGRAM [ARGS...]        start the program (records the start time)
//   wait-main [SECONDS] [CLASS]    wait for the visible "VODI_Pagewind" (or CLASS)
//                                  window of the started process; prints the time
//                                  from start
//   expect-window-size             the window is 609 x (447 + caption and border)
//                                  layout units scaled to the screen's DPI
//   set-text SEL TEXT              WM_SETTEXT (fires the edit notifications)
//   type SEL TEXT                  WM_CHAR for each character, at the caret
//   caret SEL POS                  put the caret at POS
//   expect-caret SEL POS
//   expect-text SEL TEXT           the window text equals TEXT
//   wait-text SEL TEXT [SECONDS]   polls; prints how long it took ("TEXT*": a
//                                  text that starts with TEXT)
//   wait-text-gone SEL TEXT [SECONDS] the same until the text is another
//   focus SEL                      a mouse click into SEL (moves the focus)
//   click SEL                      BM_CLICK, waits for the handler to return
//   post-click SEL                 BM_CLICK posted (for buttons opening dialogs)
//   expect-checked SEL / expect-unchecked SEL
//   expect-enabled SEL / expect-disabled SEL
//   expect-visible SEL / expect-hidden SEL
//   expect-trackbar SEL N          the trackbar's position
//   key SEL VK                     WM_KEYDOWN + WM_KEYUP of virtual key VK to SEL
//   tab N                          click the N-th tab of the tab control (id 27)
//   expect-tab N [SECONDS]         the selected tab is (becomes) N
//   combo-select SEL N / expect-combo SEL N
//   expect-tree-count SEL N        TVM_GETCOUNT
//   wait-tree-count SEL N [SECONDS] polls until the count is N and prints the time
//   tree-select SEL PATH           PATH "2" is the third top-level node, "0/1"
//                                  the second child of the first (nodes on the
//                                  way are opened, as by a click on their button)
//   tree-expand SEL PATH           open a node; prints the time and the node count
//   expect-tree-text SEL PATH TEXT
//   expect-tree-children SEL PATH N  (opens the node)
//   expect-tree-selected SEL PATH
//   wait-dialog [TITLE] [SECONDS]  a visible dialog window (class "#32770") of
//                                  the program becomes the current dialog
//   dialog-set-text ID[|ID...] TEXT  the first of the ids that exists
//   dialog-click SEL               post BM_CLICK to the dialog's button SEL
//   dialog-tree-select TEXTS       select the node of the dialog's tree reached
//                                  through node texts containing each of TEXTS
//                                  ("Desktop/My Computer/(C:)/photos")
//   wait-dialog-tree-selection TEXT [SECONDS]  the selected node of the
//                                  dialog's tree (the shell's folder browser
//                                  selects a folder some time after it opens)
//   wait-dialog-gone [SECONDS]
//   dump / dump-dialog             list the windows (for writing scripts)
//   expect-window-count CLASS N    visible top-level windows of CLASS
//   wait-window CLASS [SECONDS]
//   wait-window-gone CLASS [SECONDS]
//   key-window CLASS VK            WM_KEYDOWN + WM_KEYUP posted to that window
//   expect-active [SECONDS]        the settings window is (becomes) the active window
//   close                          the close box (WM_SYSCOMMAND SC_CLOSE)
//   wait-exit CODE [SECONDS]       the program ends with exit code CODE
//   shot NAME                      screenshot through the calling shell script
//   xkeys KEY...                   real key presses on the X display through the
//                                  calling shell script (xdotool key names), so
//                                  that the program's own keyboard handling runs
//   tab-to SEL                     presses Tab (for real, as xkeys) until SEL has
//                                  the focus; fails after 60 presses
//   expect-focus SEL [SECONDS]     the keyboard focus of the program's window
//                                  thread is (becomes) SEL
//   expect-responsive SECONDS MS [SEL TEXT]
//                                  for SECONDS (or until SEL shows TEXT), the
//                                  settings window answers every message within
//                                  MS milliseconds; prints the longest wait
//   sleep MS
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {
constexpr const char* kSettingsClass = "VODI_Pagewind";
constexpr int kTabControlId = 27;
constexpr DWORD kSendTimeoutMs = 20000;

struct ScriptError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

PROCESS_INFORMATION target{};
LARGE_INTEGER startCount{}, frequency{};
HWND mainWindow = nullptr;
HWND dialog = nullptr;
std::string syncFolder;
int failures = 0;
int lineNumber = 0;

std::string Num(long long v) { return std::to_string(v); }
// Joins texts by appending (GCC 12 warns falsely on "literal" + std::string).
template <typename... Parts>
std::string Cat(const Parts&... parts) {
    std::string text;
    (text += ... += parts);
    return text;
}

void Ok(const std::string& what) { std::printf("ok: %s\n", what.c_str()); }
void Fail(const std::string& what) {
    std::printf("FAIL: line %d: %s\n", lineNumber, what.c_str());
    ++failures;
}
void Check(bool good, const std::string& what, const std::string& detail) {
    if (good) {
        Ok(what);
    } else {
        std::string text = what;
        text += " (";
        text += detail;
        text += ")";
        Fail(text);
    }
}

double MsSinceStart() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - startCount.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool TargetRunning() { return target.hProcess && WaitForSingleObject(target.hProcess, 0) == WAIT_TIMEOUT; }

LRESULT Send(HWND w, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(w, msg, wp, lp, SMTO_NORMAL, kSendTimeoutMs, &result)) {
        throw ScriptError(Cat("no answer to message ", Num(msg)));
    }
    return static_cast<LRESULT>(result);
}

// Lets the program's thread take everything sent and posted so far.
void Settle() {
    if (!mainWindow) return;
    for (int i = 0; i < 2; ++i) {
        Sleep(30);
        DWORD_PTR result;
        SendMessageTimeoutA(mainWindow, WM_NULL, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &result);
    }
}

std::string TextOf(HWND w) {
    char buffer[4096] = {};
    Send(w, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}
std::string ClassOf(HWND w) {
    char buffer[256] = {};
    GetClassNameA(w, buffer, sizeof buffer);
    return buffer;
}

// Memory inside the program under test, for the messages whose pointers the
// system does not carry across processes (tree items, tab rectangles).
class RemoteBuffer {
public:
    explicit RemoteBuffer(size_t size) : size_(size) {
        data_ = VirtualAllocEx(target.hProcess, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (!data_) throw ScriptError("VirtualAllocEx failed");
    }
    ~RemoteBuffer() { VirtualFreeEx(target.hProcess, data_, 0, MEM_RELEASE); }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    void* Address(size_t offset = 0) const { return static_cast<char*>(data_) + offset; }
    void Write(const void* from, size_t bytes, size_t offset = 0) {
        if (offset + bytes > size_ || !WriteProcessMemory(target.hProcess, Address(offset), from, bytes, nullptr))
            throw ScriptError("WriteProcessMemory failed");
    }
    void Read(void* to, size_t bytes, size_t offset = 0) const {
        if (offset + bytes > size_ || !ReadProcessMemory(target.hProcess, Address(offset), to, bytes, nullptr))
            throw ScriptError("ReadProcessMemory failed");
    }

private:
    void* data_;
    size_t size_;
};

// --- Finding windows --------------------------------------------------------
BOOL CALLBACK CollectWindow(HWND w, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
    return TRUE;
}

void Descendants(HWND root, std::vector<HWND>& out) {
    EnumChildWindows(root, CollectWindow, reinterpret_cast<LPARAM>(&out));
}

// The first tree view below root (the folder browser's), or null.
HWND TreeIn(HWND root) {
    std::vector<HWND> all;
    Descendants(root, all);
    for (HWND w : all)
        if (ClassOf(w) == "SysTreeView32") return w;
    return nullptr;
}

HWND FindIn(HWND root, const std::string& selector) {
    if (!root) throw ScriptError("no window to search in");
    if (selector.rfind("child:", 0) == 0) {
        const size_t colon = selector.rfind(':');
        HWND parent = FindIn(root, selector.substr(6, colon - 6));
        int n = std::atoi(selector.c_str() + colon + 1);
        for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (n-- == 0) return c;
        return nullptr;
    }
    std::vector<HWND> all;
    Descendants(root, all);
    const char kind = selector.empty() ? 0 : selector[0];
    const std::string text = selector.substr(1);
    for (HWND w : all) {
        switch (kind) {
            case '=':
                if (TextOf(w) == text) return w;
                break;
            case '^':
                if (TextOf(w).rfind(text, 0) == 0) return w;
                break;
            case '*':
                if (TextOf(w).find(text) != std::string::npos) return w;
                break;
            default: {
                // "ID@CLASS": nested controls may share an id (a combo box and its edit)
                const size_t at = selector.find('@');
                if (GetDlgCtrlID(w) == std::atoi(selector.c_str()) &&
                    (at == std::string::npos || ClassOf(w) == selector.substr(at + 1)))
                    return w;
            }
        }
    }
    return nullptr;
}

HWND Control(const std::string& selector) {
    HWND w = FindIn(mainWindow, selector);
    if (!w) {
        std::string text = "no control ";
        text += selector;
        throw ScriptError(text);
    }
    return w;
}

struct TopLevelQuery {
    DWORD pid;
    std::string windowClass;
    std::string title;
    bool anyProcess;
    std::vector<HWND> found;
};

BOOL CALLBACK MatchTopLevel(HWND w, LPARAM lp) {
    auto& q = *reinterpret_cast<TopLevelQuery*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if ((q.anyProcess || pid == q.pid) && IsWindowVisible(w) && ClassOf(w) == q.windowClass) {
        char text[512] = {};
        GetWindowTextA(w, text, sizeof text);
        if (q.title.empty() || q.title == text) q.found.push_back(w);
    }
    return TRUE;
}

std::vector<HWND> TopLevel(const std::string& windowClass, const std::string& title, bool anyProcess) {
    TopLevelQuery q{target.dwProcessId, windowClass, title, anyProcess, {}};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&q));
    return q.found;
}

template <typename Predicate>
bool WaitFor(double seconds, Predicate done) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start > static_cast<DWORD>(seconds * 1000)) return false;
        Sleep(20);
    }
}

// --- Tree view ----------------------------------------------------------------
HTREEITEM TreeNext(HWND tree, UINT how, HTREEITEM from) {
    return reinterpret_cast<HTREEITEM>(Send(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(from)));
}

HTREEITEM TreeNode(HWND tree, const std::string& path) {
    HTREEITEM node = nullptr;
    size_t at = 0;
    bool first = true;
    while (at <= path.size()) {
        size_t slash = path.find('/', at);
        if (slash == std::string::npos) slash = path.size();
        int index = std::atoi(path.substr(at, slash - at).c_str());
        if (!first) Send(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));  // a click on its button
        node = first ? TreeNext(tree, TVGN_ROOT, nullptr) : TreeNext(tree, TVGN_CHILD, node);
        while (node && index-- > 0) node = TreeNext(tree, TVGN_NEXT, node);
        if (!node) {
            std::string text = "no tree node ";
            text += path;
            throw ScriptError(text);
        }
        first = false;
        at = slash + 1;
    }
    return node;
}

std::string TreeText(HWND tree, HTREEITEM node) {
    constexpr size_t kTextOffset = 256, kTextSize = 1024;
    RemoteBuffer remote(kTextOffset + kTextSize);
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = node;
    item.pszText = static_cast<char*>(remote.Address(kTextOffset));
    item.cchTextMax = kTextSize;
    remote.Write(&item, sizeof item);
    if (!Send(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote.Address()))) return "<no item>";
    char text[kTextSize] = {};
    remote.Read(text, kTextSize - 1, kTextOffset);
    return text;
}

// The node reached through the texts of PATH ("Desktop/My Computer/(C:)"),
// expanding each step so that a tree filled on demand lists its children.
HTREEITEM TreeByTexts(HWND tree, const std::string& path) {
    HTREEITEM node = nullptr;
    size_t at = 0;
    while (at <= path.size()) {
        size_t slash = path.find('/', at);
        if (slash == std::string::npos) slash = path.size();
        const std::string want = path.substr(at, slash - at);
        if (node) Send(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
        HTREEITEM child = node ? TreeNext(tree, TVGN_CHILD, node) : TreeNext(tree, TVGN_ROOT, nullptr);
        while (child && TreeText(tree, child).find(want) == std::string::npos) child = TreeNext(tree, TVGN_NEXT, child);
        if (!child) throw ScriptError(Cat("no tree node ", want));
        node = child;
        at = slash + 1;
    }
    return node;
}

int TreeCount(HWND tree) { return static_cast<int>(Send(tree, TVM_GETCOUNT)); }

// --- Commands ----------------------------------------------------------------
std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        if (i >= line.size() || line[i] == '#') break;
        std::string word;
        if (line[i] == '"') {
            size_t end = line.find('"', i + 1);
            if (end == std::string::npos) throw ScriptError("unclosed quote");
            word = line.substr(i + 1, end - i - 1);
            i = end + 1;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') word += line[i++];
        }
        words.push_back(word);
    }
    return words;
}

double Seconds(const std::vector<std::string>& w, size_t index, double fallback) {
    return w.size() > index ? std::atof(w[index].c_str()) : fallback;
}

void NeedWords(const std::vector<std::string>& w, size_t count) {
    if (w.size() < count) {
        std::string text = w[0];
        text += ": missing arguments";
        throw ScriptError(text);
    }
}

void ClickAt(HWND w, int x, int y) {
    const LPARAM at = MAKELPARAM(x, y);
    Send(w, WM_LBUTTONDOWN, MK_LBUTTON, at);
    Send(w, WM_LBUTTONUP, 0, at);
    Settle();
}

int DivideRounded(long long numerator, long long denominator) {
    long long quotient = numerator / denominator, remainder = numerator % denominator;
    if (2 * remainder > denominator || (2 * remainder == denominator && (quotient & 1))) ++quotient;
    return static_cast<int>(quotient);
}

void ExpectWindowSize() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    const int frameUnits = DivideRounded(1LL * (metrics.iCaptionHeight + metrics.iBorderWidth) * 96, dpi);
    const int width = DivideRounded(609LL * dpi, 96), height = DivideRounded((447LL + frameUnits) * dpi, 96);
    RECT r{};
    GetWindowRect(mainWindow, &r);
    const std::string what = Cat("window is ", Num(width), "x", Num(height), " pixels at ", Num(dpi), " DPI");
    const std::string got = Cat("got ", Num(r.right - r.left), "x", Num(r.bottom - r.top));
    Check(r.right - r.left == width && r.bottom - r.top == height, what, got);
    // Centred on the desktop (integer halves of the differences).
    RECT desk{};
    GetWindowRect(GetDesktopWindow(), &desk);
    const int x = desk.left + (desk.right - desk.left - (r.right - r.left)) / 2;
    const int y = desk.top + (desk.bottom - desk.top - (r.bottom - r.top)) / 2;
    Check(r.left == x && r.top == y, "window is centred on the desktop", Cat("at ", Num(r.left), ",", Num(r.top)));
}

// Hands a request file to the calling shell script and waits until it has
// been carried out (the script deletes the file).
void Request(const std::string& file, const std::string& line, const char* what) {
    if (syncFolder.empty()) throw ScriptError(Cat(what, " needs --sync"));
    std::string request = syncFolder + "\\" + file;
    std::string temp = request + ".tmp";
    {
        std::ofstream out(temp);
        out << line << '\n';
    }
    MoveFileA(temp.c_str(), request.c_str());
    if (!WaitFor(60, [&] { return GetFileAttributesA(request.c_str()) == INVALID_FILE_ATTRIBUTES; }))
        throw ScriptError(Cat("nobody carried out ", what));
}

HWND FocusOfTarget() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(mainWindow, nullptr);
    return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

std::string Describe(HWND w) {
    if (!w) return "nothing";
    return Cat(ClassOf(w), " id ", Num(GetDlgCtrlID(w)), " \"", TextOf(w), "\"");
}

void Shot(const std::string& name) {
    RECT r{};
    GetWindowRect(mainWindow, &r);
    Request("request", Cat(name, " ", Num(r.left), " ", Num(r.top), " ", Num(r.right - r.left), " ", Num(r.bottom - r.top)),
            "the screenshot");
    Ok(Cat("screenshot ", name));
}

void Dump(HWND root) {
    std::vector<HWND> all;
    Descendants(root, all);
    for (HWND w : all) {
        RECT r{};
        GetWindowRect(w, &r);
        std::printf("  %p parent %p id %d class %s text \"%s\" %s %s rect %ld,%ld %ldx%ld\n", static_cast<void*>(w),
                    static_cast<void*>(GetParent(w)), GetDlgCtrlID(w), ClassOf(w).c_str(), TextOf(w).c_str(),
                    IsWindowVisible(w) ? "visible" : "hidden", IsWindowEnabled(w) ? "enabled" : "disabled", r.left,
                    r.top, r.right - r.left, r.bottom - r.top);
    }
}

void Run(const std::vector<std::string>& w) {
    const std::string& c = w[0];
    if (c == "start") {
        NeedWords(w, 2);
        std::string command = "\"";
        command += w[1];
        command += "\"";
        for (size_t i = 2; i < w.size(); ++i) command += Cat(" ", w[i]);
        STARTUPINFOA si{};
        si.cb = sizeof si;
        QueryPerformanceCounter(&startCount);
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &target))
            throw ScriptError(Cat("cannot start ", w[1]));
        mainWindow = nullptr;
        dialog = nullptr;
    } else if (c == "wait-main") {
        std::vector<HWND> found;
        if (!WaitFor(Seconds(w, 1, 60), [&] {
                found = TopLevel(w.size() > 2 ? w[2] : kSettingsClass, "", false);
                return !found.empty() || !TargetRunning();
            }) ||
            found.empty()) {
            // Say what came instead (a message box, for example).
            std::string seen;
            for (HWND d : TopLevel("#32770", "", false)) {
                std::vector<HWND> all;
                Descendants(d, all);
                for (HWND c : all) seen += Cat(" \"", TextOf(c), "\"");
            }
            throw ScriptError(Cat("the settings window did not appear; dialogs:", seen.empty() ? " none" : seen));
        }
        mainWindow = found[0];
        char time[64];
        std::snprintf(time, sizeof time, "%.0f", MsSinceStart());
        Ok(Cat("settings window shown after ", time, " ms"));
        Settle();
    } else if (c == "expect-window-size") {
        ExpectWindowSize();
    } else if (c == "set-text") {
        NeedWords(w, 3);
        Send(Control(w[1]), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w[2].c_str()));
        Settle();
    } else if (c == "type") {
        NeedWords(w, 3);
        HWND control = Control(w[1]);
        for (char ch : w[2]) Send(control, WM_CHAR, static_cast<unsigned char>(ch), 1);
        Settle();
    } else if (c == "caret") {
        NeedWords(w, 3);
        const int pos = std::atoi(w[2].c_str());
        Send(Control(w[1]), EM_SETSEL, pos, pos);
    } else if (c == "expect-caret") {
        NeedWords(w, 3);
        const LRESULT sel = Send(Control(w[1]), EM_GETSEL);
        Check(LOWORD(sel) == std::atoi(w[2].c_str()) && HIWORD(sel) == LOWORD(sel),
              Cat("caret of ", w[1], " at ", w[2]),
              Cat("selection ", Num(LOWORD(sel)), "-", Num(HIWORD(sel))));
    } else if (c == "expect-text") {
        NeedWords(w, 3);
        const std::string text = TextOf(Control(w[1]));
        Check(text == w[2], Cat(w[1], " shows \"", w[2], "\""), Cat("shows \"", text, "\""));
    } else if (c == "wait-text" || c == "wait-text-gone") {
        NeedWords(w, 3);
        const bool gone = c == "wait-text-gone";
        const double start = MsSinceStart();
        std::string text;
        const bool good = WaitFor(Seconds(w, 3, 30), [&] {
            HWND control = FindIn(mainWindow, w[1]);
            text = control ? TextOf(control) : "<none>";
            // "TEXT*": the text starts with TEXT
            const bool shown = !w[2].empty() && w[2].back() == '*' ? text.rfind(w[2].substr(0, w[2].size() - 1), 0) == 0
                                                                   : text == w[2];
            return shown != gone;
        });
        char time[64];
        std::snprintf(time, sizeof time, "%.0f", MsSinceStart() - start);
        Check(good, Cat(w[1], gone ? " no longer shows \"" : " shows \"", w[2], "\" after ", time, " ms"),
              Cat("shows \"", text, "\""));
    } else if (c == "focus") {
        NeedWords(w, 2);
        ClickAt(Control(w[1]), 2, 2);
    } else if (c == "click") {
        NeedWords(w, 2);
        Send(Control(w[1]), BM_CLICK);
        Settle();
    } else if (c == "post-click") {
        NeedWords(w, 2);
        PostMessageA(Control(w[1]), BM_CLICK, 0, 0);
    } else if (c == "expect-checked" || c == "expect-unchecked") {
        NeedWords(w, 2);
        const LRESULT state = Send(Control(w[1]), BM_GETCHECK);
        const bool want = c == "expect-checked";
        Check((state == BST_CHECKED) == want, Cat(w[1], want ? " checked" : " unchecked"), Cat("state ", Num(state)));
    } else if (c == "expect-enabled" || c == "expect-disabled") {
        NeedWords(w, 2);
        const bool want = c == "expect-enabled";
        Check(IsWindowEnabled(Control(w[1])) == static_cast<BOOL>(want), Cat(w[1], want ? " enabled" : " disabled"),
              want ? "disabled" : "enabled");
    } else if (c == "expect-visible" || c == "expect-hidden") {
        NeedWords(w, 2);
        const bool want = c == "expect-visible";
        Check(IsWindowVisible(Control(w[1])) == static_cast<BOOL>(want), Cat(w[1], want ? " visible" : " hidden"),
              want ? "hidden" : "visible");
    } else if (c == "expect-trackbar") {
        NeedWords(w, 3);
        const LRESULT position = Send(Control(w[1]), TBM_GETPOS);
        Check(position == std::atoi(w[2].c_str()), Cat("trackbar ", w[1], " at ", w[2]), Cat("at ", Num(position)));
    } else if (c == "key") {
        NeedWords(w, 3);
        HWND control = Control(w[1]);
        const WPARAM vk = std::strtoul(w[2].c_str(), nullptr, 0);
        Send(control, WM_KEYDOWN, vk, 1);
        Send(control, WM_KEYUP, vk, 0xC0000001);
        Settle();
    } else if (c == "tab") {
        NeedWords(w, 2);
        HWND tabs = Control(Num(kTabControlId));
        RemoteBuffer remote(sizeof(RECT));
        if (!Send(tabs, TCM_GETITEMRECT, std::atoi(w[1].c_str()), reinterpret_cast<LPARAM>(remote.Address())))
            throw ScriptError(Cat("no tab ", w[1]));
        RECT r{};
        remote.Read(&r, sizeof r);
        ClickAt(tabs, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    } else if (c == "expect-tab") {
        // Waits: a real key press reaches the window some time after the X
        // server has it, later than Settle can tell.
        NeedWords(w, 2);
        LRESULT current = -1;
        const int want = std::atoi(w[1].c_str());
        WaitFor(Seconds(w, 2, 3), [&] { return (current = Send(Control(Num(kTabControlId)), TCM_GETCURSEL)) == want; });
        Check(current == want, Cat("tab ", w[1], " selected"), Cat("tab ", Num(current)));
    } else if (c == "combo-select") {
        NeedWords(w, 3);
        Send(Control(w[1]), CB_SETCURSEL, std::atoi(w[2].c_str()));
    } else if (c == "expect-combo") {
        NeedWords(w, 3);
        const LRESULT current = Send(Control(w[1]), CB_GETCURSEL);
        Check(current == std::atoi(w[2].c_str()), Cat(w[1], " at entry ", w[2]), Cat("entry ", Num(current)));
    } else if (c == "expect-tree-count") {
        NeedWords(w, 3);
        const int count = TreeCount(Control(w[1]));
        Check(count == std::atoi(w[2].c_str()), Cat("tree has ", w[2], " nodes"), Num(count));
    } else if (c == "wait-tree-count") {
        NeedWords(w, 3);
        HWND tree = Control(w[1]);
        int count = 0;
        const bool good =
            WaitFor(Seconds(w, 3, 60), [&] { return (count = TreeCount(tree)) == std::atoi(w[2].c_str()); });
        char time[64];
        std::snprintf(time, sizeof time, "%.0f", MsSinceStart());
        Check(good, Cat("tree has ", w[2], " nodes at ", time, " ms after start"), Num(count));
    } else if (c == "tree-select") {
        NeedWords(w, 3);
        HWND tree = Control(w[1]);
        Send(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(TreeNode(tree, w[2])));
        Settle();
    } else if (c == "expect-tree-text") {
        NeedWords(w, 4);
        HWND tree = Control(w[1]);
        const std::string text = TreeText(tree, TreeNode(tree, w[2]));
        Check(text == w[3], Cat("tree node ", w[2], " is \"", w[3], "\""), Cat("is \"", text, "\""));
    } else if (c == "tree-expand") {
        NeedWords(w, 3);
        HWND tree = Control(w[1]);
        HTREEITEM node = TreeNode(tree, w[2]);
        const double start = MsSinceStart();
        Send(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
        char time[64];
        std::snprintf(time, sizeof time, "%.0f", MsSinceStart() - start);
        Ok(Cat("tree node ", w[2], " opened in ", time, " ms: ", Num(TreeCount(tree)), " nodes"));
    } else if (c == "expect-tree-children") {
        NeedWords(w, 4);
        HWND tree = Control(w[1]);
        HTREEITEM parent = TreeNode(tree, w[2]);
        Send(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
        int count = 0;
        for (HTREEITEM n = TreeNext(tree, TVGN_CHILD, parent); n; n = TreeNext(tree, TVGN_NEXT, n)) ++count;
        Check(count == std::atoi(w[3].c_str()), Cat("tree node ", w[2], " has ", w[3], " children"), Num(count));
    } else if (c == "expect-tree-selected") {
        NeedWords(w, 3);
        HWND tree = Control(w[1]);
        Check(TreeNext(tree, TVGN_CARET, nullptr) == TreeNode(tree, w[2]), Cat("tree node ", w[2], " selected"),
              "another node is");
    } else if (c == "wait-dialog") {
        const std::string title = w.size() > 1 ? w[1] : "";
        std::vector<HWND> found;
        if (!WaitFor(Seconds(w, 2, 30), [&] { return !(found = TopLevel("#32770", title, false)).empty(); }))
            throw ScriptError(Cat("no dialog \"", title, "\" came"));
        dialog = found[0];
        char text[512] = {};
        GetWindowTextA(dialog, text, sizeof text);
        Ok(Cat("dialog \"", text, "\" open"));
        Sleep(300);  // lets the dialog finish its start-up (listing the folder)
    } else if (c == "dialog-set-text") {
        NeedWords(w, 3);
        HWND control = nullptr;
        size_t at = 0;
        while (!control && at <= w[1].size()) {
            size_t bar = w[1].find('|', at);
            if (bar == std::string::npos) bar = w[1].size();
            control = FindIn(dialog, w[1].substr(at, bar - at));
            at = bar + 1;
        }
        if (!control) throw ScriptError(Cat("no dialog control ", w[1]));
        Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w[2].c_str()));
    } else if (c == "dialog-click") {
        NeedWords(w, 2);
        HWND button = FindIn(dialog, w[1]);
        if (!button) throw ScriptError(Cat("no dialog button ", w[1]));
        PostMessageA(button, BM_CLICK, 0, 0);
    } else if (c == "dialog-tree-select") {
        NeedWords(w, 2);
        HWND tree = TreeIn(dialog);
        if (!tree) throw ScriptError("no tree in the dialog");
        HTREEITEM node = TreeByTexts(tree, w[1]);
        Send(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
        Ok(Cat("selected ", w[1], " in the dialog"));
    } else if (c == "wait-dialog-tree-selection") {
        NeedWords(w, 2);
        HWND tree = TreeIn(dialog);
        std::string text = "<no tree>";
        const bool good = tree && WaitFor(Seconds(w, 2, 30), [&] {
            HTREEITEM node = TreeNext(tree, TVGN_CARET, nullptr);
            text = node ? TreeText(tree, node) : "<nothing>";
            return text == w[1];
        });
        Check(good, Cat("dialog's tree has \"", w[1], "\" selected"), Cat("has \"", text, "\""));
    } else if (c == "wait-dialog-gone") {
        const double start = MsSinceStart();
        const bool gone = WaitFor(Seconds(w, 1, 30), [&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); });
        char time[64];
        std::snprintf(time, sizeof time, "%.0f", MsSinceStart() - start);
        Check(gone, Cat("dialog closed after ", time, " ms"), "still open");
        Settle();
    } else if (c == "dump") {
        Dump(mainWindow);
    } else if (c == "dump-dialog") {
        Dump(dialog);
    } else if (c == "expect-window-count") {
        NeedWords(w, 3);
        const size_t count = TopLevel(w[1], "", true).size();
        Check(count == static_cast<size_t>(std::atoi(w[2].c_str())), Cat(w[2], " window(s) ", w[1]),
              Num(static_cast<long long>(count)));
    } else if (c == "wait-window") {
        NeedWords(w, 2);
        Check(WaitFor(Seconds(w, 2, 30), [&] { return !TopLevel(w[1], "", true).empty(); }),
              Cat("window ", w[1], " shown"),
              "never came");
    } else if (c == "wait-window-gone") {
        NeedWords(w, 2);
        Check(WaitFor(Seconds(w, 2, 30), [&] { return TopLevel(w[1], "", true).empty(); }),
              Cat("window ", w[1], " gone"),
              "still there");
        Settle();
    } else if (c == "key-window") {
        NeedWords(w, 3);
        const std::vector<HWND> found = TopLevel(w[1], "", true);
        if (found.empty()) throw ScriptError(Cat("no window ", w[1]));
        const WPARAM vk = std::strtoul(w[2].c_str(), nullptr, 0);
        PostMessageA(found[0], WM_KEYDOWN, vk, 1);
        PostMessageA(found[0], WM_KEYUP, vk, 0xC0000001);
    } else if (c == "expect-active") {
        Check(WaitFor(Seconds(w, 1, 5), [] { return GetForegroundWindow() == mainWindow; }),
              "the settings window is the active window",
              Cat("the active window is of class ", ClassOf(GetForegroundWindow())));
    } else if (c == "close") {
        PostMessageA(mainWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (c == "wait-exit") {
        NeedWords(w, 2);
        const DWORD wait = WaitForSingleObject(target.hProcess, static_cast<DWORD>(Seconds(w, 2, 30) * 1000));
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(target.hProcess, &code);
        Check(wait == WAIT_OBJECT_0 && code == std::strtoul(w[1].c_str(), nullptr, 0),
              Cat("program ended with code ", w[1]),
              wait == WAIT_OBJECT_0 ? Cat("code ", Num(code)) : std::string("still running"));
        mainWindow = nullptr;
    } else if (c == "shot") {
        NeedWords(w, 2);
        Shot(w[1]);
    } else if (c == "xkeys") {
        NeedWords(w, 2);
        std::string keys;
        for (size_t i = 1; i < w.size(); ++i) keys += (i > 1 ? " " : "") + w[i];
        Request("keys", keys, "xkeys");
        Settle();
    } else if (c == "tab-to") {
        NeedWords(w, 2);
        HWND want = Control(w[1]);
        int presses = 0;
        while (FocusOfTarget() != want && presses < 60) {
            Request("keys", "Tab", "xkeys");
            Settle();
            ++presses;
        }
        Check(FocusOfTarget() == want, Cat("Tab reaches ", w[1], " after ", Num(presses), " presses"),
              Cat("the focus is on ", Describe(FocusOfTarget())));
    } else if (c == "expect-focus") {
        NeedWords(w, 2);
        HWND want = Control(w[1]);
        HWND focus = nullptr;
        const bool good = WaitFor(Seconds(w, 2, 3), [&] { return (focus = FocusOfTarget()) == want; });
        Check(good, Cat("the focus is on ", w[1]), Cat("it is on ", Describe(focus)));
    } else if (c == "expect-responsive") {
        NeedWords(w, 3);
        const double start = MsSinceStart();
        const double seconds = Seconds(w, 1, 1);
        const bool untilText = w.size() > 4;
        double longest = 0;
        bool shown = false;
        while (MsSinceStart() - start < seconds * 1000) {
            const double before = MsSinceStart();
            DWORD_PTR result;
            if (!SendMessageTimeoutA(mainWindow, WM_NULL, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &result))
                throw ScriptError("the settings window does not answer");
            longest = std::max(longest, MsSinceStart() - before);
            if (untilText) {
                HWND control = FindIn(mainWindow, w[3]);
                if ((shown = control && TextOf(control) == w[4])) break;
            }
            Sleep(10);
        }
        char text[128];
        std::snprintf(text, sizeof text, "%.0f ms, %.0f ms in all", longest, MsSinceStart() - start);
        Check(longest <= std::atof(w[2].c_str()) && shown == untilText,
              Cat("the window answered within ", w[2], " ms (the longest wait ", text, ")"),
              untilText && !shown ? Cat(w[3], " never showed \"", w[4], "\"") : Cat("one message waited ", text));
    } else if (c == "sleep") {
        NeedWords(w, 2);
        Sleep(static_cast<DWORD>(std::atoi(w[1].c_str())));
    } else {
        throw ScriptError(Cat("unknown command ", c));
    }
}
}  // namespace

int main(int argc, char** argv) {
    // Real pixels and the real DPI, as the program under test sees them.
    SetProcessDPIAware();
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&startCount);
    int arg = 1;
    if (argc > 2 && std::strcmp(argv[1], "--sync") == 0) {
        syncFolder = argv[2];
        arg = 3;
    }
    if (arg >= argc) {
        std::fprintf(stderr, "usage: settings_driver [--sync DIR] SCRIPT\n");
        return 2;
    }
    std::ifstream script(argv[arg]);
    if (!script) {
        std::fprintf(stderr, "settings_driver: cannot read %s\n", argv[arg]);
        return 2;
    }
    int status = 0;
    std::string line;
    try {
        while (std::getline(script, line)) {
            ++lineNumber;
            const std::vector<std::string> words = Split(line);
            if (!words.empty()) Run(words);
            std::fflush(stdout);
        }
    } catch (const std::exception& e) {
        std::printf("FAIL: line %d: %s: %s\n", lineNumber, line.c_str(), e.what());
        status = 2;
    }
    if (TargetRunning()) {
        std::printf("FAIL: the program is still running at the end of the script\n");
        TerminateProcess(target.hProcess, 1);
        status = status ? status : 1;
    }
    std::fflush(stdout);
    if (status) return status;
    return failures ? 1 : 0;
}
