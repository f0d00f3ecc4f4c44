// Reading and writing piclist.dat with the retries and the fall-back to a
// new data folder.
#include <stdexcept>

#include "library/data_folder.h"
#include "library/file_access.h"
#include "library/picture_list.h"
#include "library/picture_list_format.h"
#include "library/picture_list_store.h"

namespace {
class FileSink : public ByteSink {
public:
    explicit FileSink(FileHandle& f) : f_(f) {}
    bool Write(const void* data, size_t size) override { return f_.Write(data, size); }

private:
    FileHandle& f_;
};

class FileSource : public ByteSource {
public:
    explicit FileSource(FileHandle& f) : f_(f) {
        int64_t size = f.Size();
        size_ = size > 0 ? static_cast<uint64_t>(size) : 0;
    }
    size_t Read(void* data, size_t size) override {
        size_t n = f_.Read(data, size);
        pos_ += n;
        return n;
    }
    uint64_t Remaining() override { return pos_ < size_ ? size_ - pos_ : 0; }

private:
    FileHandle& f_;
    uint64_t size_ = 0;
    uint64_t pos_ = 0;
};

bool IsDataFolderList(const std::string& fileName) {
    return fileName == JoinPath(DataFolder(), kPicListFileName);
}

std::runtime_error UnableToWrite(const std::string& fileName, uint32_t code) {
    return std::runtime_error("Unable to write file \"" + fileName + "\", Error = " + std::to_string(code));
}
}  // namespace

std::string PicListTempName(const std::string& fileName) { return WholeFileTempName(fileName); }

void TPicList::SaveToFile(std::string& fileName) const {
    CheckStorable(*this);
    // The new list goes into a file beside the old one, which it replaces only
    // once it is complete: a failed write never costs the user the old list.
    uint32_t error = 0;
    auto write = [&] {
        return WriteFileWhole(
            fileName,
            [this](FileHandle& f) {
                FileSink sink(f);
                return WritePicList(*this, sink);
            },
            error);
    };
    WholeFileWrite result = write();
    if (result == WholeFileWrite::NotCreated) {
        LibrarySleep(1000);
        result = write();
        if (result == WholeFileWrite::NotCreated) {
            if (IsDataFolderList(fileName)) fileName = JoinPath(ForceNewDataFolder(), kPicListFileName);
            result = write();
        }
    }
    if (result != WholeFileWrite::Written) throw UnableToWrite(fileName, error);
}

bool TPicList::LoadFromFile(std::string& fileName) {
    Clear();
    FileHandle f;
    if (!f.OpenForRead(fileName)) {
        const bool accessDenied = f.Error() == kErrorAccessDenied;
        LibrarySleep(500);
        if (!f.OpenForRead(fileName)) {
            const uint32_t code = f.Error();
            if (accessDenied)
                throw std::runtime_error((code == kErrorAccessDenied ? "accessdenied set, Error = "
                                                                     : "accessdenied set, and Error = ") +
                                         std::to_string(code));
            LibrarySleep(2500);
            if (IsDataFolderList(fileName)) {
                fileName = JoinPath(ForceNewDataFolder(), kPicListFileName);
                if (!FileExists(fileName)) return false;
            }
            if (!f.OpenForRead(fileName))
                throw std::runtime_error("Unable to open file \"" + fileName + "\", Error = " +
                                         std::to_string(f.Error()));
        }
    }
    FileSource source(f);
    ParsePicList(source, *this);
    return true;
}
