// The ripple frames: three tables of pre-computed frames (attack, hold, release) and the
// synthesis of one frame. Platform-free, so that frames are computed and compared
// without any window.
//
// A frame is size x size 32-bit words, premultiplied alpha, bytes blue, green, red,
// alpha; the first row in memory is the bottom row on screen.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int frame_slots = 128;

// One slot of a frame table. side is the pixel side the buffer was last built for, and
// 0 while the slot holds no complete frame (never built, or its allocation failed).
struct FrameSlot {
    std::uint32_t* pixels;
    std::int32_t side;
};

struct FrameTables {
    FrameSlot attack_frames[frame_slots];
    FrameSlot hold_frames[frame_slots];
    FrameSlot release_frames[frame_slots];
};

extern FrameTables frame_tables;

// Computes one frame into pixels (size x size words, all written).
void synthesize_frame(std::uint32_t* pixels, unsigned size, float phase, bool fade_out,
                      bool fade_in, std::int32_t jumps, std::int32_t circles, std::int32_t peek);

// Marks all 3 x 128 slots empty (start-up, before any buffer exists).
void empty_frames();

// Refills slots 0 .. setup::frames - 1 of all three tables from the current settings.
void rebuild_frames();

// The frame in slot `slot` of `table`, or null unless that slot holds a complete frame
// of side `size`. Every reader goes through this, so a slot of another size is never read.
const std::uint32_t* ready_frame(const FrameSlot* table, std::int32_t slot, std::int32_t size);

// The allocation used for frame buffers, with realloc's contract. Tests replace it to
// make an allocation fail.
using FrameAllocator = void* (*)(void* buffer, std::size_t bytes);
extern FrameAllocator frame_allocator;
