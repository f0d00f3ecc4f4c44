#include <chrono>

#include "diagnostics/clock.h"

namespace {
int64_t MonotonicMicroseconds() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

int32_t ClockMs() { return static_cast<int32_t>(static_cast<uint32_t>(MonotonicMicroseconds() / 1000)); }
int32_t Clock100us() { return static_cast<int32_t>(static_cast<uint32_t>(MonotonicMicroseconds() / 100)); }
uint32_t TickCountMs() { return static_cast<uint32_t>(MonotonicMicroseconds() / 1000); }
