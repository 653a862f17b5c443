// The pixel operations of the owner-drawn button: a plain 32-bit image in the layout of a
// bottom-up device-independent bitmap, and the tint, shade and bevel edits that the draw
// procedure lays over the parent's background. Platform-free, so that every pixel can be
// checked natively.
//
// Two byte orders meet here: a colour (ColorRef) holds red in its low byte (0x00BBGGRR),
// a pixel word holds blue in its low byte. Only ReadPixel and WritePixel swap them.
#pragma once

#include <cstdint>

using ColorRef = std::uint32_t;

// Rows run bottom-up in memory: image row y (0 at the top) starts at word
// (height - 1 - y) * width.
struct PixelImage {
    std::uint32_t width;
    std::uint32_t height;
    std::uint32_t* pixels;
};

// Edges as in a Win32 RECT: right and bottom are exclusive.
struct PixelRect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

// Black (0) outside the image; negative coordinates are outside.
ColorRef ReadPixel(const PixelImage& image, std::int32_t x, std::int32_t y);
// Does nothing outside the image; bits 24-31 of the word are written as 0.
void WritePixel(PixelImage& image, std::int32_t x, std::int32_t y, ColorRef color);

// weight is the share of the existing colour out of 255: 255 keeps it, 0 gives the tint.
ColorRef BlendColor(ColorRef existing, ColorRef tint, std::int32_t weight);
// Adds delta to every channel, clamped to 0..255.
ColorRef ShadeColor(ColorRef color, std::int32_t delta);

void ShadePixel(PixelImage& image, std::int32_t x, std::int32_t y, std::int32_t delta);
// Tints first, then shades.
void TintShadePixel(PixelImage& image, std::int32_t x, std::int32_t y, ColorRef tint,
                    std::int32_t weight, std::int32_t delta);

// Tints the rectangle inset by `inset`, except its top-left and bottom-right pixels,
// which belong to the bevel drawn two pixels further out.
void TintInset(PixelImage& image, PixelRect rect, std::int32_t inset, ColorRef tint,
               std::int32_t weight);
// Two tinted lines just inside the rectangle inset by `inset`: lightened by `light` on the
// top and left, darkened by `depth` on the bottom and right, the inner line by half as
// much. Its four outermost corner pixels are left alone.
void TintBevel(PixelImage& image, PixelRect rect, std::int32_t inset, ColorRef tint,
               std::int32_t weight, std::int32_t light, std::int32_t depth);
