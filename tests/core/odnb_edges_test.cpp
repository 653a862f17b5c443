// Tests of the button's outer edge tables against the rule they follow: shade-only lines
// along the four sides, and at each corner a six-pixel softening pattern, signed by the
// sides that meet there. On tiny buttons the entries overlap and fall outside the image,
// and the order of the clamped shades decides the result.
#include "odnb/edges.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace {

using Point = std::pair<std::int32_t, std::int32_t>;
using Deltas = std::map<Point, std::int32_t>;

// A corner at (x, y) whose sides run in the directions stepX and stepY (+1 or -1). The
// pattern's pixels along the horizontal side get horizontalSign, those along the
// vertical side verticalSign; the corner pixel and the diagonal one get cornerSign, or
// nothing when cornerSign is 0.
void AddCorner(Deltas& deltas, std::int32_t x, std::int32_t y, std::int32_t stepX,
               std::int32_t stepY, int horizontalSign, int verticalSign, int cornerSign) {
    deltas[{x + stepX, y}] += 16 * horizontalSign;
    deltas[{x + 2 * stepX, y + stepY}] += 8 * horizontalSign;
    deltas[{x, y + stepY}] += 16 * verticalSign;
    deltas[{x + stepX, y + 2 * stepY}] += 8 * verticalSign;
    deltas[{x, y}] += 4 * cornerSign;
    deltas[{x + stepX, y + stepY}] += 32 * cornerSign;
}

// Each side is -1 (dark) or +1 (light). Where a dark and a light side meet, the corner and
// the diagonal pixel are left alone.
Deltas RuleFor(PixelRect rect, int top, int left, int bottom, int right) {
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
    auto cornerSign = [&](int horizontal, int vertical) {
        return horizontal == vertical ? horizontal : 0;
    };
    AddCorner(deltas, L, T, 1, 1, top, left, cornerSign(top, left));
    AddCorner(deltas, R - 1, T, -1, 1, top, right, cornerSign(top, right));
    AddCorner(deltas, L, B - 1, 1, -1, bottom, left, cornerSign(bottom, left));
    AddCorner(deltas, R - 1, B - 1, -1, -1, bottom, right, cornerSign(bottom, right));
    return deltas;
}

constexpr ColorRef grey = 0x00A08060; // no channel reaches a limit by 32

void CheckAgainstRule(const EdgeTable& table, int top, int left, int bottom, int right) {
    for (std::int32_t width = 6; width <= 13; ++width) {
        for (std::int32_t height = 6; height <= 11; ++height) {
            const std::uint32_t imageWidth = static_cast<std::uint32_t>(width) + 5;
            const std::uint32_t imageHeight = static_cast<std::uint32_t>(height) + 4;
            std::vector<std::uint32_t> words(imageWidth * imageHeight);
            PixelImage image = {imageWidth, imageHeight, words.data()};
            for (std::int32_t y = 0; y < static_cast<std::int32_t>(imageHeight); ++y) {
                for (std::int32_t x = 0; x < static_cast<std::int32_t>(imageWidth); ++x)
                    WritePixel(image, x, y, grey);
            }
            PixelRect rect = {3, 1, 3 + width, 1 + height};
            ApplyEdgeTable(image, rect, table);
            Deltas deltas = RuleFor(rect, top, left, bottom, right);
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

TEST(OdnbEdgeTables, EnabledIsDarkAboveAndLeftLightBelowAndRight) {
    CheckAgainstRule(EnabledEdgeTable, -1, -1, +1, +1);
}

TEST(OdnbEdgeTables, DisabledIsDarkAllAround) {
    CheckAgainstRule(DisabledEdgeTable, -1, -1, -1, -1);
}

// A single pixel takes the four corner pixels of the table, dark first, then light; with
// red near 0 the clamp shows the order.
TEST(OdnbEdgeTables, OnePixelButtonTakesTheCornerEntriesInOrder) {
    std::vector<std::uint32_t> words(1);
    PixelImage image = {1, 1, words.data()};
    WritePixel(image, 0, 0, 0x00F88002);
    ApplyEdgeTable(image, {0, 0, 1, 1}, EnabledEdgeTable);
    // Red: 2 - 4 clamps to 0, then + 4. Blue: 248 - 4 + 4.
    EXPECT_EQ(ReadPixel(image, 0, 0), 0x00F88004u);

    WritePixel(image, 0, 0, 0x00F88010);
    ApplyEdgeTable(image, {0, 0, 1, 1}, DisabledEdgeTable);
    EXPECT_EQ(ReadPixel(image, 0, 0), 0x00E87000u);
}

// In a 2 x 2 button every entry that stays inside lands on one of the four pixels; the
// rest fall outside and are ignored.
TEST(OdnbEdgeTables, TwoByTwoButtonIgnoresEntriesOutsideTheImage) {
    std::vector<std::uint32_t> words(4 + 2, 0xDEADBEEF);
    PixelImage image = {2, 2, words.data() + 1};
    for (std::int32_t y = 0; y < 2; ++y) {
        for (std::int32_t x = 0; x < 2; ++x)
            WritePixel(image, x, y, 0x00F88010);
    }
    ApplyEdgeTable(image, {0, 0, 2, 2}, EnabledEdgeTable);
    // (0, 0): -4, +32 (blue clamps at 255), -16, -16. (1, 1): -32 (red clamps at 0), +4,
    // +16, +16. The other two: -16, then +16.
    EXPECT_EQ(ReadPixel(image, 0, 0), 0x00DF7C0Cu);
    EXPECT_EQ(ReadPixel(image, 1, 0), 0x00F88010u);
    EXPECT_EQ(ReadPixel(image, 0, 1), 0x00F88010u);
    EXPECT_EQ(ReadPixel(image, 1, 1), 0x00FC8424u);
    EXPECT_EQ(words.front(), 0xDEADBEEFu);
    EXPECT_EQ(words.back(), 0xDEADBEEFu);

    for (std::int32_t y = 0; y < 2; ++y) {
        for (std::int32_t x = 0; x < 2; ++x)
            WritePixel(image, x, y, 0x00B08050);
    }
    ApplyEdgeTable(image, {0, 0, 2, 2}, DisabledEdgeTable);
    // Four entries of -4, -16, -16 and -32 reach each pixel.
    for (std::int32_t y = 0; y < 2; ++y) {
        for (std::int32_t x = 0; x < 2; ++x)
            EXPECT_EQ(ReadPixel(image, x, y), 0x006C3C0Cu) << x << ", " << y;
    }
    EXPECT_EQ(words.front(), 0xDEADBEEFu);
    EXPECT_EQ(words.back(), 0xDEADBEEFu);
}

TEST(OdnbEdgeTables, RectangleInsideALargerImageLeavesTheRestAlone) {
    std::vector<std::uint32_t> words(9 * 7);
    PixelImage image = {9, 7, words.data()};
    for (std::int32_t y = 0; y < 7; ++y) {
        for (std::int32_t x = 0; x < 9; ++x)
            WritePixel(image, x, y, grey);
    }
    ApplyEdgeTable(image, {2, 1, 8, 7}, DisabledEdgeTable);
    for (std::int32_t y = 0; y < 7; ++y) {
        EXPECT_EQ(ReadPixel(image, 0, y), grey);
        EXPECT_EQ(ReadPixel(image, 1, y), grey);
    }
    for (std::int32_t x = 0; x < 9; ++x)
        EXPECT_EQ(ReadPixel(image, x, 0), grey);
    EXPECT_EQ(ReadPixel(image, 2, 1), ShadeColor(grey, -4));
    EXPECT_EQ(ReadPixel(image, 8, 1), grey);
    EXPECT_EQ(ReadPixel(image, 7, 6), ShadeColor(grey, -4));
}

} // namespace
