#include "show/stop_request.h"

std::atomic<int32_t> StopRequested{0};
