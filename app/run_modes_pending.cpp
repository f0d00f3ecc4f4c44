#include "app/run_modes.h"

// The settings window is not built yet: its mode returns at once, and the
// program ends cleanly.

void RunSettingsMode() {}
