// piclist.dat parser: any bytes must parse without a fault, and whatever was
// read must write out and read back to the same entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "library/picture_list.h"
#include "library/picture_list_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TPicList list;
    MemorySource source(data, size);
    ParsePicList(source, list);
    try {
        CheckStorable(list);
    } catch (...) {
        return 0;
    }
    MemorySink sink;
    WritePicList(list, sink);
    TPicList again;
    MemorySource back(sink.bytes.data(), sink.bytes.size());
    ParsePicList(back, again);
    if (again.Count() != list.Count()) std::abort();
    for (int i = 0; i < list.Count(); ++i) {
        const TFolderItem &a = list.At(i), &b = again.At(i);
        if (a.Path != b.Path || *a.Pictures != *b.Pictures || *a.ExtraNames != *b.ExtraNames ||
            a.AutoRefresh != b.AutoRefresh || a.IncludeSubdirs != b.IncludeSubdirs)
            std::abort();
    }
    return 0;
}
