// Tests of the button's pixel operations: the bottom-up layout and the red/blue swap, the
// blend and shade arithmetic at its limits, and the inset tint and bevel pixel by pixel.
// Images are odd-sized and asymmetric with distinct channel values, so that a row flip or
// a red/blue swap cannot pass.
#include "odnb/pixels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::uint32_t guardWord = 0xDEADBEEF;
constexpr std::size_t guard = 8;
constexpr std::int32_t most = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t least = std::numeric_limits<std::int32_t>::min();

// Pixels of one colour between guard words, so that a write outside the image shows.
struct Guarded {
    std::vector<std::uint32_t> storage;
    PixelImage image;
    bool Intact() const {
        std::size_t end = storage.size() - guard;
        for (std::size_t i = 0; i < guard; ++i) {
            if (storage[i] != guardWord || storage[end + i] != guardWord)
                return false;
        }
        return true;
    }
};

Guarded Filled(std::uint32_t width, std::uint32_t height, ColorRef color) {
    Guarded guarded;
    guarded.storage.assign(width * height + 2 * guard, guardWord);
    guarded.image = {width, height, guarded.storage.data() + guard};
    for (std::int32_t y = 0; y < static_cast<std::int32_t>(height); ++y) {
        for (std::int32_t x = 0; x < static_cast<std::int32_t>(width); ++x)
            WritePixel(guarded.image, x, y, color);
    }
    return guarded;
}

// One letter per pixel, top row first: '.' for `base`, else the legend's letter or '?'.
std::string Picture(const PixelImage& image, ColorRef base,
                    const std::vector<std::pair<char, ColorRef>>& legend) {
    std::string picture;
    for (std::int32_t y = 0; y < static_cast<std::int32_t>(image.height); ++y) {
        for (std::int32_t x = 0; x < static_cast<std::int32_t>(image.width); ++x) {
            ColorRef color = ReadPixel(image, x, y);
            char letter = color == base ? '.' : '?';
            for (const auto& [name, value] : legend)
                letter = color == value && color != base ? name : letter;
            picture += letter;
        }
        picture += '\n';
    }
    return picture;
}

TEST(OdnbPixelLayout, RowsRunBottomUpAndRedTradesPlacesWithBlue) {
    // 5 x 3, in memory order: the first line is the bottom row.
    std::vector<std::uint32_t> words = {
        0xA1102030, 0xA1112131, 0xA1122232, 0xA1132333, 0xA1142434, //
        0xB2405060, 0xB2415161, 0xB2425262, 0xB2435363, 0xB2445464, //
        0xC3708090, 0xC3718191, 0xC3728292, 0xC3738393, 0xC3748494, //
    };
    PixelImage image = {5, 3, words.data()};
    EXPECT_EQ(ReadPixel(image, 0, 0), 0x00908070u); // first word of the last row
    EXPECT_EQ(ReadPixel(image, 4, 2), 0x00342414u); // last word of the first row
    EXPECT_EQ(ReadPixel(image, 1, 0), 0x00918171u);
    EXPECT_EQ(ReadPixel(image, 3, 1), 0x00635343u);

    words[0] = 0xFF112233;
    EXPECT_EQ(ReadPixel(image, 0, 2), 0x00332211u);
    std::vector<std::uint32_t> expected = words;
    WritePixel(image, 3, 0, 0xAB332211);
    expected[2 * 5 + 3] = 0x00112233;
    EXPECT_EQ(words, expected);
}

TEST(OdnbPixelLayout, OutsideTheImageIsIgnored) {
    Guarded guarded = Filled(5, 3, 0x00405060);
    std::vector<std::uint32_t> before = guarded.storage;
    // (5, 1) and (-1, 1) would reach the neighbouring rows if only the index were checked.
    const std::pair<std::int32_t, std::int32_t> outside[] = {
        {-1, 0}, {0, -1}, {5, 0}, {0, 3}, {5, 1}, {-1, 1}, {least, 0}, {0, most}, {most, most},
    };
    for (auto [x, y] : outside) {
        EXPECT_EQ(ReadPixel(guarded.image, x, y), 0u) << x << ", " << y;
        WritePixel(guarded.image, x, y, 0x00FFFFFF);
        ShadePixel(guarded.image, x, y, 40);
        TintShadePixel(guarded.image, x, y, 0x00FFFFFF, 0, -40);
    }
    EXPECT_EQ(guarded.storage, before);
}

TEST(OdnbColorArithmetic, BlendKeepsTheWeightsShareOfTheExistingColour) {
    const struct {
        ColorRef existing, tint;
        std::int32_t weight;
        ColorRef result;
    } cases[] = {
        {0x00FFFFFF, 0x00CCCCCC, 204, 0x00F4F4F4}, {0x00000000, 0x00CCCCCC, 204, 0x00282828},
        {0x00102030, 0x00CCCCCC, 128, 0x006D757D}, {0x000000FF, 0x00FF0000, 51, 0x00CC0033},
        {0x00000001, 0x00000000, 254, 0x00000000}, // truncates
        {0x000000FF, 0x00000000, 1, 0x00000001},   {0xAB102030, 0xCD405060, 255, 0xAB102030},
        {0xAB102030, 0xCD405060, 0, 0xCD405060},   // the extremes return one input whole
        {0xAB102030, 0xCD102030, 254, 0x00102030}, // any other weight clears the top byte
    };
    for (const auto& c : cases)
        EXPECT_EQ(BlendColor(c.existing, c.tint, c.weight), c.result) << std::hex << c.existing;
}

TEST(OdnbColorArithmetic, ShadeClampsEachChannelAndPassesZeroThrough) {
    const struct {
        ColorRef color;
        std::int32_t delta;
        ColorRef result;
    } cases[] = {
        {0x00F0F0F0, 32, 0x00FFFFFF},    {0x00101010, -32, 0x00000000},
        {0xFF123456, 0, 0xFF123456},     {0xFF123456, 1, 0x00133557},
        {0xFF123456, -1, 0x00113355},    {0x00F01008, 32, 0x00FF3028},
        {0x00F01008, -16, 0x00E00000},   {0x00F01008, most, 0x00FFFFFF},
        {0x00F01008, least, 0x00000000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShadeColor(c.color, c.delta), c.result) << std::hex << c.color << " " << c.delta;
}

TEST(OdnbColorArithmetic, PixelEditsTintBeforeTheyShade) {
    Guarded guarded = Filled(5, 3, 0);
    PixelImage& image = guarded.image;
    // Shading first would give 127 in both cases.
    TintShadePixel(image, 0, 0, 0x00FFFFFF, 128, -200);
    EXPECT_EQ(ReadPixel(image, 0, 0), 0x00000000u);
    WritePixel(image, 4, 2, 0x00C8C8C8);
    TintShadePixel(image, 4, 2, 0x00000000, 128, 100);
    EXPECT_EQ(ReadPixel(image, 4, 2), 0x00C8C8C8u);
    // Shading by 0 still rewrites the word with its top byte cleared.
    guarded.storage[guard + 7] = 0xFF112233; // (2, 1)
    ShadePixel(image, 2, 1, 0);
    EXPECT_EQ(guarded.storage[guard + 7], 0x00112233u);
    ShadePixel(image, 2, 1, 0x10);
    EXPECT_EQ(guarded.storage[guard + 7], 0x00213243u);
}

constexpr ColorRef base = 0x00B08050;
constexpr ColorRef tint = 0x00306090;

TEST(OdnbTintInset, TintsAllButTheTopLeftAndBottomRightPixels) {
    Guarded guarded = Filled(9, 7, base);
    TintInset(guarded.image, {1, 1, 8, 6}, 1, tint, 0);
    EXPECT_EQ(Picture(guarded.image, base, {{'t', tint}}), ".........\n"
                                                           ".........\n"
                                                           "...tttt..\n"
                                                           "..ttttt..\n"
                                                           "..tttt...\n"
                                                           ".........\n"
                                                           ".........\n");
    Guarded clipped = Filled(5, 3, base);
    TintInset(clipped.image, {-3, -2, 4, 2}, 0, tint, 0);
    EXPECT_EQ(Picture(clipped.image, base, {{'t', tint}}), "tttt.\n"
                                                           "ttt..\n"
                                                           ".....\n");
    EXPECT_TRUE(guarded.Intact() && clipped.Intact());
}

TEST(OdnbTintInset, EmptyInvertedAndSinglePixelRectanglesChangeNothing) {
    const struct {
        PixelRect rect;
        std::int32_t inset;
    } cases[] = {
        {{3, 3, 3, 6}, 0}, {{2, 4, 7, 4}, 0},
        {{5, 2, 4, 6}, 0}, {{0, 0, 9, 7}, 4}, // the inset crosses over
        {{1, 0, 8, 7}, 3},                    // 2n + 1 wide and high: its one pixel is left out
    };
    for (const auto& c : cases) {
        Guarded guarded = Filled(9, 7, base);
        std::vector<std::uint32_t> before = guarded.storage;
        TintInset(guarded.image, c.rect, c.inset, tint, 0);
        EXPECT_EQ(guarded.storage, before)
            << c.rect.left << ", " << c.rect.top << " inset " << c.inset;
    }
}

// Light 25 and depth 97 halve to 12 and -48 (toward zero, not -49).
TEST(OdnbTintBevel, LaysTwoLinesAndFourteenSinglePixels) {
    Guarded guarded = Filled(11, 9, base);
    TintBevel(guarded.image, {0, 0, 11, 9}, 1, tint, 0, 25, 97);
    EXPECT_EQ(Picture(guarded.image, base,
                      {{'A', 0x004979A9},
                       {'a', 0x003C6C9C},
                       {'D', 0x0000002F},
                       {'d', 0x00003060},
                       {'t', tint}}),
              "...........\n"
              "..aAAAAAa..\n"
              ".aAaaaaatd.\n"
              ".Aaa....dD.\n"
              ".Aa.....dD.\n"
              ".Aa....ddD.\n"
              ".atdddddDd.\n"
              "..dDDDDDd..\n"
              "...........\n");
    EXPECT_TRUE(guarded.Intact());
}

TEST(OdnbTintBevel, SmallRectanglesKeepOnlyTheSinglePixelsInsideTheImage) {
    // 4 x 4 at (1, 1): no line fits; (L + 2, T + 2) and (R - 3, B - 3) are tinted twice.
    Guarded small = Filled(7, 6, 0);
    TintBevel(small.image, {1, 1, 5, 5}, 0, 0x00FFFFFF, 128, 0, 0);
    EXPECT_EQ(Picture(small.image, 0, {{'1', 0x007F7F7F}, {'2', 0x00BEBEBE}}), ".......\n"
                                                                               "..11...\n"
                                                                               ".1211..\n"
                                                                               ".1121..\n"
                                                                               "..11...\n"
                                                                               ".......\n");
    Guarded corner = Filled(3, 3, 0);
    TintBevel(corner.image, {0, 0, 0, 0}, 0, 0x00FFFFFF, 0, 0, 0);
    EXPECT_EQ(Picture(corner.image, 0, {{'t', 0x00FFFFFF}}), ".t.\n"
                                                             "tt.\n"
                                                             "..t\n");
    EXPECT_TRUE(small.Intact() && corner.Intact());
}

// The inset tint two pixels in and the bevel together tint every pixel of the rectangle
// inset by n once and its four outermost corners never. That holds from 5 x 6 and 6 x 5
// up; in smaller ones the bevel's single pixels overlap (in 5 x 5, (L + 2, T + 2) is also
// (R - 3, B - 3)), so there only the image bounds are checked.
TEST(OdnbTintInsetAndBevel, TogetherTintTheInsetRectangleOnce) {
    const ColorRef white = 0x00FFFFFF;
    const ColorRef once = 0x007F7F7F;
    for (std::int32_t n = 0; n <= 3; ++n) {
        for (std::int32_t width = 0; width <= 14; ++width) {
            for (std::int32_t height = 0; height <= 13; ++height) {
                Guarded guarded = Filled(static_cast<std::uint32_t>(width) + 6,
                                         static_cast<std::uint32_t>(height) + 5, 0);
                PixelRect rect = {2, 1, 2 + width, 1 + height};
                TintInset(guarded.image, rect, n + 2, white, 128);
                TintBevel(guarded.image, rect, n, white, 128, 0, 0);
                ASSERT_TRUE(guarded.Intact()) << width << " x " << height;
                std::int32_t innerWidth = width - 2 * n, innerHeight = height - 2 * n;
                if (innerWidth < 5 || innerHeight < 5 || (innerWidth == 5 && innerHeight == 5))
                    continue;
                std::int32_t L = rect.left + n, T = rect.top + n;
                std::int32_t R = rect.right - n, B = rect.bottom - n;
                for (std::int32_t y = 0; y < height + 5; ++y) {
                    for (std::int32_t x = 0; x < width + 6; ++x) {
                        bool inside = x >= L && x < R && y >= T && y < B;
                        bool corner = (x == L || x == R - 1) && (y == T || y == B - 1);
                        ASSERT_EQ(ReadPixel(guarded.image, x, y), inside && !corner ? once : 0)
                            << width << " x " << height << " inset " << n << " at " << x << ", "
                            << y;
                    }
                }
            }
        }
    }
}

} // namespace
