// The sines of many arguments at once, which the rebuild takes per phase, against the
// sine of one argument: the very same bits for every argument, or a pixel could flip.
#include "ripple/wave_math.h"
#include "tests/core/frames_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace {

float float_of(std::uint32_t bits) {
    float x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

std::uint64_t bits_of(double x) {
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
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

TEST(WaveSines, ManyAtOnceGiveTheBitsOfOneAtATime) {
    const std::vector<float> arguments = arguments_of_every_kind();
    for_each_vector_width([&](const char* width) {
        // Every count up to a few groups, so that every lane and every leftover is used.
        for (unsigned count :
             {1u, 2u, 3u, 4u, 5u, 7u, 8u, 9u, 13u, 17u, static_cast<unsigned>(arguments.size())}) {
            for (std::size_t first = 0; first + count <= arguments.size();
                 first += count * 97 + 1) {
                std::vector<double> sines(count);
                wave_sin_each(arguments.data() + first, sines.data(), count);
                for (unsigned i = 0; i < count; ++i) {
                    const float x = arguments[first + i];
                    const double expected = wave_sin(x);
                    if (std::isnan(expected)) {
                        ASSERT_TRUE(std::isnan(sines[i])) << std::hexfloat << x;
                        continue;
                    }
                    ASSERT_EQ(bits_of(sines[i]), bits_of(expected))
                        << std::hexfloat << x << " (" << width << "): " << sines[i]
                        << " instead of " << expected;
                }
            }
        }
    });
}

// Lanes of one quadrant, for the kernel that a group of lanes then takes alone; and groups
// where only some lanes need the further pieces of pi/2, which are then worked out for all
// (0x1.b9e40ap+18 needs them: it lies close to a multiple of pi/2). Groups of eight, so
// that each half of four is such a group too.
TEST(WaveSines, GroupsThatShareTheirWorkOrNot) {
    const double pio2 = 1.5707963267948966;
    const float close = 0x1.b9e40ap+18f;
    for (int k = -40; k <= 40; ++k) {
        const float near = static_cast<float>(k * pio2);
        const float inside = static_cast<float>(k * pio2 + 0.3);
        float neighbours[8];
        float x = near;
        for (float& neighbour : neighbours) {
            neighbour = x;
            x = std::nextafter(x, 1e30f);
        }
        const float(&steps)[8] = {inside,        inside + 0.05f, inside + 0.1f, inside + 0.15f,
                                  inside + 0.2f, inside + 0.25f, inside + 0.3f, inside + 0.35f};
        const float mixed[8] = {inside, close,  inside + 0.1f, -close,
                                inside, inside, inside,        close};
        for (const float* group : {static_cast<const float*>(neighbours), steps, mixed}) {
            for_each_vector_width([&](const char* width) {
                double sines[8];
                wave_sin_each(group, sines, 8);
                for (int lane = 0; lane < 8; ++lane)
                    ASSERT_EQ(bits_of(sines[lane]), bits_of(wave_sin(group[lane])))
                        << std::hexfloat << group[lane] << " in lane " << lane << " (" << width
                        << ")";
            });
        }
    }
}

} // namespace
