#pragma once
// The phone and web formats plugin ("In_heif.dll"): HEIC/HEIF and AVIF
// through libheif (libde265 for HEVC, dav1d for AV1) and WebP through
// libwebp, decoded into 32-bit top-down pixels or handed row by row to the
// host's line callback. On Windows it is a DLL of its own beside the
// program; natively its code is built into the program.
#include <cstdint>
#include <string>

#include "imaging/plugin_contract.h"

#if defined(_WIN32) && defined(PW_BUILDING_PLUGIN)
#define PW_PLUGIN_EXPORT __declspec(dllexport)
#else
#define PW_PLUGIN_EXPORT
#endif

// The plugin's one export: its descriptor. HEIC/HEIF and AVIF are listed
// only when libheif and its decoder for them are there; WebP always.
extern "C" PW_PLUGIN_EXPORT const PluginDescriptor* PW_CDECL PluginEntry() noexcept;

// The about box's text: the formats it reads and each library with its
// version and licence.
std::string HeifPluginAboutText();
