// Reads the committed icon group and panel background the way Windows will when it loads
// them from the exe, so that a regenerated picture with a broken header, a missing image,
// a wrong palette or a malformed run-length stream is caught before it reaches a machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes read_file(const std::string& name) {
    std::ifstream in(std::string(ONDRELLA_SOURCE_DIR) + "/res/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Bounds-checked little-endian reads: a field past the end of the file throws, which
// GoogleTest reports as a failure of the test that read it.
std::uint32_t le16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b.at(at) | b.at(at + 1) << 8);
}

std::uint32_t le32(const Bytes& b, std::size_t at) {
    return le16(b, at) | le16(b, at + 2) << 16;
}

std::int32_t le32s(const Bytes& b, std::size_t at) {
    return static_cast<std::int32_t>(le32(b, at));
}

std::size_t row_bytes(std::size_t width, std::size_t bits) {
    return (width * bits + 31) / 32 * 4;
}

// ---------------------------------------------------------------------------------------
// The icon group.

struct IconEntry {
    unsigned width, height, colour_count, reserved, planes, bits;
    std::size_t size, offset;
};

std::vector<IconEntry> icon_entries(const Bytes& ico) {
    std::vector<IconEntry> entries;
    const unsigned count = le16(ico, 4);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t at = 6 + 16 * i;
        entries.push_back({ico.at(at), ico.at(at + 1), ico.at(at + 2), ico.at(at + 3),
                           le16(ico, at + 4), le16(ico, at + 6), le32(ico, at + 8),
                           le32(ico, at + 12)});
    }
    return entries;
}

class IconTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ico = read_file("ondrella.ico");
        ASSERT_GE(ico.size(), 6u) << "res/ondrella.ico is missing or empty";
        entries = icon_entries(ico);
    }
    Bytes ico;
    std::vector<IconEntry> entries;
};

TEST_F(IconTest, DirectoryListsTheTenImages) {
    EXPECT_EQ(le16(ico, 0), 0u);
    EXPECT_EQ(le16(ico, 2), 1u) << "type 1 is an icon, 2 a cursor";
    ASSERT_EQ(entries.size(), 10u);

    std::vector<std::pair<unsigned, unsigned>> found;
    for (const IconEntry& e : entries) {
        EXPECT_EQ(e.width, e.height);
        found.emplace_back(e.width, e.bits);
    }
    std::sort(found.begin(), found.end());
    const std::vector<std::pair<unsigned, unsigned>> wanted = {
        {16, 4},  {16, 8}, {16, 32}, {32, 4},  {32, 8},
        {32, 32}, {48, 4}, {48, 8},  {48, 32}, {64, 32}};
    EXPECT_EQ(found, wanted);
}

TEST_F(IconTest, EntriesPointInsideTheFileWithoutOverlap) {
    const std::size_t directory_end = 6 + 16 * entries.size();
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    for (const IconEntry& e : entries) {
        SCOPED_TRACE(std::to_string(e.width) + " px, " + std::to_string(e.bits) + " bits");
        EXPECT_EQ(e.reserved, 0u);
        EXPECT_EQ(e.planes, 1u);
        EXPECT_EQ(e.colour_count, e.bits == 4 ? 16u : 0u);
        EXPECT_GE(e.offset, directory_end);
        EXPECT_GT(e.size, 0u);
        EXPECT_LE(e.offset + e.size, ico.size());
        spans.emplace_back(e.offset, e.offset + e.size);
    }
    std::sort(spans.begin(), spans.end());
    for (std::size_t i = 1; i < spans.size(); ++i)
        EXPECT_LE(spans[i - 1].second, spans[i].first) << "image data overlap";
}

TEST_F(IconTest, EveryImageIsAWellFormedDib) {
    for (const IconEntry& e : entries) {
        SCOPED_TRACE(std::to_string(e.width) + " px, " + std::to_string(e.bits) + " bits");
        const std::size_t at = e.offset;
        ASSERT_LE(at + 40, ico.size());
        EXPECT_EQ(le32(ico, at), 40u) << "BITMAPINFOHEADER expected";
        EXPECT_EQ(le32s(ico, at + 4), static_cast<std::int32_t>(e.width));
        EXPECT_EQ(le32s(ico, at + 8), static_cast<std::int32_t>(2 * e.width))
            << "the height counts the colour rows and the mask rows";
        EXPECT_EQ(le16(ico, at + 12), 1u);
        EXPECT_EQ(le16(ico, at + 14), e.bits);
        EXPECT_EQ(le32(ico, at + 16), 0u) << "uncompressed";

        const std::size_t used = le32(ico, at + 32);
        const std::size_t palette = e.bits <= 8 ? (used ? used : std::size_t{1} << e.bits) : used;
        EXPECT_EQ(palette, e.bits <= 8 ? std::size_t{1} << e.bits : 0u);

        const std::size_t xor_size = row_bytes(e.width, e.bits) * e.width;
        const std::size_t and_size = row_bytes(e.width, 1) * e.width;
        EXPECT_EQ(40 + 4 * palette + xor_size + and_size, e.size);
        const std::size_t size_image = le32(ico, at + 20);
        EXPECT_TRUE(size_image == 0 || size_image == xor_size + and_size);
    }
}

// The colour value and the AND-mask bit of pixel (x, y), y counted from the top.
struct IconPixel {
    std::uint32_t value;
    bool masked;
};

IconPixel icon_pixel(const Bytes& ico, const IconEntry& e, unsigned x, unsigned y) {
    const std::size_t palette = e.bits <= 8 ? std::size_t{1} << e.bits : 0;
    const std::size_t xor_at = e.offset + 40 + 4 * palette;
    const std::size_t and_at = xor_at + row_bytes(e.width, e.bits) * e.width;
    const unsigned row = e.width - 1 - y; // bottom-up
    const std::size_t line = xor_at + row * row_bytes(e.width, e.bits);
    std::uint32_t value = 0;
    switch (e.bits) {
    case 4: value = x % 2 ? ico.at(line + x / 2) & 0x0f : ico.at(line + x / 2) >> 4; break;
    case 8: value = ico.at(line + x); break;
    case 32: value = le32(ico, line + 4 * x); break;
    default: ADD_FAILURE() << "unexpected bit depth " << e.bits;
    }
    const bool masked = ico.at(and_at + row * row_bytes(e.width, 1) + x / 8) & (0x80 >> x % 8);
    return {value, masked};
}

TEST_F(IconTest, MaskedPixelsLeaveTheScreenAndTheDiscIsOpaque) {
    for (const IconEntry& e : entries) {
        SCOPED_TRACE(std::to_string(e.width) + " px, " + std::to_string(e.bits) + " bits");
        ASSERT_LE(e.offset + e.size, ico.size());
        const std::size_t palette_at = e.offset + 40;
        unsigned opaque = 0;
        for (unsigned y = 0; y < e.width; ++y) {
            for (unsigned x = 0; x < e.width; ++x) {
                const IconPixel p = icon_pixel(ico, e, x, y);
                if (e.bits == 32) {
                    // Older systems draw through the mask, newer ones by alpha: both must
                    // agree on what is transparent.
                    const unsigned alpha = p.value >> 24;
                    EXPECT_EQ(p.masked, alpha == 0) << "at " << x << ", " << y;
                    if (alpha == 0) {
                        EXPECT_EQ(p.value, 0u) << "at " << x << ", " << y;
                    }
                } else {
                    ASSERT_LT(p.value, 1u << e.bits);
                    // A masked pixel is XORed onto the screen, so only black leaves it be.
                    if (p.masked) {
                        EXPECT_EQ(le32(ico, palette_at + 4 * p.value) & 0xffffff, 0u)
                            << "at " << x << ", " << y;
                    }
                }
                opaque += !p.masked;
            }
        }
        // A disc: the corners show the screen, the middle is drawn.
        EXPECT_TRUE(icon_pixel(ico, e, 0, 0).masked);
        EXPECT_TRUE(icon_pixel(ico, e, e.width - 1, e.width - 1).masked);
        EXPECT_FALSE(icon_pixel(ico, e, e.width / 2, e.width / 2).masked);
        EXPECT_GT(opaque, e.width * e.width / 2);
        EXPECT_LT(opaque, e.width * e.width);
    }
}

// ---------------------------------------------------------------------------------------
// The panel background.

constexpr int side = 400;
constexpr std::size_t info_at = 14;
constexpr std::size_t palette_at = info_at + 40;
constexpr std::size_t bits_at = palette_at + 256 * 4;

// Decodes an RLE8 stream of width x height pixels into rows top down. Strict: every line
// is filled exactly before its end-of-line code, the last one ends with end-of-bitmap at
// the very end of the stream, and deltas (which leave pixels undefined) are refused.
std::optional<std::vector<Bytes>> decode_rle8(const Bytes& s, int width, int height) {
    std::vector<Bytes> bottom_up(1);
    std::size_t i = 0;
    while (i + 2 <= s.size()) {
        const unsigned count = s[i], code = s[i + 1];
        i += 2;
        Bytes& line = bottom_up.back();
        if (count > 0) {
            if (line.size() + count > static_cast<std::size_t>(width))
                return std::nullopt;
            line.insert(line.end(), count, static_cast<std::uint8_t>(code));
        } else if (code == 0 || code == 1) {
            if (line.size() != static_cast<std::size_t>(width))
                return std::nullopt;
            const bool last = bottom_up.size() == static_cast<std::size_t>(height);
            if (code == 1) {
                if (!last || i != s.size())
                    return std::nullopt;
                return std::vector<Bytes>(bottom_up.rbegin(), bottom_up.rend());
            }
            if (last)
                return std::nullopt;
            bottom_up.emplace_back();
        } else if (code == 2) {
            return std::nullopt;
        } else {
            const std::size_t padded = code + code % 2;
            if (i + padded > s.size() || line.size() + code > static_cast<std::size_t>(width))
                return std::nullopt;
            line.insert(line.end(), s.begin() + static_cast<std::ptrdiff_t>(i),
                        s.begin() + static_cast<std::ptrdiff_t>(i + code));
            i += padded;
        }
    }
    return std::nullopt; // ran out before end-of-bitmap
}

TEST(Rle8Decoder, AcceptsRunsAndAbsoluteStretches) {
    // Bottom line first: 5 5, then the top line 7 8 as two runs of one.
    const auto runs = decode_rle8({2, 5, 0, 0, 1, 7, 1, 8, 0, 1}, 2, 2);
    ASSERT_TRUE(runs);
    EXPECT_EQ(*runs, (std::vector<Bytes>{{7, 8}, {5, 5}}));
    // An odd absolute stretch carries a pad byte, an even one none.
    const auto odd = decode_rle8({0, 3, 1, 2, 3, 0, 0, 1}, 3, 1);
    ASSERT_TRUE(odd);
    EXPECT_EQ(*odd, (std::vector<Bytes>{{1, 2, 3}}));
    const auto even = decode_rle8({0, 4, 1, 2, 3, 4, 0, 1}, 4, 1);
    ASSERT_TRUE(even);
    EXPECT_EQ(*even, (std::vector<Bytes>{{1, 2, 3, 4}}));
}

TEST(Rle8Decoder, RefusesMalformedStreams) {
    const Bytes good = {2, 5, 0, 0, 2, 6, 0, 1};
    ASSERT_TRUE(decode_rle8(good, 2, 2));
    for (std::size_t cut = 0; cut < good.size(); ++cut)
        EXPECT_FALSE(decode_rle8(Bytes(good.begin(), good.begin() + cut), 2, 2)) << cut;
    EXPECT_FALSE(decode_rle8({1, 5, 0, 0, 2, 6, 0, 1}, 2, 2)) << "short line";
    EXPECT_FALSE(decode_rle8({3, 5, 0, 0, 2, 6, 0, 1}, 2, 2)) << "long line";
    EXPECT_FALSE(decode_rle8({2, 5, 0, 1}, 2, 2)) << "too few lines";
    EXPECT_FALSE(decode_rle8({2, 5, 0, 0, 2, 6, 0, 0, 2, 7, 0, 1}, 2, 2)) << "too many lines";
    EXPECT_FALSE(decode_rle8({2, 5, 0, 0, 2, 6, 0, 1, 0, 0}, 2, 2)) << "data after the end";
    EXPECT_FALSE(decode_rle8({0, 2, 1, 0, 2, 6, 0, 1}, 2, 2)) << "delta";
    EXPECT_FALSE(decode_rle8({0, 3, 1, 2, 3, 0, 1}, 3, 1)) << "absolute stretch unpadded";
}

class BackgroundTest : public ::testing::Test {
  protected:
    void SetUp() override {
        bmp = read_file("background.bmp");
        ASSERT_GE(bmp.size(), bits_at) << "res/background.bmp is missing or too short";
    }
    Bytes bmp;
};

TEST_F(BackgroundTest, HeaderDescribesA400By400Rle8Picture) {
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(le32(bmp, 2), bmp.size());
    EXPECT_EQ(le32(bmp, 10), bits_at) << "the bits follow the 256-entry palette";
    EXPECT_EQ(le32(bmp, info_at), 40u);
    EXPECT_EQ(le32s(bmp, info_at + 4), side);
    EXPECT_EQ(le32s(bmp, info_at + 8), side) << "positive: rows stored bottom up";
    EXPECT_EQ(le16(bmp, info_at + 12), 1u);
    EXPECT_EQ(le16(bmp, info_at + 14), 8u);
    EXPECT_EQ(le32(bmp, info_at + 16), 1u) << "BI_RLE8";
    EXPECT_EQ(le32(bmp, info_at + 20), bmp.size() - bits_at) << "size of the RLE stream";
    const std::uint32_t used = le32(bmp, info_at + 32);
    EXPECT_TRUE(used == 0 || used == 256) << used;
}

TEST_F(BackgroundTest, PaletteIsTheGreyRamp) {
    for (std::uint32_t i = 0; i < 256; ++i)
        EXPECT_EQ(le32(bmp, palette_at + 4 * i), i << 16 | i << 8 | i) << "entry " << i;
}

// The most frequent value among rows [first, last] of the picture: the band's own grey,
// whatever is drawn on it.
unsigned band_grey(const std::vector<Bytes>& rows, int first, int last) {
    std::array<unsigned, 256> counts{};
    for (int y = first; y <= last; ++y)
        for (std::uint8_t v : rows[static_cast<std::size_t>(y)])
            ++counts[v];
    return static_cast<unsigned>(std::max_element(counts.begin(), counts.end()) - counts.begin());
}

TEST_F(BackgroundTest, PictureHasTitleBandPlainFieldAndFooter) {
    const auto rows = decode_rle8(Bytes(bmp.begin() + bits_at, bmp.end()), side, side);
    ASSERT_TRUE(rows) << "the RLE8 stream does not decode to 400 full lines and end-of-bitmap";
    ASSERT_EQ(rows->size(), static_cast<std::size_t>(side));

    const unsigned title = band_grey(*rows, 0, 59);
    const unsigned footer = band_grey(*rows, 372, 399);
    EXPECT_LT(title, 128u);
    EXPECT_LT(title, footer) << "the footer is lighter than the title band";
    EXPECT_LT(footer, 128u);
    for (int y = 0; y < 60; ++y)
        EXPECT_LT(band_grey(*rows, y, y), 128u) << "title band row " << y;

    // The title and the logo stand out from the band.
    unsigned light = 0;
    for (int y = 0; y < 60; ++y)
        for (std::uint8_t v : (*rows)[static_cast<std::size_t>(y)])
            light += v > 200;
    EXPECT_GT(light, 300u);

    for (int y = 100; y <= 360; ++y) {
        const Bytes& row = (*rows)[static_cast<std::size_t>(y)];
        EXPECT_TRUE(std::all_of(row.begin(), row.end(), [](std::uint8_t v) { return v == 128; }))
            << "row " << y << " is not the plain field the controls stand on";
    }
    for (int y = 372; y < side; ++y) {
        const Bytes& row = (*rows)[static_cast<std::size_t>(y)];
        EXPECT_TRUE(std::all_of(row.begin(), row.end(), [](std::uint8_t v) { return v < 128; }))
            << "footer row " << y;
    }
}

} // namespace
