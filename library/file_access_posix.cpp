#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "library/file_access.h"

namespace {
// errno in the Windows terms the callers test for.
uint32_t WindowsCode(int e) {
    switch (e) {
        case ENOENT: return kErrorFileNotFound;
        case ENOTDIR: return 3;  // ERROR_PATH_NOT_FOUND
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return kErrorAccessDenied;
        case ENOSPC: return 112;  // ERROR_DISK_FULL
        case EEXIST: return 80;   // ERROR_FILE_EXISTS
        default: return 1000 + static_cast<uint32_t>(e);
    }
}
}  // namespace

bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FolderExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolder(const std::string& path) { return mkdir(path.c_str(), 0777) == 0; }

bool DeleteFileAt(const std::string& path) { return unlink(path.c_str()) == 0; }

uint64_t FileWriteTime(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return 0;
    constexpr uint64_t kUnixEpochIn1601 = 11644473600ull;
    return (static_cast<uint64_t>(st.st_mtim.tv_sec) + kUnixEpochIn1601) * 10000000ull +
           static_cast<uint64_t>(st.st_mtim.tv_nsec) / 100;
}

bool ReplaceFileWith(const std::string& from, const std::string& to, uint32_t& error) {
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        error = WindowsCode(errno);
        return false;
    }
    // Make the new directory entry durable too.
    int dir = open(ParentFolder(to).empty() ? "." : ParentFolder(to).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

bool FileHandle::CreateForWrite(const std::string& path) {
    Close();
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error_ = WindowsCode(errno);
        return false;
    }
    handle_ = fd;
    return true;
}

bool FileHandle::OpenForRead(const std::string& path) {
    Close();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        struct stat st;
        if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
            close(fd);
            error_ = kErrorAccessDenied;  // what Windows answers for a folder
            return false;
        }
    }
    if (fd < 0) {
        error_ = WindowsCode(errno);
        return false;
    }
    handle_ = fd;
    return true;
}

bool FileHandle::Write(const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(static_cast<int>(handle_), p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error_ = WindowsCode(n < 0 ? errno : ENOSPC);
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

size_t FileHandle::Read(void* data, size_t size) {
    char* p = static_cast<char*>(data);
    size_t done = 0;
    while (done < size) {
        ssize_t n = read(static_cast<int>(handle_), p + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n < 0) error_ = WindowsCode(errno);
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

int64_t FileHandle::Size() {
    struct stat st;
    if (fstat(static_cast<int>(handle_), &st) != 0) return -1;
    return st.st_size;
}

bool FileHandle::Flush() {
    if (fsync(static_cast<int>(handle_)) == 0) return true;
    error_ = WindowsCode(errno);
    return false;
}

void FileHandle::Close() {
    if (handle_ != kInvalid) close(static_cast<int>(handle_));
    handle_ = kInvalid;
}
