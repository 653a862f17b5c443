// The two outer edge tables and their application. Every corner of the disabled edge is
// softened by one six-pixel pattern; the enabled edge turns the signs on the light side
// and, where a dark and a light side meet, keeps only the pattern's pixels along the
// sides, each with the sign of its side.
#include "odnb/edges.h"

#include <iterator>

namespace {

// Anchors for the table entries, so that {R, -2, T, 1, -8} reads as (R - 2, T + 1).
constexpr bool L = false;
constexpr bool R = true;
constexpr bool T = false;
constexpr bool B = true;

const EdgePixel enabledPixels[] = {
    {L, 0, T, 0, -4},   {L, 2, T, 1, -8},   {L, 1, T, 0, -16},  {L, 1, T, 1, -32},
    {L, 0, T, 1, -16},  {L, 1, T, 2, -8},   {R, -1, B, -1, 4},  {R, -3, B, -2, 8},
    {R, -2, B, -1, 16}, {R, -2, B, -2, 32}, {R, -1, B, -2, 16}, {R, -2, B, -3, 8},
    {R, -3, T, 1, -8},  {R, -2, T, 0, -16}, {R, -1, T, 1, 16},  {R, -2, T, 2, 8},
    {L, 2, B, -2, 8},   {L, 1, B, -1, 16},  {L, 0, B, -2, -16}, {L, 1, B, -3, -8},
};

const EdgePixel disabledPixels[] = {
    {L, 0, T, 0, -4},    {L, 2, T, 1, -8},    {L, 1, T, 0, -16},   {L, 1, T, 1, -32},
    {L, 0, T, 1, -16},   {L, 1, T, 2, -8},    {R, -1, B, -1, -4},  {R, -3, B, -2, -8},
    {R, -2, B, -1, -16}, {R, -2, B, -2, -32}, {R, -1, B, -2, -16}, {R, -2, B, -3, -8},
    {R, -1, T, 0, -4},   {R, -3, T, 1, -8},   {R, -2, T, 0, -16},  {R, -2, T, 1, -32},
    {R, -1, T, 1, -16},  {R, -2, T, 2, -8},   {L, 0, B, -1, -4},   {L, 2, B, -2, -8},
    {L, 1, B, -1, -16},  {L, 1, B, -2, -32},  {L, 0, B, -2, -16},  {L, 1, B, -3, -8},
};

} // namespace

const EdgeTable EnabledEdgeTable = {-32, -32, 32, 32, enabledPixels, std::size(enabledPixels)};
const EdgeTable DisabledEdgeTable = {-32, -32, -32, -32, disabledPixels, std::size(disabledPixels)};

void ApplyEdgeTable(PixelImage& image, PixelRect rect, const EdgeTable& table) {
    for (std::int32_t x = rect.left + 2; x < rect.right - 2; ++x)
        ShadePixel(image, x, rect.top, table.top);
    for (std::int32_t y = rect.top + 2; y < rect.bottom - 2; ++y)
        ShadePixel(image, rect.left, y, table.left);
    for (std::int32_t x = rect.left + 2; x < rect.right - 2; ++x)
        ShadePixel(image, x, rect.bottom - 1, table.bottom);
    for (std::int32_t y = rect.top + 2; y < rect.bottom - 2; ++y)
        ShadePixel(image, rect.right - 1, y, table.right);
    for (std::size_t i = 0; i < table.pixelCount; ++i) {
        const EdgePixel& pixel = table.pixels[i];
        std::int32_t x = (pixel.fromRight ? rect.right : rect.left) + pixel.dx;
        std::int32_t y = (pixel.fromBottom ? rect.bottom : rect.top) + pixel.dy;
        ShadePixel(image, x, y, pixel.delta);
    }
}
