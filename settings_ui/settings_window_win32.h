#pragma once
// The settings window ("VODI_Pagewind"): run by the configure switch; "OK"
// saves, "Cancel" and the close box do not, and either ends the process.
#include <windows.h>

#include <atomic>
#include <string>

// Posted to the settings window by the tree fill when it has ended.
constexpr UINT kTreeFilledMessage = WM_APP + 20;
constexpr int32_t kPhotosTabIndex = 1;

// The settings window, or null before it exists.
HWND SettingsWindow();
// The two directions between the controls and the settings record.
void LoadSettingsIntoControls();
void StoreControlsIntoSettings();
// The teardown shared by "OK", "Cancel" and the window's destruction; ends
// the process with exit code 0.
[[noreturn]] void ShutdownSettingsWindow();
// The tab control's paint hook: the frames round the Photos tab's preview.
void PaintDecorations(HWND tabControl);
// "1.4.1.1": the four parts of the program's file version.
std::string ProgramVersion();

// A folder read or a wait for the tree fill: while one lasts, the window goes
// on answering (painting, the cursor, the watchdog's probe) but runs no
// command; "Cancel", Escape or closing the window sets `stop` instead.
class WindowBusyScope {
public:
    explicit WindowBusyScope(std::atomic<bool>* stop = nullptr);
    ~WindowBusyScope();
    WindowBusyScope(const WindowBusyScope&) = delete;
    WindowBusyScope& operator=(const WindowBusyScope&) = delete;

private:
    std::atomic<bool>* outerStop_;
};
// The window's pending messages, routed as its own loop routes them.
void PumpSettingsMessages();
