#pragma once
// Plugins that live in DLLs of their own beside the program. Each entry
// below loads its DLL once, from the program's folder by its full path, and
// returns the plugin's descriptor; null when the DLL or its entry is missing,
// so that the show runs on without its formats. Natively the same plugin code
// is built into the program and the entry returns its descriptor directly.
#include "imaging/plugin_contract.h"

// "In_heif.dll": HEIC/HEIF, AVIF and WebP.
const PluginDescriptor* HeifPluginEntry();
