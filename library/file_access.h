#pragma once
// The few file-system operations the library needs (data folder, picture
// list file, folder scan), with Windows error codes on both targets so the
// callers' retry rules and messages are the same everywhere.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#ifdef _WIN32
constexpr char kPathSep = '\\';
#else
constexpr char kPathSep = '/';
#endif

// Windows error codes the library looks at.
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorAccessDenied = 5;

inline std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder + kPathSep + name;
}
// The folder part of a path (everything before its last separator); empty
// when there is no separator.
std::string ParentFolder(const std::string& path);

bool FileExists(const std::string& path);    // a file, not a folder
bool FolderExists(const std::string& path);  // a folder, not a file
bool CreateFolder(const std::string& path);  // one level; false if it failed
bool DeleteFileAt(const std::string& path);
// Last-write time as a FILETIME (100 ns units since 1601); 0 when unknown.
uint64_t FileWriteTime(const std::string& path);
// Moves `from` over `to` in one step, replacing `to`; the data is on disk
// when this returns true. `error` receives the system error code otherwise.
bool ReplaceFileWith(const std::string& from, const std::string& to, uint32_t& error);

// Waits used by retry loops; tests replace it to run without delays.
extern void (*LibrarySleep)(int ms);

// An open file. Move-only; closes itself.
class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // Creates or truncates the file for writing, not shared.
    bool CreateForWrite(const std::string& path);
    // Opens an existing file for reading; others may read but not write.
    bool OpenForRead(const std::string& path);
    bool IsOpen() const { return handle_ != kInvalid; }
    uint32_t Error() const { return error_; }  // system code of the last failure

    bool Write(const void* data, size_t size);  // all of it, or false
    size_t Read(void* data, size_t size);       // bytes read, 0 at the end
    int64_t Size();                             // -1 when unknown
    bool Flush();                               // data on disk
    void Close();

private:
    static constexpr intptr_t kInvalid = -1;  // INVALID_HANDLE_VALUE, or no descriptor
    intptr_t handle_ = kInvalid;
    uint32_t error_ = 0;
};

// Writes a file whole or not at all: `write` fills a new file beside `path`
// (its name with ".new" added), which replaces `path` in one step only once
// it is complete and on disk. Whatever fails, `path` keeps its old contents
// and the new file is removed. `error` receives the system error code of a
// failure (0 when `write` itself gave up).
enum class WholeFileWrite { Written, NotCreated, NotWritten, NotReplaced };
WholeFileWrite WriteFileWhole(const std::string& path, const std::function<bool(FileHandle&)>& write,
                              uint32_t& error);
std::string WholeFileTempName(const std::string& path);
