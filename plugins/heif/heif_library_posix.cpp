// Natively libheif is linked into the program.
#include "plugins/heif/heif_library.h"

const HeifApi* Heif() {
    static const HeifApi api = {
        &heif_get_version,
        &heif_have_decoder_for_format,
        &heif_get_decoder_descriptors,
        &heif_decoder_descriptor_get_name,
        &heif_context_alloc,
        &heif_context_free,
        &heif_context_set_maximum_image_size_limit,
        &heif_context_read_from_memory_without_copy,
        &heif_context_get_primary_image_handle,
        &heif_image_handle_release,
        &heif_image_handle_get_width,
        &heif_image_handle_get_height,
        &heif_image_handle_has_alpha_channel,
        &heif_image_handle_is_premultiplied_alpha,
        &heif_decoding_options_alloc,
        &heif_decoding_options_free,
        &heif_decode_image,
        &heif_image_get_width,
        &heif_image_get_height,
        &heif_image_get_plane_readonly,
        &heif_image_release,
        &heif_image_handle_get_color_profile_type,
        &heif_image_handle_get_raw_color_profile_size,
        &heif_image_handle_get_raw_color_profile,
        &heif_image_handle_get_nclx_color_profile,
        &heif_nclx_color_profile_free,
        &heif_image_handle_get_number_of_metadata_blocks,
        &heif_image_handle_get_list_of_metadata_block_IDs,
        &heif_image_handle_get_metadata_size,
        &heif_image_handle_get_metadata,
    };
    return &api;
}
