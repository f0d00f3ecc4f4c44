#pragma once
// The album scene's state shared between the renderer and the show: sizes
// fixed for the run, the turn's animation flags and the four page bitmaps.
// Flags that the arrow keys write on the main thread are atomics.
#include <atomic>
#include <cstdint>

#include "show/album_geometry.h"

class TBitmap0;

struct SceneSize {
    int32_t windowWidth = 0;
    int32_t windowHeight = 0;
    float pageSpan = 0;  // S
    TileGrid grid;       // W = window width div 2, H = window height
};
extern SceneSize Scene;

// Sets the sizes for a window; throws std::runtime_error (before anything is
// drawn) when the pages fall outside the supported range.
void SetSceneSize(int32_t windowWidth, int32_t windowHeight);

extern std::atomic<int32_t> TurnStart;  // 0.1 ms clock at the start of the turn
extern std::atomic<bool> TurnDone;
extern std::atomic<bool> Reverse;
extern std::atomic<bool> CancelReverse;
extern std::atomic<bool> ReverseUploaded;
extern std::atomic<bool> PagesPending;
extern std::atomic<bool> GlInitPending;
extern int32_t TurnDuration;   // ms, the setting "Convert" as copied into the show
extern int32_t LastTileIndex;  // -1 until the first upload

// The page bitmaps (W x H each), owned by the show; the renderer only reads.
extern TBitmap0* OpeningLeft;
extern TBitmap0* OpeningRight;
extern TBitmap0* NextLeft;
extern TBitmap0* NextRight;

// The page bitmaps of the last frame drawn (the opening pages until then):
// the spread on screen, which the next spread must not be prepared into and
// which the wallpaper shows. Written by the render thread.
extern std::atomic<const TBitmap0*> ShownLeft;
extern std::atomic<const TBitmap0*> ShownRight;
