#include <cstdio>

#include "app/message_box.h"

void ShowMessage(const std::string& text, void*) { std::fprintf(stderr, "Pagewind: %s\n", text.c_str()); }

bool AskYesNo(const std::string& text, void*) {
    std::fprintf(stderr, "Pagewind: %s (no)\n", text.c_str());
    return false;
}

void PumpOneMessage() {}
void PumpMessages() {}
