#include <cstdio>

#include "imaging/std_plugin_about.h"

void PW_CDECL ShowStdAboutBox(void*) { std::fprintf(stderr, "About plugin: %s\n", kStdAboutText); }
