// Tests of the button's outer edge tables against the rule they follow: shade-only lines
// along the four sides, and at each corner a six-pixel softening pattern signed by the
// sides that meet there. On tiny buttons the entries overlap or fall outside the image,
// and the order of the clamped shades decides the result.
#include "odnb/edges.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace {

using Deltas = std::map<std::pair<std::int32_t, std::int32_t>, std::int32_t>;

// The corner at (x, y), its sides running in the directions stepX and stepY. Pixels along
// the horizontal side take its sign, those along the vertical side theirs; the corner and
// diagonal pixels are softened only where both sides agree.
void AddCorner(Deltas& deltas, std::int32_t x, std::int32_t y, std::int32_t stepX,
               std::int32_t stepY, int horizontal, int vertical) {
    deltas[{x + stepX, y}] += 16 * horizontal;
    deltas[{x + 2 * stepX, y + stepY}] += 8 * horizontal;
    deltas[{x, y + stepY}] += 16 * vertical;
    deltas[{x + stepX, y + 2 * stepY}] += 8 * vertical;
    int corner = horizontal == vertical ? horizontal : 0;
    deltas[{x, y}] += 4 * corner;
    deltas[{x + stepX, y + stepY}] += 32 * corner;
}

// Each side is -1 (dark) or +1 (light).
Deltas Rule(PixelRect rect, int top, int left, int bottom, int right) {
    Deltas deltas;
    std::int32_t L = rect.left, T = rect.top, R = rect.right, B = rect.bottom;
    for (std::int32_t x = L + 2; x < R - 2; ++x) {
        deltas[{x, T}] += 32 * top;
        deltas[{x, B - 1}] += 32 * bottom;
    }
    for (std::int32_t y = T + 2; y < B - 2; ++y) {
        deltas[{L, y}] += 32 * left;
        deltas[{R - 1, y}] += 32 * right;
    }
    AddCorner(deltas, L, T, 1, 1, top, left);
    AddCorner(deltas, R - 1, T, -1, 1, top, right);
    AddCorner(deltas, L, B - 1, 1, -1, bottom, left);
    AddCorner(deltas, R - 1, B - 1, -1, -1, bottom, right);
    return deltas;
}

// Over rectangles large enough that no two entries meet, inside a larger image.
void ExpectRule(const EdgeTable& table, int top, int left, int bottom, int right) {
    const ColorRef grey = 0x00A08060; // no channel reaches a limit by 32
    const std::uint32_t greyWord = 0x006080A0;
    for (std::int32_t width = 6; width <= 13; ++width) {
        for (std::int32_t height = 6; height <= 11; ++height) {
            std::uint32_t imageWidth = static_cast<std::uint32_t>(width) + 5;
            std::uint32_t imageHeight = static_cast<std::uint32_t>(height) + 4;
            std::vector<std::uint32_t> words(imageWidth * imageHeight, greyWord);
            PixelImage image = {imageWidth, imageHeight, words.data()};
            PixelRect rect = {3, 1, 3 + width, 1 + height};
            ApplyEdgeTable(image, rect, table);
            Deltas deltas = Rule(rect, top, left, bottom, right);
            for (std::int32_t y = 0; y < static_cast<std::int32_t>(imageHeight); ++y) {
                for (std::int32_t x = 0; x < static_cast<std::int32_t>(imageWidth); ++x) {
                    auto found = deltas.find({x, y});
                    std::int32_t delta = found == deltas.end() ? 0 : found->second;
                    ASSERT_EQ(ReadPixel(image, x, y), ShadeColor(grey, delta))
                        << width << " x " << height << " at " << x << ", " << y;
                }
            }
        }
    }
}

TEST(OdnbEdgeTables, EnabledIsDarkAboveAndLeftAndLightBelowAndRight) {
    ExpectRule(EnabledEdgeTable, -1, -1, +1, +1);
}

TEST(OdnbEdgeTables, DisabledIsDarkAllAround) {
    ExpectRule(DisabledEdgeTable, -1, -1, -1, -1);
}

// Red near 0 and blue near 255 make the clamps show the order of the entries.
TEST(OdnbEdgeTables, TinyButtonsTakeTheEntriesThatFitInTheirOrder) {
    std::vector<std::uint32_t> words(1 + 4 + 1, 0xDEADBEEF);
    PixelImage one = {1, 1, words.data() + 1};
    WritePixel(one, 0, 0, 0x00F88002);
    ApplyEdgeTable(one, {0, 0, 1, 1}, EnabledEdgeTable);
    EXPECT_EQ(ReadPixel(one, 0, 0), 0x00F88004u); // -4 (red clamps at 0), then +4
    WritePixel(one, 0, 0, 0x00F88010);
    ApplyEdgeTable(one, {0, 0, 1, 1}, DisabledEdgeTable);
    EXPECT_EQ(ReadPixel(one, 0, 0), 0x00E87000u); // four corners of -4

    PixelImage two = {2, 2, words.data() + 1};
    for (std::int32_t i = 0; i < 4; ++i)
        WritePixel(two, i % 2, i / 2, 0x00F88010);
    ApplyEdgeTable(two, {0, 0, 2, 2}, EnabledEdgeTable);
    EXPECT_EQ(ReadPixel(two, 0, 0), 0x00DF7C0Cu); // -4, +32 (blue clamps), -16, -16
    EXPECT_EQ(ReadPixel(two, 1, 0), 0x00F88010u); // -16, +16
    EXPECT_EQ(ReadPixel(two, 0, 1), 0x00F88010u); // -16, +16
    EXPECT_EQ(ReadPixel(two, 1, 1), 0x00FC8424u); // -32 (red clamps), +4, +16, +16
    for (std::int32_t i = 0; i < 4; ++i)
        WritePixel(two, i % 2, i / 2, 0x00B08050);
    ApplyEdgeTable(two, {0, 0, 2, 2}, DisabledEdgeTable);
    for (std::int32_t i = 0; i < 4; ++i)
        EXPECT_EQ(ReadPixel(two, i % 2, i / 2), 0x006C3C0Cu) << i; // -4, -16, -16, -32
    EXPECT_EQ(words.front(), 0xDEADBEEFu);
    EXPECT_EQ(words.back(), 0xDEADBEEFu);
}

} // namespace
