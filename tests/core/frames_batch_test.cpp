// The batch synthesis against the per-pixel synthesis it replaces: every table, pixel for
// pixel, over a sweep of sides (odd and even, 1 to 256), frame counts (1 to 128), wave
// settings inside and far outside the panel's ranges, and both envelopes. The sweep is
// sampled, not exhaustive, so that it stays quick under the sanitizers and under Wine.
#include "ripple/frame_batch.h"
#include "tests/core/frames_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    unsigned size;
    std::int32_t frames;
    std::int32_t slot;
    std::int32_t jumps;
    std::int32_t circles;
    std::int32_t peek;
};

std::string describe(const Case& c) {
    return "size " + std::to_string(c.size) + " frames " + std::to_string(c.frames) + " slot " +
           std::to_string(c.slot) + " jumps " + std::to_string(c.jumps) + " circles " +
           std::to_string(c.circles) + " peek " + std::to_string(c.peek);
}

// Compares the batch's three frames of one phase with the per-pixel ones; stops at the
// first difference of each table so that a broken rule reports once.
void expect_same_frames(const Case& c) {
    const float phase =
        static_cast<float>(static_cast<double>(static_cast<float>(c.slot)) / c.frames);
    const std::size_t pixels = static_cast<std::size_t>(c.size) * c.size;
    const FrameSettings settings{0, 0, c.jumps, c.circles, c.peek};
    const std::vector<std::uint32_t> reference[] = {
        single_frame(c.size, phase, false, true, settings),
        single_frame(c.size, phase, false, false, settings),
        single_frame(c.size, phase, true, false, settings)};
    const char* const names[] = {"attack", "hold", "release"};
    // Every pixel loop this processor can run.
    for_each_vector_width([&](const char* width) {
        std::vector<std::uint32_t> frames[3];
        for (std::vector<std::uint32_t>& frame : frames)
            frame.assign(pixels, 0xDEADBEEFu);
        prepare_frame_batch(c.size, c.frames, c.jumps, c.circles, c.peek);
        synthesize_frame_batch(phase, frames[0].data(), frames[1].data(), frames[2].data());
        for (int table = 0; table < 3; ++table) {
            for (std::size_t i = 0; i < pixels; ++i) {
                if (frames[table][i] != reference[table][i]) {
                    ADD_FAILURE() << names[table] << " (" << width << ") differs at column "
                                  << i % c.size << " row " << i / c.size << ": " << std::hex
                                  << frames[table][i] << " instead of " << reference[table][i]
                                  << " (" << describe(c) << ")";
                    break;
                }
            }
        }
    });
}

struct Sampler {
    std::uint32_t state;
    std::uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    std::int32_t pick(std::initializer_list<std::int32_t> values) {
        return values.begin()[next() % values.size()];
    }
};

TEST(FrameBatch, PanelRangesOverOddAndEvenSides) {
    Sampler sampler{2024};
    for (unsigned size : {1u,  2u,  3u,  4u,  5u,   7u,   8u,   15u,  16u,  17u,  31u,  32u,
                          33u, 63u, 64u, 65u, 100u, 101u, 127u, 128u, 129u, 200u, 255u, 256u}) {
        // About the same number of pixels for every side.
        const unsigned cases = 2 + 250000 / (size * size);
        for (unsigned i = 0; i < cases; ++i) {
            const std::int32_t frames = 1 + static_cast<std::int32_t>(sampler.next() % 128);
            const std::int32_t slot = static_cast<std::int32_t>(sampler.next() % frames);
            const std::int32_t jumps = 1 + static_cast<std::int32_t>(sampler.next() % 10);
            const std::int32_t circles = 1 + static_cast<std::int32_t>(sampler.next() % 16);
            expect_same_frames({size, frames, slot, jumps, circles,
                                static_cast<std::int32_t>(sampler.next() % 2)});
        }
    }
}

TEST(FrameBatch, EveryJumpsAndCirclesOfThePanel) {
    for (std::int32_t jumps = 1; jumps <= 10; ++jumps)
        for (std::int32_t circles = 1; circles <= 16; ++circles)
            for (std::int32_t peek : {0, 1})
                expect_same_frames({33, 16, (jumps + circles) % 16, jumps, circles, peek});
}

TEST(FrameBatch, EveryFrameCountAndItsLastSlot) {
    for (std::int32_t frames = 1; frames <= 128; ++frames) {
        expect_same_frames({20, frames, frames - 1, 1, 2, frames % 2});
        expect_same_frames({21, frames, frames / 2, 3, 5, 1 - frames % 2});
    }
}

TEST(FrameBatch, ValuesOutsideThePanelThatLoadingAccepts) {
    Sampler sampler{77};
    for (unsigned size : {9u, 64u, 97u, 256u}) {
        for (std::int32_t jumps : {0, -1, -10, 1000000, 1 << 30, INT32_MIN, INT32_MAX}) {
            const std::int32_t circles =
                sampler.pick({0, -3, 17, 1000000, 1 << 30, INT32_MIN, INT32_MAX});
            const std::int32_t frames = sampler.pick({1, 7, 128});
            const std::int32_t slot = static_cast<std::int32_t>(sampler.next() % frames);
            expect_same_frames({size, frames, slot, jumps, circles, sampler.pick({0, 1, -5})});
        }
    }
}

// The pixels loops compute in single precision and work out again in double the pixels
// their error bound cannot settle. Counting over some ten billion pixels of the panel's
// ranges found where a single-precision result truncates otherwise than the double one:
// slot 55 of the first settings holds the only two whose error lies above half the bound,
// the second settings' slot 4 two more, on a small side. Every width must get them right,
// working out again some pixels, though well under 1 % of them.
TEST(FrameBatch, PixelsNearATruncationBoundaryAreWorkedOutInDouble) {
    const std::uint64_t start = frame_batch_recomputes;
    std::uint64_t pixels = 0;
    for (const Case& c : {Case{152, 128, 55, 10, 6, 0}, Case{12, 16, 4, 6, 4, 0}}) {
        const std::uint64_t before = frame_batch_recomputes;
        expect_same_frames(c);
        EXPECT_GT(frame_batch_recomputes, before) << describe(c);
        pixels += 3 * c.size * c.size; // at most three widths
    }
    EXPECT_LT(frame_batch_recomputes - start, pixels / 100);
}

TEST(FrameBatch, ASkippedTableLeavesTheOthersRight) {
    const float phase = 3.0f / 8.0f;
    std::vector<std::uint32_t> hold(1600, 0xDEADBEEFu);
    prepare_frame_batch(40, 8, 2, 3, 0);
    synthesize_frame_batch(phase, nullptr, hold.data(), nullptr);
    EXPECT_EQ(hold, single_frame(40, phase, false, false, {0, 0, 2, 3, 0}));
}

// Large tables go out with streaming stores, which write only whole 16-byte blocks, while
// frame buffers come from realloc at any offset within 16 bytes (8-byte alignment is all
// some C libraries give). Every frame must still get exactly its pixels: none lost before
// the first block or after the last, none written outside the buffer, whatever the
// offsets of the three buffers, alike or not. The sides: odd, even with rows that begin
// at two places within 16 bytes, and a multiple of four.
TEST(FrameBatch, LargeTablesAtEveryOffsetWithinSixteenBytes) {
    constexpr std::uint32_t guard = 0xDEADBEEFu;
    const char* const names[] = {"attack", "hold", "release"};
    struct Offsets {
        int words[3];
    };
    for (unsigned size : {129u, 254u, 256u}) {
        const float phase = 5.0f / 128.0f;
        const FrameSettings settings{0, 0, 1, 2, 1};
        const std::vector<std::uint32_t> reference[] = {
            single_frame(size, phase, false, true, settings),
            single_frame(size, phase, false, false, settings),
            single_frame(size, phase, true, false, settings)};
        const std::size_t pixels = static_cast<std::size_t>(size) * size;
        for (const Offsets& offsets : {Offsets{{0, 0, 0}}, Offsets{{1, 1, 1}}, Offsets{{2, 2, 2}},
                                       Offsets{{3, 3, 3}}, Offsets{{2, 0, 3}}}) {
            for_each_vector_width([&](const char* width) {
                std::vector<std::uint32_t> storage[3];
                std::uint32_t* frames[3];
                for (int table = 0; table < 3; ++table) {
                    storage[table].assign(pixels + 12, guard);
                    std::uint32_t* base = storage[table].data() + 4;
                    while (reinterpret_cast<std::uintptr_t>(base) % 16 != 0)
                        ++base;
                    frames[table] = base + offsets.words[table];
                }
                prepare_frame_batch(size, 128, 1, 2, 1);
                synthesize_frame_batch(phase, frames[0], frames[1], frames[2]);
                for (int table = 0; table < 3; ++table) {
                    const std::string where = std::string(names[table]) + " at offset " +
                                              std::to_string(offsets.words[table]) + ", size " +
                                              std::to_string(size) + " (" + width + ")";
                    EXPECT_EQ(frames[table][-1], guard) << where;
                    EXPECT_EQ(frames[table][pixels], guard) << where;
                    for (std::size_t i = 0; i < pixels; ++i) {
                        if (frames[table][i] != reference[table][i]) {
                            ADD_FAILURE() << where << " differs at column " << i % size << " row "
                                          << i / size;
                            break;
                        }
                    }
                }
            });
        }
    }
}

} // namespace
