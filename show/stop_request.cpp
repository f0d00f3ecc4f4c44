#include "show/stop_request.h"

std::atomic<int32_t> StopRequested{0};
std::atomic<bool> EndRequested{false};

void RequestShowEnd() {
    // EndRequested first: ClearNavigationInterrupt reads it after its store,
    // so one of the two stores of StopRequested that win is always this 1.
    EndRequested = true;
    StopRequested = 1;
}

void InterruptForNavigation() { StopRequested = 1; }

void ClearNavigationInterrupt() {
    StopRequested = 0;
    if (EndRequested) StopRequested = 1;
}

void ClearStopRequests() {
    EndRequested = false;
    StopRequested = 0;
}
