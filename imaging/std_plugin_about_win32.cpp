#include <windows.h>

#include "imaging/std_plugin_about.h"

void PW_CDECL ShowStdAboutBox(void* parentWindow) {
    MessageBoxA(static_cast<HWND>(parentWindow), kStdAboutText, "About plugin", MB_OK);
}
