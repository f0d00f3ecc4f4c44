#include "settings_ui/control_toolkit_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "diagnostics/crash_report.h"

namespace {
struct FontRelease {
    void operator()(HFONT font) const { DeleteObject(font); }
};
struct ModuleRelease {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
struct WindowRelease {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using OwnedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontRelease>;
using OwnedModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleRelease>;
using OwnedWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowRelease>;

class ScreenDc {
public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc() {
        if (dc_) ReleaseDC(nullptr, dc_);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

constexpr int32_t kMaxTabControls = 5;
constexpr int32_t kThumbLength = 17;
// The fixed tab-control geometry that every page fills, in layout units.
constexpr int32_t kTabLeft = 10, kTabTop = 10, kTabWidth = 583, kTabHeight = 395;
constexpr const char* kPageClass = "Tarnbeck TPage";
constexpr const char* kPageText = "Page";

struct TabEntry {
    HWND tab;
    TabPaintCallback paint;
};

// The subclassed control kinds; each remembers the procedure it replaced.
enum Kind { kEditKind, kTreeKind, kTabKind, kTrackbarKind, kButtonKind, kGroupKind, kKindCount };

struct ToolkitState {
    int32_t dpi = kLayoutDpi;
    HFONT guiFont = nullptr;  // a stock object: never deleted
    COLORREF textColor = 0;
    OwnedFont titleFont;
    FocusTable focus;
    HWND lastFocus = nullptr;
    TabEntry tabs[kMaxTabControls] = {};
    int32_t tabCount = 0;
    OwnedModule themeLibrary;
    ThemeApi themeApi;
    bool themesActive = false;
    HWND trackbars[2] = {nullptr, nullptr};
    HCURSOR windowBusy = nullptr;
    HCURSOR treeBusy = nullptr;
    int32_t imageWindows = 0;
    OwnedWindow tooltip;
    WNDPROC previous[kKindCount] = {};
};
ToolkitState S;

template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

void InitCommonControlClasses() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES |
                                              ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
}

HFONT GuiFont() { return S.guiFont ? S.guiFont : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

// Creates, sets the font (with redraw), shows and updates; positions in pixels.
HWND MakeWindow(HWND parent, int32_t id, const char* windowClass, DWORD exStyle, DWORD style, const char* text,
                int32_t x, int32_t y, int32_t width, int32_t height, HFONT font) {
    HWND window = CreateWindowExA(exStyle, windowClass, text, style, x, y, width, height, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                                  nullptr);
    if (!window) return nullptr;
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    return window;
}

HWND MakeControl(HWND parent, int32_t id, const char* windowClass, DWORD exStyle, DWORD style, const char* text,
                 int32_t height, int32_t width, int32_t top, int32_t left, HFONT font) {
    return MakeWindow(parent, id, windowClass, exStyle, style, text, ScaleToScreen(left), ScaleToScreen(top),
                      ScaleToScreen(width), ScaleToScreen(height), font);
}

LRESULT CallPrevious(Kind kind, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (S.previous[kind]) return CallWindowProcA(S.previous[kind], window, message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

void Subclass(HWND window, Kind kind, WNDPROC procedure) {
    const auto old = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
    if (!S.previous[kind]) S.previous[kind] = old;
}

void Register(int32_t id, HWND window) { S.focus.Register(id, reinterpret_cast<uintptr_t>(window)); }

void DrawParentBackground(HWND control, HDC dc) {
    if (S.themeApi.drawThemeParentBackground) S.themeApi.drawThemeParentBackground(control, dc, nullptr);
}

bool SetCursorIf(HCURSOR cursor) {
    if (!cursor) return false;
    SetCursor(cursor);
    return true;
}

// A failure inside a window procedure cannot travel through the system's
// frames: it goes to the crash report here.
void PaintDecorationsGuarded(HWND window) {
    try {
        PaintTabDecorations(window);
    } catch (...) {
        ReportCurrentException(CrashPhaseFlags() | kPhaseNoGl);
    }
}

// Forwarding shared by the group, page and tab procedures. True when the
// message is fully handled (result set).
bool ForwardToParent(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_NOTIFY:
        case WM_COMMAND:
            SendMessageA(GetParent(window), message, wParam, lParam);
            return false;  // default processing as well
        case WM_HSCROLL:
            result = SendMessageA(GetParent(window), message, wParam, lParam);
            return true;
        case WM_DRAWITEM:
            if (HWND target = reinterpret_cast<HWND>(S.focus.Find(static_cast<int32_t>(wParam)))) {
                result = SendMessageA(target, message, wParam, lParam);
                return true;
            }
            return false;
        default:
            return false;
    }
}

bool IsCheckBox(LONG_PTR style) {
    const auto type = style & BS_TYPEMASK;
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
}
bool IsRadioButton(LONG_PTR style) {
    const auto type = style & BS_TYPEMASK;
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

bool HasWindowText(HWND window, const char* text) {
    char buffer[16] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    return lstrcmpA(buffer, text) == 0;
}

// A colour request from a child control with themes active: the parent's
// themed background behind the control, a transparent text background and
// the null brush, by the control's class. False for default handling.
bool ThemedColour(HDC dc, HWND control, bool onPage, LRESULT& result) {
    char className[64] = {};
    GetClassNameA(control, className, sizeof className);
    const auto nullBrush = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    if (lstrcmpiA(className, "Static") == 0) {
        SetBkMode(dc, TRANSPARENT);
        if (reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)) == GuiFont())
            DrawParentBackground(control, dc);
        result = nullBrush;
        return true;
    }
    if (lstrcmpiA(className, "Button") == 0) {
        const LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
        if ((style & BS_TYPEMASK) == BS_GROUPBOX) {
            DrawParentBackground(control, dc);
            return false;
        }
        const bool themed = onPage ? IsCheckBox(style) && HasWindowText(GetParent(control), kPageText)
                                   : IsCheckBox(style) || IsRadioButton(style);
        if (themed) DrawParentBackground(control, dc);
        SetBkMode(dc, TRANSPARENT);
        result = nullBrush;
        return true;
    }
    if (lstrcmpiA(className, TRACKBAR_CLASSA) == 0) {
        DrawParentBackground(control, dc);
        SetBkMode(dc, TRANSPARENT);
        result = nullBrush;
        return true;
    }
    return false;
}

LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR && wParam == VK_ESCAPE) SendMessageA(GetParent(window), WM_CHAR, wParam, lParam);
    return CallPrevious(kEditKind, window, message, wParam, lParam);
}

LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                SendMessageA(GetParent(window), WM_CHAR, VK_ESCAPE, lParam);
                return 0;
            }
            break;
        case WM_SETCURSOR:
            if (SetCursorIf(S.windowBusy)) return TRUE;
            break;
        case WM_SETFOCUS:
            S.lastFocus = window;
            break;
        case WM_ERASEBKGND:
            if (S.themesActive) return 1;
            break;
        default:
            break;
    }
    return CallPrevious(kButtonKind, window, message, wParam, lParam);
}

LRESULT CALLBACK TreeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETCURSOR && SetCursorIf(S.treeBusy)) return TRUE;
    return CallPrevious(kTreeKind, window, message, wParam, lParam);
}

LRESULT CALLBACK TrackbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND && S.themesActive) return 1;
    return CallPrevious(kTrackbarKind, window, message, wParam, lParam);
}

LRESULT CALLBACK GroupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (ForwardToParent(window, message, wParam, lParam, result)) return result;
    switch (message) {
        case WM_ERASEBKGND:
            if (S.themesActive) {
                DrawParentBackground(window, reinterpret_cast<HDC>(wParam));
                return 1;
            }
            break;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            if (S.themesActive &&
                ThemedColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), false, result))
                return result;
            break;
        default:
            break;
    }
    return CallPrevious(kGroupKind, window, message, wParam, lParam);
}

LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (ForwardToParent(window, message, wParam, lParam, result)) return result;
    switch (message) {
        case WM_VSCROLL:
            return 0;
        case WM_SETCURSOR:
            if (SetCursorIf(S.windowBusy)) return TRUE;
            break;
        case WM_ERASEBKGND:
            if (!S.themesActive) return 1;
            break;
        case WM_CTLCOLORSTATIC:
            if (S.themesActive &&
                ThemedColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), true, result))
                return result;
            break;
        case WM_PAINT:
            result = DefWindowProcA(window, message, wParam, lParam);
            PaintDecorationsGuarded(GetParent(window));
            return result;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK TabProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (ForwardToParent(window, message, wParam, lParam, result)) return result;
    switch (message) {
        case WM_SETCURSOR:
            if (SetCursorIf(S.windowBusy)) return TRUE;
            break;
        case WM_PAINT:
            if (S.themesActive) {
                // The trackbars draw over the tab's themed background: make
                // them repaint on the new one.
                for (HWND trackbar : S.trackbars)
                    if (trackbar) SendMessageA(trackbar, WM_ENABLE, TRUE, 0);
                if (S.trackbars[0] && (GetWindowLongPtrA(S.trackbars[0], GWL_STYLE) & WS_DISABLED))
                    SendMessageA(S.trackbars[0], WM_ENABLE, FALSE, 0);
            }
            result = CallPrevious(kTabKind, window, message, wParam, lParam);
            PaintDecorationsGuarded(window);
            return result;
        default:
            break;
    }
    return CallPrevious(kTabKind, window, message, wParam, lParam);
}

void RegisterPageClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = PageProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNHIGHLIGHT + 1));
    wc.lpszClassName = kPageClass;
    registered = RegisterClassA(&wc) != 0;
}
}  // namespace

// --- Layout unit -----------------------------------------------------------
void ReadScreenDpi() {
    ScreenDc screen;
    S.dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : kLayoutDpi;
}
void SetScreenDpi(int32_t dpi) { S.dpi = dpi; }
int32_t ScreenDpi() { return S.dpi; }
int32_t ScaleToScreen(int32_t value) { return ScaleToScreen(value, S.dpi); }
int32_t ScaleFromScreen(int32_t pixels) { return ScaleFromScreen(pixels, S.dpi); }

// --- Shared state ----------------------------------------------------------
void SelectSharedGuiFont() {
    S.guiFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    S.textColor = GetSysColor(COLOR_WINDOWTEXT);
}
HFONT SharedGuiFont() { return GuiFont(); }
COLORREF SharedTextColor() { return S.textColor; }

void LoadThemeLibrary() {
    S.themeLibrary.reset();
    S.themeApi = {};
    S.themesActive = false;
    HMODULE library = LoadLibraryA("uxtheme.dll");
    if (!library) return;
    S.themeLibrary.reset(library);
    ThemeApi api;
    api.drawThemeParentBackground = Lookup<ThemeApi::DrawParentBackgroundFn>(library, "DrawThemeParentBackground");
    api.openThemeData = Lookup<ThemeApi::OpenDataFn>(library, "OpenThemeData");
    api.drawThemeBackground = Lookup<ThemeApi::DrawBackgroundFn>(library, "DrawThemeBackground");
    api.closeThemeData = Lookup<ThemeApi::CloseDataFn>(library, "CloseThemeData");
    if (!api.drawThemeParentBackground || !api.openThemeData || !api.drawThemeBackground || !api.closeThemeData)
        return;
    S.themeApi = api;
    using FlagFn = BOOL(WINAPI*)();
    const auto isAppThemed = Lookup<FlagFn>(library, "IsAppThemed");
    if (!isAppThemed || !isAppThemed()) return;
    const auto isThemeActive = Lookup<FlagFn>(library, "IsThemeActive");
    S.themesActive = isThemeActive && isThemeActive();
}
bool ThemesActive() { return S.themesActive; }
const ThemeApi& Themes() { return S.themeApi; }

void SetThemedTrackbars(HWND first, HWND second) {
    S.trackbars[0] = first;
    S.trackbars[1] = second;
}
void SetWindowBusyCursor(HCURSOR cursor) { S.windowBusy = cursor; }
void SetTreeBusyCursor(HCURSOR cursor) { S.treeBusy = cursor; }
HCURSOR WindowBusyCursor() { return S.windowBusy; }
HCURSOR TreeBusyCursor() { return S.treeBusy; }

void ReleaseToolkit() {
    S.tooltip.reset();
    S.titleFont.reset();
    S.themeLibrary.reset();
    S.themeApi = {};
    S.themesActive = false;
    S.tabCount = 0;
    S.trackbars[0] = S.trackbars[1] = nullptr;
    S.windowBusy = S.treeBusy = nullptr;
    S.lastFocus = nullptr;
}

// --- Focus -----------------------------------------------------------------
void ResetFocusTable() {
    S.focus.Reset();
    S.lastFocus = nullptr;
}
const FocusTable& Focus() { return S.focus; }

void FocusControl(int32_t id) {
    HWND window = reinterpret_cast<HWND>(S.focus.Find(id));
    if (!window) return;
    SetFocus(window);
    S.lastFocus = window;
}
namespace {
bool IsChoice(HWND w, LONG_PTR* kind) {
    char name[16] = {};
    GetClassNameA(w, name, sizeof name);
    if (lstrcmpiA(name, "Button") != 0) return false;
    *kind = GetWindowLongPtrA(w, GWL_STYLE) & BS_TYPEMASK;
    return *kind == BS_AUTORADIOBUTTON || *kind == BS_AUTOCHECKBOX;
}

BOOL CALLBACK MarkGroupStart(HWND w, LPARAM) {
    LONG_PTR kind = 0, previousKind = 0;
    HWND previous = GetWindow(w, GW_HWNDPREV);
    const bool continuesRun = IsChoice(w, &kind) && previous && IsChoice(previous, &previousKind) && kind == previousKind;
    const LONG_PTR style = GetWindowLongPtrA(w, GWL_STYLE);
    SetWindowLongPtrA(w, GWL_STYLE, continuesRun ? style & ~static_cast<LONG_PTR>(WS_GROUP) : style | WS_GROUP);
    return TRUE;
}
}  // namespace

void MarkKeyboardGroups(HWND root) { EnumChildWindows(root, MarkGroupStart, 0); }

void RememberFocus(HWND focus) {
    if (!focus) return;
    for (int32_t i = 0; i < S.focus.Count(); ++i)
        if (S.focus.At(i) == reinterpret_cast<uintptr_t>(focus)) S.lastFocus = focus;
}
void RestoreFocus() {
    HWND w = S.lastFocus;
    if (w && IsWindow(w) && IsWindowVisible(w) && IsWindowEnabled(w)) SetFocus(w);
}
HWND RememberedFocus() { return S.lastFocus; }

// --- Creation calls --------------------------------------------------------
HWND CreateEdit(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                int32_t left) {
    InitCommonControlClasses();
    HWND w = MakeControl(parent, id, "EDIT", WS_EX_CLIENTEDGE, WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | ES_AUTOHSCROLL,
                         text, height, width, top, left, GuiFont());
    if (!w) return nullptr;
    Register(id, w);
    Subclass(w, kEditKind, EditProc);
    return w;
}

HWND CreateTreeView(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                    int32_t left) {
    InitCommonControlClasses();
    HWND w = MakeControl(parent, id, WC_TREEVIEWA, WS_EX_CLIENTEDGE,
                         WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                             TVS_SHOWSELALWAYS,
                         text, height, width, top, left, GuiFont());
    if (!w) return nullptr;
    Register(id, w);
    Subclass(w, kTreeKind, TreeProc);
    return w;
}

HWND CreateTabControl(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                      int32_t left, TabPaintCallback paint) {
    InitCommonControlClasses();
    if (S.tabCount >= kMaxTabControls) throw std::runtime_error("TheTab_Last= " + std::to_string(S.tabCount));
    HWND w = MakeControl(parent, id, WC_TABCONTROLA, 0, WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | TCS_HOTTRACK, text,
                         height, width, top, left, GuiFont());
    if (!w) return nullptr;
    Register(id, w);
    Subclass(w, kTabKind, TabProc);
    S.tabs[S.tabCount++] = {w, paint};
    return w;
}

HWND CreateTrackbar(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                    int32_t left, int32_t minimum, int32_t maximum) {
    InitCommonControlClasses();
    HWND w = MakeControl(parent, id, TRACKBAR_CLASSA, 0,
                         WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_AUTOTICKS | TBS_FIXEDLENGTH, text, height, width,
                         top, left, GuiFont());
    if (!w) return nullptr;
    Register(id, w);
    Subclass(w, kTrackbarKind, TrackbarProc);
    SendMessageA(w, TBM_SETTHUMBLENGTH, ScaleToScreen(kThumbLength), 0);
    SendMessageA(w, TBM_SETLINESIZE, 0, 1);
    if (maximum < 50) {
        SendMessageA(w, TBM_SETPAGESIZE, 0, 2);
    } else {
        SendMessageA(w, TBM_SETPAGESIZE, 0, 10);
        SendMessageA(w, TBM_SETTICFREQ, 5, 0);
    }
    SendMessageA(w, TBM_SETRANGE, TRUE, MAKELPARAM(minimum, maximum));
    SendMessageA(w, TBM_CLEARSEL, TRUE, 0);
    return w;
}

HWND CreateStaticText(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                      int32_t left) {
    return MakeControl(parent, id, "STATIC", 0, WS_CHILD | SS_NOPREFIX, text, height, width, top, left, GuiFont());
}

HWND CreateTitleStatic(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                       int32_t left) {
    if (!S.titleFont)
        S.titleFont.reset(CreateFontA(ScaleToScreen(30), 0, 0, 0, 600, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                      OUT_DEFAULT_PRECIS,
                                      CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH, "Courier New"));
    S.textColor = GetSysColor(COLOR_WINDOWTEXT);
    return MakeControl(parent, id, "STATIC", 0, WS_CHILD | WS_CLIPSIBLINGS | SS_NOPREFIX, text, height, width, top,
                       left, S.titleFont ? S.titleFont.get() : GuiFont());
}

namespace {
HWND MakeButton(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top, int32_t left,
                DWORD type) {
    HWND w = MakeControl(parent, id, "BUTTON", 0, WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | type, text, height, width,
                         top, left, GuiFont());
    if (!w) return nullptr;
    Register(id, w);
    Subclass(w, kButtonKind, ButtonProc);
    return w;
}

HWND MakeGroup(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top, int32_t left,
               DWORD style) {
    HWND w = MakeControl(parent, id, "BUTTON", WS_EX_CONTROLPARENT, style, text, height, width, top, left, GuiFont());
    if (w) Subclass(w, kGroupKind, GroupProc);
    return w;
}
}  // namespace

HWND CreatePushButton(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                      int32_t left) {
    return MakeButton(parent, id, text, height, width, top, left, BS_PUSHBUTTON);
}
HWND CreateCheckBox(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                    int32_t left) {
    return MakeButton(parent, id, text, height, width, top, left, BS_AUTOCHECKBOX);
}
HWND CreateRadioButton(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                       int32_t left) {
    return MakeButton(parent, id, text, height, width, top, left, BS_AUTORADIOBUTTON);
}
HWND CreateGroupBox(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                    int32_t left) {
    return MakeGroup(parent, id, text, height, width, top, left, WS_CHILD | WS_CLIPSIBLINGS | BS_GROUPBOX);
}
HWND CreatePlainGroupBox(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                         int32_t left) {
    return MakeGroup(parent, id, text, height, width, top, left, WS_CHILD | BS_GROUPBOX);
}

HWND CreateDropDownList(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                        int32_t left) {
    HWND w = MakeControl(parent, id, "COMBOBOX", 0,
                         WS_CHILD | WS_CLIPSIBLINGS | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_HASSTRINGS,
                         text, height, width, top, left, GuiFont());
    if (w) Register(id, w);
    return w;
}

HWND CreateImageWindow(HWND parent, int32_t id, int32_t heightPixels, int32_t widthPixels, int32_t top,
                       int32_t left, WNDPROC procedure) {
    const std::string className = "Timage1_PR" + std::to_string(++S.imageWindows);
    WNDCLASSA wc{};
    wc.style = CS_SAVEBITS;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = className.c_str();
    RegisterClassA(&wc);
    return MakeWindow(parent, id, className.c_str(), 0, WS_CHILD | WS_CLIPSIBLINGS, "Image1 PR", ScaleToScreen(left),
                      ScaleToScreen(top), widthPixels - 1, heightPixels - 1, GuiFont());
}

HWND CreatePage(HWND parent, int32_t heightPixels, int32_t widthPixels, int32_t topPixels, int32_t leftPixels) {
    RegisterPageClass();
    return MakeWindow(parent, 0, kPageClass, WS_EX_CONTROLPARENT, WS_CHILD, kPageText, leftPixels, topPixels,
                      widthPixels, heightPixels, GuiFont());
}

HWND CreateTooltipWindow() {
    HWND w = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!w) return nullptr;
    S.tooltip.reset(w);
    SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), TRUE);
    SendMessageA(w, TTM_ACTIVATE, TRUE, 0);
    return w;
}

bool AddTooltip(HWND control, const char* text) {
    if (!S.tooltip) return false;
    TTTOOLINFOA tool{};
    // The shorter record that common controls 5 and 6 both accept.
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<char*>(text);
    return SendMessageA(S.tooltip.get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
}
HWND TooltipWindow() { return S.tooltip.get(); }

// --- Fitting texts -----------------------------------------------------------
namespace {
constexpr int32_t kFitMargin = 2;  // pixels kept free before a neighbour or the parent's edge

// The room a control may take to its right: up to the nearest sibling that
// shares some of its rows, and inside its parent.
int32_t RightLimit(HWND control, const RECT& r) {
    HWND parent = GetParent(control);
    RECT client{};
    GetClientRect(parent, &client);
    int32_t limit = client.right - kFitMargin * 2;
    for (HWND sibling = GetWindow(parent, GW_CHILD); sibling; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
        if (sibling == control) continue;
        RECT s{};
        GetWindowRect(sibling, &s);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&s), 2);
        if (s.bottom <= r.top || s.top >= r.bottom || s.left <= r.left) continue;
        limit = std::min<int32_t>(limit, s.left - kFitMargin);
    }
    return limit;
}

void FitOne(HWND control) {
    char className[16] = {};
    GetClassNameA(control, className, sizeof className);
    const bool isStatic = lstrcmpiA(className, "Static") == 0;
    const LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
    const bool isChoice = lstrcmpiA(className, "Button") == 0 && (IsCheckBox(style) || IsRadioButton(style));
    if (!isStatic && !isChoice) return;
    if (isStatic && (style & SS_TYPEMASK) > SS_RIGHT) return;  // lines, frames, pictures
    char text[256] = {};
    const int length = GetWindowTextA(control, text, sizeof text);
    if (length <= 0) return;
    HDC dc = GetDC(control);
    if (!dc) return;
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32A(dc, text, length, &extent);
    SelectObject(dc, old);
    ReleaseDC(control, dc);

    int32_t needWidth = extent.cx + kFitMargin;
    if (isChoice) needWidth += GetSystemMetrics(SM_CXMENUCHECK) + ScaleToScreen(6);
    RECT r{};
    GetWindowRect(control, &r);
    HWND parent = GetParent(control);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    int32_t width = r.right - r.left, height = r.bottom - r.top;
    const int32_t room = RightLimit(control, r) - r.left;
    if (needWidth > width) width = std::max(width, std::min(needWidth, room));
    if (isStatic && extent.cy > height) height = extent.cy;
    if (width != r.right - r.left || height != r.bottom - r.top)
        SetWindowPos(control, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CALLBACK FitChild(HWND control, LPARAM) {
    FitOne(control);
    return TRUE;
}
}  // namespace

void FitTextControls(HWND root) { EnumChildWindows(root, FitChild, 0); }

// --- Tabs ------------------------------------------------------------------
TmyTabControl::TmyTabControl(HWND tabControl) : TabControl(tabControl) {
    for (int32_t& last : LastWindow) last = -1;
}

HWND TmyTabControl::AddTab(const char* caption, int32_t& index) {
    index = -1;
    if (Last + 1 >= kMaxTabs) return nullptr;
    ++Last;
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(caption);
    SendMessageA(TabControl, TCM_INSERTITEMA, Last, reinterpret_cast<LPARAM>(&item));
    RECT area{ScaleToScreen(kTabLeft), ScaleToScreen(kTabTop), 0, 0};
    area.right = area.left + ScaleToScreen(kTabWidth);
    area.bottom = area.top + ScaleToScreen(kTabHeight);
    SendMessageA(TabControl, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    HWND page = CreatePage(GetParent(TabControl), area.bottom - area.top - 1, area.right - area.left - 1, area.top,
                           area.left);
    index = Last;
    if (page) AttachToTab(Last, page);
    return page;
}

void TmyTabControl::AttachToTab(int32_t tab, HWND window) {
    if (tab < 0 || tab > Last || LastWindow[tab] + 1 >= kMaxWindowsPerTab) return;
    Windows[tab][++LastWindow[tab]] = window;
    if (tab != Current) ShowWindow(window, SW_HIDE);
}

void TmyTabControl::SelectTab(int32_t tab) {
    if (tab < 0 || tab > Last) return;
    if (Current >= 0)
        for (int32_t i = 0; i <= LastWindow[Current]; ++i) ShowWindow(Windows[Current][i], SW_HIDE);
    for (int32_t i = 0; i <= LastWindow[tab]; ++i) ShowWindow(Windows[tab][i], SW_SHOW);
    Current = tab;
}

void TmyTabControl::OnSelectionChange() {
    InvalidateRect(TabControl, nullptr, FALSE);
    SelectTab(static_cast<int32_t>(SendMessageA(TabControl, TCM_GETCURSEL, 0, 0)));
}

void PaintTabDecorations(HWND window) {
    for (int32_t i = 0; i < S.tabCount; ++i)
        if (S.tabs[i].tab == window) {
            if (S.tabs[i].paint) S.tabs[i].paint(S.tabs[i].tab);
            return;
        }
    for (int32_t i = 0; i < S.tabCount; ++i)
        if (GetParent(S.tabs[i].tab) == window) {
            if (S.tabs[i].paint) S.tabs[i].paint(S.tabs[i].tab);
            return;
        }
    char caption[256] = {};
    GetWindowTextA(window, caption, sizeof caption);
    throw std::runtime_error("can't find TheTab, H=" + std::to_string(reinterpret_cast<uintptr_t>(window)) +
                             ", TheTab_Last=" + std::to_string(S.tabCount) + ", caption=" + caption);
}
