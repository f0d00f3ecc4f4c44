#pragma once
// Where the exception being handled was thrown. The Windows builds record it
// at every C++ throw (the linker routes __cxa_throw through the recorder),
// so a top-level handler can report the failure address and a one-line back
// trace although the stack has long unwound. Natively nothing is recorded.
#include <cstddef>
#include <cstdint>
#include <string>

struct ThrowSite {
    static constexpr size_t kMaxCallSites = 16;
    uintptr_t address = 0;  // the call of the throw, in the throwing function
    uintptr_t callSites[kMaxCallSites] = {};  // its callers, inside the program's code
    size_t count = 0;
};

// The calling thread's latest throw.
const ThrowSite& LastThrowSite();
// "Back trace: " and the throw's address followed by its callers' call
// sites, as the report prints addresses; empty when nothing was recorded.
std::string BackTraceLine(const ThrowSite& site);
