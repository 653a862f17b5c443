// The portable sine, cosine and arccosine against the native C library (glibc, whose
// double-precision functions are accurate to within a unit in the last place): over
// every range of single-precision arguments they must agree to one unit in the last
// place, and nearly always exactly (over 95% for sine and cosine, 90% for arccosine).
#include "ripple/wave_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

namespace {

std::int64_t ulps_apart(double a, double b) {
    std::int64_t ia, ib;
    std::memcpy(&ia, &a, sizeof ia);
    std::memcpy(&ib, &b, sizeof ib);
    if (ia < 0)
        ia = INT64_MIN - ia;
    if (ib < 0)
        ib = INT64_MIN - ib;
    return ia > ib ? ia - ib : ib - ia;
}

struct Agreement {
    long compared = 0;
    long exact = 0;
    void check(double mine, double libc, float x, const char* name) {
        const std::int64_t apart = ulps_apart(mine, libc);
        ++compared;
        exact += apart == 0;
        ASSERT_LE(apart, 1) << name << " " << std::hexfloat << x << " mine " << mine << " libc "
                            << libc;
    }
};

void compare_trigonometry(float x, Agreement& sine, Agreement& cosine) {
    sine.check(wave_sin(x), std::sin(static_cast<double>(x)), x, "sin");
    cosine.check(wave_cos(x), std::cos(static_cast<double>(x)), x, "cos");
}

TEST(WaveMathLibc, TrigonometryOverEveryExponent) {
    std::mt19937 random(20240611);
    Agreement sine, cosine;
    for (int i = 0; i < 2000000; ++i) {
        std::uint32_t bits = random() & 0xff7fffffu;
        float x;
        std::memcpy(&x, &bits, sizeof x);
        compare_trigonometry(x, sine, cosine);
    }
    EXPECT_GT(sine.exact, sine.compared * 95 / 100);
    EXPECT_GT(cosine.exact, cosine.compared * 95 / 100);
}

TEST(WaveMathLibc, TrigonometryOverTheFrameRange) {
    // The wave arguments of the panel's settings stay within a few dozen radians.
    std::mt19937 random(7);
    std::uniform_real_distribution<float> range(-120.0f, 120.0f);
    Agreement sine, cosine;
    for (int i = 0; i < 2000000; ++i)
        compare_trigonometry(range(random), sine, cosine);
    EXPECT_GT(sine.exact, sine.compared * 95 / 100);
    EXPECT_GT(cosine.exact, cosine.compared * 95 / 100);
}

TEST(WaveMathLibc, TrigonometryAtTheBoundariesOfEachReduction) {
    Agreement sine, cosine;
    const float pivots[] = {0x1.921fb6p-1f,  0x1.921fb6p+0f,  0x1.921fb6p+1f,
                            0x1.921fb6p+19f, 0x1.921fb6p+20f, 0x1p+24f,
                            0x1.47d0fep+34f, 0x1p+31f,        0x1.fffffep+127f};
    for (float pivot : pivots) {
        float x = pivot;
        for (int step = 0; step < 2000; ++step)
            x = std::nextafter(x, 0.0f);
        for (int step = 0; step < 4000; ++step) {
            compare_trigonometry(x, sine, cosine);
            compare_trigonometry(-x, sine, cosine);
            x = std::nextafter(x, 3e38f);
        }
    }
    // Multiples of pi/2 up to large ones, where the reduction cancels most bits.
    for (int k = 1; k < 200000; k += 7)
        compare_trigonometry(static_cast<float>(k * 1.5707963267948966), sine, cosine);
}

TEST(WaveMathLibc, ArccosineOverTheUnitInterval) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    Agreement arccosine;
    for (int i = 0; i < 2000000; ++i) {
        const float x = unit(random);
        arccosine.check(wave_acos(x), std::acos(static_cast<double>(x)), x, "acos");
    }
    for (float x : {-1.0f, -0.5f, 0.5f, 1.0f, 0x1p-60f, -0x1p-60f, 0x1.fffffep-1f, -0x1.fffffep-1f,
                    0x1.000002p-1f, 0x1.fffffep-2f})
        arccosine.check(wave_acos(x), std::acos(static_cast<double>(x)), x, "acos");
    EXPECT_GT(arccosine.exact, arccosine.compared * 90 / 100);
}

} // namespace
