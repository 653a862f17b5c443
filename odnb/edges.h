// The outer edge of a styled button: shade-only lines along its four sides and softened
// corners, one table for enabled buttons and one for disabled ones. Platform-free, like
// the pixel operations it is made of.
#pragma once

#include <cstddef>
#include <cstdint>

#include "odnb/pixels.h"

// A pixel given relative to a corner of the rectangle: dx from the left edge (or, with
// fromRight, from the exclusive right edge), dy likewise from the top or bottom.
struct EdgePixel {
    bool fromRight;
    std::int32_t dx;
    bool fromBottom;
    std::int32_t dy;
    std::int32_t delta;
};

// Four lines (top, left, bottom, right, each leaving two pixels free at either end) and
// then the single pixels, shaded in that order.
struct EdgeTable {
    std::int32_t top;
    std::int32_t left;
    std::int32_t bottom;
    std::int32_t right;
    const EdgePixel* pixels;
    std::size_t pixelCount;
};

// Dark on the top and left, light on the bottom and right: the button stands out.
extern const EdgeTable EnabledEdgeTable;
// Dark on all four sides.
extern const EdgeTable DisabledEdgeTable;

void ApplyEdgeTable(PixelImage& image, PixelRect rect, const EdgeTable& table);
