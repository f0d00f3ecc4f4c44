#include <cstdio>

#include "plugins/heif/heif_plugin_internal.h"

void ShowHeifAboutBox(void*, const std::string& text) { std::fprintf(stderr, "About plugin: %s\n", text.c_str()); }
