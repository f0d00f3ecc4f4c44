#pragma once
// The arrow keys of a full-screen show: forward to the spread already being
// prepared, back through the page history (main thread).

// Right arrow: serve the next change at once from the spread prepared (or
// being prepared).
void StepForward();
// Left arrow: turn back to the spread before the one on screen. Ignored at
// the start of a history that never wrapped, and while a reverse turn runs.
void StepBack();
