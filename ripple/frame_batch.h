// The synthesis of the three frames of one phase (attack, hold, release) at once, for the
// rebuild: the pixels of synthesize_frame, bit for bit, at a fraction of its cost.
#pragma once

#include <cstdint>

// The settings one rebuild synthesizes with.
struct FrameBatch {
    unsigned size;
    std::int32_t jumps;
    std::int32_t circles;
    std::int32_t peek;
};

// Prepares the work shared by every phase of one rebuild.
void prepare_frame_batch(FrameBatch& batch, unsigned size, std::int32_t jumps, std::int32_t circles,
                         std::int32_t peek);

// Writes the attack, hold and release frames of `phase`; a null buffer is skipped.
void synthesize_frame_batch(const FrameBatch& batch, float phase, std::uint32_t* attack,
                            std::uint32_t* hold, std::uint32_t* release);

// Ends the rebuild that prepare_frame_batch began.
void release_frame_batch(FrameBatch& batch);
