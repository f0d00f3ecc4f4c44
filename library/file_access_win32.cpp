#include <windows.h>

#include "library/file_access.h"
#include "library/wide_text_win32.h"

namespace {
HANDLE H(intptr_t h) { return reinterpret_cast<HANDLE>(h); }
}  // namespace

bool FileExists(const std::string& path) {
    DWORD a = GetFileAttributesW(SystemPath(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    DWORD a = GetFileAttributesW(SystemPath(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolder(const std::string& path) { return CreateDirectoryW(SystemPath(path).c_str(), nullptr) != 0; }

bool DeleteFileAt(const std::string& path) { return DeleteFileW(SystemPath(path).c_str()) != 0; }

uint64_t FileWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExW(SystemPath(path).c_str(), GetFileExInfoStandard, &d)) return 0;
    return (static_cast<uint64_t>(d.ftLastWriteTime.dwHighDateTime) << 32) | d.ftLastWriteTime.dwLowDateTime;
}

bool ReplaceFileWith(const std::string& from, const std::string& to, uint32_t& error) {
    if (MoveFileExW(SystemPath(from).c_str(), SystemPath(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    error = GetLastError();
    return false;
}

bool FileHandle::CreateForWrite(const std::string& path) {
    Close();
    HANDLE h = CreateFileW(SystemPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error_ = GetLastError();
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(h);
    return true;
}

bool FileHandle::OpenForRead(const std::string& path) {
    Close();
    HANDLE h = CreateFileW(SystemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error_ = GetLastError();
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(h);
    return true;
}

bool FileHandle::Write(const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(H(handle_), p, chunk, &written, nullptr)) {
            error_ = GetLastError();
            return false;
        }
        if (written == 0) {
            error_ = ERROR_DISK_FULL;
            return false;
        }
        p += written;
        size -= written;
    }
    return true;
}

size_t FileHandle::Read(void* data, size_t size) {
    char* p = static_cast<char*>(data);
    size_t done = 0;
    while (done < size) {
        DWORD chunk = size - done > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size - done);
        DWORD got = 0;
        if (!ReadFile(H(handle_), p + done, chunk, &got, nullptr)) {
            error_ = GetLastError();
            break;
        }
        if (got == 0) break;
        done += got;
    }
    return done;
}

int64_t FileHandle::Size() {
    LARGE_INTEGER s;
    if (!GetFileSizeEx(H(handle_), &s)) return -1;
    return s.QuadPart;
}

bool FileHandle::Flush() {
    if (FlushFileBuffers(H(handle_))) return true;
    error_ = GetLastError();
    return false;
}

void FileHandle::Close() {
    if (handle_ != kInvalid) CloseHandle(H(handle_));
    handle_ = kInvalid;
}
