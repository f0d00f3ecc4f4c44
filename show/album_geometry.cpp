#include "show/album_geometry.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

float PageSpan(int32_t windowWidth, int32_t windowHeight) {
    long double s = static_cast<long double>(windowWidth) * 25.16L / windowHeight * 3 / 4;
    return static_cast<float>(s);
}

TileGrid MakeTileGrid(int32_t pageWidth, int32_t pageHeight) {
    // Below 2 pixels the quad positions divide by zero; above kMaxPageSide the
    // tile tables would overflow.
    if (pageWidth < 2 || pageHeight < 2 || pageWidth > kMaxPageSide || pageHeight > kMaxPageSide) {
        throw std::runtime_error("Page size " + std::to_string(pageWidth) + " x " + std::to_string(pageHeight) +
                                 " is outside the supported range of 2 to " + std::to_string(kMaxPageSide) +
                                 " pixels per side");
    }
    TileGrid g;
    g.width = pageWidth;
    g.height = pageHeight;
    g.across = (pageWidth + kTileStep - 1) / kTileStep;
    g.down = (pageHeight + kTileStep - 1) / kTileStep;
    return g;
}

int32_t ListIndex(const TileGrid& g, int32_t r, int32_t c) { return (g.down - 1 - r) * g.across + c; }

TileRect ListExtent(const TileGrid& g, int32_t r, int32_t c) {
    TileRect t;
    t.x0 = c * kTileStep;
    t.x1 = (c + 1) * kTileStep;
    if (t.x1 >= g.width) t.x1 = g.width - 1;
    const int32_t m = (g.height - 1) % kTileStep;
    t.y0 = (r - 1) * kTileStep + m;
    if (t.y0 < 0) t.y0 = 0;
    t.y1 = r * kTileStep + m;
    if (t.y1 >= g.height) t.y1 = g.height - 1;
    return t;
}

TileRect UploadExtent(const TileGrid& g, int32_t r, int32_t c) {
    TileRect t;
    t.x0 = c * kTileStep;
    t.x1 = std::min((c + 1) * kTileStep, g.width - 1);
    t.y0 = r * kTileStep;
    t.y1 = std::min((r + 1) * kTileStep, g.height - 1);
    return t;
}

std::array<TileVertex, 4> TileQuad(const TileGrid& g, float span, const TileRect& e) {
    const double R = kPageHalfHeight;
    auto X = [&](int32_t y) { return static_cast<float>(2 * R * y / (g.height - 1) - R); };
    auto Y = [&](int32_t x) { return static_cast<float>(-static_cast<double>(span) * x / (g.width - 1)); };
    // Texel centres: the quad shows exactly the tile's pixels and never the
    // unused part of the 256 x 256 texture.
    const float sFar = (e.x1 - e.x0 + 0.5f) / kTileTexels;
    const float tFar = (e.y1 - e.y0 + 0.5f) / kTileTexels;
    const float near = 0.5f / kTileTexels;
    return {{
        {sFar, tFar, X(e.y0), Y(e.x1)},
        {sFar, near, X(e.y1), Y(e.x1)},
        {near, near, X(e.y1), Y(e.x0)},
        {near, tFar, X(e.y0), Y(e.x0)},
    }};
}

float TurnProgress(int32_t now, int32_t turnStart, int32_t durationMs, bool turnDone) {
    if (turnDone) return 0;
    // A zero or negative duration has no meaningful fraction: the turn is over
    // at its first frame (0/0 would otherwise give a NaN angle).
    if (durationMs <= 0) return 1;
    // The clock is a wrapping 32-bit counter: subtract modulo 2^32.
    const int32_t elapsed = static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(turnStart));
    float p = static_cast<float>(static_cast<double>(elapsed) / (static_cast<double>(durationMs) * 10.0));
    if (p > 1) p = 1;
    if (p < -0.1f) p = 1;  // the clock stepped back: treat the turn as finished
    if (p < 0) p = 0;      // a small step back: hold the sheet at its start
    return p;
}

float TurnAngle(float progress, bool reverse) { return reverse ? 180 * (1 - progress) : 180 * progress; }

LookAt CameraLookAt(const CameraState& c) {
    constexpr double kPi = 3.14159265358979323846;
    // The 0.001 degree keeps the up vector off the viewing direction.
    const double theta = (c.polar / 5 - 0.001) * kPi / 180;
    const double phi = (c.azimuth / 5) * kPi / 180;
    LookAt l{};
    l.eye[0] = c.eyeX;
    l.eye[1] = c.eyeY;
    l.eye[2] = c.eyeZ;
    l.centre[0] = c.eyeX + c.distance * std::cos(phi) * std::sin(theta);
    l.centre[1] = c.eyeY - c.distance * std::sin(phi) * std::sin(theta);
    l.centre[2] = c.eyeZ + c.distance * std::cos(theta);
    l.up[0] = 0;
    l.up[1] = 0;
    l.up[2] = 1;
    return l;
}
