// The settings window: the "VODI_Pagewind" window with its General, Photos
// and About tabs, the mapping between its controls and the settings, its
// commands, the preview run and the teardown that ends the process.
#include "settings_ui/settings_window_win32.h"

#include <commctrl.h>
#include <commdlg.h>
#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "app/run_modes.h"
#include "diagnostics/crash_report.h"
#include "diagnostics/run_stats.h"
#include "diagnostics/watchdog.h"
#include "imaging/page_compose.h"
#include "library/folder_scan.h"
#include "library/settings.h"
#include "settings_ui/acceleration_check.h"
#include "settings_ui/control_toolkit_win32.h"
#include "settings_ui/general_tab_rules.h"
#include "settings_ui/photos_tab_win32.h"
#include "show/show_state.h"
#include "show/show_win32.h"
#include "show/stop_request.h"

namespace {
constexpr const char* kClassName = "VODI_Pagewind";
constexpr int32_t kWindowWidth = 609, kWindowHeight = 447;
constexpr int32_t kPreviewUnitsWidth = 320, kPreviewUnitsHeight = 240;
constexpr int32_t kIconResource = 500;

enum ControlId : int32_t {
    kTimeDelayGroup = 24,
    kDelayEdit = 15,
    kDelaySeconds = 14,
    kDelayTrack = 28,
    kConvertGroup = 25,
    kConvertEdit = 20,
    kConvertSeconds = 19,
    kConvertTrack = 29,
    kSequential = 32,
    kReverse = 35,
    kRandom = 33,
    kStartFromPrevious = 42,
    kStartFromRandom = 34,
    kPhotosPerScreenGroup = 23,
    kScreens1 = 67,
    kScreens2 = 68,
    kScreens4 = 69,
    kByShape = 70,
    kColorManage = 75,
    kShowDateTaken = 76,
    kStopKey = 44,
    kTextGroup = 64,
    kShowFileName = 56,
    kShowPath = 61,
    kShowFolder = 74,
    kShowExtension = 62,
    kFontButton = 55,
    kPosition = 57,
    kTransparent = 73,
    kOk = 16,
    kCancel = 17,
    kPreview = 26,
    kMainTab = 27,
};
constexpr int32_t kDelayLimit = 86400, kConvertLimit = 1000;

enum Tab : int32_t { kGeneralTab = 0, kPhotosTab = kPhotosTabIndex, kAboutTab = 2 };

struct Controls {
    HWND tab = nullptr;
    HWND delayEdit = nullptr, delayTrack = nullptr, convertEdit = nullptr, convertTrack = nullptr;
    HWND displayOrder = nullptr;
    HWND sequential = nullptr, reverse = nullptr, random = nullptr;
    HWND startFromPrevious = nullptr, startFromRandom = nullptr;
    HWND screens1 = nullptr, screens2 = nullptr, screens4 = nullptr, byShape = nullptr;
    HWND arrowKeys = nullptr, stopKey = nullptr, wallpaper = nullptr, mouseMove = nullptr;
    HWND colorManage = nullptr;
    HWND showFileName = nullptr, showPath = nullptr, showFolder = nullptr, showExtension = nullptr;
    HWND showDateTaken = nullptr;
    HWND font = nullptr, position = nullptr, transparent = nullptr;
    HWND ok = nullptr, cancel = nullptr, preview = nullptr;
};

struct WindowState {
    HWND main = nullptr;
    Controls c;
    std::unique_ptr<TmyTabControl> tabs;
    HPEN highlightPen = nullptr, shadowPen = nullptr;
    int32_t tabTop = 0;  // T: 10 units plus what the tab strip adds above the pages
    bool previewRunning = false;
    bool closing = false;
    // A folder read or a wait for the tree fill in progress, and the flag
    // through which "Cancel" asks the innermost one to stop.
    int32_t busyDepth = 0;
    std::atomic<bool>* busyStop = nullptr;
    bool cancelQueued = false;  // "Cancel" during a wait that cannot be stopped
};
WindowState W;

// --- Small control helpers -------------------------------------------------
bool Checked(HWND control) { return control && SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void SetChecked(HWND control, bool on) {
    if (control) SendMessageA(control, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}
std::string TextOf(HWND control, int32_t limit = 255) {
    std::string text(static_cast<size_t>(limit) + 1, '\0');
    const int n = GetWindowTextA(control, text.data(), limit + 1);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

// A control the toolkit could not make ends the build with its name.
HWND Need(HWND control, const char* what) {
    if (!control) {
        std::string message = "can't create ";
        message += what;
        throw std::runtime_error(message);
    }
    return control;
}

// --- Building ----------------------------------------------------------------
void AddTooltipTo(HWND control, const char* text) {
    if (control) AddTooltip(control, text);
}

void BuildGeneralFirstHalf(HWND page) {
    Controls& c = W.c;
    // The rows from the top: the two time groups, the order and the photos
    // per screen, the events and the text, and the colour check box under
    // them.
    HWND group = Need(CreateGroupBox(page, kTimeDelayGroup, "Time delay", 94, 260, 15, 16), "Time delay");
    Need(CreateStaticText(group, kDelaySeconds, "seconds", 25, 45, 31, 90), "seconds");
    c.delayEdit = Need(CreateEdit(group, kDelayEdit, "0", 21, 52, 29, 35), "Time delay edit");
    c.delayTrack = Need(CreateTrackbar(page, kDelayTrack, "track 1", 30, 240, 72, 26, 0, 60), "track 1");

    c.displayOrder = Need(CreateGroupBox(page, 0, "Display order", 106, 260, 124, 16), "Display order");
    c.sequential = CreateRadioButton(c.displayOrder, kSequential, "Sequential", 16, 90, 24, 20);
    c.reverse = CreateRadioButton(c.displayOrder, kReverse, "Reverse", 16, 90, 49, 20);
    c.random = CreateRadioButton(c.displayOrder, kRandom, "Random", 16, 90, 74, 20);
    // The etched line between the order and the two "Start from" boxes. As a
    // control of the group it is drawn with the group, whatever repaints.
    CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_ETCHEDVERT, ScaleToScreen(120), ScaleToScreen(17),
                    2, ScaleToScreen(75), c.displayOrder, nullptr, GetModuleHandleA(nullptr), nullptr);
    // A little left of the original column, so that the texts also fit
    // fonts wider than the classic dialog font.
    c.startFromPrevious = CreateCheckBox(c.displayOrder, kStartFromPrevious, "Start from previous", 16, 110, 24, 128);
    c.startFromRandom = CreateCheckBox(c.displayOrder, kStartFromRandom, "Start from random", 16, 110, 49, 128);

    group = Need(CreateGroupBox(page, kPhotosPerScreenGroup, "Photos per screen", 106, 260, 124, 296),
                 "Photos per screen");
    // Four choices in the room of three: rows 21 units apart.
    c.screens1 = CreateRadioButton(group, kScreens1, "1 photo per screen", 16, 180, 20, 20);
    c.screens2 = CreateRadioButton(group, kScreens2, "2 photos per screen", 16, 180, 41, 20);
    c.screens4 = CreateRadioButton(group, kScreens4, "4 photos per screen", 16, 180, 62, 20);
    c.byShape = CreateRadioButton(group, kByShape, "Arrange by photo shape", 16, 200, 83, 20);

    group = Need(CreateGroupBox(page, 0, "Events", 96, 260, 245, 16), "Events");
    // One column of four: two boxes side by side do not fit wider fonts.
    c.arrowKeys = CreateCheckBox(group, 0, "Use arrow keys", 16, 110, 17, 20);
    c.stopKey = CreateCheckBox(group, kStopKey, "Spacebar pauses the screensaver", 16, 230, 36, 20);
    c.wallpaper = CreateCheckBox(group, 0, "Set wallpaper on exit", 16, 140, 55, 20);
    c.mouseMove = CreateCheckBox(group, 0, "Exit on mouse move", 16, 120, 74, 20);

    c.colorManage = CreateCheckBox(page, kColorManage, "Show the colours the camera recorded", 16, 260, 348, 22);
}

void BuildAbout(HWND page) {
    CreateTitleStatic(page, 0, "Pagewind", 25, 450, 28, 86);
    std::string version = "Version : ";
    version += ProgramVersion();
    CreateStaticText(page, 0, version.c_str(), 25, 120, 68, 266);
}

void BuildGeneralSecondHalf(HWND page) {
    Controls& c = W.c;
    HWND group =
        Need(CreateGroupBox(page, kConvertGroup, "Turn over duration", 94, 260, 15, 296), "Turn over duration");
    Need(CreateStaticText(group, kConvertSeconds, "seconds", 25, 70, 31, 90), "seconds");
    c.convertEdit = Need(CreateEdit(group, kConvertEdit, "0", 21, 52, 29, 35), "Turn over duration edit");
    c.convertTrack = Need(CreateTrackbar(page, kConvertTrack, "track 2", 30, 240, 72, 306, 1, 20), "track 2");

    group = Need(CreateGroupBox(page, kTextGroup, "Text", 118, 260, 245, 296), "Text");
    c.showFileName = CreateCheckBox(group, kShowFileName, "Show file name (F)", 16, 110, 20, 20);
    c.showPath = CreateCheckBox(group, kShowPath, "Path", 16, 50, 43, 20);
    c.showFolder = CreateCheckBox(group, kShowFolder, "Folder", 16, 55, 43, 75);
    c.showExtension = CreateCheckBox(group, kShowExtension, "Extension", 16, 75, 43, 135);
    c.transparent = CreateCheckBox(group, kTransparent, "Transparent", 16, 80, 69, 160);
    CreateStaticText(group, 0, "Position:", 25, 50, 69, 20);
    c.position = Need(CreateDropDownList(group, kPosition, "", 107, 75, 66, 74), "Position");
    SendMessageA(c.position, CB_RESETCONTENT, 0, 0);
    for (const char* item : {"Top", "Center", "Bottom"})
        SendMessageA(c.position, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    c.font = CreatePushButton(group, kFontButton, "Font", 23, 80, 15, 160);
    c.showDateTaken = CreateCheckBox(group, kShowDateTaken, "Show date taken", 16, 150, 94, 20);
}

void BuildControls() {
    Controls& c = W.c;
    c.tab = Need(CreateTabControl(W.main, kMainTab, "Main_TAB", 395, 583, 10, 10, PaintDecorations), "Main_TAB");
    W.tabs = std::make_unique<TmyTabControl>(c.tab);
    HWND pages[3] = {};
    const char* captions[3] = {"General", "Photos", "About"};
    for (int32_t i = 0; i < 3; ++i) {
        int32_t index = -1;
        pages[i] = Need(W.tabs->AddTab(captions[i], index), captions[i]);
    }
    // What the tab strip adds above the pages, for the decorations.
    RECT strip{0, 0, 0, ScaleToScreen(420)};
    SendMessageA(c.tab, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&strip));
    W.tabTop = 10 + ScaleFromScreen(-strip.top);

    CreatePhotosTab(pages[kPhotosTab]);
    BuildGeneralFirstHalf(pages[kGeneralTab]);
    BuildAbout(pages[kAboutTab]);
    BuildGeneralSecondHalf(pages[kGeneralTab]);

    c.ok = Need(CreatePushButton(W.main, kOk, "OK", 23, 75, 412, 347), "OK");
    c.cancel = Need(CreatePushButton(W.main, kCancel, "Cancel", 23, 75, 412, 432), "Cancel");
    c.preview = Need(CreatePushButton(W.main, kPreview, "Preview", 23, 75, 412, 517), "Preview");
    // Enter means "OK": drawn as the default button.
    SendMessageA(c.ok, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);

    if (!CreateTooltipWindow()) throw std::runtime_error("can't create tooltip");
    AddTooltipTo(c.ok, "Save changes and exit");
    AddTooltipTo(c.cancel, "Exit without saving");
    AddTooltipTo(c.preview, "Run screensaver");
    AddPhotosTooltips();
    AddTooltipTo(c.sequential, "1-2-3-...");
    AddTooltipTo(c.reverse, "...-3-2-1");
    AddTooltipTo(c.startFromPrevious, "Start where you left off last time");
    AddTooltipTo(c.byShape, "A landscape across both pages, portraits one to a page");
    AddTooltipTo(c.colorManage, "Colour management: photos tagged as Display P3, Adobe RGB or HDR are shown in "
                                "their true colours");
    SetThemedTrackbars(c.delayTrack, c.convertTrack);
    FitTextControls(W.main);
    MarkKeyboardGroups(W.main);
}

// --- Controls and settings -------------------------------------------------
// The name's parts follow "Show file name"; the font, the position and the
// background serve the date taken as well.
void UpdateTextControls() {
    const bool name = Checked(W.c.showFileName);
    const bool any = name || Checked(W.c.showDateTaken);
    for (HWND control : {W.c.showPath, W.c.showFolder, W.c.showExtension})
        if (control) EnableWindow(control, name);
    for (HWND control : {W.c.font, W.c.position, W.c.transparent})
        if (control) EnableWindow(control, any);
}

// --- Seconds boxes and trackbars --------------------------------------------
void OnEditUpdate(HWND edit) {
    const std::string text = TextOf(edit, 100);
    const DigitsOnly kept = KeepDigits(text);
    if (kept.removed == 0) return;
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    SetWindowTextA(edit, kept.text.c_str());
    const int32_t caret = std::max<int32_t>(0, static_cast<int32_t>(end) - kept.removed);
    SendMessageA(edit, EM_SETSEL, caret, caret);
}

void OnEditChange(HWND edit, HWND track, bool timeDelay) {
    const std::string text = TextOf(edit, 100);
    const int32_t position = static_cast<int32_t>(SendMessageA(track, TBM_GETPOS, 0, 0));
    const int32_t target = TrackbarTargetFor(text, position);
    if (target != position) {
        SendMessageA(track, TBM_SETPOS, TRUE, target);
        if (ThemesActive()) SendMessageA(track, WM_ENABLE, TRUE, 0);
    }
    int64_t value = 0;
    if (timeDelay && ParseDecimal(text, value) && value >= 1 && value <= kDelayLimit)
        Settings.Delay = static_cast<int32_t>(value * 1000);
}

void OnEditLeave(HWND edit, bool timeDelay) {
    const std::string text = TextOf(edit, 100);
    const std::string kept = SecondsOnLeave(text, timeDelay);
    if (kept != text) SetWindowTextA(edit, kept.c_str());
}

void OnTrackbar(HWND track) {
    HWND edit = track == W.c.delayTrack ? W.c.delayEdit : track == W.c.convertTrack ? W.c.convertEdit : nullptr;
    if (!edit) return;
    const auto position = SendMessageA(track, TBM_GETPOS, 0, 0);
    SetWindowTextA(edit, std::to_string(position).c_str());
}

// --- Commands --------------------------------------------------------------
void OnDisplayOrder() {
    Settings.OrderMode = OrderModeOf(Checked(W.c.sequential), Checked(W.c.random), Checked(W.c.reverse),
                                     Settings.OrderMode);
}

void OnStartOption(bool clickedRandom) {
    bool fromRandom = Checked(W.c.startFromRandom), fromPrevious = Checked(W.c.startFromPrevious);
    if (!(fromRandom && fromPrevious)) return;
    StartOptionClicked(clickedRandom, fromRandom, fromPrevious);
    SetChecked(W.c.startFromRandom, fromRandom);
    SetChecked(W.c.startFromPrevious, fromPrevious);
}

void ChooseFont() {
    LOGFONTA font{};
    static_assert(sizeof font == sizeof Settings.Font, "the stored font is a LOGFONTA");
    memcpy(&font, &Settings.Font, sizeof font);
    CHOOSEFONTA choice{};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = W.main;
    choice.lpLogFont = &font;
    choice.rgbColors = Settings.FontColor;
    choice.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
    const BOOL chosen = ChooseFontA(&choice);
    RestoreFocus();
    if (!chosen) return;
    memcpy(&Settings.Font, &font, sizeof font);
    Settings.FontColor = choice.rgbColors;
    ReleaseCaptionFonts();
}

// Enter presses "OK" without the seconds box losing the focus: give both
// boxes their leaving rules first, so that an emptied box stores 5 instead of
// failing to convert.
void SettleSecondsBoxes() {
    OnEditLeave(W.c.delayEdit, true);
    OnEditLeave(W.c.convertEdit, false);
}

void RunPreview() {
    if (W.previewRunning) return;
    W.previewRunning = true;
    Show.LaunchedFromSettings = true;
    SettleSecondsBoxes();
    StoreControlsIntoSettings();
    TStringList savedScan;
    savedScan.swap(ScanResult());
    HCURSOR starting = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_APPSTARTING));
    SetWindowBusyCursor(starting);
    SetCursor(starting);
    AddCrashPhase(kPhaseFromSettings | kPhaseShowRunning);
    RunShow(0);
    RemoveCrashPhase(kPhaseFromSettings | kPhaseShowRunning);
    // The show's end forgot the main thread; register it again.
    RegisterMainThread();
    RegisterMainThread(W.main);
    SetWindowBusyCursor(nullptr);
    ScanResult().swap(savedScan);
    ClearLastScannedFolder();
    ClearStopRequests();
    W.previewRunning = false;
    // The show covered the whole window, not only the tab control.
    RedrawWindow(W.main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RestoreFocus();
}

void OnOk() {
    // The fill polls its stop flag between two nodes, so it ends at once;
    // ending the thread by force could leave it holding the heap's lock, and
    // the save below would then wait for ever.
    StopTreeFill();
    SettleSecondsBoxes();
    StoreControlsIntoSettings();
    SaveSettings();
    ShutdownSettingsWindow();
}

// A click that arrives while the window is busy runs nothing: "Cancel" (or
// Escape) stops the operation instead, and a check box the click flipped is
// put back, so that what it shows stays what is stored.
void RefuseWhileBusy(int32_t id, int32_t code, HWND control) {
    if (code != BN_CLICKED) return;
    if (id == kCancel || id == IDCANCEL) {
        // A read stops; a short wait is waited out, and "Cancel" runs then.
        if (W.busyStop) *W.busyStop = true;
        else W.cancelQueued = true;
        return;
    }
    if (!control) return;
    const LONG_PTR kind = GetWindowLongPtrA(control, GWL_STYLE) & BS_TYPEMASK;
    if (kind == BS_AUTOCHECKBOX)
        SendMessageA(control, BM_SETCHECK, SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
}

void OnCommand(int32_t id, int32_t code, HWND control) {
    if (W.busyDepth > 0) {
        RefuseWhileBusy(id, code, control);
        return;
    }
    if (PhotosCommand(id, code)) return;
    switch (id) {
        case kDelayEdit:
        case kConvertEdit: {
            const bool timeDelay = id == kDelayEdit;
            HWND edit = timeDelay ? W.c.delayEdit : W.c.convertEdit;
            if (control != edit) return;
            if (code == EN_UPDATE) OnEditUpdate(edit);
            else if (code == EN_CHANGE) OnEditChange(edit, timeDelay ? W.c.delayTrack : W.c.convertTrack, timeDelay);
            else if (code == EN_KILLFOCUS) OnEditLeave(edit, timeDelay);
            return;
        }
        default:
            break;
    }
    if (code != BN_CLICKED) return;
    switch (id) {
        case kOk:
        case IDOK:  // Enter
            OnOk();
            break;
        case kCancel:
        case IDCANCEL:  // Escape
            ShutdownSettingsWindow();
            break;
        case kPreview:
            RunPreview();
            break;
        case kSequential:
        case kRandom:
        case kReverse:
            OnDisplayOrder();
            break;
        case kStartFromRandom:
            OnStartOption(true);
            break;
        case kStartFromPrevious:
            OnStartOption(false);
            break;
        case kFontButton:
            ChooseFont();
            break;
        case kShowFileName:
        case kShowDateTaken:
            UpdateTextControls();
            break;
        default:
            break;
    }
}

// The tab control shows a new tab: the keyboard stays on the tabs, and the
// pages follow.
void OnTabChanged() {
    if (GetFocus() != W.c.tab) SetFocus(W.c.tab);
    W.tabs->OnSelectionChange();
}

void SelectTabPage(int32_t tab) {
    SendMessageA(W.c.tab, TCM_SETCURSEL, tab, 0);
    OnTabChanged();
}

LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (header.hwndFrom == W.c.tab && header.code == static_cast<UINT>(TCN_SELCHANGE)) {
                OnTabChanged();
                return 0;
            }
            PhotosNotify(header);
            return 0;
        }
        case WM_HSCROLL:
            if (lParam) OnTrackbar(reinterpret_cast<HWND>(lParam));
            return 0;
        case DM_GETDEFID:
            return MAKELRESULT(kOk, DC_HASDEFID);
        case WM_SETCURSOR:
            if (HCURSOR busy = WindowBusyCursor()) {
                SetCursor(busy);
                return TRUE;
            }
            break;
        case kTreeFilledMessage:
            OnTreeFilled();
            if (W.tabs) SyncPhotosTab(W.tabs->Current);
            return 0;
        case kWatchdogProbeMessage:
            MainAlive();
            return 0;
        case WM_ACTIVATE:
            // An ordinary window would take the focus itself and show none:
            // the control that had it gets it back, as in a dialog.
            if (LOWORD(wParam) == WA_INACTIVE) {
                RememberFocus(GetFocus());
            } else if (!HIWORD(wParam)) {
                RestoreFocus();
                if (GetFocus() == nullptr || GetFocus() == window) SetFocus(W.c.tab);
            }
            return 0;
        case WM_CLOSE:
            if (W.busyDepth > 0) {
                if (W.busyStop) *W.busyStop = true;
                else W.cancelQueued = true;
                return 0;
            }
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            ShutdownSettingsWindow();
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK SettingsWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return HandleMessage(window, message, wParam, lParam);
    } catch (...) {
        ReportCurrentException(CrashPhaseFlags() | kPhaseNoGl);
    }
}

bool RegisterWindowClass() {
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = SettingsWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = LoadIconA(wc.hInstance, MAKEINTRESOURCEA(kIconResource));
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = kClassName;
    return RegisterClassA(&wc) != 0;
}

HWND CreateMainWindow() {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    int32_t frame = 0;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        frame = ScaleFromScreen(metrics.iCaptionHeight + metrics.iBorderWidth);
    else
        frame = ScaleFromScreen(GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYBORDER));
    const int32_t width = ScaleToScreen(kWindowWidth);
    const int32_t height = ScaleToScreen(kWindowHeight + frame);
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    const int32_t x = desktop.left + (desktop.right - desktop.left - width) / 2;
    const int32_t y = desktop.top + (desktop.bottom - desktop.top - height) / 2;
    return CreateWindowExA(0, kClassName, "Pagewind", WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS, x, y, width, height,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// Ctrl+Tab and Ctrl+Shift+Tab move between the tabs, as in system dialogs.
bool SwitchTabKey(const MSG& msg);

// The keyboard as the window's own loop handles it: Ctrl+Tab, then the
// dialog keys (Tab, Enter, Escape, arrows), then the control.
void RouteMessage(MSG& msg) {
    if (SwitchTabKey(msg)) return;
    if (W.main && IsDialogMessageA(W.main, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

bool SwitchTabKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || !(GetKeyState(VK_CONTROL) & 0x8000)) return false;
    if (!W.tabs || W.previewRunning) return false;
    const int32_t count = W.tabs->Last + 1;
    const int32_t step = (GetKeyState(VK_SHIFT) & 0x8000) ? count - 1 : 1;
    SelectTabPage((W.tabs->Current + step) % count);
    return true;
}
}  // namespace

std::string ProgramVersion() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) return "";
    std::string block(size, '\0');
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoA(path, 0, size, block.data()) ||
        !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof *info)
        return "";
    std::string text = std::to_string(HIWORD(info->dwFileVersionMS));
    for (const unsigned part :
         {LOWORD(info->dwFileVersionMS), HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)}) {
        text += '.';
        text += std::to_string(part);
    }
    return text;
}

void LoadSettingsIntoControls() {
    FillTree();
    // An odd stored position shows (and then saves) the default one.
    if (Settings.TextPos < 1 || Settings.TextPos > 3) Settings.TextPos = 3;
    const GeneralTabValues v = ValuesFromSettings(Settings);
    Controls& c = W.c;
    SetWindowTextA(c.delayEdit, v.delayText.c_str());
    SetWindowTextA(c.convertEdit, v.convertText.c_str());
    for (HWND track : {c.delayTrack, c.convertTrack}) {
        ShowWindow(track, SW_HIDE);
        ShowWindow(track, SW_SHOW);
    }
    SetChecked(c.sequential, v.sequential);
    SetChecked(c.random, v.random);
    SetChecked(c.reverse, v.reverse);
    SetChecked(c.startFromRandom, v.startFromRandom);
    SetChecked(c.startFromPrevious, v.startFromPrevious);
    SetChecked(c.arrowKeys, v.arrowKeys);
    SetChecked(c.stopKey, v.stopKey);
    SetChecked(c.wallpaper, v.wallpaper);
    SetChecked(c.mouseMove, v.mouseMove);
    SetChecked(c.colorManage, v.colorManage);
    SetChecked(AutoRotateCheckBox(), v.autoRotate);
    SetChecked(c.showFileName, v.showFileName);
    SetChecked(c.showPath, v.path);
    SetChecked(c.showFolder, v.folder);
    SetChecked(c.showExtension, v.extension);
    SetChecked(c.showDateTaken, v.dateTaken);
    SetChecked(c.transparent, v.transparent);
    UpdateTextControls();
    SendMessageA(c.position, CB_SETCURSEL, v.positionIndex, 0);
    SetChecked(c.screens1, v.screens1);
    SetChecked(c.screens2, v.screens2);
    SetChecked(c.screens4, v.screens4);
    SetChecked(c.byShape, v.byShape);
}

void StoreControlsIntoSettings() {
    const Controls& c = W.c;
    GeneralTabValues v;
    v.delayText = TextOf(c.delayEdit, 100);
    v.convertText = TextOf(c.convertEdit, 100);
    v.sequential = Checked(c.sequential);
    v.reverse = Checked(c.reverse);
    v.random = Checked(c.random);
    v.startFromPrevious = Checked(c.startFromPrevious);
    v.startFromRandom = Checked(c.startFromRandom);
    v.screens1 = Checked(c.screens1);
    v.screens2 = Checked(c.screens2);
    v.screens4 = Checked(c.screens4);
    v.byShape = Checked(c.byShape);
    v.arrowKeys = Checked(c.arrowKeys);
    v.stopKey = Checked(c.stopKey);
    v.wallpaper = Checked(c.wallpaper);
    v.mouseMove = Checked(c.mouseMove);
    v.colorManage = Checked(c.colorManage);
    v.autoRotate = Checked(AutoRotateCheckBox());
    v.showFileName = Checked(c.showFileName);
    v.path = Checked(c.showPath);
    v.folder = Checked(c.showFolder);
    v.extension = Checked(c.showExtension);
    v.dateTaken = Checked(c.showDateTaken);
    v.positionIndex = static_cast<int32_t>(SendMessageA(c.position, CB_GETCURSEL, 0, 0));
    v.transparent = Checked(c.transparent);
    StoreValuesIntoSettings(v, Settings);
}

namespace {
// A frame drawn with one pen on its left and top and another on its right
// and bottom.
void DrawFrame(HDC dc, const RECT& r, HPEN leftTop, HPEN rightBottom) {
    SelectObject(dc, leftTop);
    MoveToEx(dc, r.left, r.bottom, nullptr);
    LineTo(dc, r.left, r.top);
    LineTo(dc, r.right, r.top);
    SelectObject(dc, rightBottom);
    LineTo(dc, r.right, r.bottom);
    LineTo(dc, r.left, r.bottom);
}
}  // namespace

void PaintDecorations(HWND tabControl) {
    if (!W.tabs || W.closing) return;
    HDC dc = GetDC(tabControl);
    if (!dc) return;
    const int32_t t = W.tabTop;
    const HGDIOBJ oldPen = SelectObject(dc, W.shadowPen);
    if (W.tabs->Current == kPhotosTab) {
        const int32_t w = PreviewWidth(), h = PreviewHeight();
        // Raised outer frame around the preview, sunken inner one right
        // around the picture.
        DrawFrame(dc, {ScaleToScreen(231), ScaleToScreen(t + 1), ScaleToScreen(248) + w, ScaleToScreen(t + 18) + h},
                  W.highlightPen, W.shadowPen);
        DrawFrame(dc,
                  {ScaleToScreen(240) - 1, ScaleToScreen(t + 10) - 1, ScaleToScreen(240) + w - 1,
                   ScaleToScreen(t + 10) + h - 1},
                  W.shadowPen, W.highlightPen);
    }
    SelectObject(dc, oldPen);
    ReleaseDC(tabControl, dc);
    SyncPhotosTab(W.tabs->Current);
}

HWND SettingsWindow() { return W.main; }

void RunSettingsMode() {
    // A settings window that does not close is reported with the main
    // thread's state.
    HANDLE mainThread = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &mainThread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    StartWatchdog(mainThread, nullptr, true, false);
    RegisterMainThread();
    CheckOpenGLAcceleration();

    InitLibrary();
    W.highlightPen = CreatePen(PS_SOLID, 0, GetSysColor(COLOR_BTNHIGHLIGHT));
    W.shadowPen = CreatePen(PS_SOLID, 0, GetSysColor(COLOR_BTNSHADOW));
    SetWindowBusyCursor(nullptr);
    ReadScreenDpi();

    if (!RegisterWindowClass()) {
        MessageBoxA(nullptr, "Register class failed:opt", nullptr, MB_OK);
        return;
    }
    W.main = CreateMainWindow();
    if (!W.main) {
        MessageBoxA(nullptr, "WinCreate failed", nullptr, MB_OK);
        return;
    }
    SettingsMainWindow = W.main;
    RegisterMainThread(W.main);
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    LoadThemeLibrary();

    CreatePreviewBitmap(ScaleToScreen(kPreviewUnitsWidth), ScaleToScreen(kPreviewUnitsHeight));
    ResetFocusTable();
    SelectSharedGuiFont();

    BuildControls();
    const int32_t firstTab = SettingsEverSaved() ? kGeneralTab : kPhotosTab;
    SendMessageA(W.c.tab, TCM_SETCURSEL, firstTab, 0);
    W.tabs->SelectTab(firstTab);

    OpenPreviewDc();
    LoadSettingsIntoControls();
    SetFocus(W.c.tab);
    ShowWindow(W.main, SW_SHOW);
    UpdateWindow(W.main);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) RouteMessage(msg);
}

WindowBusyScope::WindowBusyScope(std::atomic<bool>* stop) : outerStop_(W.busyStop) {
    ++W.busyDepth;
    if (stop) W.busyStop = stop;
}

WindowBusyScope::~WindowBusyScope() {
    W.busyStop = outerStop_;
    if (--W.busyDepth == 0 && W.cancelQueued) {
        W.cancelQueued = false;
        PostMessageA(W.main, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
}

void PumpSettingsMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the window's own loop
            return;
        }
        RouteMessage(msg);
    }
}

void ShutdownSettingsWindow() {
    if (W.closing) ExitProcess(0);
    StopTreeFill();
    ReleasePhotosTab();
    W.closing = true;
    RequestQuitSettings();
    if (W.highlightPen) DeleteObject(W.highlightPen);
    if (W.shadowPen) DeleteObject(W.shadowPen);
    W.highlightPen = W.shadowPen = nullptr;
    ReleaseToolkit();
    DoneLibrary();  // scan lists, picture list, overlay fonts, plugins, the clean end in the run statistics
    ExitProcess(0);
}
