#include "imaging/bitmap_file24.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

uint32_t Read32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

struct Recorder {
    std::vector<uint8_t> bytes;
    std::vector<size_t> blocks;
    BlockWriter Writer() {
        return [this](const void* data, size_t size) {
            const auto* p = static_cast<const uint8_t*>(data);
            bytes.insert(bytes.end(), p, p + size);
            blocks.push_back(size);
            return true;
        };
    }
};

TEST(BitmapFile24, SizesFollowThePaddedRows) {
    EXPECT_EQ(BitmapFile24RowSize(1366), 4100);
    EXPECT_EQ(BitmapFile24Size(1366, 768), 54 + 4100 * 768);
    EXPECT_EQ(BitmapFile24RowSize(1024), 3072);
    EXPECT_EQ(BitmapFile24Size(1024, 768), 2359350);
}

TEST(BitmapFile24, HeaderAndBottomUpRowsInBlocksOfTen) {
    BitmapPtr bitmap(TBitmap0::Create(3, 25));
    for (int32_t y = 0; y < 25; ++y)
        for (int32_t x = 0; x < 3; ++x) bitmap->At(x, y) = 0xEE000000u | static_cast<uint32_t>(y << 16 | x << 8 | 7);
    Recorder out;
    ASSERT_TRUE(WriteBitmapFile24(*bitmap, out.Writer()));
    const size_t row = 12;  // 9 bytes padded to 12
    ASSERT_EQ(out.blocks, (std::vector<size_t>{54, 10 * row, 10 * row, 5 * row}));
    const auto& b = out.bytes;
    ASSERT_EQ(b.size(), 54 + 25 * row);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(Read32(b, 2), b.size());
    EXPECT_EQ(Read32(b, 10), 54u);
    EXPECT_EQ(Read32(b, 14), 40u);
    EXPECT_EQ(Read32(b, 18), 3u);
    EXPECT_EQ(Read32(b, 22), 25u);
    EXPECT_EQ(b[26] | b[27] << 8, 1);
    EXPECT_EQ(b[28] | b[29] << 8, 24);
    for (size_t i = 30; i < 54; ++i) EXPECT_EQ(b[i], 0) << i;
    // The first stored row is the bottom one (y = 24): blue, green, red,
    // the fourth byte dropped, then zero padding.
    const uint8_t first[12] = {7, 0, 24, 7, 1, 24, 7, 2, 24, 0, 0, 0};
    EXPECT_EQ(std::memcmp(&b[54], first, row), 0);
    EXPECT_EQ(b[54 + 24 * row + 2], 0);  // the top row (y = 0) comes last
}

TEST(BitmapFile24, WriterFailureIsReported) {
    BitmapPtr bitmap(TBitmap0::Create(4, 4));
    int calls = 0;
    EXPECT_FALSE(WriteBitmapFile24(*bitmap, [&](const void*, size_t) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);  // stops at the first failed block
}

}  // namespace
