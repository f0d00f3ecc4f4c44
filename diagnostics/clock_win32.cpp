#include <windows.h>

#include "diagnostics/clock.h"

namespace {
// The performance counter's frequency, read once; 0 when there is none.
int64_t CounterFrequency() {
    static const int64_t freq = [] {
        LARGE_INTEGER f;
        return QueryPerformanceFrequency(&f) ? f.QuadPart : 0;
    }();
    return freq;
}

int32_t Scaled(int64_t perSecond) {
    const int64_t freq = CounterFrequency();
    LARGE_INTEGER c;
    if (freq == 0 || !QueryPerformanceCounter(&c))
        return static_cast<int32_t>(GetTickCount() * static_cast<uint32_t>(perSecond / 1000));
    // Split the product so that count * perSecond cannot overflow 64 bits.
    const int64_t whole = c.QuadPart / freq, part = c.QuadPart % freq;
    return static_cast<int32_t>(static_cast<uint32_t>(whole * perSecond + part * perSecond / freq));
}
}  // namespace

int32_t ClockMs() { return Scaled(1000); }
int32_t Clock100us() { return Scaled(10000); }
uint32_t TickCountMs() { return GetTickCount(); }
