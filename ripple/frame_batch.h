// The synthesis of the three frames of one phase (attack, hold, release) together, for the
// rebuild: the pixels of synthesize_frame, bit for bit, at a fraction of its cost.
//
// Most of the formula does not depend on the phase: the radius and the direction factor of
// every pixel are worked out once per side, the envelope once per rebuild, and the wave's
// sine once per phase and distinct radius, so that a pixel of a phase costs a few products.
#pragma once

#include <cstdint>

// Works out everything the phases of one rebuild share, for `frames` phases to come: tables
// too large to stay in the cache are written with streaming stores, which leave the
// frames in memory. Sides above 256 are synthesized pixel by pixel.
void prepare_frame_batch(unsigned size, std::int32_t frames, std::int32_t jumps,
                         std::int32_t circles, std::int32_t peek);

// Writes the attack, hold and release frames of `phase` for the settings last prepared; a
// null buffer is skipped. Bit 0, 1 and 2 of `zeros_kept` say that the attack, hold and
// release buffer still holds a frame of this side from the last rebuild, in the same place:
// its zeros outside the disc are then left as they are, the same bytes as a full write.
void synthesize_frame_batch(float phase, std::uint32_t* attack, std::uint32_t* hold,
                            std::uint32_t* release, unsigned zeros_kept = 0);

// Pixels whose words the batch synthesis has worked out again in double precision since
// the start, where its single-precision results came too near a truncation boundary.
extern std::uint64_t frame_batch_recomputes;
