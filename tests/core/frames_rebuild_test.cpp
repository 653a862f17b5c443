// The rebuild's handling of the frame buffers: which slots it touches, how it resizes
// them, what a failed allocation leaves behind, and which slots readers are handed.
#include "tests/core/frames_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct AllocatorCall {
    void* buffer;
    std::size_t bytes;
};

std::vector<AllocatorCall> allocator_calls;
int failing_call = -1; // index into allocator_calls that fails, or -1

void* recording_allocator(void* buffer, std::size_t bytes) {
    const int index = static_cast<int>(allocator_calls.size());
    allocator_calls.push_back({buffer, bytes});
    if (index == failing_call)
        return nullptr;
    return std::realloc(buffer, bytes);
}

struct SlotState {
    std::uint32_t* pixels;
    std::int32_t side;
};

SlotState state_of(const FrameSlot* table, int slot) {
    return {table[slot].pixels, table[slot].side};
}

class FrameRebuild : public testing::Test {
  protected:
    void SetUp() override {
        allocator_calls.clear();
        failing_call = -1;
    }
    void TearDown() override { frame_allocator = std::realloc; }
    void record() {
        allocator_calls.clear();
        frame_allocator = recording_allocator;
    }
};

FrameSlot* const tables[] = {frame_tables.attack_frames, frame_tables.hold_frames,
                             frame_tables.release_frames};

TEST_F(FrameRebuild, BuildsEverySlotBelowTheCountAtTheCurrentSide) {
    rebuild_with({48, 12, 1, 2, 1});
    for (FrameSlot* table : tables) {
        for (int slot = 0; slot < 12; ++slot) {
            EXPECT_EQ(table[slot].side, 48) << slot;
            EXPECT_NE(ready_frame(table, slot, 48), nullptr) << slot;
        }
    }
}

TEST_F(FrameRebuild, ResizesEachSlotInOrderWithTheOldBuffer) {
    rebuild_with({32, 6, 1, 2, 1});
    std::vector<std::uint32_t*> before;
    for (int slot = 0; slot < 6; ++slot)
        for (FrameSlot* table : tables)
            before.push_back(table[slot].pixels);
    record();
    rebuild_with({40, 6, 1, 2, 1});
    ASSERT_EQ(allocator_calls.size(), 18u);
    for (std::size_t call = 0; call < allocator_calls.size(); ++call) {
        EXPECT_EQ(allocator_calls[call].buffer, before[call]) << "call " << call;
        EXPECT_EQ(allocator_calls[call].bytes, 40u * 40u * 4u) << "call " << call;
    }
}

TEST_F(FrameRebuild, SlotsAtAndAboveTheCountAreLeftAlone) {
    rebuild_with({64, 16, 1, 2, 1});
    std::vector<SlotState> upper;
    std::vector<std::vector<std::uint32_t>> contents;
    for (FrameSlot* table : tables) {
        for (int slot = 8; slot < 16; ++slot) {
            upper.push_back(state_of(table, slot));
            contents.emplace_back(table[slot].pixels, table[slot].pixels + 64 * 64);
        }
    }
    record();
    rebuild_with({30, 8, 3, 5, 0});
    EXPECT_EQ(allocator_calls.size(), 24u);
    std::size_t k = 0;
    for (FrameSlot* table : tables) {
        for (int slot = 8; slot < 16; ++slot, ++k) {
            EXPECT_EQ(table[slot].pixels, upper[k].pixels) << slot;
            EXPECT_EQ(table[slot].side, 64) << slot;
            EXPECT_TRUE(std::equal(contents[k].begin(), contents[k].end(), table[slot].pixels))
                << slot;
            // Built for another side: the reader at the current side gets nothing.
            EXPECT_EQ(ready_frame(table, slot, 30), nullptr) << slot;
        }
        EXPECT_NE(ready_frame(table, 7, 30), nullptr);
    }
}

TEST_F(FrameRebuild, ZeroOrNegativeCountBuildsNothing) {
    rebuild_with({64, 4, 1, 2, 1});
    const SlotState first = state_of(frame_tables.hold_frames, 0);
    for (std::int32_t frames : {0, -1, -100}) {
        record();
        rebuild_with({20, frames, 1, 2, 1});
        EXPECT_TRUE(allocator_calls.empty()) << frames;
        EXPECT_EQ(frame_tables.hold_frames[0].pixels, first.pixels);
        EXPECT_EQ(frame_tables.hold_frames[0].side, 64);
    }
}

TEST_F(FrameRebuild, FailedAllocationLeavesTheSlotUnbuiltAndItsBufferOwned) {
    rebuild_with({24, 4, 1, 2, 1});
    const SlotState hold_two = state_of(frame_tables.hold_frames, 2);
    record();
    failing_call = 2 * 3 + 1; // slot 2 of hold_frames
    rebuild_with({36, 4, 1, 2, 1});
    ASSERT_EQ(allocator_calls.size(), 12u);
    EXPECT_EQ(frame_tables.hold_frames[2].side, 0);
    EXPECT_EQ(frame_tables.hold_frames[2].pixels, hold_two.pixels);
    EXPECT_EQ(ready_frame(frame_tables.hold_frames, 2, 36), nullptr);
    EXPECT_EQ(ready_frame(frame_tables.hold_frames, 2, 24), nullptr);
    // The other two tables of that slot and every other slot are complete.
    EXPECT_NE(ready_frame(frame_tables.attack_frames, 2, 36), nullptr);
    EXPECT_NE(ready_frame(frame_tables.release_frames, 2, 36), nullptr);
    for (int slot : {0, 1, 3})
        for (FrameSlot* table : tables)
            EXPECT_NE(ready_frame(table, slot, 36), nullptr) << slot;
    const std::vector<std::uint32_t> expected =
        single_frame(36, 0.5f, true, false, {36, 4, 1, 2, 1});
    const std::uint32_t* release = ready_frame(frame_tables.release_frames, 2, 36);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), release));

    // The kept buffer is resized by the next rebuild, which completes the slot.
    allocator_calls.clear();
    failing_call = -1;
    rebuild_with({36, 4, 1, 2, 1});
    EXPECT_EQ(allocator_calls[7].buffer, hold_two.pixels);
    EXPECT_EQ(frame_tables.hold_frames[2].side, 36);
    EXPECT_NE(ready_frame(frame_tables.hold_frames, 2, 36), nullptr);
}

TEST_F(FrameRebuild, FailedFirstAllocationLeavesTheSlotEmpty) {
    // Slot 100 as it is before its first rebuild; its buffer, if any, is put back after.
    const FrameSlot saved = frame_tables.attack_frames[100];
    frame_tables.attack_frames[100] = FrameSlot{nullptr, 0};
    record();
    failing_call = 100 * 3;
    rebuild_with({16, 101, 1, 2, 1});
    EXPECT_EQ(allocator_calls[100 * 3].buffer, nullptr);
    EXPECT_EQ(frame_tables.attack_frames[100].pixels, nullptr);
    EXPECT_EQ(frame_tables.attack_frames[100].side, 0);
    EXPECT_EQ(ready_frame(frame_tables.attack_frames, 100, 16), nullptr);
    EXPECT_NE(ready_frame(frame_tables.hold_frames, 100, 16), nullptr);
    frame_tables.attack_frames[100] = saved;
}

// Every slot of every table, as the scheduler reads it, against a fresh synthesis.
void expect_fresh_frames(const FrameSettings& settings) {
    const char* const names[] = {"attack", "hold", "release"};
    const bool fade_out[] = {false, false, true};
    const bool fade_in[] = {true, false, false};
    for (int table = 0; table < 3; ++table) {
        for (int slot = 0; slot < settings.frames; ++slot) {
            const float phase =
                static_cast<float>(static_cast<double>(static_cast<float>(slot)) / settings.frames);
            const std::vector<std::uint32_t> expected =
                single_frame(settings.size, phase, fade_out[table], fade_in[table], settings);
            const std::uint32_t* frame = ready_frame(tables[table], slot, settings.size);
            ASSERT_NE(frame, nullptr);
            EXPECT_TRUE(std::equal(expected.begin(), expected.end(), frame))
                << names[table] << " slot " << slot << " side " << settings.size;
        }
    }
}

// Keeps a buffer in place once it has made it, for any size up to the largest, as an
// allocator may (the sanitizers' realloc moves every buffer).
std::vector<void*> kept_buffers;
void* in_place_allocator(void* buffer, std::size_t bytes) {
    if (bytes <= 256u * 256u * 4u &&
        std::find(kept_buffers.begin(), kept_buffers.end(), buffer) != kept_buffers.end())
        return buffer;
    std::free(buffer);
    kept_buffers.push_back(std::malloc(256u * 256u * 4u));
    return kept_buffers.back();
}

// A slot keeps the zeros outside the disc from its last rebuild only while its side stays.
TEST_F(FrameRebuild, ASideAndBackLeaveNoPixelOfTheOther) {
    frame_allocator = in_place_allocator;
    for (const FrameSettings& settings :
         {FrameSettings{64, 6, 1, 2, 1}, FrameSettings{48, 6, 3, 5, 0},
          FrameSettings{64, 6, 2, 4, 0}, FrameSettings{64, 6, 1, 2, 1}}) {
        rebuild_with(settings);
        expect_fresh_frames(settings);
    }
}

// Moves every buffer, even one that keeps its size, and leaves garbage in the new one.
void* moving_allocator(void* buffer, std::size_t bytes) {
    void* moved = std::malloc(bytes);
    if (moved != nullptr)
        std::memset(moved, 0xA5, bytes);
    std::free(buffer);
    return moved;
}

TEST_F(FrameRebuild, ASlotMovedByTheAllocatorIsWrittenWhole) {
    rebuild_with({40, 4, 1, 2, 1});
    frame_allocator = moving_allocator;
    rebuild_with({40, 4, 2, 3, 0});
    expect_fresh_frames({40, 4, 2, 3, 0});
}

TEST_F(FrameRebuild, ReadersGetOnlyCompleteFramesOfTheAskedSide) {
    rebuild_with({20, 3, 1, 2, 1});
    const FrameSlot* hold = frame_tables.hold_frames;
    EXPECT_EQ(ready_frame(hold, 0, 20), hold[0].pixels);
    EXPECT_EQ(ready_frame(hold, 0, 21), nullptr);
    EXPECT_EQ(ready_frame(hold, 0, 0), nullptr);
    EXPECT_EQ(ready_frame(hold, -1, 20), nullptr);
    EXPECT_EQ(ready_frame(hold, frame_slots, 20), nullptr);
}

TEST_F(FrameRebuild, EmptyingMarksEverySlotUnbuilt) {
    rebuild_with({20, 3, 1, 2, 1});
    // Keep the buffers reachable: emptying is meant for start-up, before any exists.
    const FrameTables saved = frame_tables;
    empty_frames();
    for (FrameSlot* table : tables) {
        for (int slot = 0; slot < frame_slots; ++slot) {
            EXPECT_EQ(table[slot].pixels, nullptr);
            EXPECT_EQ(table[slot].side, 0);
        }
    }
    EXPECT_EQ(ready_frame(frame_tables.hold_frames, 0, 20), nullptr);
    frame_tables = saved;
}

TEST_F(FrameRebuild, CountAboveTheTablesStopsAtTheLastSlot) {
    record();
    rebuild_with({8, frame_slots + 5, 1, 2, 1});
    EXPECT_EQ(allocator_calls.size(), 3u * frame_slots);
    EXPECT_NE(ready_frame(frame_tables.release_frames, frame_slots - 1, 8), nullptr);
}

} // namespace
