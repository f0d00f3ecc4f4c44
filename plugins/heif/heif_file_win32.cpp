// The plugin opens its files by the host's UTF-8 names through the wide
// calls, so that names in any language and paths longer than MAX_PATH open.
#include <windows.h>

#include <algorithm>
#include <memory>

#include "library/wide_text_win32.h"
#include "plugins/heif/heif_plugin_internal.h"

namespace {
struct FileCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
}  // namespace

std::string ReadWholeFile(const char* fileName, int64_t limit) {
    const HANDLE h = CreateFileW(SystemPath(fileName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    const std::unique_ptr<void, FileCloser> file(h);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size) || size.QuadPart <= 0 || size.QuadPart > limit) return {};
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        if (!ReadFile(h, bytes.data() + done, chunk, &got, nullptr) || got == 0) return {};
        done += got;
    }
    return bytes;
}
