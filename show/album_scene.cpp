#include "show/album_scene.h"

SceneSize Scene;

std::atomic<int32_t> TurnStart{0};
std::atomic<bool> TurnDone{true};
std::atomic<bool> Reverse{false};
std::atomic<bool> CancelReverse{false};
std::atomic<bool> ReverseUploaded{false};
std::atomic<bool> PagesPending{false};
std::atomic<bool> GlInitPending{false};
int32_t TurnDuration = 5000;
int32_t LastTileIndex = -1;

TBitmap0* OpeningLeft = nullptr;
TBitmap0* OpeningRight = nullptr;
TBitmap0* NextLeft = nullptr;
TBitmap0* NextRight = nullptr;
std::atomic<const TBitmap0*> ShownLeft{nullptr};
std::atomic<const TBitmap0*> ShownRight{nullptr};

void SetSceneSize(int32_t windowWidth, int32_t windowHeight) {
    SceneSize s;
    s.grid = MakeTileGrid(windowWidth / 2, windowHeight);
    s.windowWidth = windowWidth;
    s.windowHeight = windowHeight;
    s.pageSpan = PageSpan(windowWidth, windowHeight);
    Scene = s;
}
