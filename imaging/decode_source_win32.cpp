#include <windows.h>

#include "imaging/decode_source.h"
#include "library/wide_text_win32.h"

void* OpenDecodeFile(const std::string& path) {
    HANDLE h = CreateFileW(SystemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

void CloseDecodeFile(void* file) {
    if (file) CloseHandle(file);
}

int64_t DecodeFileSize(void* file) {
    LARGE_INTEGER size;
    return GetFileSizeEx(file, &size) ? size.QuadPart : -1;
}

int32_t ReadDecodeFile(void* file, void* buffer, int32_t count) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, static_cast<DWORD>(count), &got, nullptr)) return 0;
    return static_cast<int32_t>(got);
}

bool SeekDecodeFile(void* file, int64_t position) {
    LARGE_INTEGER to;
    to.QuadPart = position;
    return SetFilePointerEx(file, to, nullptr, FILE_BEGIN) != 0;
}
