#include "diagnostics/report_guard_win32.h"

#include "diagnostics/crash_report.h"
#include "diagnostics/report_memory_win32.h"

namespace {

// Longer than any step of a report that can be written: the longest is
// starting the viewer, on a machine that is busy.
constexpr DWORD kStepLimitMs = 15000;
constexpr DWORD kUserStepLimitMs = 10 * 60 * 1000;
constexpr DWORD kGuardPollMs = 250;
constexpr SIZE_T kThreadStack = 256 * 1024;

volatile LONG prepared = 0;
HANDLE armed = nullptr;  // set once the report has begun
volatile LONG lastStep = 0;
volatile LONG awaitingUser = 0;

bool haveHelper = false;
HANDLE stepReady = nullptr;
HANDLE stepDone = nullptr;
void (*volatile pendingStep)() = nullptr;
volatile LONG helperStuck = 0;

DWORD WINAPI GuardThread(void* started) {
    SetEvent(static_cast<HANDLE>(started));
    WaitForSingleObject(armed, INFINITE);
    for (;;) {
        Sleep(kGuardPollMs);
        const DWORD limit = awaitingUser ? kUserStepLimitMs : kStepLimitMs;
        if (GetTickCount() - static_cast<DWORD>(lastStep) > limit)
            TerminateProcess(GetCurrentProcess(), kCrashExitCode);
    }
}

DWORD WINAPI HelperThread(void* started) {
    UseReportMemoryOnThisThread();
    SetEvent(static_cast<HANDLE>(started));
    for (;;) {
        WaitForSingleObject(stepReady, INFINITE);
        pendingStep();
        SetEvent(stepDone);
    }
}

// Starts a thread and waits until it runs its own code.
bool StartThread(LPTHREAD_START_ROUTINE body) {
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!started) return false;
    bool running = false;
    HANDLE thread = CreateThread(nullptr, kThreadStack, body, started, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread) {
        const HANDLE either[2] = {started, thread};
        running = WaitForMultipleObjects(2, either, FALSE, INFINITE) == WAIT_OBJECT_0;
        CloseHandle(thread);
    }
    CloseHandle(started);
    return running;
}

}  // namespace

void PrepareReportGuard() {
    if (InterlockedExchange(&prepared, 1) != 0) return;
    armed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (armed) StartThread(GuardThread);
    stepReady = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    stepDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    haveHelper = stepReady && stepDone && StartThread(HelperThread);
}

void ArmReportGuard() {
    ReportStepDone();
    if (armed) SetEvent(armed);
}

void ReportStepDone() { InterlockedExchange(&lastStep, static_cast<LONG>(GetTickCount())); }

ReportAwaitsUser::ReportAwaitsUser() {
    ReportStepDone();
    InterlockedIncrement(&awaitingUser);
}

ReportAwaitsUser::~ReportAwaitsUser() {
    ReportStepDone();
    InterlockedDecrement(&awaitingUser);
}

HelperRun RunOnReportHelper(void (*step)(), DWORD limitMs) {
    if (!haveHelper) return HelperRun::NoHelper;
    if (helperStuck) return HelperRun::TimedOut;
    pendingStep = step;
    SetEvent(stepReady);
    if (WaitForSingleObject(stepDone, limitMs) == WAIT_OBJECT_0) return HelperRun::Done;
    helperStuck = 1;
    return HelperRun::TimedOut;
}
