// Stands in for the display-properties dialog: a dialog window with a button
// 1003, a host child and the preview window inside it. Starts Pagewind.scr
// /p PREVIEW, lets the preview run, checks that the show's window fills the
// preview area, then closes the preview area: the show must end by itself.
// Reports whether the button was clicked. The preview area is 180 x 140
// unless W and H say otherwise; with EXPECT_WINDOW 0 the area is too small for
// the album, which must then show nothing and still end with its host.
// Usage: preview_host PAGEWIND.SCR EXPECT_CLICK(0|1) [W H [EXPECT_WINDOW(0|1)]]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
bool clicked = false;

LRESULT CALLBACK DialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND && LOWORD(wp) == 1003 && HIWORD(wp) == BN_CLICKED) clicked = true;
    return DefWindowProcA(wnd, msg, wp, lp);
}

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        Sleep(10);
    }
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const int width = argc > 4 ? std::atoi(argv[3]) : 180, height = argc > 4 ? std::atoi(argv[4]) : 140;
    const bool expectWindow = argc > 5 ? std::atoi(argv[5]) != 0 : true;
    WNDCLASSA wc{};
    wc.lpfnWndProc = DialogProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PreviewHostDialog";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&wc);
    HWND dialog = CreateWindowA("PreviewHostDialog", "Display Properties", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                400, 300, nullptr, nullptr, wc.hInstance, nullptr);
    CreateWindowA("BUTTON", "Settings", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 250, 220, 100, 30, dialog,
                  reinterpret_cast<HMENU>(1003), wc.hInstance, nullptr);
    HWND host = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 20, 20, 200, 160, dialog, nullptr, wc.hInstance,
                              nullptr);
    HWND preview = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 10, 10, width, height, host,
                                 nullptr, wc.hInstance, nullptr);
    PumpFor(200);

    std::string cmd = std::string("\"") + argv[1] + "\" /p " + std::to_string(HandleToLong(preview));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::printf("cannot start %s\n", argv[1]);
        return 2;
    }
    // The album runs inside the preview area, filling it.
    bool filled = false, anyWindow = false;
    for (int i = 0; i < (expectWindow ? 100 : 30) && !filled; ++i) {
        PumpFor(100);
        if (HWND show = FindWindowExA(preview, nullptr, "DERU_Pagewind", nullptr)) {
            anyWindow = true;
            RECT r{};
            GetClientRect(show, &r);
            filled = r.right == width && r.bottom == height;
        }
    }
    // Long enough for a turn, and for a screenshot of the running preview.
    PumpFor(5000);
    // The display-properties dialog closes its preview: the show ends.
    DestroyWindow(preview);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 30000 &&
           MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 30000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        PumpFor(0);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    if (code == STILL_ACTIVE) TerminateProcess(pi.hProcess, 1);
    PumpFor(500);
    std::printf("exit code %lu, %s, %s\n", code,
                filled ? "filled the preview" : anyWindow ? "did not fill the preview" : "showed no window",
                clicked ? "clicked" : "not clicked");
    const bool expectClick = std::atoi(argv[2]) != 0;
    const bool shownAsExpected = expectWindow ? filled : !anyWindow;
    return (code == 0 && shownAsExpected && clicked == expectClick) ? 0 : 1;
}
