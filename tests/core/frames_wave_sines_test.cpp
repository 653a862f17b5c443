// The sines of many arguments at once, which the rebuild takes per phase, against the
// sine of one argument in double precision.
#include "ripple/wave_math.h"
#include "tests/core/frames_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

namespace {

float float_of(std::uint32_t bits) {
    float x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

// Arguments of every kind: signed zeros, tiny ones, the neighbours of pi/4 (the kernel
// without reduction) and of multiples of pi/2 (quadrants, and the cancellation that
// needs further pieces of pi/2), the neighbours of 2^19 pi/2 (where the exact reduction
// takes over), huge, infinite and not-a-number ones, and a sweep over all exponents.
std::vector<float> arguments_of_every_kind() {
    std::vector<float> arguments = {0.0f,
                                    -0.0f,
                                    1e-30f,
                                    -1e-30f,
                                    std::numeric_limits<float>::infinity(),
                                    -std::numeric_limits<float>::infinity(),
                                    std::numeric_limits<float>::quiet_NaN(),
                                    3.0e38f,
                                    -1.0e10f};
    const double pio2 = 1.5707963267948966;
    for (int k = -40; k <= 40; ++k) {
        const float near = static_cast<float>(k * pio2);
        arguments.push_back(std::nextafter(near, -1e30f));
        arguments.push_back(near);
        arguments.push_back(std::nextafter(near, 1e30f));
    }
    for (double base : {pio2 / 2, pio2 * 524288.0, 1.0e9}) {
        float x = static_cast<float>(base);
        for (int step = 0; step < 4; ++step) {
            arguments.push_back(x);
            arguments.push_back(-x);
            x = std::nextafter(x, 0.0f);
        }
    }
    for (std::uint32_t bits = 0; bits < 0x7f800000u; bits += 12347u) {
        arguments.push_back(float_of(bits));
        arguments.push_back(-float_of(bits));
    }
    return arguments;
}

// The rebuild's single-precision waves: within their bound of the double sine for every
// kind of argument, and NaN where it is NaN. The bound is what the pixels' check relies on:
// a sine outside it can flip a pixel that the check then trusts. Every count up to a few
// groups, so that every lane and every leftover is used; and every float below 2^18 that
// lies next to a multiple of pi/2, where the reduction cancels most, and the floats around
// 2^18.
TEST(WaveSines, ManyAtOnceAreWithinTheirBound) {
    std::vector<float> arguments = arguments_of_every_kind();
    for (int k = 1; k <= 166886; ++k) {
        const float near = static_cast<float>(k * 1.5707963267948966);
        arguments.push_back(std::nextafter(near, 0.0f));
        arguments.push_back(near);
        arguments.push_back(-std::nextafter(near, 1e30f));
    }
    // Where the single-precision reduction hands over to wave_sin.
    for (float edge : {std::nextafter(0x1p18f, 0.0f), 0x1p18f, std::nextafter(0x1p18f, 1e30f)}) {
        arguments.push_back(edge);
        arguments.push_back(-edge);
    }
    for_each_vector_width([&](const char* width) {
        double worst = 0;
        for (unsigned count :
             {1u, 3u, 4u, 5u, 8u, 13u, 16u, 17u, 31u, static_cast<unsigned>(arguments.size())}) {
            for (std::size_t first = 0; first + count <= arguments.size();
                 first += count * 4099 + 1) {
                std::vector<float> sines(count);
                wave_sin_near_each(arguments.data() + first, sines.data(), count);
                for (unsigned i = 0; i < count; ++i) {
                    const float x = arguments[first + i];
                    const double expected = wave_sin(x);
                    if (std::isnan(expected)) {
                        ASSERT_TRUE(std::isnan(sines[i])) << std::hexfloat << x;
                        continue;
                    }
                    const double error = std::fabs(sines[i] - expected);
                    ASSERT_LE(error, near_sine_error * std::fabs(expected))
                        << std::hexfloat << x << " (" << width << "): " << sines[i]
                        << " instead of " << expected;
                    if (expected != 0)
                        worst = std::max(worst, error / std::fabs(expected) / 0x1p-24);
                }
            }
        }
        std::printf("largest error (%s): %.2f units of 2^-24\n", width, worst);
    });
}

} // namespace
