// The portable sine, cosine and arccosine: exact values, symmetries and the reduction of
// large arguments, checked the same way in both builds (the comparison with the C
// library, which differs between the builds, is a native test).
#include "ripple/wave_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

float float_of(std::uint32_t bits) {
    float x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

TEST(WaveMath, ExactValues) {
    EXPECT_EQ(wave_sin(0.0f), 0.0);
    EXPECT_TRUE(std::signbit(wave_sin(-0.0f)));
    EXPECT_EQ(wave_cos(0.0f), 1.0);
    EXPECT_EQ(wave_acos(1.0f), 0.0);
    EXPECT_EQ(wave_acos(-1.0f), 3.141592653589793);
    EXPECT_EQ(wave_acos(0.0f), 1.5707963267948966);
    // Tiny arguments: sin x = x, cos x = 1 to the last bit.
    EXPECT_EQ(wave_sin(1e-30f), static_cast<double>(1e-30f));
    EXPECT_EQ(wave_cos(1e-30f), 1.0);
}

TEST(WaveMath, SinglePiIsNotAZeroOfTheSine) {
    // single(pi) lies below pi by about 8.74e-8; the formula relies on this sine.
    const float single_pi = static_cast<float>(3.141592653589793);
    EXPECT_NEAR(wave_sin(single_pi), -8.742278e-8, 1e-14);
    EXPECT_NEAR(wave_sin(-single_pi), 8.742278e-8, 1e-14);
}

TEST(WaveMath, SymmetriesHoldExactly) {
    std::uint32_t state = 99;
    for (int i = 0; i < 100000; ++i) {
        state = state * 1664525u + 1013904223u;
        const float x = float_of(state & 0x7f7fffffu);
        ASSERT_EQ(wave_sin(-x), -wave_sin(x)) << x;
        ASSERT_EQ(wave_cos(-x), wave_cos(x)) << x;
    }
}

TEST(WaveMath, ResultsStayInRange) {
    std::uint32_t state = 7;
    for (int i = 0; i < 100000; ++i) {
        state = state * 1664525u + 1013904223u;
        const float x = float_of(state & 0xff7fffffu);
        ASSERT_LE(std::fabs(wave_sin(x)), 1.0) << x;
        ASSERT_LE(std::fabs(wave_cos(x)), 1.0) << x;
        const float unit = std::ldexp(static_cast<float>(state >> 8), -24) * 2.0f - 1.0f;
        const double angle = wave_acos(unit);
        ASSERT_GE(angle, 0.0) << unit;
        ASSERT_LE(angle, 3.141592653589793) << unit;
    }
}

TEST(WaveMath, LargeArgumentsAreReducedExactly) {
    // Correctly rounded values; 0x1.47d0fep+34 is the single-precision value closest to a
    // multiple of pi/2, where a careless reduction loses every bit.
    struct Case {
        float x;
        double sine;
        double cosine;
    };
    const Case cases[] = {
        {0x1.47d0fep+34f, 0x1p+0, -0x1.149dafd6b8987p-29},
        {0x1p+30f, -0x1.3c12353728cafp-1, 0x1.92cb46a920144p-1},
        {1e6f, -0x1.6664b2568d867p-2, 0x1.df9df9906d32cp-1},
        {-1e6f, 0x1.6664b2568d867p-2, 0x1.df9df9906d32cp-1},
        {std::numeric_limits<float>::max(), -0x1.0b33665089575p-1, 0x1.b4bf2c79bdfcep-1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wave_sin(c.x), c.sine) << std::hexfloat << c.x;
        EXPECT_EQ(wave_cos(c.x), c.cosine) << std::hexfloat << c.x;
    }
}

TEST(WaveMath, PythagorasAcrossAllMagnitudes) {
    std::uint32_t state = 3;
    for (int i = 0; i < 100000; ++i) {
        state = state * 1664525u + 1013904223u;
        const float x = float_of(state & 0x7f7fffffu);
        const double s = wave_sin(x);
        const double c = wave_cos(x);
        ASSERT_NEAR(s * s + c * c, 1.0, 4e-16) << std::hexfloat << x;
    }
}

TEST(WaveMath, NonFiniteArgumentsGiveNaN) {
    const float infinity = std::numeric_limits<float>::infinity();
    EXPECT_TRUE(std::isnan(wave_sin(infinity)));
    EXPECT_TRUE(std::isnan(wave_cos(-infinity)));
    EXPECT_TRUE(std::isnan(wave_sin(std::numeric_limits<float>::quiet_NaN())));
    EXPECT_TRUE(std::isnan(wave_acos(1.5f)));
}

} // namespace
