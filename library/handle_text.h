#pragma once
// Window handles as decimal text (the /p and /a command-line argument, the
// "win" run-statistics value). A window handle has 32 significant bits on
// both Windows widths, and a 64-bit handle is the sign extension of its low
// 32 bits, so the 32-bit and 64-bit builds write and read the same text.
#include <cstdint>
#include <string>

// The low 32 bits as a signed decimal.
std::string HandleText(uintptr_t handle);
// Signed or unsigned 32-bit decimal text, sign-extended to the pointer width;
// 0 for anything else.
uintptr_t HandleFromText(const std::string& text);
