#pragma once
// Run statistics kept in the main key: runs, unclean ends, error reports and
// the three-digit code that condenses them.
#include <cstdint>
#include <functional>
#include <string>

#include "app/version.h"

constexpr const char* kProgramVersion = PW_VERSION_TEXT;
constexpr uint32_t kProgramVersionWord = PW_VERSION_WORD;

// The statistics code for the given counters (`reporting`: an error report is
// being made, so it counts one more error).
int StatisticsCode(int32_t count, int32_t er, int32_t uer, int32_t uwer, bool reporting);
std::string StatisticsCodeText(int code);  // three hexadecimal digits

// What StartRun needs to know about a window handle found in "win".
enum class WindowCheck { Gone, OurInstance, Other };

void StartRun();
void RecordWindow(uintptr_t window, bool force = false);
void RecordErrorReport();
void EndRun();
void UpdateCode(bool excludeCurrent, bool reporting = false);
bool AnotherInstanceRunning();
// Seconds since StartRun (or since the program was loaded, before it).
int64_t RunSeconds();
// The counters for the crash report's "Errstat: " line.
std::string ErrorCountersText();

// Seams used by StartRun: how to check a window and how to wait. They start
// as the platform's own (IsWindow/GetClassName and Sleep on Windows).
WindowCheck PlatformCheckWindow(uintptr_t window);
void PlatformSleep(int ms);
extern std::function<WindowCheck(uintptr_t)> CheckRunWindow;
extern std::function<void(int ms)> RunStatsSleep;

// The support site's address and the address the bug report's form posts
// to (followed by "bugreport.php"). A distributor sets them here.
extern const char* const kSupportPageAddress;
extern const char* const kReportAddress;
// The page that helps users of software OpenGL find a video driver.
extern const char* const kDriverHelpAddress;
std::string ErrorPageUrl(int number, uint32_t address, const std::string& comment);
void OpenErrorPage(int number, uint32_t address, const std::string& comment);
