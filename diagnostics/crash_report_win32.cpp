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
    if (writer == 0) return;
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

CrashFacts Gather(const std::string& message, const std::string& className, uintptr_t address, uint32_t flags,
                  const std::vector<std::string>& extraTexts, const CONTEXT* context,
                  const EXCEPTION_RECORD* record) {
    CrashFacts f;
    f.message = message;
    f.className = className;
    f.address = address;
    f.addressDigits = kAddressDigits;
    f.flags = flags;
    f.versionWord = kProgramVersionWord;
    f.system = Guarded(SystemFact, "failed");
    f.processor = Guarded(ProcessorFact, "failed");
    f.memory = Guarded(MemoryFact, "err");
    f.errstat = Guarded(ErrorCountersText, "err");
    f.worktimeSeconds = RunSeconds();
    f.glVersion = RecordedGLFacts.version;
    f.glAcceleration = RecordedGLFacts.driverKind;
    f.glAccelerator = RecordedGLFacts.accelerator;
    ScreenFact(f.screenWidth, f.screenHeight);
    f.callerTexts = extraTexts;
    if (!GetModuleHandleA(nullptr)) f.mainThreadWithoutInstance = mainThreadId;

    // Without the failure's context the registers and the stack are the
    // reporting thread's own, from here.
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
    return f;
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
    const ScopedHandle process(started.hProcess);
    const ScopedHandle thread(started.hThread);
    const bool wait = (flags & kPhaseShowRunning) && !(flags & (kPhasePreview | kPhaseFromSettings)) && IsNtPlatform();
    if (!wait) return;
    const DWORD start = GetTickCount();
    DWORD code = 0;
    while (GetExitCodeProcess(process.get(), &code) && code == STILL_ACTIVE &&
           GetTickCount() - start < kViewerWaitLimitMs)
        Sleep(kViewerPollMs);
}

[[noreturn]] void Report(const std::string& message, const std::string& className, uintptr_t address,
                         uint32_t flags, const std::vector<std::string>& extraTexts, const CONTEXT* context,
                         const EXCEPTION_RECORD* record) {
    std::string path;
    try {
        const CrashFacts facts = Gather(message, className, address, flags, extraTexts, context, record);
        path = WriteReportFile(ReportPage(ReportText(facts), kReportAddress), DefaultReportFileHooks());
    } catch (...) {
        // Out of memory or worse: the program still ends as reported.
    }
    if ((flags & kPhaseShowRunning) && !IsNtPlatform()) {
        // Older Windows keep a full-screen window above the page.
        char title[256] = {};
        HWND foreground = GetForegroundWindow();
        if (foreground && GetWindowTextA(foreground, title, sizeof title) > 0 && std::strstr(title, "Pagewind"))
            PostMessageA(foreground, WM_CLOSE, 0, 0);
    }
    RecordErrorReport();
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
    Report(MessageOf(call.record), ClassOfCode(call.record.ExceptionCode),
           reinterpret_cast<uintptr_t>(call.record.ExceptionAddress), CrashPhaseFlags(), {}, &call.context,
           &call.record);
}

DWORD WINAPI ReportOnFreshStack(void* call) {
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
    previousFilter = SetUnhandledExceptionFilter(UnhandledFilter);
    std::set_terminate(UncaughtException);
}

void SetThreadReporting(bool on) { threadReports = on; }

void ReportFatal(const std::string& message, const std::string& className, uintptr_t address, uint32_t flags,
                 const std::vector<std::string>& extraTexts) {
    BecomeTheWriter();
    Report(message, className, address, flags, extraTexts, nullptr, nullptr);
}

void ReportFreeze(const std::string& text, void* threadHandle) {
    BecomeTheWriter();
    std::string message = text;
    const std::vector<std::string> extra = {std::string("Run mode: ") + CrashRunModeWord()};
    HANDLE thread = static_cast<HANDLE>(threadHandle);
    DWORD exitCode = 0;
    if (!thread) {
        message += ", thread=0";
    } else if (!GetExitCodeThread(thread, &exitCode)) {
        message += ", getcodeer=" + std::to_string(GetLastError()) + ", " +
                   std::to_string(reinterpret_cast<uintptr_t>(thread));
    } else if (exitCode != STILL_ACTIVE) {
        message += ", no thread";
    } else {
        SuspendThread(thread);
        CONTEXT context{};
        context.ContextFlags = CONTEXT_FULL;
        if (GetThreadContext(thread, &context))
            Report(message, "my", InstructionPointer(context), CrashPhaseFlags(), extra, &context, nullptr);
    }
    Report(message, "my", 0, CrashPhaseFlags(), extra, nullptr, nullptr);
}
