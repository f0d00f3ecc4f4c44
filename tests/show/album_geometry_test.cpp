#include "show/album_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

namespace {

std::vector<TileRect> ListRows(const TileGrid& g) {
    std::vector<TileRect> rows;
    for (int r = 0; r < g.down; ++r) rows.push_back(ListExtent(g, r, 0));
    return rows;
}

TEST(AlbumGeometry, HeightMultipleOf255HasNoShortRow) {
    TileGrid g = MakeTileGrid(300, 510);
    EXPECT_EQ(g.down, 2);
    auto rows = ListRows(g);
    EXPECT_EQ(rows[0].y0, 0);
    EXPECT_EQ(rows[0].y1, 254);
    EXPECT_EQ(rows[1].y0, 254);
    EXPECT_EQ(rows[1].y1, 509);
    // Loop row 0 is stored in list row 1, which matches texture row 1: bitmap
    // rows 255..509. Loop row 1 ends up in list row 0, texture rows 0..255.
    EXPECT_EQ(ListIndex(g, 0, 0), g.across);
    EXPECT_EQ(ListIndex(g, 1, 0), 0);
    EXPECT_EQ(UploadExtent(g, 1, 0).y0, 255);
    EXPECT_EQ(UploadExtent(g, 1, 0).y1, 509);
    EXPECT_EQ(UploadExtent(g, 0, 0).y0, 0);
    EXPECT_EQ(UploadExtent(g, 0, 0).y1, 255);
}

TEST(AlbumGeometry, Height600PutsTheShortRowFirst) {
    TileGrid g = MakeTileGrid(400, 600);
    ASSERT_EQ(g.down, 3);
    auto rows = ListRows(g);
    EXPECT_EQ(rows[0], (TileRect{0, 0, 255, 89}));
    EXPECT_EQ(rows[1].y0, 89);
    EXPECT_EQ(rows[1].y1, 344);
    EXPECT_EQ(rows[2].y0, 344);
    EXPECT_EQ(rows[2].y1, 599);
}

TEST(AlbumGeometry, Window1024x768) {
    EXPECT_FLOAT_EQ(PageSpan(1024, 768), 25.16f);
    TileGrid g = MakeTileGrid(1024 / 2, 768);
    EXPECT_EQ(g.across, 3);
    EXPECT_EQ(g.down, 4);
    EXPECT_EQ(g.LastIndex(), 11);
    int cols[3][2] = {{0, 255}, {255, 510}, {510, 511}};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(ListExtent(g, 0, c).x0, cols[c][0]);
        EXPECT_EQ(ListExtent(g, 0, c).x1, cols[c][1]);
        EXPECT_EQ(UploadExtent(g, 0, c).x0, cols[c][0]);
        EXPECT_EQ(UploadExtent(g, 0, c).x1, cols[c][1]);
    }
    int rows[4][2] = {{0, 2}, {2, 257}, {257, 512}, {512, 767}};
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(ListExtent(g, r, 1).y0, rows[r][0]) << r;
        EXPECT_EQ(ListExtent(g, r, 1).y1, rows[r][1]) << r;
    }
}

// List i and texture i of a set must describe the same pixels (list rows are
// counted from the page's bottom, texture rows from its top), and together
// the tiles must cover the page with exactly one shared row/column between
// neighbours.
TEST(AlbumGeometry, ListsAndTexturesDescribeTheSameTiles) {
    const int sizes[][2] = {{2, 2}, {255, 255}, {256, 256}, {257, 511}, {512, 768}, {960, 1080},
                            {1280, 1440}, {2880, 2160}, {4096, 2160}, {8192, 8192}, {300, 8191}};
    for (auto& sz : sizes) {
        TileGrid g = MakeTileGrid(sz[0], sz[1]);
        ASSERT_LE(g.Count(), kMaxTiles);
        std::vector<int> seen(g.Count(), 0);
        for (int r = 0; r < g.down; ++r) {
            for (int c = 0; c < g.across; ++c) {
                const int i = ListIndex(g, r, c);
                ASSERT_GE(i, 0);
                ASSERT_LT(i, g.Count());
                ++seen[i];
                TileRect list = ListExtent(g, r, c);
                TileRect tex = UploadExtent(g, i / g.across, i % g.across);
                EXPECT_EQ(list.x0, tex.x0);
                EXPECT_EQ(list.x1, tex.x1);
                EXPECT_EQ(g.height - 1 - list.y1, tex.y0) << sz[0] << "x" << sz[1] << " r" << r;
                EXPECT_EQ(g.height - 1 - list.y0, tex.y1) << sz[0] << "x" << sz[1] << " r" << r;
                EXPECT_LE(tex.x1 - tex.x0, kTileTexels - 1);
                EXPECT_LE(tex.y1 - tex.y0, kTileTexels - 1);
                const TileRect up = UploadExtent(g, r, c);
                if (c > 0) {
                    EXPECT_EQ(UploadExtent(g, r, c - 1).x1, up.x0);
                }
                if (r > 0) {
                    EXPECT_EQ(UploadExtent(g, r - 1, c).y1, up.y0);
                }
            }
        }
        for (int n : seen) EXPECT_EQ(n, 1);
        EXPECT_EQ(UploadExtent(g, g.down - 1, g.across - 1).x1, g.width - 1);
        EXPECT_EQ(UploadExtent(g, g.down - 1, g.across - 1).y1, g.height - 1);
    }
}

TEST(AlbumGeometry, PageSizeLimits) {
    TileGrid big = MakeTileGrid(5760, 2160);  // one page of three 4K screens side by side
    EXPECT_EQ(big.across, 23);
    EXPECT_EQ(big.down, 9);
    EXPECT_EQ(MakeTileGrid(8192, 8192).Count(), kMaxTiles);
    EXPECT_THROW(MakeTileGrid(8193, 100), std::runtime_error);
    EXPECT_THROW(MakeTileGrid(100, 8193), std::runtime_error);
    EXPECT_THROW(MakeTileGrid(1, 100), std::runtime_error);
    EXPECT_THROW(MakeTileGrid(100, 0), std::runtime_error);
    try {
        MakeTileGrid(9000, 100);
        ADD_FAILURE() << "a 9000-pixel page was accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("9000 x 100"), std::string::npos) << e.what();
    }
}

TEST(AlbumGeometry, QuadMapsPixelsToThePagePlane) {
    TileGrid g = MakeTileGrid(512, 768);
    const float S = PageSpan(1024, 768);
    // Bottom-left tile of the page (list row 0, column 0): pixels 0..255, rows 0..2.
    auto q = TileQuad(g, S, ListExtent(g, 0, 0));
    EXPECT_FLOAT_EQ(q[0].s, 255.5f / 256);
    EXPECT_FLOAT_EQ(q[0].t, 2.5f / 256);
    EXPECT_FLOAT_EQ(q[2].s, 0.5f / 256);
    EXPECT_FLOAT_EQ(q[2].t, 0.5f / 256);
    EXPECT_FLOAT_EQ(q[0].x, -kPageHalfHeight);
    EXPECT_NEAR(q[0].y, -S * 255 / 511, 1e-5);
    EXPECT_FLOAT_EQ(q[2].y, 0);
    // Top-right tile reaches the page's far corner exactly.
    auto top = TileQuad(g, S, ListExtent(g, g.down - 1, g.across - 1));
    EXPECT_FLOAT_EQ(top[1].x, kPageHalfHeight);
    EXPECT_FLOAT_EQ(top[1].y, -S);
    // Counter-clockwise as seen from the camera (x up, -y right): front face.
    auto cross = [](const TileVertex& a, const TileVertex& b, const TileVertex& c) {
        const double ux = -(b.y - a.y), uy = b.x - a.x, vx = -(c.y - a.y), vy = c.x - a.x;
        return ux * vy - uy * vx;
    };
    EXPECT_GT(cross(q[0], q[1], q[2]), 0);
    EXPECT_GT(cross(q[0], q[2], q[3]), 0);
}

TEST(AlbumGeometry, ProgressFromTheClock) {
    const int32_t start = 1000000;
    EXPECT_FLOAT_EQ(TurnProgress(start, start, 5000, false), 0);
    EXPECT_FLOAT_EQ(TurnProgress(start + 25000, start, 5000, false), 0.5f);
    EXPECT_FLOAT_EQ(TurnProgress(start + 50000, start, 5000, false), 1);
    EXPECT_FLOAT_EQ(TurnProgress(start + 90000, start, 5000, false), 1);
    // A clock that steps back by more than a tenth of the turn ends it.
    EXPECT_FLOAT_EQ(TurnProgress(start - 5001, start, 5000, false), 1);
    // A smaller step back holds the sheet at its start.
    EXPECT_FLOAT_EQ(TurnProgress(start - 4000, start, 5000, false), 0);
    EXPECT_FLOAT_EQ(TurnProgress(start + 25000, start, 5000, true), 0);
    // The 32-bit clock wraps in the middle of a turn.
    EXPECT_NEAR(TurnProgress(INT32_MIN + 9999, INT32_MAX - 15000, 5000, false), 0.5f, 1e-6);
    // No duration: the turn is over at once, never NaN.
    EXPECT_FLOAT_EQ(TurnProgress(start, start, 0, false), 1);
    EXPECT_FLOAT_EQ(TurnProgress(start + 10, start, -5, false), 1);
    // Durations near the settings clamp do not overflow.
    EXPECT_NEAR(TurnProgress(start + 500000000, start, 1000000000, false), 0.05f, 1e-6);
}

TEST(AlbumGeometry, ReverseTurnsRunFrom180To0) {
    EXPECT_FLOAT_EQ(TurnAngle(0, false), 0);
    EXPECT_FLOAT_EQ(TurnAngle(1, false), 180);
    EXPECT_FLOAT_EQ(TurnAngle(0.25f, false), 45);
    EXPECT_FLOAT_EQ(TurnAngle(0, true), 180);
    EXPECT_FLOAT_EQ(TurnAngle(1, true), 0);
    EXPECT_FLOAT_EQ(TurnAngle(0.25f, true), 135);
}

TEST(AlbumGeometry, CameraLooksDownWithXUp) {
    LookAt l = CameraLookAt(CameraState{});
    EXPECT_EQ(l.eye[2], 60);
    EXPECT_NEAR(l.centre[2], 10, 1e-6);
    EXPECT_NEAR(l.centre[1], 0, 1e-12);
    // The 0.001 degree tilt leans the view slightly towards +x, so +x is up.
    EXPECT_GT(l.centre[0], 0);
    EXPECT_LT(l.centre[0], 0.01);
}

}  // namespace
