#pragma once
// Reporting of failures the program cannot recover from: an HTML bug report
// the user may send ("BugReport.html" in the data folder), opened with the
// Windows folder's explorer.exe; then the program ends with exit code 217.
#include <cstdint>
#include <string>
#include <typeinfo>
#include <vector>

// Phase flags: the process-wide ones that the run modes and the show set,
// and those a caller adds for its own report. The report prints them as the
// "App mode: ".
constexpr uint32_t kPhasePreview = 1;        // the show runs inside a preview window
constexpr uint32_t kPhaseShowRunning = 2;    // the show is running (the report waits for its viewer)
constexpr uint32_t kPhaseFromSettings = 4;   // the show was started by the settings window
constexpr uint32_t kPhaseMakingContext = 8;  // the render thread makes its rendering context
constexpr uint32_t kPhaseShowing = 0x10;     // the render thread shows the album
constexpr uint32_t kPhaseTopLevel = 0x20;    // caught by a mode's top-level handler
constexpr uint32_t kPhaseNoGl = 0x40;        // a failure outside the OpenGL show

constexpr int kCrashExitCode = 217;

uint32_t CrashPhaseFlags();
void AddCrashPhase(uint32_t flags);
void RemoveCrashPhase(uint32_t flags);

// The run mode named in freeze reports: "Show", "Settings" or "Preview".
enum class CrashRunMode { Show, Settings, Preview };
void SetCrashRunMode(CrashRunMode mode);
const char* CrashRunModeWord();

// Registers the process-wide handler of unhandled processor exceptions
// (keeping the one that was there before) and of C++ exceptions that escape
// a thread.
void InstallCrashHandler();
// Switches the report off (or on again) for the calling thread: its
// unhandled processor exceptions go to the handler that was there before.
void SetThreadReporting(bool on);

// Writes the report, shows it and ends the program. `address` is the
// failure's address; `extraTexts` are up to two lines of the caller's own.
[[noreturn]] void ReportFatal(const std::string& message, const std::string& className, uintptr_t address,
                              uint32_t flags, const std::vector<std::string>& extraTexts = {});
// The freeze watchdog's report of a thread that stopped responding: its
// registers and stack when it still runs.
[[noreturn]] void ReportFreeze(const std::string& text, void* threadHandle);
// Makes ready, while all is well, what the reports of the calling thread
// need when a frozen thread holds a lock for ever: memory set aside for them
// and the threads that keep them from hanging (the watchdog thread calls it
// as it starts).
void PrepareFreezeReports();
// Inside a catch block: reports the exception being handled with the
// address and back trace of its throw.
[[noreturn]] void ReportCurrentException(uint32_t flags);

// The readable name of a C++ exception's class ("std::runtime_error").
std::string ExceptionClassName(const std::type_info& type);
