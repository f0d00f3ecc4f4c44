#include "show/stop_request.h"

std::atomic<bool> StopRequested{false};
