#include <cstdio>
#include <cstdlib>

#include "diagnostics/crash_report.h"
#include "diagnostics/run_stats.h"

void InstallCrashHandler() {}

void ReportFatal(const std::string& message, const std::string& className, uintptr_t address, uint32_t flags,
                 const std::vector<std::string>& extraTexts) {
    RecordErrorReport();
    std::fprintf(stderr, "Pagewind: %s: %s at %0*llX, mode %u\n", className.c_str(), message.c_str(),
                 static_cast<int>(2 * sizeof address), static_cast<unsigned long long>(address), flags);
    for (const std::string& extra : extraTexts) std::fprintf(stderr, "%s\n", extra.c_str());
    std::_Exit(kCrashExitCode);
}

void ReportFreeze(const std::string& text, void* threadHandle) {
    ReportFatal(threadHandle ? text : text + ", thread=0", "my", 0, 0);
}
