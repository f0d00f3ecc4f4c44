// The reserved memory and the program's operator new and delete, which hand
// it out to the threads that write reports. It is handed out from one end
// and never given back: a report is written once and ends the process.
#include <windows.h>

#include <cstdlib>
#include <new>

#include "diagnostics/report_memory_win32.h"

namespace {

constexpr size_t kReserveBytes = 4 << 20;
constexpr size_t kAlignment = 16;
constexpr size_t kMaxThreads = 4;

char* volatile reserve = nullptr;
volatile LONG reserveUsed = 0;
volatile LONG reserveThreads[kMaxThreads] = {};

// No thread-local variables here: their first use on a thread allocates.
bool ThreadUsesReserve() {
    if (!reserve) return false;
    const auto me = static_cast<LONG>(GetCurrentThreadId());
    for (const volatile LONG& id : reserveThreads)
        if (id == me) return true;
    return false;
}

void* TakeFromReserve(size_t size) {
    if (size > kReserveBytes) return nullptr;
    const auto rounded = static_cast<LONG>((size + kAlignment - 1) & ~(kAlignment - 1));
    LONG used = reserveUsed;
    for (;;) {
        if (rounded > static_cast<LONG>(kReserveBytes) - used) return nullptr;
        const LONG seen = InterlockedCompareExchange(&reserveUsed, used + rounded, used);
        if (seen == used) return reserve + used;
        used = seen;
    }
}

bool InReserve(const void* p) {
    const char* start = reserve;
    return start && p >= start && p < start + kReserveBytes;
}

}  // namespace

void ReserveReportMemory() {
    if (reserve) return;
    void* memory = VirtualAlloc(nullptr, kReserveBytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!memory) return;
    if (InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(&reserve), memory, nullptr) != nullptr)
        VirtualFree(memory, 0, MEM_RELEASE);  // another thread was first
}

void UseReportMemoryOnThisThread() {
    if (ThreadUsesReserve()) return;
    const auto me = static_cast<LONG>(GetCurrentThreadId());
    for (volatile LONG& id : reserveThreads)
        if (InterlockedCompareExchange(&id, me, 0) == 0) return;
}

// The runtime's own operator new, with the reserve in front of it for the
// threads named above. The other forms (arrays, nothrow, sized delete) of
// the C++ library call these two.
void* operator new(std::size_t size) {
    if (ThreadUsesReserve())
        if (void* p = TakeFromReserve(size)) return p;
    if (size == 0) size = 1;
    for (;;) {
        if (void* p = std::malloc(size)) return p;
        const std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

void operator delete(void* p) noexcept {
    if (!InReserve(p)) std::free(p);
}

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
