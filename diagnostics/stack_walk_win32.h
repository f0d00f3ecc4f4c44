#pragma once
// Reading a thread's stack for the crash report: the call sites inside the
// program's own code, and the raw bytes above the stack pointer.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "diagnostics/crash_report_text.h"

// The program's code section, taken once from its image in memory. Throws
// "Not a valid MZ-file!" or "Not a valid PE-file!".
const CodeRange& ProgramCode();

// Reads memory of this process that may not be readable; false when it is not.
bool ReadMemory(uintptr_t address, void* buffer, size_t size);

// The call site that ends at a return address: the address minus the length
// of the call instruction before it, or the address itself when no call is
// recognised there.
uintptr_t CallSiteOf(uintptr_t returnAddress);

// The end of the committed stack region that holds `stackPointer` (the top of
// that thread's stack); 0 when it cannot be asked.
uintptr_t StackTopOf(uintptr_t stackPointer);

// Call sites inside the program's code of the thread whose context is given:
// by the frame-pointer chain in the 32-bit build, by the system's unwinder in
// the 64-bit build.
std::vector<uint64_t> CallSitesFrom(const CONTEXT& context, size_t max);

// Call sites inside the program's code on the calling thread's stack,
// leaving out the caller's `skip` innermost frames; fills `sites` without
// using the heap.
size_t CurrentCallSites(uintptr_t* sites, size_t max, unsigned skip);

uintptr_t InstructionPointer(const CONTEXT& context);
uintptr_t StackPointer(const CONTEXT& context);
uintptr_t FramePointer(const CONTEXT& context);
