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
// null buffer is skipped.
void synthesize_frame_batch(float phase, std::uint32_t* attack, std::uint32_t* hold,
                            std::uint32_t* release);
