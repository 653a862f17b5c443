// Tests of the button's pixel operations: the bottom-up layout and the red/blue swap, the
// blend and shade arithmetic at its limits, and the inset tint and bevel pixel by pixel.
// Images are odd-sized and asymmetric with distinct channel values, so that a row flip or
// a red/blue swap cannot pass.
#include "odnb/pixels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t guardWord = 0xDEADBEEF;
constexpr std::size_t guardWords = 16;

// An image with guard words before and after its pixels, so that a write outside the
// image shows as a changed guard.
struct GuardedImage {
    std::vector<std::uint32_t> storage;
    PixelImage image;
};

GuardedImage MakeImage(std::uint32_t width, std::uint32_t height, std::uint32_t fill) {
    GuardedImage guarded;
    guarded.storage.assign(width * height + 2 * guardWords, guardWord);
    for (std::size_t i = 0; i < width * height; ++i)
        guarded.storage[guardWords + i] = fill;
    guarded.image = {width, height, guarded.storage.data() + guardWords};
    return guarded;
}

bool GuardsIntact(const GuardedImage& guarded) {
    std::size_t pixelCount = guarded.image.width * guarded.image.height;
    for (std::size_t i = 0; i < guardWords; ++i) {
        if (guarded.storage[i] != guardWord ||
            guarded.storage[guardWords + pixelCount + i] != guardWord)
            return false;
    }
    return true;
}

// Renders the image as rows of one letter per pixel, top row first: '.' for `base`, and
// for any other colour the letter that `legend` gives it ('?' if none).
std::string Picture(const PixelImage& image, ColorRef base,
                    const std::vector<std::pair<char, ColorRef>>& legend) {
    std::string picture;
    for (std::int32_t y = 0; y < static_cast<std::int32_t>(image.height); ++y) {
        for (std::int32_t x = 0; x < static_cast<std::int32_t>(image.width); ++x) {
            ColorRef color = ReadPixel(image, x, y);
            char letter = color == base ? '.' : '?';
            for (const auto& [name, value] : legend) {
                if (color == value && color != base)
                    letter = name;
            }
            picture += letter;
        }
        picture += '\n';
    }
    return picture;
}

// A 5 x 3 image whose words are listed in memory order: the first line is the bottom row.
std::vector<std::uint32_t> FiveByThreeWords() {
    return {
        0xA1102030, 0xA1112131, 0xA1122232, 0xA1132333, 0xA1142434, // row 2 (bottom)
        0xB2405060, 0xB2415161, 0xB2425262, 0xB2435363, 0xB2445464, // row 1
        0xC3708090, 0xC3718191, 0xC3728292, 0xC3738393, 0xC3748494, // row 0 (top)
    };
}

TEST(OdnbPixelLayout, RowsRunBottomUpInMemory) {
    std::vector<std::uint32_t> words = FiveByThreeWords();
    PixelImage image = {5, 3, words.data()};
    // (0, 0) is the first word of the last row in memory.
    EXPECT_EQ(ReadPixel(image, 0, 0), 0x00908070u);
    // (width - 1, height - 1) is the last word of the first row.
    EXPECT_EQ(ReadPixel(image, 4, 2), 0x00342414u);
    EXPECT_EQ(ReadPixel(image, 1, 0), 0x00918171u);
    EXPECT_EQ(ReadPixel(image, 0, 2), 0x00302010u);
    EXPECT_EQ(ReadPixel(image, 3, 1), 0x00635343u);
}

TEST(OdnbPixelLayout, ReadAndWriteSwapRedAndBlue) {
    std::vector<std::uint32_t> words(15, 0);
    PixelImage image = {5, 3, words.data()};
    words[0] = 0xFF112233;
    EXPECT_EQ(ReadPixel(image, 0, 2), 0x00332211u);

    WritePixel(image, 3, 0, 0x00332211);
    EXPECT_EQ(words[2 * 5 + 3], 0x00112233u);
}

TEST(OdnbPixelLayout, WriteClearsTheTopByteAndTouchesOneWord) {
    std::vector<std::uint32_t> words = FiveByThreeWords();
    std::vector<std::uint32_t> expected = words;
    PixelImage image = {5, 3, words.data()};
    WritePixel(image, 2, 1, 0xAB0A0B0C);
    expected[1 * 5 + 2] = 0x000C0B0A;
    EXPECT_EQ(words, expected);
}

TEST(OdnbPixelLayout, OutsideTheImageIsIgnored) {
    GuardedImage guarded = MakeImage(5, 3, 0x00405060);
    std::vector<std::uint32_t> before = guarded.storage;
    const std::int32_t most = std::numeric_limits<std::int32_t>::max();
    const std::int32_t least = std::numeric_limits<std::int32_t>::min();
    // (5, 1) and (-1, 1) would land on neighbouring rows' words if only the index were
    // checked.
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

TEST(OdnbBlendColor, MixesByTheShareOfTheExistingColour) {
    EXPECT_EQ(BlendColor(0x00FFFFFF, 0x00CCCCCC, 204), 0x00F4F4F4u);
    EXPECT_EQ(BlendColor(0x00000000, 0x00CCCCCC, 204), 0x00282828u);
    EXPECT_EQ(BlendColor(0x00102030, 0x00CCCCCC, 128), 0x006D757Du);
    // Each channel on its own: red all existing, blue all tint.
    EXPECT_EQ(BlendColor(0x000000FF, 0x00FF0000, 51), 0x00CC0033u);
}

TEST(OdnbBlendColor, TruncatesEachChannel) {
    EXPECT_EQ(BlendColor(0x00000001, 0x00000000, 254), 0x00000000u);
    EXPECT_EQ(BlendColor(0x000000FF, 0x00000000, 1), 0x00000001u);
    EXPECT_EQ(BlendColor(0x00000000, 0x00FF0000, 254), 0x00010000u);
}

TEST(OdnbBlendColor, ExtremeWeightsReturnOneInputWhole) {
    EXPECT_EQ(BlendColor(0xAB102030, 0xCD405060, 255), 0xAB102030u);
    EXPECT_EQ(BlendColor(0xAB102030, 0xCD405060, 0), 0xCD405060u);
    // Any other weight computes the channels and clears the top byte.
    EXPECT_EQ(BlendColor(0xFF102030, 0xEECCCCCC, 128), 0x006D757Du);
    EXPECT_EQ(BlendColor(0xAB102030, 0xCD102030, 254), 0x00102030u);
}

TEST(OdnbShadeColor, ClampsEveryChannel) {
    EXPECT_EQ(ShadeColor(0x00F0F0F0, 32), 0x00FFFFFFu);
    EXPECT_EQ(ShadeColor(0x00101010, -32), 0x00000000u);
    EXPECT_EQ(ShadeColor(0x00F01008, 32), 0x00FF3028u);
    EXPECT_EQ(ShadeColor(0x00F01008, -16), 0x00E00000u);
    EXPECT_EQ(ShadeColor(0x00FF00FF, 255), 0x00FFFFFFu);
    EXPECT_EQ(ShadeColor(0x00FF00FF, -255), 0x00000000u);
}

TEST(OdnbShadeColor, SurvivesTheWidestDeltas) {
    EXPECT_EQ(ShadeColor(0x00F01008, std::numeric_limits<std::int32_t>::max()), 0x00FFFFFFu);
    EXPECT_EQ(ShadeColor(0x00F01008, std::numeric_limits<std::int32_t>::min()), 0x00000000u);
}

TEST(OdnbShadeColor, ZeroDeltaPassesAllBitsThrough) {
    EXPECT_EQ(ShadeColor(0xFF123456, 0), 0xFF123456u);
    EXPECT_EQ(ShadeColor(0xFF123456, 1), 0x00133557u);
    EXPECT_EQ(ShadeColor(0xFF123456, -1), 0x00113355u);
}

TEST(OdnbShadePixel, ShadesInPlaceAndRewritesTheTopByte) {
    std::vector<std::uint32_t> words = FiveByThreeWords();
    PixelImage image = {5, 3, words.data()};
    ShadePixel(image, 1, 0, 0x10); // word 0xC3718191 at index 11
    EXPECT_EQ(words[11], 0x008191A1u);
    ShadePixel(image, 4, 2, 0); // word 0xA1142434 at index 4
    EXPECT_EQ(words[4], 0x00142434u);
}

TEST(OdnbTintShadePixel, TintsBeforeItShades) {
    std::vector<std::uint32_t> words(15, 0);
    PixelImage image = {5, 3, words.data()};
    // On black, half white then -200 gives black; the other order would give 127.
    TintShadePixel(image, 0, 0, 0x00FFFFFF, 128, -200);
    EXPECT_EQ(ReadPixel(image, 0, 0), 0x00000000u);
    // On 200, half black then +100 gives 200; the other order would give 127.
    WritePixel(image, 4, 2, 0x00C8C8C8);
    TintShadePixel(image, 4, 2, 0x00000000, 128, 100);
    EXPECT_EQ(ReadPixel(image, 4, 2), 0x00C8C8C8u);
    // Delta 0 only tints.
    WritePixel(image, 2, 1, 0x00FFFFFF);
    TintShadePixel(image, 2, 1, 0x00CCCCCC, 204, 0);
    EXPECT_EQ(ReadPixel(image, 2, 1), 0x00F4F4F4u);
}

constexpr ColorRef base = 0x00B08050;
constexpr ColorRef tint = 0x00306090;

TEST(OdnbTintInset, SkipsTheTopLeftAndBottomRightPixels) {
    GuardedImage guarded = MakeImage(9, 7, 0);
    for (std::int32_t y = 0; y < 7; ++y) {
        for (std::int32_t x = 0; x < 9; ++x)
            WritePixel(guarded.image, x, y, base);
    }
    TintInset(guarded.image, {1, 1, 8, 6}, 1, tint, 0);
    EXPECT_EQ(Picture(guarded.image, base, {{'t', tint}}), ".........\n"
                                                           ".........\n"
                                                           "...tttt..\n"
                                                           "..ttttt..\n"
                                                           "..tttt...\n"
                                                           ".........\n"
                                                           ".........\n");
    EXPECT_TRUE(GuardsIntact(guarded));
}

TEST(OdnbTintInset, BlendsWithTheWeight) {
    GuardedImage guarded = MakeImage(5, 3, 0x00FFFFFF);
    TintInset(guarded.image, {0, 0, 5, 3}, 0, 0x00CCCCCC, 204);
    EXPECT_EQ(ReadPixel(guarded.image, 0, 0), 0x00FFFFFFu);
    EXPECT_EQ(ReadPixel(guarded.image, 4, 0), 0x00F4F4F4u);
    EXPECT_EQ(ReadPixel(guarded.image, 0, 2), 0x00F4F4F4u);
    EXPECT_EQ(ReadPixel(guarded.image, 4, 2), 0x00FFFFFFu);
}

TEST(OdnbTintInset, EmptyInvertedAndSinglePixelRectanglesChangeNothing) {
    const struct {
        PixelRect rect;
        std::int32_t inset;
    } cases[] = {
        {{3, 3, 3, 6}, 0}, // no width
        {{2, 4, 7, 4}, 0}, // no height
        {{5, 2, 4, 6}, 0}, // inverted
        {{0, 0, 9, 7}, 4}, // the inset crosses over
        {{1, 0, 8, 7}, 3}, // 2n + 1 wide and high: its one pixel is left out
        {{4, 3, 5, 4}, 0}, // one pixel
    };
    for (const auto& c : cases) {
        GuardedImage guarded = MakeImage(9, 7, 0x00405060);
        std::vector<std::uint32_t> before = guarded.storage;
        TintInset(guarded.image, c.rect, c.inset, tint, 0);
        EXPECT_EQ(guarded.storage, before)
            << c.rect.left << "," << c.rect.top << " inset " << c.inset;
    }
}

TEST(OdnbTintInset, ClipsToTheImage) {
    GuardedImage guarded = MakeImage(5, 3, 0);
    for (std::int32_t y = 0; y < 3; ++y) {
        for (std::int32_t x = 0; x < 5; ++x)
            WritePixel(guarded.image, x, y, base);
    }
    TintInset(guarded.image, {-3, -2, 4, 2}, 0, tint, 0);
    EXPECT_EQ(Picture(guarded.image, base, {{'t', tint}}), "tttt.\n"
                                                           "ttt..\n"
                                                           ".....\n");
    EXPECT_TRUE(GuardsIntact(guarded));
}

// The bevel of a 9 x 7 rectangle on a solid tint, one letter per delta: A light, a half
// light, D dark, d half dark, t tint alone.
TEST(OdnbTintBevel, LaysTwoLinesAndFourteenSinglePixels) {
    GuardedImage guarded = MakeImage(11, 9, 0);
    for (std::int32_t y = 0; y < 9; ++y) {
        for (std::int32_t x = 0; x < 11; ++x)
            WritePixel(guarded.image, x, y, base);
    }
    TintBevel(guarded.image, {0, 0, 11, 9}, 1, tint, 0, 24, 96);
    const std::vector<std::pair<char, ColorRef>> legend = {
        {'A', ShadeColor(tint, 24)},
        {'a', ShadeColor(tint, 12)},
        {'D', ShadeColor(tint, -96)},
        {'d', ShadeColor(tint, -48)},
        {'t', tint},
    };
    EXPECT_EQ(Picture(guarded.image, base, legend), "...........\n"
                                                    "..aAAAAAa..\n"
                                                    ".aAaaaaatd.\n"
                                                    ".Aaa....dD.\n"
                                                    ".Aa.....dD.\n"
                                                    ".Aa....ddD.\n"
                                                    ".atdddddDd.\n"
                                                    "..dDDDDDd..\n"
                                                    "...........\n");
    EXPECT_TRUE(GuardsIntact(guarded));
}

TEST(OdnbTintBevel, HalvesTruncateTowardZero) {
    GuardedImage guarded = MakeImage(9, 7, 0x00808080);
    TintBevel(guarded.image, {0, 0, 9, 7}, 0, 0, 255, -33, 33);
    EXPECT_EQ(ReadPixel(guarded.image, 4, 0), 0x005F5F5Fu); // outer top: -33
    EXPECT_EQ(ReadPixel(guarded.image, 4, 1), 0x00707070u); // inner top: -16
    EXPECT_EQ(ReadPixel(guarded.image, 4, 5), 0x00707070u); // inner bottom: -16
    EXPECT_EQ(ReadPixel(guarded.image, 8, 3), 0x005F5F5Fu); // outer right: -33
}

TEST(OdnbTintBevel, SmallRectanglesKeepOnlyTheirSinglePixels) {
    // 4 x 4 at (1, 1): no line fits, and the single pixels land where the table puts them,
    // (L + 2, T + 2) and (R - 3, B - 3) twice each.
    GuardedImage guarded = MakeImage(7, 7, 0);
    TintBevel(guarded.image, {1, 1, 5, 5}, 0, 0x00FFFFFF, 128, 0, 0);
    const ColorRef once = 0x007F7F7F;
    const ColorRef twice = BlendColor(once, 0x00FFFFFF, 128);
    EXPECT_EQ(Picture(guarded.image, 0, {{'1', once}, {'2', twice}}), ".......\n"
                                                                      "..11...\n"
                                                                      ".1211..\n"
                                                                      ".1121..\n"
                                                                      "..11...\n"
                                                                      ".......\n"
                                                                      ".......\n");
    // An empty rectangle in the corner: its single pixels still apply inside the image.
    GuardedImage corner = MakeImage(3, 3, 0);
    TintBevel(corner.image, {0, 0, 0, 0}, 0, 0x00FFFFFF, 0, 0, 0);
    EXPECT_EQ(Picture(corner.image, 0, {{'t', 0x00FFFFFF}}), ".t.\n"
                                                             "tt.\n"
                                                             "..t\n");
    EXPECT_TRUE(GuardsIntact(guarded));
    EXPECT_TRUE(GuardsIntact(corner));
}

// The inset tint two pixels in and the bevel together tint every pixel of the rectangle
// inset by n once, its four outermost corners never. This holds from 5 x 6 and 6 x 5 up;
// below that the bevel's single pixels overlap each other (in 5 x 5 the pixels
// (L + 2, T + 2) and (R - 3, B - 3) coincide), so there only the image bounds are checked.
TEST(OdnbTintInsetAndBevel, TogetherTintTheInsetRectangleOnce) {
    const ColorRef white = 0x00FFFFFF;
    const ColorRef once = BlendColor(0, white, 128);
    for (std::int32_t inset = 0; inset <= 3; ++inset) {
        for (std::int32_t width = 0; width <= 14; ++width) {
            for (std::int32_t height = 0; height <= 13; ++height) {
                GuardedImage guarded = MakeImage(static_cast<std::uint32_t>(width + 6),
                                                 static_cast<std::uint32_t>(height + 5), 0);
                PixelRect rect = {2, 1, 2 + width, 1 + height};
                TintInset(guarded.image, rect, inset + 2, white, 128);
                TintBevel(guarded.image, rect, inset, white, 128, 0, 0);
                ASSERT_TRUE(GuardsIntact(guarded)) << width << " x " << height;

                std::int32_t innerWidth = width - 2 * inset;
                std::int32_t innerHeight = height - 2 * inset;
                bool ruleHolds =
                    innerWidth >= 5 && innerHeight >= 5 && !(innerWidth == 5 && innerHeight == 5);
                if (!ruleHolds)
                    continue;
                std::int32_t L = rect.left + inset, T = rect.top + inset;
                std::int32_t R = rect.right - inset, B = rect.bottom - inset;
                for (std::int32_t y = 0; y < height + 5; ++y) {
                    for (std::int32_t x = 0; x < width + 6; ++x) {
                        bool inside = x >= L && x < R && y >= T && y < B;
                        bool corner = (x == L || x == R - 1) && (y == T || y == B - 1);
                        ColorRef expected = inside && !corner ? once : 0;
                        ASSERT_EQ(ReadPixel(guarded.image, x, y), expected)
                            << width << " x " << height << " inset " << inset << " at " << x << ", "
                            << y;
                    }
                }
            }
        }
    }
}

} // namespace
