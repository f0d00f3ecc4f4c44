#pragma once
// Two threads made while all is well, for a report written while something
// is not: a frozen thread may hold a lock the report needs (a heap's, or
// one the system's calls take) for ever.
//
// The guard ends the program with the crash exit code when a report, once
// begun, stays at one step too long, so that a report that cannot be
// written never leaves the program hanging. The helper runs a step that may
// wait for such a lock, and the report goes on without its result when it
// does not end in time.
#include <windows.h>

// Starts both threads and returns once they run (a thread's start needs the
// process heap); once per process. Without it the guard does nothing and
// the helper's steps run on the caller.
void PrepareReportGuard();
// The report has begun: the guard watches it from now on.
void ArmReportGuard();
// The report has made progress: the guard's time starts again.
void ReportStepDone();
// While one exists, the report waits for the user (a message box): the
// guard allows minutes instead of seconds.
class ReportAwaitsUser {
public:
    ReportAwaitsUser();
    ~ReportAwaitsUser();
    ReportAwaitsUser(const ReportAwaitsUser&) = delete;
    ReportAwaitsUser& operator=(const ReportAwaitsUser&) = delete;
};

enum class HelperRun { Done, TimedOut, NoHelper };
// Runs `step` on the helper and waits at most `limitMs` for it; NoHelper
// when PrepareReportGuard never ran (the caller then runs the step itself).
// A helper whose step timed out is stuck: later steps answer TimedOut at
// once. A step leaves its result where the caller looks only after Done.
HelperRun RunOnReportHelper(void (*step)(), DWORD limitMs);
