#pragma once
// Memory set aside for the crash report. A thread that froze while it held
// the C runtime heap's lock (every C++ allocation takes it) would otherwise
// stop the watchdog as soon as the report of that freeze needs a string.
// The threads that write reports take all their C++ allocations from this
// memory; every other thread allocates from the runtime's heap as before.

// Sets the memory aside; once per process, before anything can fail.
void ReserveReportMemory();
// From now on the calling thread's C++ allocations come from the reserved
// memory (while it lasts; then from the runtime's heap after all). Up to
// four threads can be named.
void UseReportMemoryOnThisThread();
