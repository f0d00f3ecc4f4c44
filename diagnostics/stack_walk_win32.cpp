#include "diagnostics/stack_walk_win32.h"

namespace {

bool InProgramCode(uintptr_t address) {
    try {
        return ProgramCode().Contains(address);
    } catch (const std::exception&) {
        return false;
    }
}

// A return address is taken only inside the program's code, and only when
// the bytes of the call before it can be read.
bool AcceptReturnAddress(uintptr_t address) {
    uint8_t before[8];
    return InProgramCode(address) && ReadMemory(address - 8, before, sizeof before);
}

}  // namespace

const CodeRange& ProgramCode() {
    static const CodeRange range = [] {
        const auto* image = reinterpret_cast<const uint8_t*>(GetModuleHandleA(nullptr));
        return CodeRangeOfImage(image, reinterpret_cast<uintptr_t>(image));
    }();
    return range;
}

bool ReadMemory(uintptr_t address, void* buffer, size_t size) {
    SIZE_T read = 0;
    return ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<const void*>(address), buffer, size, &read) &&
           read == size;
}

uintptr_t CallSiteOf(uintptr_t returnAddress) {
    uint8_t before[8];
    if (!ReadMemory(returnAddress - 8, before, sizeof before)) return returnAddress;
    const int length = CallLengthBefore(before);
    return returnAddress - static_cast<uintptr_t>(length);
}

uintptr_t StackTopOf(uintptr_t stackPointer) {
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQuery(reinterpret_cast<const void*>(stackPointer), &info, sizeof info) != sizeof info) return 0;
    return reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
}

uintptr_t InstructionPointer(const CONTEXT& c) {
#ifdef _WIN64
    return c.Rip;
#else
    return c.Eip;
#endif
}

uintptr_t StackPointer(const CONTEXT& c) {
#ifdef _WIN64
    return c.Rsp;
#else
    return c.Esp;
#endif
}

uintptr_t FramePointer(const CONTEXT& c) {
#ifdef _WIN64
    return c.Rbp;
#else
    return c.Ebp;
#endif
}

std::vector<uint64_t> CallSitesFrom(const CONTEXT& context, size_t max) {
    std::vector<uint64_t> sites;
    const uintptr_t top = StackTopOf(StackPointer(context));
#ifdef _WIN64
    // No frame-pointer chain to rely on: the unwind tables give each caller.
    CONTEXT c = context;
    const uintptr_t bottom = c.Rsp;
    while (sites.size() < max) {
        DWORD64 imageBase = 0;
        if (PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(c.Rip, &imageBase, nullptr)) {
            void* handlerData = nullptr;
            DWORD64 establisher = 0;
            RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, c.Rip, function, &c, &handlerData, &establisher, nullptr);
        } else {
            // A leaf function: the return address is on top of the stack.
            if (!ReadMemory(c.Rsp, &c.Rip, sizeof c.Rip)) break;
            c.Rsp += 8;
        }
        if (c.Rip == 0 || c.Rsp < bottom || c.Rsp >= top) break;
        if (AcceptReturnAddress(c.Rip)) sites.push_back(CallSiteOf(c.Rip));
    }
#else
    // Each frame holds the caller's frame pointer and the return address; a
    // frame is taken while it lies between the first one and the stack's top.
    const uintptr_t start = context.Ebp;
    uintptr_t frame = start;
    while (sites.size() < max && frame >= start && frame + 8 <= top) {
        uint32_t pair[2];
        if (!ReadMemory(frame, pair, sizeof pair)) break;
        if (AcceptReturnAddress(pair[1])) sites.push_back(CallSiteOf(pair[1]));
        if (pair[0] <= frame) break;  // the chain must climb
        frame = pair[0];
    }
#endif
    return sites;
}

size_t CurrentCallSites(uintptr_t* sites, size_t max, unsigned skip) {
    void* frames[62];
    const USHORT n = RtlCaptureStackBackTrace(1 + skip, 62, frames, nullptr);
    size_t count = 0;
    for (USHORT i = 0; i < n && count < max; ++i) {
        const auto address = reinterpret_cast<uintptr_t>(frames[i]);
        if (AcceptReturnAddress(address)) sites[count++] = CallSiteOf(address);
    }
    return count;
}
