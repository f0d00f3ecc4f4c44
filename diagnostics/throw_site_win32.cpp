// Records every C++ throw of the calling thread (Windows builds link with
// --wrap=__cxa_throw, so every throw in the program, the C++ library's own
// included, passes here first). No heap is used: a throw of std::bad_alloc
// must get through.
#include <typeinfo>

#include "diagnostics/stack_walk_win32.h"
#include "diagnostics/throw_site.h"

namespace {
thread_local ThrowSite lastThrow;
}

extern "C" {
[[noreturn]] void __real___cxa_throw(void* object, std::type_info* type, void* destructor);

[[noreturn]] void __wrap___cxa_throw(void* object, std::type_info* type, void* destructor) {
    ThrowSite& site = lastThrow;
    const auto returnAddress = reinterpret_cast<uintptr_t>(__builtin_return_address(0));
    site.address = CallSiteOf(returnAddress);
    // Past this frame and the throwing function's: its callers.
    site.count = CurrentCallSites(site.callSites, ThrowSite::kMaxCallSites, 2);
    __real___cxa_throw(object, type, destructor);
}
}

const ThrowSite& LastThrowSite() { return lastThrow; }
