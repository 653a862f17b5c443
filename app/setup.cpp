// The settings record, its defaults and the checks made on values read from the store.
#include "app/setup.h"

namespace setup {

std::int32_t frames;
std::int32_t size;
std::int32_t jumps;
std::int32_t speed;
std::int32_t circles;
std::int32_t peek;

void apply_defaults() {
    frames = default_frames;
    size = default_size;
    jumps = default_jumps;
    speed = default_speed;
    circles = default_circles;
    peek = default_peek;
}

void mend_loaded_values() {
    // The frames-per-second caption divides 1000 by the speed, and the frame tables are
    // sized and indexed by size and frames: none of them may be zero or negative.
    if (speed <= 0)
        speed = default_speed;
    if (size <= 0)
        size = default_size;
    if (frames <= 0)
        frames = default_frames;
}

bool within_limits() {
    if (size > largest_size)
        return false;
    return frames <= largest_frames;
}

} // namespace setup
