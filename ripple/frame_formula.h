// The constants of the frame formula and its last step, from the signed amplitude of a
// pixel to the pixel word. Shared by the per-pixel synthesis and the batch synthesis,
// which must agree bit for bit.
#pragma once

#include <cstdint>

// pi rounded to double, and sqrt(2) rounded to single precision, as the formula has them.
constexpr double wave_pi = 3.141592653589793;
constexpr double wave_root2 = 1.41421353816986083984375;

// Premultiplied white for a positive amplitude, black at half strength for a negative
// one: alpha in the top byte, then red, green and blue.
inline std::uint32_t frame_pixel(double u) {
    if (u < 0)
        u = u * 0.5;
    if (u > 1)
        u = 1;
    if (u < -1)
        u = -1;
    const auto alpha = static_cast<std::uint32_t>(255.0 * (u < 0 ? -u : u));
    const std::uint32_t grey = u > 0 ? alpha : 0;
    return alpha << 24 | grey << 16 | grey << 8 | grey;
}
