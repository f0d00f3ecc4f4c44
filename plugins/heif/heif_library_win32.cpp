// libheif.dll, loaded from the folder of the plugin itself by its full path.
// Its own import, libde265.dll, is looked for in that folder first
// (LOAD_WITH_ALTERED_SEARCH_PATH), so that the copies beside the program are
// the ones used and a user can replace either.
//
// The library stays loaded for the rest of the process's life and is never
// freed: a static owner would free it from the plugin's DllMain at process
// detach, where no other library may be unloaded (and libheif's own threads
// and static objects would be torn down under the loader lock). The system
// releases it with the process.
#include <windows.h>

#include <string>

#include "plugins/heif/heif_library.h"

namespace {

// The folder of the module that holds this code, with a trailing backslash.
std::string PluginFolder() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&PluginFolder), &self))
        return {};
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    std::string folder(path, n);
    const size_t sep = folder.find_last_of("\\/");
    return sep == std::string::npos ? std::string() : folder.substr(0, sep + 1);
}

template <typename Fn>
bool Take(HMODULE module, Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return fn != nullptr;
}

struct LoadedHeif {
    HMODULE module = nullptr;  // kept loaded: see above
    HeifApi api{};
    bool complete = false;

    LoadedHeif() {
        const std::string folder = PluginFolder();
        if (folder.empty()) return;
        const std::string path = folder + "libheif.dll";
        // A missing or broken DLL must not bring up the system's error box.
        const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        SetErrorMode(oldMode);
        if (!module) return;
        HMODULE m = module;
        complete = Take(m, api.getVersion, "heif_get_version") &&
                   Take(m, api.haveDecoderForFormat, "heif_have_decoder_for_format") &&
                   Take(m, api.getDecoderDescriptors, "heif_get_decoder_descriptors") &&
                   Take(m, api.decoderDescriptorGetName, "heif_decoder_descriptor_get_name") &&
                   Take(m, api.contextAlloc, "heif_context_alloc") && Take(m, api.contextFree, "heif_context_free") &&
                   Take(m, api.contextSetMaximumImageSizeLimit, "heif_context_set_maximum_image_size_limit") &&
                   Take(m, api.contextReadFromMemoryWithoutCopy, "heif_context_read_from_memory_without_copy") &&
                   Take(m, api.contextGetPrimaryImageHandle, "heif_context_get_primary_image_handle") &&
                   Take(m, api.imageHandleRelease, "heif_image_handle_release") &&
                   Take(m, api.imageHandleGetWidth, "heif_image_handle_get_width") &&
                   Take(m, api.imageHandleGetHeight, "heif_image_handle_get_height") &&
                   Take(m, api.imageHandleHasAlphaChannel, "heif_image_handle_has_alpha_channel") &&
                   Take(m, api.imageHandleIsPremultipliedAlpha, "heif_image_handle_is_premultiplied_alpha") &&
                   Take(m, api.decodingOptionsAlloc, "heif_decoding_options_alloc") &&
                   Take(m, api.decodingOptionsFree, "heif_decoding_options_free") &&
                   Take(m, api.decodeImage, "heif_decode_image") &&
                   Take(m, api.imageGetWidth, "heif_image_get_width") &&
                   Take(m, api.imageGetHeight, "heif_image_get_height") &&
                   Take(m, api.imageGetPlaneReadonly, "heif_image_get_plane_readonly") &&
                   Take(m, api.imageRelease, "heif_image_release");
        // Left null when missing; the decoding goes on without them.
        Take(m, api.imageHandleGetColorProfileType, "heif_image_handle_get_color_profile_type");
        Take(m, api.imageHandleGetRawColorProfileSize, "heif_image_handle_get_raw_color_profile_size");
        Take(m, api.imageHandleGetRawColorProfile, "heif_image_handle_get_raw_color_profile");
        Take(m, api.imageHandleGetNclxColorProfile, "heif_image_handle_get_nclx_color_profile");
        Take(m, api.nclxColorProfileFree, "heif_nclx_color_profile_free");
        Take(m, api.imageHandleGetNumberOfMetadataBlocks, "heif_image_handle_get_number_of_metadata_blocks");
        Take(m, api.imageHandleGetListOfMetadataBlockIds, "heif_image_handle_get_list_of_metadata_block_IDs");
        Take(m, api.imageHandleGetMetadataSize, "heif_image_handle_get_metadata_size");
        Take(m, api.imageHandleGetMetadata, "heif_image_handle_get_metadata");
    }
};

}  // namespace

const HeifApi* Heif() {
    static const LoadedHeif loaded;
    return loaded.complete ? &loaded.api : nullptr;
}
