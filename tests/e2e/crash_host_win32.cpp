// A program that fails in a known way with the crash handler installed, as
// Pagewind.scr has it:
//   crash_host write0 FLAGS   writes to address 0 with FLAGS as the phase flags
//   crash_host throw FLAGS    a C++ exception reaches the top-level handler
//   crash_host quiet          writes to address 0 on a thread whose reporting
//                             is off: the filter that was there before
//                             decides, and ends the program with 55
//   crash_host thread FLAGS   a C++ exception leaves a worker thread that
//                             has no handler of its own
//   crash_host uncaught FLAGS the same on the main thread
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "diagnostics/crash_report.h"
#include "diagnostics/run_stats.h"

namespace {
int* volatile nowhere = nullptr;

[[gnu::noinline]] void WriteThroughNull(int value) { *nowhere = value; }

[[gnu::noinline]] void LoseThePictureList(int depth) {
    if (depth == 0) throw std::runtime_error("the picture list is gone");
    LoseThePictureList(depth - 1);
    nowhere = nullptr;  // not a tail call: each level keeps its frame
}

// The message of an exception that nothing catches, as a failed registry
// write at the end of the show would give it.
constexpr const char* kUncaughtMessage = "Can't open registry key Software\\Quillora\\Pagewind";

[[gnu::noinline]] void SaveTheSelection(int depth) {
    if (depth == 0) throw std::runtime_error(kUncaughtMessage);
    SaveTheSelection(depth - 1);
    nowhere = nullptr;
}

DWORD WINAPI ThrowingThread(void*) {
    SaveTheSelection(3);
    return 0;
}

LONG WINAPI EarlierFilter(EXCEPTION_POINTERS*) { ExitProcess(55); }
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    StartRun();
    const bool quiet = std::strcmp(argv[1], "quiet") == 0;
    if (quiet) SetUnhandledExceptionFilter(EarlierFilter);
    InstallCrashHandler();
    AddCrashPhase(argc > 2 ? static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 0)) : 0);
    if (quiet) SetThreadReporting(false);
    if (quiet || std::strcmp(argv[1], "write0") == 0) WriteThroughNull(1);
    if (std::strcmp(argv[1], "throw") == 0) {
        try {
            LoseThePictureList(3);
        } catch (...) {
            ReportCurrentException(CrashPhaseFlags() | kPhaseTopLevel);
        }
    }
    if (std::strcmp(argv[1], "thread") == 0) {
        HANDLE worker = CreateThread(nullptr, 0, ThrowingThread, nullptr, 0, nullptr);
        if (worker) WaitForSingleObject(worker, INFINITE);
    }
    if (std::strcmp(argv[1], "uncaught") == 0) SaveTheSelection(3);
    EndRun();
    return 3;
}
