#pragma once
// The standard plugin's about box: "About plugin" and the formats it reads.
#include "imaging/plugin_contract.h"

extern const char kStdAboutText[];
void PW_CDECL ShowStdAboutBox(void* parentWindow);
