#pragma once
// The program's message boxes, captioned "Pagewind", without an owner unless
// one is given, and message pumping for long loops. Natively the boxes go to
// standard error (a question answers no) and pumping does nothing.
#include <string>

void ShowMessage(const std::string& text, void* owner = nullptr);
bool AskYesNo(const std::string& text, void* owner = nullptr);

// Dispatch one pending message of the calling thread, or all of them.
void PumpOneMessage();
void PumpMessages();
