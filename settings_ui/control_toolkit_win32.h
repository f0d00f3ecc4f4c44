#pragma once
// The settings window's control layer: one creation call per control kind,
// the layout unit, the keyboard-focus table, tooltips, the theme library, the
// subclass procedures and the tab-control wrapper TmyTabControl. Its state is
// process-wide: there is one settings window per process.
#include <windows.h>

#include <cstdint>
#include <string>

#include "settings_ui/focus_table.h"
#include "settings_ui/layout_units.h"

// --- Layout unit -----------------------------------------------------------
// Reads the screen's vertical logical pixels per inch (once at start-up).
void ReadScreenDpi();
// Uses dpi instead of the screen's (tests lay controls out at other DPIs).
void SetScreenDpi(int32_t dpi);
int32_t ScreenDpi();
// ScaleToScreen / ScaleFromScreen with the screen DPI.
int32_t ScaleToScreen(int32_t value);
int32_t ScaleFromScreen(int32_t pixels);

// --- Shared state ----------------------------------------------------------
// The system's default GUI font and the window-text colour for every control.
void SelectSharedGuiFont();
HFONT SharedGuiFont();
COLORREF SharedTextColor();
// Loads "uxtheme.dll" and decides whether themes are active; without the
// library or its entry points every control paints the classic way.
void LoadThemeLibrary();
bool ThemesActive();
// The theme entry points (null while the library is not loaded).
struct ThemeApi {
    using DrawParentBackgroundFn = HRESULT(WINAPI*)(HWND, HDC, const RECT*);
    using OpenDataFn = HANDLE(WINAPI*)(HWND, LPCWSTR);
    using DrawBackgroundFn = HRESULT(WINAPI*)(HANDLE, HDC, int, int, const RECT*, const RECT*);
    using CloseDataFn = HRESULT(WINAPI*)(HANDLE);
    DrawParentBackgroundFn drawThemeParentBackground = nullptr;
    OpenDataFn openThemeData = nullptr;
    DrawBackgroundFn drawThemeBackground = nullptr;
    CloseDataFn closeThemeData = nullptr;
};
const ThemeApi& Themes();
// The two trackbars that the tab control repaints under themes.
void SetThemedTrackbars(HWND first, HWND second);
// Busy cursors answered to set-cursor requests while set (null clears).
void SetWindowBusyCursor(HCURSOR cursor);
void SetTreeBusyCursor(HCURSOR cursor);
HCURSOR WindowBusyCursor();
HCURSOR TreeBusyCursor();
// Teardown: deletes the title font, unloads the theme library, destroys the
// tooltip window and forgets the tab controls, trackbars and busy cursors.
void ReleaseToolkit();

// --- Focus -----------------------------------------------------------------
void ResetFocusTable();
const FocusTable& Focus();
// Gives the focus to the window registered under id and remembers it.
void FocusControl(int32_t id);
// The arrow keys move inside a group: every control below root starts one,
// except a radio button or check box right after one of its own kind in the
// same box, which joins its run.
void MarkKeyboardGroups(HWND root);
// Remembers the control that has the focus (when it is one of ours) for
// RestoreFocus; the window does so when it loses activation.
void RememberFocus(HWND focus);
// Gives the focus back to the remembered control, when it can still take it.
void RestoreFocus();
HWND RememberedFocus();

// --- Creation calls --------------------------------------------------------
// Each takes the parent, the control id (the child-window id), the text, then
// height, width, top and left in layout units; scales them, creates the
// window with the shared GUI font, shows it and returns it, or returns null
// when the window could not be created.
HWND CreateEdit(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                int32_t left);
HWND CreateTreeView(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                    int32_t left);
using TabPaintCallback = void (*)(HWND tabControl);
// Registers the control with its paint callback; throws "TheTab_Last= <n>"
// when 5 tab controls are registered already.
HWND CreateTabControl(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                      int32_t left, TabPaintCallback paint);
HWND CreateTrackbar(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                    int32_t left, int32_t minimum, int32_t maximum);
HWND CreateStaticText(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                      int32_t left);
// In the title font: "Courier New", height 30, weight 600.
HWND CreateTitleStatic(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                       int32_t left);
HWND CreatePushButton(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                      int32_t left);
HWND CreateCheckBox(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                    int32_t left);
HWND CreateRadioButton(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                       int32_t left);
HWND CreateGroupBox(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                    int32_t left);
HWND CreatePlainGroupBox(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                         int32_t left);
HWND CreateDropDownList(HWND parent, int32_t id, const char* text, int32_t height, int32_t width, int32_t top,
                        int32_t left);
// Its own window class "Timage1_PR<n>" with the given procedure; top and left
// in layout units, width and height in pixels.
HWND CreateImageWindow(HWND parent, int32_t id, int32_t heightPixels, int32_t widthPixels, int32_t top,
                       int32_t left, WNDPROC procedure);
// A tab page ("Tarnbeck TPage"); position and size in pixels.
HWND CreatePage(HWND parent, int32_t heightPixels, int32_t widthPixels, int32_t topPixels, int32_t leftPixels);
// The one tooltip window, activated and remembered.
HWND CreateTooltipWindow();
// Adds a tool for the control to the tooltip window; false without one.
bool AddTooltip(HWND control, const char* text);
HWND TooltipWindow();

// Widens the check boxes, radio buttons and texts below `root` whose text
// does not fit the font the system draws them in (and makes texts taller when
// their font is), as far as their parent and their neighbours on the right
// leave room.
void FitTextControls(HWND root);

// --- Tabs ------------------------------------------------------------------
class TmyTabControl {
public:
    static constexpr int32_t kMaxTabs = 10;
    static constexpr int32_t kMaxWindowsPerTab = 41;

    explicit TmyTabControl(HWND tabControl);

    // Inserts a tab and makes its page; returns the page (null when the page
    // could not be made or the wrapper is full) and the new tab's index.
    HWND AddTab(const char* caption, int32_t& index);
    // Ignored unless 0 <= tab <= last tab index; the window is hidden unless
    // tab is the current tab.
    void AttachToTab(int32_t tab, HWND window);
    // Hides the current tab's windows and shows those of tab.
    void SelectTab(int32_t tab);
    // The tab control reported a new selection.
    void OnSelectionChange();

    int32_t Current = -1;
    int32_t Last = -1;
    HWND Windows[kMaxTabs][kMaxWindowsPerTab] = {};
    int32_t LastWindow[kMaxTabs];
    HWND TabControl;
};

// Calls the paint callback of the registered tab control that is window, or
// else whose parent is window; throws "can't find TheTab, H=..." otherwise.
void PaintTabDecorations(HWND window);
