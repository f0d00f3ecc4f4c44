#include <windows.h>

#include "plugins/heif/heif_plugin_internal.h"

void ShowHeifAboutBox(void* parentWindow, const std::string& text) {
    MessageBoxA(static_cast<HWND>(parentWindow), text.c_str(), "About plugin", MB_OK);
}
