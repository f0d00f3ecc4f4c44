#pragma once
#include <cstdint>

// The settings window's mode; returns when the window closes.
void RunSettingsMode();
// The show, full screen (parent 0) or as a preview inside `parent`.
void RunShow(uintptr_t parent);
