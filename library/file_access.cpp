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

std::string WholeFileTempName(const std::string& path) { return path + ".new"; }

WholeFileWrite WriteFileWhole(const std::string& path, const std::function<bool(FileHandle&)>& write,
                              uint32_t& error) {
    error = 0;
    const std::string temp = WholeFileTempName(path);
    FileHandle file;
    if (!file.CreateForWrite(temp)) {
        error = file.Error();
        return WholeFileWrite::NotCreated;
    }
    const bool written = write(file) && file.Flush();
    if (!written) error = file.Error();
    file.Close();
    WholeFileWrite result = WholeFileWrite::Written;
    if (!written)
        result = WholeFileWrite::NotWritten;
    else if (!ReplaceFileWith(temp, path, error))
        result = WholeFileWrite::NotReplaced;
    if (result != WholeFileWrite::Written) DeleteFileAt(temp);
    return result;
}
