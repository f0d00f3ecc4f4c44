#pragma once
#include <windows.h>

// Routes the saver window's input to the show (keys, mouse, power events).
void InstallShowInput();
// True when the show may end: no password required, none available, or the
// system's password check accepted.
bool VerifyPassword(HWND window);
