#pragma once
// Reporting of failures the program cannot recover from. Both calls end the
// process with exit code 217.
#include <cstdint>
#include <string>
#include <vector>

// Phase flag values used by callers.
constexpr uint32_t kPhaseShowRunning = 2;
constexpr uint32_t kPhaseTopLevel = 0x20;
constexpr uint32_t kPhaseNoGl = 0x40;

constexpr int kCrashExitCode = 217;

void InstallCrashHandler();
[[noreturn]] void ReportFatal(const std::string& message, const std::string& className, uintptr_t address,
                              uint32_t flags, const std::vector<std::string>& extraTexts = {});
[[noreturn]] void ReportFreeze(const std::string& text, void* threadHandle);
