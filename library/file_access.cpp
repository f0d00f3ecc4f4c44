#include "library/file_access.h"

#include <chrono>
#include <thread>

namespace {
void RealSleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
}  // namespace

void (*LibrarySleep)(int ms) = RealSleep;

std::string ParentFolder(const std::string& path) {
    size_t pos = path.find_last_of(kPathSep);
    return pos == std::string::npos ? std::string() : path.substr(0, pos);
}
