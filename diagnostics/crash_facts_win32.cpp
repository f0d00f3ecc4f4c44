// The system facts of the bug report: Windows version, processor, memory and
// screen. Every one of them is guarded: what cannot be worked out is "failed"
// or "err" in the report.
#include <windows.h>
#include <psapi.h>

#include <cpuid.h>
#include <x86intrin.h>

#include <cstring>
#include <string>

#include "diagnostics/crash_facts_win32.h"
#include "diagnostics/crash_report_text.h"

namespace {

template <typename Fn>
Fn SystemEntry(const char* module, const char* name) {
    HMODULE m = GetModuleHandleA(module);
    return m ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m, name))) : nullptr;
}

std::string Narrow(const wchar_t* text) {
    char buf[256] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, buf, sizeof buf - 1, nullptr, nullptr);
    return buf;
}

std::string ProcessorName() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(0, &a, &b, &c, &d)) return "Unknown";
    char vendor[13] = {};
    std::memcpy(vendor, &b, 4);
    std::memcpy(vendor + 4, &d, 4);
    std::memcpy(vendor + 8, &c, 4);
    const std::string maker = ProcessorMaker(vendor);
    // The processor's own brand text names the model; older ones have none.
    if (__get_cpuid(0x80000000, &a, &b, &c, &d) && a >= 0x80000004) {
        char brand[49] = {};
        for (unsigned leaf = 0; leaf < 3; ++leaf) {
            unsigned r[4];
            __get_cpuid(0x80000002 + leaf, &r[0], &r[1], &r[2], &r[3]);
            std::memcpy(brand + 16 * leaf, r, 16);
        }
        std::string text = brand;
        const size_t first = text.find_first_not_of(' ');
        if (first != std::string::npos) return text.substr(first, text.find_last_not_of(' ') - first + 1);
    }
    __get_cpuid(1, &a, &b, &c, &d);
    const unsigned family = (a >> 8 & 0xF) + ((a >> 8 & 0xF) == 0xF ? (a >> 20 & 0xFF) : 0);
    const unsigned model = (a >> 4 & 0xF) | ((a >> 8 & 0xF) >= 6 ? (a >> 12 & 0xF0) : 0);
    return maker + " family " + std::to_string(family) + " model " + std::to_string(model);
}

// The time-stamp counter against the performance counter over 50 ms, at
// time-critical priority so that the two readings of each end stay together.
int MeasuredMegahertz() {
    LARGE_INTEGER frequency, start, end;
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart == 0) return 0;
    HANDLE thread = GetCurrentThread();
    const int priority = GetThreadPriority(thread);
    SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);
    QueryPerformanceCounter(&start);
    const unsigned long long tscStart = __rdtsc();
    Sleep(50);
    QueryPerformanceCounter(&end);
    const unsigned long long tscEnd = __rdtsc();
    SetThreadPriority(thread, priority);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    if (seconds <= 0) return 0;
    return static_cast<int>(static_cast<double>(tscEnd - tscStart) / seconds / 1e6 + 0.5);
}

// The memory manager is the C runtime's heap: the bytes of its blocks in
// use, and the bytes its regions have committed.
bool WalkRuntimeHeap(uint64_t& used, uint64_t& committed) {
    using GetHeapHandleFn = intptr_t(__cdecl*)();
    const auto getHeapHandle = SystemEntry<GetHeapHandleFn>("msvcrt.dll", "_get_heap_handle");
    HANDLE heap = getHeapHandle ? reinterpret_cast<HANDLE>(getHeapHandle()) : GetProcessHeap();
    if (!heap || !HeapLock(heap)) return false;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry)) {
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) used += entry.cbData;
        if (entry.wFlags & PROCESS_HEAP_REGION) committed += entry.Region.dwCommittedSize;
    }
    HeapUnlock(heap);
    if (committed < used) committed = used;
    return true;
}

}  // namespace

std::string SystemFact() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    OSVERSIONINFOEXW v{};
    v.dwOSVersionInfoSize = sizeof v;
    // RtlGetVersion tells the truth to programs without a compatibility manifest.
    const auto getVersion = SystemEntry<RtlGetVersionFn>("ntdll.dll", "RtlGetVersion");
    if (!getVersion || getVersion(&v) != 0) return "failed";
    return SystemText(v.dwPlatformId == VER_PLATFORM_WIN32_NT, v.dwMajorVersion, v.dwMinorVersion, v.dwBuildNumber,
                      Narrow(v.szCSDVersion));
}

std::string ProcessorFact() {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    const int mhz = MeasuredMegahertz();
    if (mhz <= 0) return "failed";
    return ProcessorText(info.dwNumberOfProcessors, ProcessorName(), SnapMegahertz(mhz));
}

std::string MemoryFact() {
    using GlobalMemoryStatusExFn = BOOL(WINAPI*)(MEMORYSTATUSEX*);
    uint64_t available = 0, total = 0;
    if (const auto statusEx = SystemEntry<GlobalMemoryStatusExFn>("kernel32.dll", "GlobalMemoryStatusEx")) {
        MEMORYSTATUSEX s{};
        s.dwLength = sizeof s;
        if (!statusEx(&s)) return "err";
        available = s.ullAvailPhys;
        total = s.ullTotalPhys;
    } else {
        MEMORYSTATUS s{};
        s.dwLength = sizeof s;
        GlobalMemoryStatus(&s);
        available = s.dwAvailPhys;
        total = s.dwTotalPhys;
    }
    PROCESS_MEMORY_COUNTERS process{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &process, sizeof process)) return "err";
    uint64_t used = 0, committed = 0;
    if (!WalkRuntimeHeap(used, committed)) return "err";
    return MemoryText(available >> 20, total >> 20, process.PagefileUsage >> 10, used >> 10, committed >> 10);
}

void ScreenFact(int32_t& width, int32_t& height) {
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
}
