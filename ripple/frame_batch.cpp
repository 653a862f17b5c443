// Batch synthesis of the frames of one phase.
#include "ripple/frame_batch.h"

#include "ripple/frames.h"

void prepare_frame_batch(FrameBatch& batch, unsigned size, std::int32_t jumps, std::int32_t circles,
                         std::int32_t peek) {
    batch = FrameBatch{size, jumps, circles, peek};
}

void synthesize_frame_batch(const FrameBatch& batch, float phase, std::uint32_t* attack,
                            std::uint32_t* hold, std::uint32_t* release) {
    if (attack != nullptr)
        synthesize_frame(attack, batch.size, phase, false, true, batch.jumps, batch.circles,
                         batch.peek);
    if (hold != nullptr)
        synthesize_frame(hold, batch.size, phase, false, false, batch.jumps, batch.circles,
                         batch.peek);
    if (release != nullptr)
        synthesize_frame(release, batch.size, phase, true, false, batch.jumps, batch.circles,
                         batch.peek);
}

void release_frame_batch(FrameBatch&) {}
