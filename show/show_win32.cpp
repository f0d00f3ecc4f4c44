#include "show/show_win32.h"

#include <atomic>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>

#include "app/run_modes.h"
#include "diagnostics/clock.h"
#include "diagnostics/crash_report.h"
#include "diagnostics/run_stats.h"
#include "diagnostics/watchdog.h"
#include "imaging/bitmap.h"
#include "imaging/colour_display.h"
#include "imaging/page_compose.h"
#include "imaging/plugin_host.h"
#include "imaging/resampler_realtime.h"
#include "imaging/spread_compose.h"
#include "library/file_access.h"
#include "library/selection_order.h"
#include "library/settings.h"
#include "settings_ui/wallpaper.h"
#include "show/album_renderer_win32.h"
#include "show/album_scene.h"
#include "show/gl_control_win32.h"
#include "show/saver_input_win32.h"
#include "show/saver_window_win32.h"
#include "show/show_schedule.h"
#include "show/show_state.h"
#include "show/stop_request.h"
#include "show/vsync.h"

HWND SettingsMainWindow = nullptr;

namespace {
constexpr int32_t kTileSize = 512;
constexpr uint32_t kPageGrey = 0x00A0A0A0;
constexpr const char* kBackgroundFile = "back.jpg";

HWND saverWindow = nullptr;
HDC windowDc = nullptr;
DWORD mainThreadId = 0;
// Kept open while the show lasts: the watchdog reads and suspends the thread
// through it when the thread freezes.
HANDLE renderThread = nullptr;
DWORD renderThreadId = 0;
std::atomic<bool> firstFrameDrawn{false};
// Set when the show must end: the render thread's rest between two ticks
// ends at once instead of after its 30 ms.
HANDLE wakeEvent = nullptr;
int32_t showWidth = 0, showHeight = 0;
BitmapPtr spread, photoPage, wholePage, tile;
BitmapPtr openingLeft, openingRight, nextLeft, nextRight;
TGLControl* control = nullptr;

// The watchdog's busy bracket around long work on the calling thread.
class BusyBracket {
public:
    BusyBracket() : slot_(WatchdogThreadNumber) { BeginLongOperation(slot_); }
    ~BusyBracket() { EndLongOperation(slot_); }
    BusyBracket(const BusyBracket&) = delete;
    BusyBracket& operator=(const BusyBracket&) = delete;

private:
    int slot_;
};

void PumpOneMessage() {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));  // for the message loop
        return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

// For a debugger, and for the whole-program tests, which wait for these
// moments instead of guessing how long they take.
void AnnounceMilestone(const char* what) { OutputDebugStringA(("Pagewind: " + std::string(what) + "\n").c_str()); }

BitmapPtr NewBitmap(int32_t w, int32_t h, const TBitmap0* pattern = nullptr) {
    BitmapPtr b(TBitmap0::Create(w, h));
    b->SetPattern(pattern);
    b->SetFillColour(kPageGrey);
    return b;
}

// Left half: columns 0 .. w/2-1; right half: columns w/2 onwards, as many as
// the page holds (an odd width leaves the last column out).
void CopyHalves(const TBitmap0& from, TBitmap0& left, TBitmap0& right) {
    const int32_t w = from.Width(), h = from.Height(), half = w / 2;
    left.Fill();
    left.CopyRect(from, 0, 0, 0, 0, half - 1, h - 1);
    right.Fill();
    right.CopyRect(from, half, 0, 0, 0, w - 1 - half, h - 1);
}

// Whether a preview area of this size can hold the album's pages.
bool PageSizeFits(int32_t width, int32_t height) {
    try {
        MakeTileGrid(width / 2, height);
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}

// The page-size photo page into a page, shifted by the margin.
void CopyWithMargin(const TBitmap0& from, TBitmap0& page, int32_t m) {
    page.Fill();
    page.CopyRect(from, 0, 0, m, m, from.Width() - 1 - m, from.Height() - 1 - m);
}

void ComposeOnePage() {
    BusyBracket busy;
    ComposePage(*photoPage, PhotosForNextPage());
}

// A spread laid out by its photos' shapes: a landscape over the window-size
// page cut in halves, or a page for each side as with two photos a spread.
void ComposeShapedSpread(TBitmap0& left, TBitmap0& right) {
    BusyBracket busy;
    SpreadPlan plan = PlanShapedSpread();
    if (plan.across) {
        TBitmap0& whole = *wholePage;
        whole.PatternOffsetX = whole.PatternOffsetY = 0;
        ComposeShapedPage(whole, plan, 0);
        CopyHalves(whole, left, right);
    } else {
        TBitmap0& page = *photoPage;
        const int32_t m = Show.PageMargin;
        page.PatternOffsetX = m;
        page.PatternOffsetY = m;
        ComposeShapedPage(page, plan, 0);
        CopyWithMargin(page, left, m);
        if (!StopRequested) {
            page.PatternOffsetX = Scene.grid.width + m;
            ComposeShapedPage(page, plan, 1);
            CopyWithMargin(page, right, m);
        }
    }
    FinishShapedSpread(plan);
}

// Fills the next spread into the pair of page bitmaps that is not on screen,
// and points NextLeft and NextRight at it: one photo page cut in halves, or a
// page for each side with its margin; the background pattern runs on across
// the spine either way. The pair on screen stays whole for the wallpaper.
void ComposeNextSpread() {
    const bool openingShown = ShownLeft.load() == openingLeft.get();
    TBitmap0& left = openingShown ? *nextLeft : *openingLeft;
    TBitmap0& right = openingShown ? *nextRight : *openingRight;
    NextLeft = &left;
    NextRight = &right;
    if (Show.ShapedSpreads) {
        ComposeShapedSpread(left, right);
        return;
    }
    TBitmap0& page = *photoPage;
    if (Show.EntriesPerPage == 0) {
        page.PatternOffsetX = page.PatternOffsetY = 0;
        ComposeOnePage();
        CopyHalves(page, left, right);
        return;
    }
    const int32_t m = Show.PageMargin;
    page.PatternOffsetX = m;
    page.PatternOffsetY = m;
    ComposeOnePage();
    CopyWithMargin(page, left, m);
    page.PatternOffsetX = Scene.grid.width + m;
    ComposeOnePage();
    CopyWithMargin(page, right, m);
}

BitmapPtr CopyOfScreen() {
    const int32_t x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int32_t w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    BitmapPtr copy(TBitmap0::Create(w, h));
    if (HDC screen = GetDC(nullptr)) {
        BitBlt(static_cast<HDC>(copy->DC()), 0, 0, w, h, screen, x, y, SRCCOPY);
        ReleaseDC(nullptr, screen);
    }
    return copy;
}

// The whole-program tests set this variable to make faults that cannot be
// made from outside; nothing else sets it. "freeze-render": the render
// thread freezes after its first turn (the watchdog's test).
// "fail-line-callback-row-N": the line callback fails with an allocation
// failure at row N of every picture (the plugins' boundary).
std::string TestHook() {
    char value[64] = {};
    const DWORD n = GetEnvironmentVariableA("PAGEWIND_TEST_HOOK", value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value) : std::string();
}
bool FreezeRequestedForTest() { return TestHook() == "freeze-render"; }

int32_t failingRowForTest = -1;
void FailAtRowForTest(int32_t row) {
    if (row == failingRowForTest) throw std::bad_alloc();
}
void InstallLineCallbackFaultForTest() {
    const std::string hook = TestHook();
    const std::string prefix = "fail-line-callback-row-";
    if (hook.rfind(prefix, 0) != 0) return;
    failingRowForTest = std::atoi(hook.c_str() + prefix.size());
    LineCallbackTestFault = &FailAtRowForTest;
}

void InitShowState() {
    ClockMs();
    if (!Show.LaunchedFromSettings) InitLibrary();
    // Pictures go to the screen in its own colours where it has a profile.
    if (Settings.ColorManage) UseDisplayProfile();
    RegisterMainThread();
    // Shaped spreads keep two history rows a spread whatever "Screens" holds.
    ResetShowState(Settings.AutoLayout ? 2 : Settings.Screens, ClockMs());
    Show.ShapedSpreads = Settings.AutoLayout;
    TurnDuration = Settings.Convert;
    CaptionsEnabled = Show.FullScreen;
    PumpShowMessages = &PumpOneMessage;
    ShowHooks = ShowDriver{};
    ShowHooks.sleep = [](int32_t ms) { Sleep(static_cast<DWORD>(ms)); };
    ShowHooks.heartbeat = [] { WorkerAlive(0); };
    ShowHooks.drawFrame = [] {
        if (!control) return;
        // From the first frame on, the album paints the window.
        if (!firstFrameDrawn) SetSaverBackdrop(nullptr);
        control->Paint();
        if (!firstFrameDrawn.exchange(true)) AnnounceMilestone("first frame");
    };
    ShowHooks.milestone = &AnnounceMilestone;
    ShowHooks.composeNextSpread = &ComposeNextSpread;
    ShowHooks.frameRateMeasured = &CheckFrameRate;
    ShowHooks.preview = !Show.FullScreen;
    InstallLineCallbackFaultForTest();
    InstallShowInput();
    if (Show.FullScreen) {
        SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 1, nullptr, 0);
        ShowCursor(FALSE);
    }
}


DWORD WINAPI RenderThread(void*) {
    WatchdogThreadNumber = 0;
    const HWND parent = reinterpret_cast<HWND>(Show.ParentWindow);
    try {
        AddCrashPhase(kPhaseMakingContext);
        GlInitPending = true;
        control = new TGLControl(saverWindow, showWidth, showHeight);
        control->PaintingEnabled = true;
        control->PaintCallback = &DrawFrame;
        RecordGLFacts();
        RemoveCrashPhase(kPhaseMakingContext);
        Show.RenderStarting = false;
        AddCrashPhase(kPhaseShowing);
        const bool freezeForTest = FreezeRequestedForTest();
        for (;;) {
            if (!wakeEvent || WaitForSingleObject(wakeEvent, 30) == WAIT_FAILED) Sleep(30);
            WorkerAlive(0);
            SchedulerTick();
            if (!IsWindowVisible(saverWindow) || (parent && !IsWindowVisible(parent))) RequestShowEnd();
            if (ShowMustEnd()) break;
            if (Show.WallpaperRequested.exchange(false)) HandOverWallpaperSafely();
            while (freezeForTest) Sleep(1000);
        }
        RemoveCrashPhase(kPhaseShowing);
        AnnounceMilestone("show ending");
        // Off the screen at once; the teardown below takes a few frames'
        // time, and the user has asked for the desktop.
        if (Show.FullScreen) ShowWindowAsync(saverWindow, SW_HIDE);
        Show.WindowGone = true;
        RequestQuitShow();
        // The show is over: a wallpaper that cannot be written (a full disk)
        // leaves the old one and is no crash.
        HandOverWallpaperSafely();
    } catch (...) {
        RequestShowEnd();
        ReportCurrentException(CrashPhaseFlags());
    }
    UnregisterWorker(0);
    if (!Show.LaunchedFromSettings) ShutdownShow();  // ends the process
    DeleteScene(control);
    SendMessageA(saverWindow, WM_CLOSE, 0, 0);
    Show.TeardownPending = true;
    // The main thread looks at the flag after each message: give it one.
    PostThreadMessageA(mainThreadId, WM_NULL, 0, 0);
    return 0;
}

// A preview area too small for the album, or gone before the show could
// measure it: the preview shows nothing and ends with its host.
void IdleUntilHostCloses(HWND parent) {
    while (IsWindow(parent) && IsWindowVisible(parent)) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
}

void RunMessageLoop() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (Show.TeardownPending && Show.LaunchedFromSettings) break;
    }
}
}  // namespace

HWND ShowWindowHandle() { return saverWindow; }

void RequestWallpaper() { Show.WallpaperRequested = true; }

void WakeRenderThread() {
    if (wakeEvent) SetEvent(wakeEvent);
}

void HandOverWallpaper() {
    TShowState& s = Show;
    if (!s.FullScreen || !Settings.Wallpaper || s.WallpaperDone.exchange(true)) return;
    // The pages of the last frame: the next spread is prepared into the
    // other pair, so these are whole even while it is being prepared.
    const TBitmap0* left = ShownLeft;
    const TBitmap0* right = ShownRight;
    if (left && right && tile) {
        BitmapPtr both = NewBitmap(showWidth, showHeight, tile.get());
        both->Fill();  // the column an odd width leaves beside the pages
        both->CopyRect(*left, 0, 0, 0, 0, left->Width() - 1, left->Height() - 1);
        both->CopyRect(*right, 0, 0, left->Width(), 0, left->Width() + right->Width() - 1, right->Height() - 1);
        SetWallpaperOnExit(*both);
    }
    if (SettingsMainWindow && IsWindow(SettingsMainWindow)) SendMessageA(SettingsMainWindow, WM_PAINT, 0, 0);
}

void HandOverWallpaperSafely() {
    try {
        HandOverWallpaper();
    } catch (...) {
        // A wallpaper that cannot be set must not keep the show from going on.
    }
}

void RunShowIn(HWND parent) {
    TShowState& s = Show;
    mainThreadId = GetCurrentThreadId();
    s.FullScreen = parent == nullptr;
    s.ParentWindow = reinterpret_cast<uintptr_t>(parent);
    InitShowState();

    const int32_t vx = GetSystemMetrics(SM_XVIRTUALSCREEN), vy = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int32_t vw = GetSystemMetrics(SM_CXVIRTUALSCREEN), vh = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (s.FullScreen) {
        showWidth = vw;
        showHeight = vh;
    } else {
        // A preview fills its parent's client area, whatever size it was made.
        RECT area{};
        if (!GetClientRect(parent, &area) || !PageSizeFits(area.right, area.bottom)) {
            IdleUntilHostCloses(parent);
            ShutdownShow();
            return;
        }
        showWidth = area.right;
        showHeight = area.bottom;
    }
    SetSceneSize(showWidth, showHeight);
    const int32_t pageW = Scene.grid.width, pageH = Scene.grid.height;

    tile = NewBitmap(kTileSize, kTileSize);
    LoadAndFit(*tile, JoinPath(InstallFolder, kBackgroundFile));
    spread = NewBitmap(showWidth, showHeight, tile.get());
    spread->RandomPos = true;
    photoPage = s.EntriesPerPage == 0 ? NewBitmap(showWidth, showHeight, tile.get()) : NewBitmap(pageW, pageH, tile.get());
    photoPage->Crop = Settings.crop;
    photoPage->RandomPos = Settings.RandomPos;
    if (s.ShapedSpreads) {
        // A landscape across the spread is fitted to the whole window.
        wholePage = NewBitmap(showWidth, showHeight, tile.get());
        wholePage->Crop = Settings.crop;
        wholePage->RandomPos = Settings.RandomPos;
        ResetShapedSpreads(pageW, pageH);
    }

    {
        // The desktop becomes the opening spread. It is taken before the
        // window exists, which would otherwise be in the picture.
        BitmapPtr desktop = CopyOfScreen();
        spread->Enlarge = true;
        DrawFitGdi(*spread, *desktop);
        spread->Enlarge = false;
    }
    firstFrameDrawn = false;
    SetSaverBackdrop(static_cast<HDC>(spread->DC()));

    saverWindow = CreateSaverWindow(parent, vx, vy, vw, vh);
    if (parent) MoveWindow(saverWindow, 0, 0, showWidth, showHeight, FALSE);
    windowDc = GetDC(saverWindow);
    if (saverWindow) {
        RegisterMainThread(saverWindow);
        RecordWindow(reinterpret_cast<uintptr_t>(saverWindow));
        // The window tells where the cursor is as soon as it is shown; only
        // a move away from there counts against the mouse's tolerance.
        POINT cursor{};
        if (GetCursorPos(&cursor) && ScreenToClient(saverWindow, &cursor))
            s.LastMousePos = static_cast<int32_t>(MAKELONG(cursor.x, cursor.y));
    }
    if (!windowDc) {
        ShutdownShow();
        return;
    }

    // Painted from the desktop picture at once, not when the message loop
    // runs: the pages below take a while.
    ClearStopRequests();
    UpdateWindow(saverWindow);
    ShowWindow(saverWindow, SW_SHOW);

    openingLeft = NewBitmap(pageW, pageH, tile.get());
    openingRight = NewBitmap(pageW, pageH, tile.get());
    nextLeft = NewBitmap(pageW, pageH, tile.get());
    nextRight = NewBitmap(pageW, pageH, tile.get());
    // Either pair may carry a spread: the right pages' background continues
    // the left pages' across the spine.
    openingRight->PatternOffsetX = pageW;
    nextRight->PatternOffsetX = pageW;
    OpeningLeft = openingLeft.get();
    OpeningRight = openingRight.get();
    ShownLeft = openingLeft.get();
    ShownRight = openingRight.get();
    CopyHalves(*spread, *openingLeft, *openingRight);
    ComposeNextSpread();

    s.WallpaperDone = false;
    s.RenderStarting = true;
    if (!wakeEvent) wakeEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (wakeEvent) ResetEvent(wakeEvent);
    renderThread = CreateThread(nullptr, 0, RenderThread, nullptr, 0, &renderThreadId);
    StartWatchdog(renderThread, parent, false, !s.FullScreen);
    RegisterWorker(0, renderThread);  // a thread that did not start: "addthread0"

    MainSuspend();
    while (s.RenderStarting) Sleep(1);
    MainResume();

    RunMessageLoop();
    CloseMainThread();
    if (s.TeardownPending) ShutdownShow();
}

void ShutdownShow() {
    TShowState& s = Show;
    s.TeardownPending = false;
    DeleteScene(control);
    if (saverWindow && IsWindow(saverWindow)) {
        if (windowDc) ReleaseDC(saverWindow, windowDc);
        SendMessageA(saverWindow, WM_CLOSE, 0, 0);
    }
    windowDc = nullptr;
    saverWindow = nullptr;
    SetSaverBackdrop(nullptr);
    if (renderThread && GetCurrentThreadId() != renderThreadId) {
        // The thread has handed over and is returning; a command-line show
        // ends the process from that thread, with the handle still open.
        WaitForSingleObject(renderThread, 10000);
        CloseHandle(renderThread);
        renderThread = nullptr;
    }
    s.WallpaperDone = true;
    OpeningLeft = OpeningRight = NextLeft = NextRight = nullptr;
    ShownLeft = ShownRight = nullptr;
    openingLeft.reset();
    openingRight.reset();
    nextLeft.reset();
    nextRight.reset();
    spread.reset();
    photoPage.reset();
    wholePage.reset();
    tile.reset();
    if (s.FullScreen) {
        ShowCursor(TRUE);
        SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 0, nullptr, 0);
        SavePrevious(s.ShapedSpreads ? LastPlacedPicture() : Selection.current);
    }
    ResetSelection();
    if (!s.LaunchedFromSettings) {
        DoneLibrary();  // lists, fonts, plugins, and the clean end in the run statistics
        ExitProcess(0);
    }
}

void RunShow(uintptr_t parent) { RunShowIn(reinterpret_cast<HWND>(parent)); }
