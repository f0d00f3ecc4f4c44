#include <windows.h>

#include "app/message_box.h"

void ShowMessage(const std::string& text, void* owner) {
    MessageBoxA(static_cast<HWND>(owner), text.c_str(), "Pagewind", MB_OK);
}

bool AskYesNo(const std::string& text, void* owner) {
    return MessageBoxA(static_cast<HWND>(owner), text.c_str(), "Pagewind", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

namespace {
bool PumpOne() {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        // Leave the quit for the loop that owns it.
        PostQuitMessage(static_cast<int>(msg.wParam));
        return false;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}
}  // namespace

void PumpOneMessage() { PumpOne(); }

void PumpMessages() {
    while (PumpOne()) {
    }
}
