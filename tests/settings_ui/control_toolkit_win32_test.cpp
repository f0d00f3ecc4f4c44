// The control toolkit in a real top-level window under Wine: what each
// creation call makes, the layout unit at 96 and 144 DPI, the focus table,
// tab switching, the forwarding and Escape rules of the subclass procedures.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "settings_ui/control_toolkit_win32.h"

namespace {

struct Seen {
    std::vector<WPARAM> chars;
    std::vector<int> commands;  // control ids of WM_COMMAND
    int hscrolls = 0;
    void Clear() { *this = {}; }
};
Seen seen;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CHAR:
            seen.chars.push_back(wParam);
            return 0;
        case WM_COMMAND:
            seen.commands.push_back(LOWORD(wParam));
            return 0;
        case WM_HSCROLL:
            ++seen.hscrolls;
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

struct WindowRelease {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using OwnedWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowRelease>;

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

OwnedWindow MakeHost(int32_t width, int32_t height) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
        wc.lpszClassName = "PwToolkitHost";
        registered = RegisterClassA(&wc) != 0;
    }
    RECT r{0, 0, ScaleToScreen(width), ScaleToScreen(height)};
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
    AdjustWindowRect(&r, style, FALSE);
    HWND host = CreateWindowExA(0, "PwToolkitHost", "Pagewind", style | WS_VISIBLE, 20, 20, r.right - r.left,
                                r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    Pump();
    return OwnedWindow(host);
}

std::string ClassOf(HWND w) {
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    return name;
}
std::string TextOf(HWND w) {
    char text[128] = {};
    GetWindowTextA(w, text, sizeof text);
    return text;
}
LONG_PTR StyleOf(HWND w) { return GetWindowLongPtrA(w, GWL_STYLE); }
LONG_PTR ExStyleOf(HWND w) { return GetWindowLongPtrA(w, GWL_EXSTYLE); }
SIZE SizeOf(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return {r.right - r.left, r.bottom - r.top};
}
POINT OriginIn(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    POINT p{r.left, r.top};
    ScreenToClient(GetParent(w), &p);
    return p;
}

COLORREF PixelOf(HWND w, int x, int y) {
    HDC dc = GetDC(w);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(w, dc);
    return colour;
}

int paints = 0;
HWND paintedTab = nullptr;
void CountPaint(HWND tab) {
    ++paints;
    paintedTab = tab;
}

LRESULT CALLBACK ImageProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

class Toolkit : public ::testing::Test {
protected:
    void SetUp() override {
        seen.Clear();
        paints = 0;
        paintedTab = nullptr;
        SetScreenDpi(96);
        ResetFocusTable();
        SelectSharedGuiFont();
    }
    void TearDown() override {
        ReleaseToolkit();
        Pump();
    }
};

TEST_F(Toolkit, CreationCallsMakeTheirControlsAtTheScreenDpi) {
    std::string previousImageClass;
    for (int32_t dpi : {96, 144}) {
        SCOPED_TRACE(dpi);
        SetScreenDpi(dpi);
        ResetFocusTable();
        OwnedWindow host = MakeHost(609, 447);
        HWND h = host.get();
        struct Expect {
            HWND w;
            const char* cls;
            LONG_PTR exStyle, style;
            int id, width, height;
        };
        HWND tab = CreateTabControl(h, 27, "Main_TAB", 395, 583, 10, 10, nullptr);
        HWND edit = CreateEdit(h, 15, "0", 21, 100, 29, 35);
        HWND tree = CreateTreeView(h, 11, "", 200, 150, 40, 20);
        HWND slow = CreateTrackbar(h, 29, "track 2", 30, 240, 80, 306, 1, 20);
        HWND fast = CreateTrackbar(h, 28, "track 1", 30, 240, 120, 306, 0, 60);
        HWND label = CreateStaticText(h, 14, "seconds", 25, 45, 31, 90);
        HWND title = CreateTitleStatic(h, 0, "Pagewind", 25, 450, 28, 86);
        HWND ok = CreatePushButton(h, 16, "OK", 23, 75, 412, 347);
        HWND check = CreateCheckBox(h, 42, "Start from previous", 16, 110, 24, 135);
        HWND radio = CreateRadioButton(h, 32, "Sequential", 16, 90, 24, 20);
        HWND group = CreateGroupBox(h, 24, "Time delay", 106, 260, 15, 16);
        HWND plain = CreatePlainGroupBox(h, 0, "Events", 96, 260, 257, 16);
        HWND list = CreateDropDownList(h, 57, "", 107, 75, 66, 65);
        HWND image = CreateImageWindow(h, 70, 120, 160, 200, 300, ImageProc);
        // Each image window has a class of its own, numbered on.
        const std::string imageClass = ClassOf(image);
        EXPECT_EQ(imageClass.rfind("Timage1_PR", 0), 0u);
        EXPECT_NE(imageClass, previousImageClass);
        previousImageClass = imageClass;
        const int s100 = ScaleToScreen(100);
        ASSERT_EQ(s100, dpi == 96 ? 100 : 150);
        const Expect expected[] = {
            {tab, "SysTabControl32", 0, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | TCS_HOTTRACK, 27,
             ScaleToScreen(583), ScaleToScreen(395)},
            {edit, "Edit", WS_EX_CLIENTEDGE, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | ES_AUTOHSCROLL, 15,
             s100, ScaleToScreen(21)},
            {tree, "SysTreeView32", WS_EX_CLIENTEDGE,
             WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                 TVS_SHOWSELALWAYS,
             11, ScaleToScreen(150), ScaleToScreen(200)},
            {slow, "msctls_trackbar32", 0, WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_AUTOTICKS | TBS_FIXEDLENGTH, 29,
             ScaleToScreen(240), ScaleToScreen(30)},
            {label, "Static", 0, WS_CHILD | WS_VISIBLE | SS_NOPREFIX, 14, ScaleToScreen(45), ScaleToScreen(25)},
            {title, "Static", 0, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SS_NOPREFIX, 0, ScaleToScreen(450),
             ScaleToScreen(25)},
            {ok, "Button", 0, WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | BS_PUSHBUTTON, 16, ScaleToScreen(75),
             ScaleToScreen(23)},
            {check, "Button", 0, WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | BS_AUTOCHECKBOX, 42, ScaleToScreen(110),
             ScaleToScreen(16)},
            {radio, "Button", 0, WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | BS_AUTORADIOBUTTON, 32, ScaleToScreen(90),
             ScaleToScreen(16)},
            {group, "Button", WS_EX_CONTROLPARENT, WS_CHILD | WS_CLIPSIBLINGS | BS_GROUPBOX, 24, ScaleToScreen(260),
             ScaleToScreen(106)},
            {plain, "Button", WS_EX_CONTROLPARENT, WS_CHILD | BS_GROUPBOX, 0, ScaleToScreen(260), ScaleToScreen(96)},
            // The combo box hands its vertical scroll bar on to its list.
            {list, "ComboBox", 0, WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_HASSTRINGS, 57,
             ScaleToScreen(75), -1},
            {image, imageClass.c_str(), 0, WS_CHILD | WS_CLIPSIBLINGS, 70, 159, 119},
        };
        for (const Expect& e : expected) {
            ASSERT_NE(e.w, nullptr) << e.cls;
            SCOPED_TRACE(ClassOf(e.w) + " " + TextOf(e.w));
            EXPECT_STREQ(ClassOf(e.w).c_str(), e.cls);
            EXPECT_EQ(GetParent(e.w), h);
            EXPECT_EQ(GetDlgCtrlID(e.w), e.id);
            EXPECT_TRUE(IsWindowVisible(e.w));
            EXPECT_EQ(StyleOf(e.w) & e.style, e.style);
            EXPECT_EQ(ExStyleOf(e.w) & (WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT), e.exStyle);
            EXPECT_EQ(SizeOf(e.w).cx, e.width);
            if (e.height >= 0) {
                EXPECT_EQ(SizeOf(e.w).cy, e.height);
            }
        }
        EXPECT_EQ(OriginIn(edit).x, ScaleToScreen(35));
        EXPECT_EQ(OriginIn(edit).y, ScaleToScreen(29));
        EXPECT_EQ(OriginIn(image).x, ScaleToScreen(300));
        EXPECT_EQ(TextOf(image), "Image1 PR");
        const auto guiFont = reinterpret_cast<WPARAM>(SharedGuiFont());
        EXPECT_EQ(SendMessageA(ok, WM_GETFONT, 0, 0), static_cast<LRESULT>(guiFont));
        LOGFONTA titleFont{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(title, WM_GETFONT, 0, 0)), sizeof titleFont, &titleFont);
        EXPECT_STREQ(titleFont.lfFaceName, "Courier New");
        EXPECT_EQ(titleFont.lfHeight, ScaleToScreen(30));
        EXPECT_EQ(titleFont.lfWeight, 600);

        // Registered for focus in creation order: no statics, group boxes or image windows.
        const HWND order[] = {tab, edit, tree, slow, fast, ok, check, radio, list};
        ASSERT_EQ(Focus().Count(), 9);
        for (int i = 0; i < 9; ++i) EXPECT_EQ(Focus().At(i), reinterpret_cast<uintptr_t>(order[i])) << i;
        EXPECT_THROW(CreateEdit(h, 200, "", 21, 52, 0, 0), std::runtime_error);

        // Trackbars: the small range steps by 2 with a tick at every value,
        // the large one by 10 with a tick every 5.
        for (HWND t : {slow, fast}) EXPECT_EQ(SendMessageA(t, TBM_GETTHUMBLENGTH, 0, 0), ScaleToScreen(17));
        EXPECT_EQ(SendMessageA(slow, TBM_GETRANGEMIN, 0, 0), 1);
        EXPECT_EQ(SendMessageA(slow, TBM_GETRANGEMAX, 0, 0), 20);
        EXPECT_EQ(SendMessageA(slow, TBM_GETNUMTICS, 0, 0), 20);
        EXPECT_EQ(SendMessageA(fast, TBM_GETNUMTICS, 0, 0), 13);
        SendMessageA(slow, TBM_SETPOS, TRUE, 10);
        SendMessageA(fast, TBM_SETPOS, TRUE, 10);
        SendMessageA(slow, WM_KEYDOWN, VK_NEXT, 0);
        SendMessageA(fast, WM_KEYDOWN, VK_NEXT, 0);
        EXPECT_EQ(SendMessageA(slow, TBM_GETPOS, 0, 0), 12);
        EXPECT_EQ(SendMessageA(fast, TBM_GETPOS, 0, 0), 20);
        SendMessageA(fast, WM_KEYDOWN, VK_RIGHT, 0);
        EXPECT_EQ(SendMessageA(fast, TBM_GETPOS, 0, 0), 21);
        ReleaseToolkit();
    }
}

TEST_F(Toolkit, TabRegistryAndTheFocusTableRaiseTheirErrors) {
    OwnedWindow host = MakeHost(300, 200);
    for (int i = 0; i < 5; ++i) ASSERT_NE(CreateTabControl(host.get(), 27, "", 50, 50, 0, 0, nullptr), nullptr);
    try {
        CreateTabControl(host.get(), 27, "", 50, 50, 0, 0, nullptr);
        FAIL() << "a sixth tab control was made";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "TheTab_Last= 5");
    }
    ResetFocusTable();
    for (int i = 0; i < FocusTable::kCapacity; ++i) ASSERT_NE(CreateCheckBox(host.get(), 1, "", 1, 1, 0, 0), nullptr);
    try {
        CreateCheckBox(host.get(), 3, "", 1, 1, 0, 0);
        FAIL() << "the focus table took a 200th window";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "focus=199, id=3");
    }
}

TEST_F(Toolkit, TabsShowTheirPagesAndPaintTheirDecorations) {
    LoadThemeLibrary();  // as the settings window does before it builds its controls
    OwnedWindow host = MakeHost(609, 447);
    HWND h = host.get();
    HWND tabWindow = CreateTabControl(h, 27, "Main_TAB", 395, 583, 10, 10, CountPaint);
    ASSERT_NE(tabWindow, nullptr);
    TmyTabControl tabs(tabWindow);
    int32_t general = -1, photos = -1;
    HWND generalPage = tabs.AddTab("General", general);
    HWND photosPage = tabs.AddTab("Photos", photos);
    ASSERT_NE(generalPage, nullptr);
    ASSERT_NE(photosPage, nullptr);
    EXPECT_EQ(general, 0);
    EXPECT_EQ(photos, 1);
    EXPECT_EQ(SendMessageA(tabWindow, TCM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_STREQ(ClassOf(generalPage).c_str(), "Tarnbeck TPage");
    EXPECT_EQ(TextOf(generalPage), "Page");
    EXPECT_EQ(GetParent(generalPage), h);
    EXPECT_TRUE(ExStyleOf(generalPage) & WS_EX_CONTROLPARENT);

    // The page fills the display area, one pixel short each way.
    RECT display;
    GetWindowRect(tabWindow, &display);
    MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&display), 2);
    SendMessageA(tabWindow, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    EXPECT_EQ(OriginIn(generalPage).x, display.left);
    EXPECT_EQ(OriginIn(generalPage).y, display.top);
    EXPECT_EQ(SizeOf(generalPage).cx, display.right - display.left - 1);
    EXPECT_EQ(SizeOf(generalPage).cy, display.bottom - display.top - 1);

    HWND group = CreateGroupBox(generalPage, 24, "Time delay", 106, 260, 15, 16);
    HWND delay = CreateEdit(group, 20, "5", 21, 52, 29, 35);
    HWND seconds = CreateStaticText(group, 14, "seconds", 25, 70, 31, 90);
    HWND radio = CreateRadioButton(group, 32, "Sequential", 16, 90, 60, 20);
    HWND check = CreateCheckBox(generalPage, 42, "Start from previous", 16, 130, 130, 20);
    HWND slider = CreateTrackbar(generalPage, 28, "track 1", 30, 240, 160, 26, 0, 60);
    HWND edit = CreateEdit(photosPage, 15, "5", 21, 52, 20, 20);
    HWND ok = CreatePushButton(h, 16, "OK", 23, 75, 412, 347);
    ASSERT_NE(CreatePushButton(h, 17, "Cancel", 23, 75, 412, 432), nullptr);
    tabs.AttachToTab(1, ok);   // a window of the main window can belong to a tab too
    tabs.AttachToTab(2, edit);  // no such tab: ignored
    tabs.AttachToTab(-1, edit);
    EXPECT_EQ(tabs.LastWindow[0], 0);
    EXPECT_EQ(tabs.LastWindow[1], 1);
    EXPECT_FALSE(IsWindowVisible(generalPage));  // nothing selected yet
    EXPECT_FALSE(IsWindowVisible(ok));

    tabs.SelectTab(0);
    Pump();
    EXPECT_TRUE(IsWindowVisible(generalPage));
    EXPECT_TRUE(IsWindowVisible(radio));
    EXPECT_TRUE(IsWindowVisible(delay));
    EXPECT_FALSE(IsWindowVisible(photosPage));
    EXPECT_FALSE(IsWindowVisible(edit));

    // Under visual styles the page's own background shows behind the
    // controls; without them the classic dialog background does.
    if (ThemesActive()) {
        const COLORREF pageColour = PixelOf(generalPage, 500, 300);
        EXPECT_EQ(PixelOf(radio, SizeOf(radio).cx - 2, 2), pageColour);
        EXPECT_EQ(PixelOf(check, SizeOf(check).cx - 2, 2), pageColour);
        EXPECT_EQ(PixelOf(slider, 2, 2), pageColour);
        EXPECT_EQ(PixelOf(seconds, SizeOf(seconds).cx - 2, 2), pageColour);
    } else {
        EXPECT_EQ(PixelOf(check, SizeOf(check).cx - 2, 2), GetSysColor(COLOR_BTNFACE));
    }

    // Notifications climb from the group box and the page to the main window.
    SendMessageA(radio, BM_CLICK, 0, 0);
    SendMessageA(check, BM_CLICK, 0, 0);
    SendMessageA(slider, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(seen.commands, (std::vector<int>{32, 42}));
    EXPECT_GE(seen.hscrolls, 1);

    // The page's and the tab control's paints end in the decorations hook.
    paints = 0;
    InvalidateRect(generalPage, nullptr, TRUE);
    UpdateWindow(generalPage);
    EXPECT_GE(paints, 1);
    EXPECT_EQ(paintedTab, tabWindow);
    paints = 0;
    InvalidateRect(tabWindow, nullptr, TRUE);
    UpdateWindow(tabWindow);
    EXPECT_GE(paints, 1);

    SendMessageA(tabWindow, TCM_SETCURSEL, 1, 0);
    tabs.OnSelectionChange();
    Pump();
    EXPECT_EQ(tabs.Current, 1);
    EXPECT_FALSE(IsWindowVisible(generalPage));
    EXPECT_FALSE(IsWindowVisible(radio));
    EXPECT_TRUE(IsWindowVisible(photosPage));
    EXPECT_TRUE(IsWindowVisible(edit));
    EXPECT_TRUE(IsWindowVisible(ok));

    paints = 0;
    PaintTabDecorations(tabWindow);
    PaintTabDecorations(h);
    EXPECT_EQ(paints, 2);
    OwnedWindow other = MakeHost(100, 100);
    SetWindowTextA(other.get(), "Other");
    try {
        PaintTabDecorations(other.get());
        FAIL() << "a window without a tab control had decorations";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "can't find TheTab, H=" +
                                             std::to_string(reinterpret_cast<uintptr_t>(other.get())) +
                                             ", TheTab_Last=1, caption=Other");
    }

    // Looking at the window: PW_TOOLKIT_HOLD_MS keeps it on screen that long.
    if (const char* hold = std::getenv("PW_TOOLKIT_HOLD_MS")) {
        tabs.SelectTab(0);
        SendMessageA(tabWindow, TCM_SETCURSEL, 0, 0);
        other.reset();
        const DWORD until = GetTickCount() + static_cast<DWORD>(std::atoi(hold));
        while (GetTickCount() < until) {
            Pump();
            Sleep(20);
        }
    }
}

TEST_F(Toolkit, KeyboardFocusEscapeBusyCursorAndTooltips) {
    OwnedWindow host = MakeHost(400, 200);
    HWND h = host.get();
    SetForegroundWindow(h);
    HWND edit = CreateEdit(h, 15, "", 21, 52, 10, 10);
    HWND button = CreatePushButton(h, 16, "OK", 23, 75, 10, 100);
    HWND check = CreateCheckBox(h, 44, "Spacebar", 16, 100, 50, 10);
    Pump();

    SendMessageA(edit, WM_CHAR, VK_ESCAPE, 1);
    SendMessageA(edit, WM_CHAR, 'a', 1);
    SendMessageA(button, WM_KEYDOWN, VK_ESCAPE, 1);
    SendMessageA(button, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(seen.chars, (std::vector<WPARAM>{VK_ESCAPE, VK_ESCAPE}));
    EXPECT_EQ(TextOf(edit), "a");  // the edit box still takes its characters

    FocusControl(15);
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_EQ(RememberedFocus(), edit);
    SetFocus(check);  // a button that gains the focus is remembered
    EXPECT_EQ(RememberedFocus(), check);
    SetFocus(h);
    RestoreFocus();
    EXPECT_EQ(GetFocus(), check);
    FocusControl(99);  // no such control: nothing changes
    EXPECT_EQ(GetFocus(), check);

    HCURSOR busy = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_APPSTARTING));
    const LPARAM hit = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    EXPECT_EQ(SendMessageA(button, WM_SETCURSOR, reinterpret_cast<WPARAM>(button), hit), FALSE);
    SetWindowBusyCursor(busy);
    EXPECT_EQ(SendMessageA(button, WM_SETCURSOR, reinterpret_cast<WPARAM>(button), hit), TRUE);
    EXPECT_EQ(GetCursor(), busy);
    SetWindowBusyCursor(nullptr);

    EXPECT_FALSE(AddTooltip(button, "Save changes and exit"));
    HWND tip = CreateTooltipWindow();
    ASSERT_NE(tip, nullptr);
    EXPECT_STREQ(ClassOf(tip).c_str(), "tooltips_class32");
    EXPECT_TRUE(StyleOf(tip) & TTS_ALWAYSTIP);
    EXPECT_TRUE(AddTooltip(button, "Save changes and exit"));
    EXPECT_TRUE(AddTooltip(check, "Pause"));
    EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 2);
    char text[64] = {};
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = h;
    tool.uId = reinterpret_cast<UINT_PTR>(button);
    tool.lpszText = text;
    SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, "Save changes and exit");
    ReleaseToolkit();
    EXPECT_FALSE(IsWindow(tip));

    LoadThemeLibrary();  // uxtheme.dll is present under Wine
    EXPECT_NE(Themes().drawThemeParentBackground, nullptr);
    EXPECT_NE(Themes().closeThemeData, nullptr);
}

}  // namespace
