#pragma once
// The system facts of the bug report, each as its line prints it.
#include <cstdint>
#include <string>

std::string SystemFact();     // "failed" when it cannot be worked out
std::string ProcessorFact();  // "failed" likewise
std::string MemoryFact();     // "err" likewise
void ScreenFact(int32_t& width, int32_t& height);
