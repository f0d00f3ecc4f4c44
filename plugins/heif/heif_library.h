#pragma once
// libheif as the plugin reaches it: one table of the calls it makes. On
// Windows libheif.dll (with libde265.dll) is loaded at run time from the
// plugin's own folder, so that a missing or broken library only takes the
// HEIF and AVIF formats away; natively the table holds the linked library.
#include <libheif/heif.h>

struct HeifApi {
    decltype(&heif_get_version) getVersion;
    decltype(&heif_have_decoder_for_format) haveDecoderForFormat;
    decltype(&heif_get_decoder_descriptors) getDecoderDescriptors;
    decltype(&heif_decoder_descriptor_get_name) decoderDescriptorGetName;
    decltype(&heif_context_alloc) contextAlloc;
    decltype(&heif_context_free) contextFree;
    decltype(&heif_context_set_maximum_image_size_limit) contextSetMaximumImageSizeLimit;
    decltype(&heif_context_read_from_memory_without_copy) contextReadFromMemoryWithoutCopy;
    decltype(&heif_context_get_primary_image_handle) contextGetPrimaryImageHandle;
    decltype(&heif_image_handle_release) imageHandleRelease;
    decltype(&heif_image_handle_get_width) imageHandleGetWidth;
    decltype(&heif_image_handle_get_height) imageHandleGetHeight;
    decltype(&heif_image_handle_has_alpha_channel) imageHandleHasAlphaChannel;
    decltype(&heif_image_handle_is_premultiplied_alpha) imageHandleIsPremultipliedAlpha;
    decltype(&heif_decoding_options_alloc) decodingOptionsAlloc;
    decltype(&heif_decoding_options_free) decodingOptionsFree;
    decltype(&heif_decode_image) decodeImage;
    decltype(&heif_image_get_width) imageGetWidth;
    decltype(&heif_image_get_height) imageGetHeight;
    decltype(&heif_image_get_plane_readonly) imageGetPlaneReadonly;
    decltype(&heif_image_release) imageRelease;

    // What the file says about the picture beside its pixels. Optional: a
    // library that lacks one of them still decodes, and the facts that need
    // it are not read (null here).
    decltype(&heif_image_handle_get_color_profile_type) imageHandleGetColorProfileType;
    decltype(&heif_image_handle_get_raw_color_profile_size) imageHandleGetRawColorProfileSize;
    decltype(&heif_image_handle_get_raw_color_profile) imageHandleGetRawColorProfile;
    decltype(&heif_image_handle_get_nclx_color_profile) imageHandleGetNclxColorProfile;
    decltype(&heif_nclx_color_profile_free) nclxColorProfileFree;
    decltype(&heif_image_handle_get_number_of_metadata_blocks) imageHandleGetNumberOfMetadataBlocks;
    decltype(&heif_image_handle_get_list_of_metadata_block_IDs) imageHandleGetListOfMetadataBlockIds;
    decltype(&heif_image_handle_get_metadata_size) imageHandleGetMetadataSize;
    decltype(&heif_image_handle_get_metadata) imageHandleGetMetadata;
};

// The library's table, or null when it is not there (or lacks one of the
// calls the decoding needs).
// Loaded once, on first use, and kept for the plugin's life.
const HeifApi* Heif();
