#pragma once
// Freeze watchdog: the marks that threads set, and (on Windows) the thread
// that checks them once a second.
#include <cstdint>

// Watchdog thread number of the calling thread: -1 on the main thread, 0 on
// the render (page-preparation) thread. Marks given -1 do nothing.
extern thread_local int WatchdogThreadNumber;

// Worker marks (only slot 0 exists). Safe to call from any thread.
void RegisterWorker(int slot, void* threadHandle);  // handle 0: "addthread0"
void UnregisterWorker(int slot);
void WorkerAlive(int slot);
void BeginWait(int slot);
void EndWait(int slot);
void BeginLongOperation(int slot);
void EndLongOperation(int slot);

// Main-thread marks.
void RegisterMainThread(void* window = nullptr);
void CloseMainThread();
void MainAlive();
void MainSuspend();
void MainResume();

// Show and settings closing requests, observed by the watchdog thread.
void RequestQuitSettings();
void RequestQuitShow();
// The show's closing phase (the watchdog keeps waiting while it lasts).
void SetShowClosing(bool closing);

// The probe message the main window answers with MainAlive().
constexpr unsigned kWatchdogProbeMessage = 0x800A;  // WM_APP + 10

// Starts the watchdog thread once per process (Windows only; elsewhere the
// marks are kept but nothing watches them).
void StartWatchdog(void* reportThread, void* previewParent, bool settingsMode, bool previewMode);
