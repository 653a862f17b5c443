// The frame formula's known values: the geometry of the disc, the fades, listed pixels
// of every table at three settings, whole-frame statistics and the small and odd sizes.
// Each group names the rule it checks, so a failure says which rule broke.
#include "tests/core/frames_support.h"

#include <gtest/gtest.h>

namespace {

struct TableOf {
    const char* name;
    const FrameSlot* table;
};

const TableOf all_tables[] = {{"attack", frame_tables.attack_frames},
                              {"hold", frame_tables.hold_frames},
                              {"release", frame_tables.release_frames}};

const FrameSettings varied_settings[] = {
    default_settings,   {64, 16, 1, 2, 0},   {64, 16, 2, 4, 1},      {63, 7, 3, 5, 0},
    {65, 9, -4, 11, 1}, {32, 64, 10, 16, 1}, {40, 3, 1000000, -7, 0}};

// Calls check(table, slot, pixels) for every built slot of every table.
template <typename Check> void for_each_frame(const FrameSettings& settings, Check check) {
    rebuild_with(settings);
    for (const TableOf& table : all_tables) {
        for (int slot = 0; slot < settings.frames; ++slot) {
            const std::uint32_t* pixels = ready_frame(table.table, slot, settings.size);
            ASSERT_NE(pixels, nullptr) << table.name << " slot " << slot;
            check(table, slot, pixels);
        }
    }
}

TEST(FrameDisc, CentreIsTransparentInEveryFrame) {
    for (const FrameSettings& settings : varied_settings) {
        const int h = settings.size / 2;
        for_each_frame(settings, [&](const TableOf& table, int slot, const std::uint32_t* p) {
            EXPECT_EQ(p[h * settings.size + h], 0u)
                << table.name << " slot " << slot << " size " << settings.size;
        });
    }
}

TEST(FrameDisc, CornersAreOutsideAndTheRimHasNoEnvelope) {
    for_each_frame(default_settings, [](const TableOf& table, int slot, const std::uint32_t* p) {
        for (int corner : {0, 63, 63 * 64, 63 * 64 + 63})
            EXPECT_EQ(p[corner], 0u) << table.name << " slot " << slot;
        // (0, 32) and (32, 0) lie exactly on the rim, r = 1, where the envelope is 0.
        EXPECT_EQ(p[32 * 64 + 0], 0u) << table.name << " slot " << slot;
        EXPECT_EQ(p[0 * 64 + 32], 0u) << table.name << " slot " << slot;
    });
}

TEST(FrameDisc, ZeroDiagonalIsTransparentInEveryFrame) {
    for (const FrameSettings& settings : varied_settings) {
        for_each_frame(settings, [&](const TableOf& table, int slot, const std::uint32_t* p) {
            for (int i = 0; i < settings.size; ++i)
                EXPECT_EQ(p[i * settings.size + i], 0u)
                    << table.name << " slot " << slot << " pixel (" << i << ", " << i << ")";
        });
    }
}

TEST(FrameDisc, OnlyThreeKindsOfPixelAndDarkAtMostHalf) {
    for (const FrameSettings& settings : varied_settings) {
        for_each_frame(settings, [&](const TableOf& table, int slot, const std::uint32_t* p) {
            for (int i = 0; i < settings.size * settings.size; ++i) {
                const std::uint32_t alpha = p[i] >> 24;
                const bool kind_ok = p[i] == white(alpha) || (p[i] == dark(alpha) && alpha <= 127);
                ASSERT_TRUE(kind_ok) << table.name << " slot " << slot << " index " << i << " word "
                                     << std::hex << p[i];
            }
        });
    }
}

TEST(FrameFades, AttackStartsFullyTransparent) {
    for (const FrameSettings& settings : varied_settings) {
        rebuild_with(settings);
        const std::uint32_t* p = ready_frame(frame_tables.attack_frames, 0, settings.size);
        ASSERT_NE(p, nullptr);
        for (int i = 0; i < settings.size * settings.size; ++i)
            ASSERT_EQ(p[i], 0u) << "index " << i << " size " << settings.size;
    }
}

TEST(FrameFades, ReleaseStartsEqualToHold) {
    for (const FrameSettings& settings : varied_settings) {
        rebuild_with(settings);
        const std::uint32_t* hold = ready_frame(frame_tables.hold_frames, 0, settings.size);
        const std::uint32_t* release = ready_frame(frame_tables.release_frames, 0, settings.size);
        ASSERT_NE(hold, nullptr);
        ASSERT_NE(release, nullptr);
        for (int i = 0; i < settings.size * settings.size; ++i)
            ASSERT_EQ(release[i], hold[i]) << "index " << i << " size " << settings.size;
    }
}

struct Sample {
    const FrameSlot* table;
    int slot;
    int column;
    int row;
    std::uint32_t expected;
};

void expect_samples(const FrameSettings& settings, std::initializer_list<Sample> samples) {
    rebuild_with(settings);
    for (const Sample& s : samples) {
        const char* name = s.table == frame_tables.hold_frames     ? "hold"
                           : s.table == frame_tables.attack_frames ? "attack"
                                                                   : "release";
        EXPECT_EQ(pixel_at(s.table, s.slot, s.column, s.row), s.expected)
            << name << " slot " << s.slot << " pixel (" << s.column << ", " << s.row << ")";
    }
}

const FrameSlot* const attack = frame_tables.attack_frames;
const FrameSlot* const hold = frame_tables.hold_frames;
const FrameSlot* const release = frame_tables.release_frames;

TEST(FrameSamples, DirectionTowardsTopLeftIsLit) {
    // (24, 40): s exactly 1.
    expect_samples(default_settings, {{hold, 0, 24, 40, white(131)},
                                      {hold, 4, 24, 40, white(163)},
                                      {hold, 8, 24, 40, white(99)},
                                      {attack, 4, 24, 40, white(62)},
                                      {attack, 8, 24, 40, white(70)},
                                      {release, 4, 24, 40, white(122)},
                                      {release, 8, 24, 40, white(49)}});
}

TEST(FrameSamples, MirrorAcrossTheZeroDiagonalIsDarkAtHalf) {
    // (40, 24): s exactly -1.
    expect_samples(default_settings, {{hold, 0, 40, 24, dark(65)},
                                      {hold, 4, 40, 24, dark(81)},
                                      {hold, 8, 40, 24, dark(49)},
                                      {attack, 4, 40, 24, dark(31)},
                                      {release, 8, 40, 24, dark(24)}});
}

TEST(FrameSamples, OffAxisPixels) {
    expect_samples(default_settings, {{hold, 0, 36, 44, white(42)},
                                      {hold, 4, 36, 44, white(68)},
                                      {hold, 8, 36, 44, white(54)},
                                      {attack, 4, 36, 44, white(26)},
                                      {release, 8, 36, 44, white(27)},
                                      {hold, 0, 44, 36, dark(21)},
                                      {hold, 4, 44, 36, dark(34)},
                                      {hold, 8, 44, 36, dark(27)},
                                      {hold, 0, 44, 28, dark(42)},
                                      {hold, 4, 44, 28, dark(68)},
                                      {hold, 8, 44, 28, dark(54)}});
}

TEST(FrameSamples, WaveArgumentOfSinglePiGivesNothing) {
    // At (48, 32) the wave argument of slot 0 is single(pi), whose sine is about -9e-8.
    expect_samples(
        default_settings,
        {{hold, 0, 48, 32, 0}, {hold, 4, 48, 32, dark(31)}, {hold, 8, 48, 32, dark(45)}});
}

TEST(FrameSamples, LastColumnInsideTheDisc) {
    expect_samples(default_settings, {{hold, 8, 63, 32, white(5)}});
}

TEST(FrameSamples, RingEnvelopeWithoutSharpPeek) {
    expect_samples({64, 16, 1, 2, 0}, {{hold, 0, 24, 40, white(117)},
                                       {hold, 4, 24, 40, white(146)},
                                       {hold, 8, 24, 40, white(89)},
                                       {attack, 8, 24, 40, white(63)},
                                       {hold, 0, 40, 24, dark(58)}});
}

TEST(FrameSamples, FasterDenserWave) {
    expect_samples({64, 16, 2, 4, 1}, {{hold, 0, 24, 40, dark(79)},
                                       {hold, 8, 24, 40, white(158)},
                                       {hold, 0, 40, 24, white(158)},
                                       {hold, 4, 48, 32, white(90)}});
}

struct Statistics {
    int non_zero = 0;
    int white_count = 0;
    std::uint32_t largest_alpha = 0;
    long alpha_sum = 0;
};

Statistics statistics_of(const FrameSlot* table, int slot) {
    Statistics out;
    const std::uint32_t* p = ready_frame(table, slot, setup::size);
    for (int i = 0; p != nullptr && i < setup::size * setup::size; ++i) {
        const std::uint32_t alpha = p[i] >> 24;
        out.non_zero += p[i] != 0;
        out.white_count += p[i] != 0 && (p[i] & 0xff) != 0;
        out.largest_alpha = alpha > out.largest_alpha ? alpha : out.largest_alpha;
        out.alpha_sum += alpha;
    }
    return out;
}

TEST(FrameStatistics, WholeFramesAtTheDefaults) {
    rebuild_with(default_settings);
    struct Row {
        const char* name;
        const FrameSlot* table;
        int slot;
        Statistics expected;
    };
    const Row rows[] = {{"hold 0", hold, 0, {2835, 1450, 195, 86012}},
                        {"attack 8", attack, 8, {2848, 1471, 165, 54213}},
                        {"release 15", release, 15, {1614, 944, 12, 4189}}};
    for (const Row& row : rows) {
        const Statistics got = statistics_of(row.table, row.slot);
        EXPECT_EQ(got.non_zero, row.expected.non_zero) << row.name;
        EXPECT_EQ(got.white_count, row.expected.white_count) << row.name;
        EXPECT_EQ(got.largest_alpha, row.expected.largest_alpha) << row.name;
        EXPECT_EQ(got.alpha_sum, row.expected.alpha_sum) << row.name;
    }
}

TEST(FrameSizes, OddSizeHasItsCentreInTheMiddle) {
    const std::vector<std::uint32_t> frame =
        single_frame(63, 0.25f, false, false, default_settings);
    EXPECT_EQ(frame[31 * 63 + 31], 0u);
    EXPECT_EQ(frame[31 * 63 + 32], white(96));
    EXPECT_EQ(frame[32 * 63 + 31], dark(48));
}

TEST(FrameSizes, SidesOneTwoAndThreeAreTransparent) {
    for (unsigned size : {1u, 2u, 3u}) {
        for (float phase : {0.0f, 0.25f, 0.5f, 0.9375f}) {
            for (int flags = 0; flags < 4; ++flags) {
                const std::vector<std::uint32_t> frame =
                    single_frame(size, phase, flags & 1, flags & 2, {0, 0, 3, 7, flags & 1});
                for (std::size_t i = 0; i < frame.size(); ++i)
                    EXPECT_EQ(frame[i], 0u) << "size " << size << " index " << i;
            }
        }
    }
}

TEST(FrameSizes, EveryPixelIsWritten) {
    // The buffer starts filled with a marker word that no pixel can take.
    for (unsigned size : {1u, 4u, 17u, 64u}) {
        const std::vector<std::uint32_t> frame =
            single_frame(size, 0.5f, true, false, default_settings);
        for (std::size_t i = 0; i < frame.size(); ++i)
            ASSERT_NE(frame[i], 0xDEADBEEFu) << "size " << size << " index " << i;
    }
}

} // namespace
