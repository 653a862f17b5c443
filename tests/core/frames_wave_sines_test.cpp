// The sines of many arguments at once, which the rebuild takes per phase, against the
// sine of one argument: the very same bits for every argument, or a pixel could flip.
#include "ripple/wave_math.h"

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
    for (bool avx2 : {true, false}) {
        wave_sin_may_use_avx2 = avx2;
        // Every count up to a few groups, so that every lane and every leftover is used.
        for (unsigned count :
             {1u, 2u, 3u, 4u, 5u, 7u, 9u, static_cast<unsigned>(arguments.size())}) {
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
                        << std::hexfloat << x << (avx2 ? "" : " (one at a time)") << ": "
                        << sines[i] << " instead of " << expected;
                }
            }
        }
    }
    wave_sin_may_use_avx2 = true;
}

// Four lanes of one quadrant, for the kernel that the four-lane sine then takes alone; and
// groups where only some lanes need the further pieces of pi/2, which it then works out
// for all (0x1.b9e40ap+18 needs them: it lies close to a multiple of pi/2).
TEST(WaveSines, GroupsOfFourThatShareTheirWorkOrNot) {
    const double pio2 = 1.5707963267948966;
    for (int k = -40; k <= 40; ++k) {
        const float near = static_cast<float>(k * pio2);
        const float below = std::nextafter(near, -1e30f);
        const float inside = static_cast<float>(k * pio2 + 0.3);
        const float groups[][4] = {
            {std::nextafter(below, -1e30f), below, near, std::nextafter(near, 1e30f)},
            {inside, std::nextafter(inside, 1e30f), inside + 0.1f, inside + 0.2f},
            {inside, 0x1.b9e40ap+18f, inside + 0.1f, -0x1.b9e40ap+18f}};
        for (const auto& group : groups) {
            double sines[4];
            wave_sin_each(group, sines, 4);
            for (int lane = 0; lane < 4; ++lane)
                ASSERT_EQ(bits_of(sines[lane]), bits_of(wave_sin(group[lane])))
                    << std::hexfloat << group[lane] << " in lane " << lane;
        }
    }
}

} // namespace
