#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

#include "imaging/plugin_library.h"
#include "library/system_folders.h"

namespace {

struct ModuleFree {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using ScopedModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFree>;

using PluginEntryFn = const PluginDescriptor*(PW_CDECL*)();

// One plugin DLL, loaded on first use and kept until the program ends.
class PluginLibrary {
public:
    explicit PluginLibrary(const char* fileName) {
        const std::string folder = ProgramFolder();
        if (folder.empty()) return;
        const std::string path = folder + "\\" + fileName;
        // A missing or broken DLL must not bring up the system's error box;
        // the DLL's own imports are looked for beside it first.
        const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        module_.reset(LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
        SetErrorMode(oldMode);
        if (module_)
            entry_ = reinterpret_cast<PluginEntryFn>(
                reinterpret_cast<void*>(GetProcAddress(module_.get(), "PluginEntry")));
    }
    const PluginDescriptor* Descriptor() const { return entry_ ? entry_() : nullptr; }

private:
    ScopedModule module_;
    PluginEntryFn entry_ = nullptr;
};

}  // namespace

const PluginDescriptor* HeifPluginEntry() {
    static const PluginLibrary library("In_heif.dll");
    return library.Descriptor();
}
