// Pagewind.scr: the program's top level. Windows starts it with the
// screen-saver command line; it picks the run mode and hands over.
#include <windows.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/run_modes.h"
#include "diagnostics/crash_report.h"
#include "diagnostics/run_stats.h"
#include "diagnostics/watchdog.h"
#include "library/settings.h"

namespace {
constexpr int kSettingsButtonId = 1003;

// Runs one mode; a failure that escapes it goes to the crash report with the
// phase flags of the moment, which ends the program.
template <typename F>
void Guarded(F&& body) {
    try {
        body();
    } catch (...) {
        ReportCurrentException(CrashPhaseFlags() | kPhaseTopLevel);
    }
}

// The first time the saver is previewed in the display-properties dialog,
// press its settings button so that the settings window opens by itself.
void FirstPreviewHelp(HWND preview) {
    if (SettingsEverSaved()) return;
    HWND dialog = GetParent(GetParent(preview));
    if (!dialog) return;
    if (HWND button = GetDlgItem(dialog, kSettingsButtonId)) PostMessageA(button, BM_CLICK, 0, 0);
}

void ChangePassword(uintptr_t parent) {
    HMODULE mpr = LoadLibraryA("MPR.DLL");
    if (!mpr) return;
    using PwdChangePasswordFn = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, DWORD);
    auto change = reinterpret_cast<PwdChangePasswordFn>(
        reinterpret_cast<void*>(GetProcAddress(mpr, "PwdChangePasswordA")));
    if (change) change("SCRSAVE", reinterpret_cast<HWND>(parent), 0, 0);
    FreeLibrary(mpr);
}

std::vector<std::string> Arguments() {
    std::vector<std::string> args;
    for (int i = 1; i < __argc; ++i) args.emplace_back(__argv[i]);
    return args;
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    StartRun();
    WatchdogThreadNumber = -1;
    InstallCrashHandler();

    const CommandLine cl = ParseCommandLine(Arguments());
    const bool runSettings = cl.switchText == "s" && CheckRunSettings();
    const HWND parent = reinterpret_cast<HWND>(cl.parentHandle);

    switch (SelectRunMode(cl.switchText, runSettings)) {
        case RunMode::Settings:
            SetCrashRunMode(CrashRunMode::Settings);
            Guarded([] { RunSettingsMode(); });
            break;
        case RunMode::Show:
            AddCrashPhase(kPhaseShowRunning);
            Guarded([] { RunShow(0); });
            break;
        case RunMode::Preview:
            if (parent && IsWindow(parent)) {
                FirstPreviewHelp(parent);
                SetCrashRunMode(CrashRunMode::Preview);
                AddCrashPhase(kPhaseShowRunning | kPhasePreview);
                Guarded([&] { RunShow(cl.parentHandle); });
            }
            break;
        case RunMode::ChangePassword:
            ChangePassword(cl.parentHandle);
            break;
        case RunMode::None:
            break;
    }
    EndRun();
    return 0;
}
