#pragma once
#include <cstdint>

// The program's two clocks, both signed 32-bit and wrapping: milliseconds and
// tenths of a millisecond. On Windows they come from the performance counter
// (the frequency read once), or from the tick count where there is none.
int32_t ClockMs();
int32_t Clock100us();

// The system tick count in milliseconds (GetTickCount on Windows).
uint32_t TickCountMs();
