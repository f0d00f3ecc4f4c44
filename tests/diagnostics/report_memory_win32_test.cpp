#include <windows.h>
#include <malloc.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diagnostics/report_memory_win32.h"

namespace {

HANDLE RuntimeHeap() { return reinterpret_cast<HANDLE>(_get_heap_handle()); }

// A thread named for the reserved memory, which builds what a report builds
// (strings, a vector) whenever it is told to, and frees it again. It lives
// as long as the test program: a thread id stays named once named.
struct ReportingThread {
    HANDLE go = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    volatile size_t built = 0;

    static DWORD WINAPI Run(void* self) {
        auto& t = *static_cast<ReportingThread*>(self);
        UseReportMemoryOnThisThread();
        for (;;) {
            WaitForSingleObject(t.go, INFINITE);
            std::string text(2000, 'x');
            std::vector<std::string> lines(50, text + std::to_string(t.built));
            auto* block = new char[100];
            t.built = t.built + lines.size() + text.size();
            delete[] block;
            SetEvent(t.done);
        }
    }
};

ReportingThread& Reporter() {
    static ReportingThread* reporter = [] {
        ReserveReportMemory();
        auto* t = new ReportingThread;
        HANDLE thread = CreateThread(nullptr, 0, ReportingThread::Run, t, 0, nullptr);
        if (thread) CloseHandle(thread);
        return t;
    }();
    return *reporter;
}

// Lets the reporting thread build once while this thread holds the runtime
// heap's lock, as a frozen thread might; true when it finished in time.
bool BuildsWhileTheHeapIsLocked() {
    ReportingThread& t = Reporter();
    // Nothing that allocates between the lock and the unlock.
    if (!HeapLock(RuntimeHeap())) return false;
    SetEvent(t.go);
    const bool finished = WaitForSingleObject(t.done, 5000) == WAIT_OBJECT_0;
    HeapUnlock(RuntimeHeap());
    if (!finished) WaitForSingleObject(t.done, INFINITE);  // it goes on once the lock is free
    return finished;
}

}  // namespace

TEST(ReportMemory, ANamedThreadAllocatesWithoutTheRuntimeHeapsLock) {
    EXPECT_TRUE(BuildsWhileTheHeapIsLocked());
    // Again: blocks freed on the named thread do not go to the runtime heap.
    EXPECT_TRUE(BuildsWhileTheHeapIsLocked());
    EXPECT_GT(Reporter().built, 0u);
}

TEST(ReportMemory, OtherThreadsAllocateFromTheRuntimeHeap) {
    Reporter();
    auto* block = new char[100];
    EXPECT_GE(HeapSize(RuntimeHeap(), 0, block), 100u);
    delete[] block;
    EXPECT_TRUE(HeapValidate(RuntimeHeap(), 0, nullptr));
}
