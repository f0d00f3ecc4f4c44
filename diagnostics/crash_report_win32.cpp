// The crash report on Windows: the exception filter, the facts of the
// failing thread (its registers, call sites and raw stack), the page written
// and shown with the Windows folder's explorer.exe, and the end of the
// program.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "diagnostics/crash_facts_win32.h"
#include "diagnostics/crash_report.h"
#include "diagnostics/crash_report_file.h"
#include "diagnostics/crash_report_text.h"
#include "diagnostics/report_guard_win32.h"
#include "diagnostics/report_memory_win32.h"
#include "diagnostics/run_stats.h"
#include "diagnostics/stack_walk_win32.h"
#include "show/gl_facts.h"

namespace {

constexpr int kAddressDigits = 2 * sizeof(void*);
constexpr size_t kMaxCallSites = 100;
constexpr DWORD kWriterPollMs = 100;
// With the show running the report waits for its viewer, which on Windows
// hands the page to the shell and ends at once; a viewer that stays (or
// hangs) must not keep the program from ending.
constexpr DWORD kViewerPollMs = 500;
constexpr DWORD kViewerWaitLimitMs = 15000;

LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
volatile LONG writerThread = 0;
DWORD mainThreadId = 0;
thread_local bool threadReports = true;

class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE h) : h_(h) {}
    ~ScopedHandle() {
        if (h_) CloseHandle(h_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

[[noreturn]] void EndProgram() {
    // Nothing of the failed process runs again: no library detach, no
    // destructors that might wait for a lock a frozen thread holds.
    TerminateProcess(GetCurrentProcess(), kCrashExitCode);
    ExitProcess(kCrashExitCode);
}

// One report per process: the first failure writes it and ends the program;
// a thread that fails meanwhile waits for that end.
void BecomeTheWriter() {
    const auto me = static_cast<LONG>(GetCurrentThreadId());
    const LONG writer = InterlockedCompareExchange(&writerThread, me, 0);
    if (writer == 0) {
        // From here on the report neither waits for the runtime's heap nor
        // hangs for ever on a lock some other thread holds.
        UseReportMemoryOnThisThread();
        ArmReportGuard();
        return;
    }
    if (writer == me) EndProgram();  // a failure while writing the report itself
    for (;;) Sleep(kWriterPollMs);
}

bool IsNtPlatform() { return (GetVersion() & 0x80000000u) == 0; }

template <typename Fn>
std::string Guarded(Fn fact, const char* failed) {
    try {
        return fact();
    } catch (...) {
        return failed;
    }
}

std::vector<CrashRegister> RegistersOf(const CONTEXT& c) {
#ifdef _WIN64
    return {{"RAX", c.Rax}, {"RBX", c.Rbx}, {"RCX", c.Rcx}, {"RDX", c.Rdx},
            {"RSI", c.Rsi}, {"RDI", c.Rdi}, {"RBP", c.Rbp}, {"RSP", c.Rsp}};
#else
    return {{"EAX", c.Eax}, {"EBX", c.Ebx}, {"ECX", c.Ecx}, {"EDX", c.Edx},
            {"ESI", c.Esi}, {"EDI", c.Edi}, {"EBP", c.Ebp}, {"ESP", c.Esp}};
#endif
}

// The stack from the stack pointer upward, as far as the dump shows it.
void ReadStack(const CONTEXT& c, CrashFacts& facts) {
    const uintptr_t sp = StackPointer(c);
    const uintptr_t top = StackTopOf(sp);
    const size_t size = top > sp ? std::min<size_t>(kStackDumpBytes, top - sp) : 0;
    facts.stack.resize(size);
    if (size == 0 || !ReadMemory(sp, facts.stack.data(), size)) {
        facts.stack.clear();
        facts.stackReadFailed = true;
    }
}

// What the caller knows of the failure.
CrashFacts Describe(const std::string& message, const std::string& className, uintptr_t address, uint32_t flags,
                    const std::vector<std::string>& extraTexts) {
    CrashFacts f;
    f.message = message;
    f.className = className;
    f.address = address;
    f.addressDigits = kAddressDigits;
    f.flags = flags;
    f.versionWord = kProgramVersionWord;
    f.callerTexts = extraTexts;
    return f;
}

// The failing thread's registers, call sites and raw stack. Without the
// failure's context they are the reporting thread's own, from here.
void GatherThreadFacts(CrashFacts& f, const CONTEXT* context, const EXCEPTION_RECORD* record) {
    CONTEXT here{};
    if (!context) {
        f.nullContext = true;
        RtlCaptureContext(&here);
    }
    const CONTEXT& c = context ? *context : here;
    f.registers = RegistersOf(c);
    if (record && record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record->NumberParameters >= 2)
        f.accessViolation = CrashFacts::Access{record->ExceptionInformation[0] == 1, record->ExceptionInformation[1]};
    if (context) f.frame = FramePointer(*context);
    try {
        f.stackTrace = JoinCallSites(CallSitesFrom(c, kMaxCallSites), kAddressDigits);
    } catch (...) {
        f.stackTrace = "failed";
    }
    ReadStack(c, f);
}

// The memory line walks the C runtime's heap under its lock, which a frozen
// thread may hold for ever: the walk runs on the report's helper, and the
// line is "err" when it does not end in time.
constexpr DWORD kMemoryFactLimitMs = 5000;
std::string memoryFactOfHelper;
void MemoryFactOnHelper() { memoryFactOfHelper = Guarded(MemoryFact, "err"); }

std::string BoundedMemoryFact() {
    switch (RunOnReportHelper(MemoryFactOnHelper, kMemoryFactLimitMs)) {
        case HelperRun::Done: return memoryFactOfHelper;
        case HelperRun::TimedOut: return "err";
        case HelperRun::NoHelper: break;
    }
    return Guarded(MemoryFact, "err");
}

// The system's and the run's facts.
void GatherSystemFacts(CrashFacts& f) {
    f.system = Guarded(SystemFact, "failed");
    f.processor = Guarded(ProcessorFact, "failed");
    f.memory = BoundedMemoryFact();
    ReportStepDone();
    f.errstat = Guarded(ErrorCountersText, "err");
    f.worktimeSeconds = RunSeconds();
    f.glVersion = RecordedGLFacts.version;
    f.glAcceleration = RecordedGLFacts.driverKind;
    f.glAccelerator = RecordedGLFacts.accelerator;
    ScreenFact(f.screenWidth, f.screenHeight);
    if (!GetModuleHandleA(nullptr)) f.mainThreadWithoutInstance = mainThreadId;
}

// The character set of the report's texts (paths, messages): the code page
// the program's text calls use, UTF-8 wherever the system honours the
// program's manifest.
std::string PageCharset() {
    const UINT page = GetACP();
    return page == CP_UTF8 ? "utf-8" : "windows-" + std::to_string(page);
}

// The viewer: explorer.exe of the system's Windows folder, named in full. A
// bare "explorer.exe" would be looked for in the program's folder and the
// current folder first, where anyone who can write there could plant one.
std::string ViewerPath() {
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::string path(folder, length);
    if (path.back() != '\\') path += '\\';
    return path + "explorer.exe";
}

// Shows the page and waits for the viewer when the show is running.
void OpenReport(const std::string& path, uint32_t flags) {
    const std::string viewer = ViewerPath();
    if (viewer.empty()) return;
    std::string command = "\"" + viewer + "\" \"" + path + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.lpDesktop = const_cast<char*>("Default");
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(viewer.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
        return;
    ReportStepDone();
    const ScopedHandle process(started.hProcess);
    const ScopedHandle thread(started.hThread);
    const bool wait = (flags & kPhaseShowRunning) && !(flags & (kPhasePreview | kPhaseFromSettings)) && IsNtPlatform();
    if (!wait) return;
    const DWORD start = GetTickCount();
    DWORD code = 0;
    while (GetExitCodeProcess(process.get(), &code) && code == STILL_ACTIVE &&
           GetTickCount() - start < kViewerWaitLimitMs) {
        Sleep(kViewerPollMs);
        ReportStepDone();
    }
}

// The file's places, where the steps that may wait for the user (a message
// box, a new data folder chosen) let the guard allow for it.
ReportFileHooks ReportFileHooksForUser() {
    ReportFileHooks hooks = DefaultReportFileHooks();
    hooks.newDataFolder = [ask = hooks.newDataFolder] {
        const ReportAwaitsUser waiting;
        return ask();
    };
    hooks.message = [say = hooks.message](const std::string& text) {
        const ReportAwaitsUser waiting;
        say(text);
    };
    return hooks;
}

// Writes the report of the facts the caller gathered, shows it and ends the
// program. Each step tells the guard it got on; one that cannot get on (a
// lock a frozen thread holds for ever) ends the program there.
[[noreturn]] void Report(CrashFacts& facts) {
    ReportStepDone();
    std::string path;
    try {
        GatherSystemFacts(facts);
        ReportStepDone();
        path = WriteReportFile(ReportPage(ReportText(facts), kReportAddress, PageCharset()), ReportFileHooksForUser());
    } catch (...) {
        // Out of memory or worse: the program still ends as reported.
    }
    ReportStepDone();
    const uint32_t flags = facts.flags;
    if ((flags & kPhaseShowRunning) && !IsNtPlatform()) {
        // Older Windows keep a full-screen window above the page.
        char title[256] = {};
        HWND foreground = GetForegroundWindow();
        if (foreground && GetWindowTextA(foreground, title, sizeof title) > 0 && std::strstr(title, "Pagewind"))
            PostMessageA(foreground, WM_CLOSE, 0, 0);
    }
    RecordErrorReport();
    ReportStepDone();
    if (!path.empty()) OpenReport(path, flags);
    EndProgram();
}

const char* ClassOfCode(DWORD code) {
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION: return "AccessViolation";
        case EXCEPTION_STACK_OVERFLOW: return "StackOverflow";
        case EXCEPTION_INT_DIVIDE_BY_ZERO: return "DivideByZero";
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_PRIV_INSTRUCTION: return "IllegalInstruction";
        default: return "SystemException";
    }
}

std::string MessageOf(const EXCEPTION_RECORD& r) {
    const std::string at = HexDigits(reinterpret_cast<uintptr_t>(r.ExceptionAddress), kAddressDigits);
    if (r.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && r.NumberParameters >= 2)
        return "Access violation at address " + at + ". " + (r.ExceptionInformation[0] == 1 ? "Write" : "Read") +
               " of address " + HexDigits(r.ExceptionInformation[1], kAddressDigits);
    return "Exception " + HexDigits(r.ExceptionCode, 8) + " at address " + at;
}

struct FilterCall {
    EXCEPTION_RECORD record;
    CONTEXT context;
};

[[noreturn]] void ReportFilterCall(const FilterCall& call) {
    CrashFacts facts = Describe(MessageOf(call.record), ClassOfCode(call.record.ExceptionCode),
                                reinterpret_cast<uintptr_t>(call.record.ExceptionAddress), CrashPhaseFlags(), {});
    GatherThreadFacts(facts, &call.context, &call.record);
    Report(facts);
}

DWORD WINAPI ReportOnFreshStack(void* call) {
    UseReportMemoryOnThisThread();
    ReportFilterCall(*static_cast<const FilterCall*>(call));
}

// The code GCC's unwinder raises a C++ throw with in the 64-bit build
// ("GCC" in its low bytes; the top byte tells throw, unwind and forced
// unwind apart). When no frame catches it, the raise reaches this filter
// before the runtime can call std::terminate.
bool IsUnhandledCppThrow(const EXCEPTION_RECORD& r) {
    return (r.ExceptionCode & 0x20FFFFFFu) == 0x20474343u && !(r.ExceptionFlags & EXCEPTION_NONCONTINUABLE);
}

LONG WINAPI UnhandledFilter(EXCEPTION_POINTERS* info) {
    if (!threadReports) return previousFilter ? previousFilter(info) : EXCEPTION_EXECUTE_HANDLER;
    // Let the raise return: the unwinder then says nothing caught it, and
    // the runtime's std::terminate reaches UncaughtException with the
    // exception still current, so the report gets its message and throw site.
    if (IsUnhandledCppThrow(*info->ExceptionRecord)) return EXCEPTION_CONTINUE_EXECUTION;
    BecomeTheWriter();
    static FilterCall call;  // one writer: the copies need no stack of their own
    call.record = *info->ExceptionRecord;
    call.context = *info->ContextRecord;
    if (call.record.ExceptionCode == EXCEPTION_STACK_OVERFLOW) {
        // The failing thread has no stack left to write the report with.
        const ScopedHandle helper(CreateThread(nullptr, 256 * 1024, ReportOnFreshStack, &call, 0, nullptr));
        if (helper.get()) WaitForSingleObject(helper.get(), INFINITE);
        EndProgram();
    }
    ReportFilterCall(call);
}

void UncaughtException() { ReportCurrentException(CrashPhaseFlags()); }

}  // namespace

void InstallCrashHandler() {
    mainThreadId = GetCurrentThreadId();
    ReserveReportMemory();
    previousFilter = SetUnhandledExceptionFilter(UnhandledFilter);
    std::set_terminate(UncaughtException);
}

void SetThreadReporting(bool on) { threadReports = on; }

void PrepareFreezeReports() {
    ReserveReportMemory();
    UseReportMemoryOnThisThread();
    PrepareReportGuard();
    try {
        ProgramCode();  // read once now: its first reading takes a lock
    } catch (const std::exception&) {
    }
}

void ReportFatal(const std::string& message, const std::string& className, uintptr_t address, uint32_t flags,
                 const std::vector<std::string>& extraTexts) {
    BecomeTheWriter();
    CrashFacts facts = Describe(message, className, address, flags, extraTexts);
    GatherThreadFacts(facts, nullptr, nullptr);
    Report(facts);
}

void ReportFreeze(const std::string& text, void* threadHandle) {
    BecomeTheWriter();
    CrashFacts facts = Describe(text, "my", 0, CrashPhaseFlags(), {std::string("Run mode: ") + CrashRunModeWord()});
    HANDLE thread = static_cast<HANDLE>(threadHandle);
    DWORD exitCode = 0;
    bool read = false;
    if (!thread) {
        facts.message += ", thread=0";
    } else if (!GetExitCodeThread(thread, &exitCode)) {
        facts.message += ", getcodeer=" + std::to_string(GetLastError()) + ", " +
                         std::to_string(reinterpret_cast<uintptr_t>(thread));
    } else if (exitCode != STILL_ACTIVE) {
        facts.message += ", no thread";
    } else if (SuspendThread(thread) != static_cast<DWORD>(-1)) {
        // Held only while its registers, call sites and stack are copied: it
        // may have stopped inside a heap or another lock, which the rest of
        // the report needs.
        CONTEXT context{};
        context.ContextFlags = CONTEXT_FULL;
        if (GetThreadContext(thread, &context)) {
            facts.address = InstructionPointer(context);
            GatherThreadFacts(facts, &context, nullptr);
            read = true;
        }
        ResumeThread(thread);
    }
    if (!read) GatherThreadFacts(facts, nullptr, nullptr);
    Report(facts);
}
