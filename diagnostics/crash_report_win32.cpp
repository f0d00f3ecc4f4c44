#include <windows.h>

#include <cstdio>
#include <exception>
#include <typeinfo>

#include "diagnostics/crash_report.h"
#include "diagnostics/run_stats.h"

// The HTML report is not built yet: a fatal failure is recorded in the run
// statistics, written to the debugger output and ends the process.

namespace {
LONG writing = 0;
LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;

LONG WINAPI UnhandledFilter(EXCEPTION_POINTERS* info) {
    if (InterlockedExchange(&writing, 1) != 0) {
        Sleep(100);
        return EXCEPTION_CONTINUE_SEARCH;
    }
    char text[64];
    std::snprintf(text, sizeof text, "Exception %08lX", info->ExceptionRecord->ExceptionCode);
    ReportFatal(text, "EExternalException", reinterpret_cast<uintptr_t>(info->ExceptionRecord->ExceptionAddress), 0);
}

void UncaughtException() {
    std::string what = "unknown exception";
    std::string cls = "Exception";
    try {
        if (auto e = std::current_exception()) std::rethrow_exception(e);
    } catch (const std::exception& e) {
        what = e.what();
        cls = typeid(e).name();
    } catch (...) {
    }
    ReportFatal(what, cls, 0, 0);
}
}  // namespace

void InstallCrashHandler() {
    previousFilter = SetUnhandledExceptionFilter(UnhandledFilter);
    std::set_terminate(UncaughtException);
}

void ReportFatal(const std::string& message, const std::string& className, uintptr_t address, uint32_t flags,
                 const std::vector<std::string>& extraTexts) {
    RecordErrorReport();
    char head[64];
    // Addresses print with all the digits of the build's pointer width.
    std::snprintf(head, sizeof head, " at %0*llX, mode %u", static_cast<int>(2 * sizeof address),
                  static_cast<unsigned long long>(address), flags);
    std::string text = "Pagewind: " + className + ": " + message + head;
    for (const std::string& extra : extraTexts) text += "\r\n" + extra;
    OutputDebugStringA((text + "\r\n").c_str());
    ExitProcess(kCrashExitCode);
}

void ReportFreeze(const std::string& text, void* threadHandle) {
    std::string message = text;
    if (!threadHandle) message += ", thread=0";
    ReportFatal(message, "my", 0, 0);
}
