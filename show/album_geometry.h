#pragma once
// The album's page geometry: page span, the tiling of a page into 256 x 256
// textures that advance by 255 pixels, the quads of the tile display lists,
// and the turn's progress and angle. Pure arithmetic, shared by the renderer
// and its tests.
#include <array>
#include <cstdint>

constexpr float kPageHalfHeight = 18.891f;  // R: half the page height in scene units
constexpr int32_t kTileTexels = 256;        // textures are always 256 x 256
constexpr int32_t kTileStep = 255;          // neighbouring tiles share one pixel row/column

// The largest page side the renderer accepts, and the tile tables it implies.
constexpr int32_t kMaxPageSide = 8192;
constexpr int32_t kMaxTilesAcross = (kMaxPageSide + kTileStep - 1) / kTileStep;
constexpr int32_t kMaxTiles = kMaxTilesAcross * kMaxTilesAcross;

// S: the page width in scene units for a window of that size; together with
// R it makes a page fill one half of the camera's view.
float PageSpan(int32_t windowWidth, int32_t windowHeight);

// How a W x H page is cut into tiles.
struct TileGrid {
    int32_t width = 0;   // W
    int32_t height = 0;  // H
    int32_t across = 0;  // nx
    int32_t down = 0;    // ny
    int32_t Count() const { return across * down; }
    int32_t LastIndex() const { return Count() - 1; }
};

// Throws std::runtime_error for a page smaller than 2 x 2 or larger than
// kMaxPageSide in either direction.
TileGrid MakeTileGrid(int32_t pageWidth, int32_t pageHeight);

// Inclusive pixel rectangle; rows are counted from the bitmap's top for
// uploads and from its bottom for display lists.
struct TileRect {
    int32_t x0, y0, x1, y1;
    bool operator==(const TileRect&) const = default;
};

// The display list built in loop row r, column c: where it is stored, and
// the pixel extent it draws (rows counted up from the page's bottom edge, so
// the short row comes first).
int32_t ListIndex(const TileGrid& g, int32_t r, int32_t c);
TileRect ListExtent(const TileGrid& g, int32_t r, int32_t c);

// The pixels of the bitmap (rows from the top) that go into texture nx*r+c.
TileRect UploadExtent(const TileGrid& g, int32_t r, int32_t c);

// One corner of a tile quad: texture coordinates and position in the page
// plane (z = 0). The spine is the x axis, the page runs to y = -S.
struct TileVertex {
    float s, t, x, y;
};
std::array<TileVertex, 4> TileQuad(const TileGrid& g, float span, const TileRect& listExtent);

// Turn progress from the 0.1 ms clock: 0 at the start, 1 at the end.
float TurnProgress(int32_t now, int32_t turnStart, int32_t durationMs, bool turnDone);
// Sheet angle in degrees for a progress.
float TurnAngle(float progress, bool reverse);

// The fixed camera and the look-at transform it produces.
struct CameraState {
    double eyeX = 0, eyeY = 0, eyeZ = 60;
    double polar = 900;  // fifths of a degree
    double azimuth = 0;  // fifths of a degree
    double distance = 50;
};
struct LookAt {
    double eye[3], centre[3], up[3];
};
LookAt CameraLookAt(const CameraState& c);
