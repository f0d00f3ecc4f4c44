// Natively there is no processor context to read and no viewer to open: the
// report holds the failure and the run's facts, its path goes to standard
// error, and the program ends with exit code 217.
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "diagnostics/crash_report.h"
#include "diagnostics/crash_report_file.h"
#include "diagnostics/crash_report_text.h"
#include "diagnostics/run_stats.h"
#include "show/gl_facts.h"

void InstallCrashHandler() { std::set_terminate([] { ReportCurrentException(CrashPhaseFlags()); }); }

// No processor exceptions are caught here, so there is nothing to pass on.
void SetThreadReporting(bool) {}

// No watchdog thread runs here.
void PrepareFreezeReports() {}

void ReportFatal(const std::string& message, const std::string& className, uintptr_t address, uint32_t flags,
                 const std::vector<std::string>& extraTexts) {
    CrashFacts f;
    f.message = message;
    f.className = className;
    f.nullContext = true;
    f.address = address;
    f.addressDigits = 2 * sizeof(void*);
    f.flags = flags;
    f.versionWord = kProgramVersionWord;
    f.system = f.processor = "failed";
    f.memory = "err";
    f.errstat = ErrorCountersText();
    f.worktimeSeconds = RunSeconds();
    f.glVersion = RecordedGLFacts.version;
    f.glAcceleration = RecordedGLFacts.driverKind;
    f.glAccelerator = RecordedGLFacts.accelerator;
    f.callerTexts = extraTexts;
    f.stackTrace = "failed";
    f.stackReadFailed = true;
    const std::string path =
        WriteReportFile(ReportPage(ReportText(f), kReportAddress, "utf-8"), DefaultReportFileHooks());
    RecordErrorReport();
    std::fprintf(stderr, "Pagewind: %s: %s; report: %s\n", className.c_str(), message.c_str(), path.c_str());
    std::_Exit(kCrashExitCode);
}

void ReportFreeze(const std::string& text, void* threadHandle) {
    ReportFatal(threadHandle ? text : text + ", thread=0", "my", 0, CrashPhaseFlags(),
                {std::string("Run mode: ") + CrashRunModeWord()});
}
