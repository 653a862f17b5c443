// The button's pixel operations. Each works one pixel at a time through ReadPixel and
// WritePixel, so every access is bounds-checked and where operations overlap the order
// of the writes decides the result (shading clamps, so two shades need not add up).
#include "odnb/pixels.h"

#include <cstddef>

namespace {

std::int32_t ChannelOf(ColorRef color, int shift) {
    return static_cast<std::int32_t>((color >> shift) & 0xFF);
}

ColorRef ChannelAt(std::int32_t value, int shift) {
    return static_cast<ColorRef>(value) << shift;
}

// Written so that no delta, however large, overflows the sum.
std::int32_t ShadeChannel(std::int32_t channel, std::int32_t delta) {
    if (delta > 0)
        return delta >= 255 - channel ? 255 : channel + delta;
    return delta <= -channel ? 0 : channel + delta;
}

bool IsInside(const PixelImage& image, std::int32_t x, std::int32_t y) {
    return static_cast<std::uint32_t>(x) < image.width &&
           static_cast<std::uint32_t>(y) < image.height;
}

std::uint32_t& WordAt(const PixelImage& image, std::int32_t x, std::int32_t y) {
    std::size_t row = image.height - 1 - static_cast<std::uint32_t>(y);
    return image.pixels[row * image.width + static_cast<std::uint32_t>(x)];
}

// Red and blue trade places; green stays; the top byte is dropped. The same swap turns a
// pixel word into a colour and a colour into a pixel word.
std::uint32_t SwapRedBlue(std::uint32_t value) {
    return ((value & 0xFF) << 16) | (value & 0xFF00) | ((value >> 16) & 0xFF);
}

} // namespace

ColorRef ReadPixel(const PixelImage& image, std::int32_t x, std::int32_t y) {
    if (!IsInside(image, x, y))
        return 0;
    return SwapRedBlue(WordAt(image, x, y));
}

void WritePixel(PixelImage& image, std::int32_t x, std::int32_t y, ColorRef color) {
    if (!IsInside(image, x, y))
        return;
    WordAt(image, x, y) = SwapRedBlue(color);
}

ColorRef BlendColor(ColorRef existing, ColorRef tint, std::int32_t weight) {
    if (weight == 255)
        return existing;
    if (weight == 0)
        return tint;
    ColorRef result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        std::int32_t mixed =
            (ChannelOf(existing, shift) * weight + ChannelOf(tint, shift) * (255 - weight)) / 255;
        result |= ChannelAt(mixed, shift);
    }
    return result;
}

ColorRef ShadeColor(ColorRef color, std::int32_t delta) {
    if (delta == 0)
        return color;
    ColorRef result = 0;
    for (int shift = 0; shift <= 16; shift += 8)
        result |= ChannelAt(ShadeChannel(ChannelOf(color, shift), delta), shift);
    return result;
}

void ShadePixel(PixelImage& image, std::int32_t x, std::int32_t y, std::int32_t delta) {
    WritePixel(image, x, y, ShadeColor(ReadPixel(image, x, y), delta));
}

void TintShadePixel(PixelImage& image, std::int32_t x, std::int32_t y, ColorRef tint,
                    std::int32_t weight, std::int32_t delta) {
    ColorRef tinted = BlendColor(ReadPixel(image, x, y), tint, weight);
    WritePixel(image, x, y, ShadeColor(tinted, delta));
}

void TintInset(PixelImage& image, PixelRect rect, std::int32_t inset, ColorRef tint,
               std::int32_t weight) {
    std::int32_t left = rect.left + inset;
    std::int32_t top = rect.top + inset;
    std::int32_t right = rect.right - inset;
    std::int32_t bottom = rect.bottom - inset;
    for (std::int32_t y = top; y < bottom; ++y) {
        for (std::int32_t x = left; x < right; ++x) {
            bool isTopLeft = x == left && y == top;
            bool isBottomRight = x == right - 1 && y == bottom - 1;
            if (isTopLeft || isBottomRight)
                continue;
            WritePixel(image, x, y, BlendColor(ReadPixel(image, x, y), tint, weight));
        }
    }
}

void TintBevel(PixelImage& image, PixelRect rect, std::int32_t inset, ColorRef tint,
               std::int32_t weight, std::int32_t light, std::int32_t depth) {
    const std::int32_t L = rect.left + inset;
    const std::int32_t T = rect.top + inset;
    const std::int32_t R = rect.right - inset;
    const std::int32_t B = rect.bottom - inset;
    const std::int32_t A = light;
    const std::int32_t D = -depth;
    const std::int32_t A2 = A / 2;
    const std::int32_t D2 = D / 2;

    auto horizontal = [&](std::int32_t y, std::int32_t delta) {
        for (std::int32_t x = L + 2; x < R - 2; ++x)
            TintShadePixel(image, x, y, tint, weight, delta);
    };
    auto vertical = [&](std::int32_t x, std::int32_t delta) {
        for (std::int32_t y = T + 2; y < B - 2; ++y)
            TintShadePixel(image, x, y, tint, weight, delta);
    };
    horizontal(T, A);
    vertical(L, A);
    horizontal(B - 1, D);
    vertical(R - 1, D);
    horizontal(T + 1, A2);
    vertical(L + 1, A2);
    horizontal(B - 2, D2);
    vertical(R - 2, D2);

    // Where the light and dark sides meet (top-right, bottom-left) the pixel next to the
    // corner is tinted without shade.
    struct Single {
        std::int32_t x, y, delta;
    };
    const Single singles[] = {
        {L + 1, T + 1, A},  {L, T + 1, A2},     {L + 1, T, A2},    {L + 2, T + 2, A2},
        {R - 2, T + 1, 0},  {R - 1, T + 1, D2}, {R - 2, T, A2},    {L + 1, B - 2, 0},
        {L, B - 2, A2},     {L + 1, B - 1, D2}, {R - 2, B - 2, D}, {R - 1, B - 2, D2},
        {R - 2, B - 1, D2}, {R - 3, B - 3, D2},
    };
    for (const Single& single : singles)
        TintShadePixel(image, single.x, single.y, tint, weight, single.delta);
}
