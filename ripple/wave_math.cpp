// Portable sine, cosine and arccosine in double precision. The polynomial kernels, the
// reduction of moderate arguments and the arccosine follow the freely redistributable
// fdlibm algorithms; an argument beyond 2^19 * pi/2 is reduced exactly with integer
// arithmetic on the bits of 2/pi, of which a single-precision argument needs 160 at most.
// Besides, many sines at once in single precision, within a stated bound, for the frames'
// fast path.
#include "ripple/wave_math.h"

#include "ripple/vector_width.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

std::uint64_t bits_of(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

double double_of(std::uint64_t bits) {
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

std::uint32_t high_word(double v) {
    return static_cast<std::uint32_t>(bits_of(v) >> 32);
}

int binary_exponent(double v) {
    return static_cast<int>((high_word(v) >> 20) & 0x7ff);
}

// 2^k for the range the large reduction needs (no subnormals).
double power_of_two(int k) {
    return double_of(static_cast<std::uint64_t>(k + 1023) << 52);
}

constexpr double pi = 0x1.921fb54442d18p+1;
constexpr double pio2_hi = 0x1.921fb54442d18p+0;
constexpr double pio2_lo = 0x1.1a62633145c07p-54;
constexpr double pio4 = 0x1.921fb54442d18p-1;

// sin(x + y) for |x| <= pi/4, y the tail of a reduced argument.
double kernel_sin(double x, double y) {
    constexpr double s1 = -0x1.5555555555549p-3;
    constexpr double s2 = 0x1.111111110f8a6p-7;
    constexpr double s3 = -0x1.a01a019c161d5p-13;
    constexpr double s4 = 0x1.71de357b1fe7dp-19;
    constexpr double s5 = -0x1.ae5e68a2b9cebp-26;
    constexpr double s6 = 0x1.5d93a5acfd57cp-33;
    const double z = x * x;
    const double v = z * x;
    const double r = s2 + z * (s3 + z * (s4 + z * (s5 + z * s6)));
    return x - ((z * (0.5 * y - v * r) - y) - v * s1);
}

// cos(x + y) for |x| <= pi/4.
double kernel_cos(double x, double y) {
    constexpr double c1 = 0x1.555555555554cp-5;
    constexpr double c2 = -0x1.6c16c16c15177p-10;
    constexpr double c3 = 0x1.a01a019cb1590p-16;
    constexpr double c4 = -0x1.27e4f809c52adp-22;
    constexpr double c5 = 0x1.1ee9ebdb4b1c4p-29;
    constexpr double c6 = -0x1.8fae9be8838d4p-37;
    const double z = x * x;
    const double z2 = z * z;
    const double r = z * (c1 + z * (c2 + z * c3)) + z2 * z2 * (c4 + z * (c5 + z * c6));
    const double half_z = 0.5 * z;
    const double w = 1.0 - half_z;
    return w + (((1.0 - w) - half_z) + (z * r - x * y));
}

// x - n * pi/2 as head + tail for |x| <= 2^19 * pi/2, by subtracting pi/2 in pieces
// short enough that n times a piece is exact; returns n.
constexpr double invpio2 = 0x1.45f306dc9c883p-1;
constexpr double pio2_1 = 0x1.921fb54400000p+0;
constexpr double pio2_1t = 0x1.0b4611a626331p-34;
constexpr double pio2_2 = 0x1.0b4611a600000p-34;
constexpr double pio2_2t = 0x1.3198a2e037073p-69;
constexpr double pio2_3 = 0x1.3198a2e000000p-69;
constexpr double pio2_3t = 0x1.b839a252049c1p-104;
// The largest argument that reduce_moderate takes.
constexpr double moderate_limit = 0x1.921fb54442d18p+19;

int reduce_moderate(double x, double& head, double& tail) {
    const double t = std::fabs(x);
    const int n = static_cast<int>(t * invpio2 + 0.5);
    const double fn = n;
    double r = t - fn * pio2_1;
    double w = fn * pio2_1t;
    head = r - w;
    // Cancellation shows as a drop in the exponent; each further piece adds 33 bits.
    const int exponent = binary_exponent(t);
    if (exponent - binary_exponent(head) > 16) {
        double u = r;
        w = fn * pio2_2;
        r = u - w;
        w = fn * pio2_2t - ((u - r) - w);
        head = r - w;
        if (exponent - binary_exponent(head) > 49) {
            u = r;
            w = fn * pio2_3;
            r = u - w;
            w = fn * pio2_3t - ((u - r) - w);
            head = r - w;
        }
    }
    tail = (r - head) - w;
    if (x < 0) {
        head = -head;
        tail = -tail;
        return -n;
    }
    return n;
}

// The bits of 2/pi after the binary point, most significant first.
constexpr std::uint32_t two_over_pi[] = {0xA2F9836E, 0x4E441529, 0xFC2757D1, 0xF534DDC0,
                                         0xDB629599, 0x3C439041, 0xFE5163AB, 0xDEBBC561,
                                         0xB7246E3A, 0x424DD2E0};
constexpr int two_over_pi_bits = 32 * sizeof two_over_pi / sizeof two_over_pi[0];

// 32 bits of 2/pi starting at bit `first` (bit 0 weighs 1/2); bits before the binary
// point are 0.
std::uint32_t two_over_pi_at(int first) {
    if (first <= -32 || first >= two_over_pi_bits)
        return 0;
    if (first < 0)
        return two_over_pi[0] >> -first;
    const int word = first / 32;
    const int shift = first % 32;
    if (shift == 0)
        return two_over_pi[word];
    const std::uint32_t next = word + 1 < two_over_pi_bits / 32 ? two_over_pi[word + 1] : 0;
    return (two_over_pi[word] << shift) | (next >> (32 - shift));
}

constexpr int limbs = 5;

// 64 bits of a 160-bit number (limb 0 most significant) starting at bit `first` from the
// top; bits past the end are 0.
std::uint64_t bits64_at(const std::uint32_t (&number)[limbs], int first) {
    std::uint64_t out = 0;
    for (int bit = 0; bit < 64; bit += 32) {
        const int at = first + bit;
        const int word = at / 32;
        const int shift = at % 32;
        std::uint32_t part = 0;
        if (word < limbs) {
            part = number[word] << shift;
            if (shift != 0 && word + 1 < limbs)
                part |= number[word + 1] >> (32 - shift);
        }
        out = (out << 32) | part;
    }
    return out;
}

// a * b as head + error, exactly, by Dekker's splitting (no fused multiply-add).
void exact_product(double a, double b, double& head, double& error) {
    constexpr double splitter = 134217729.0;
    head = a * b;
    const double ca = splitter * a;
    const double a_high = ca - (ca - a);
    const double a_low = a - a_high;
    const double cb = splitter * b;
    const double b_high = cb - (cb - b);
    const double b_low = b - b_high;
    error = ((a_high * b_high - head) + a_high * b_low + a_low * b_high) + a_low * b_low;
}

// x - n * pi/2 for a large single-precision x: x is m * 2^e with an integer m below 2^24,
// so x * 2/pi modulo 4 needs only the 160 bits of 2/pi from weight 2^(1-e) on, and the
// product m * those bits, in integers, is exact. No single-precision value comes closer
// to a multiple of pi/2 than 2^-30 quadrants (found by trying every one), so the 158
// fraction bits keep over 100 significant ones. Returns n.
int reduce_large(float x, double& head, double& tail) {
    std::uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int exponent = static_cast<int>((bits >> 23) & 0xff) - 150;
    const std::uint32_t mantissa = (bits & 0x7fffff) | 0x800000;

    // product holds x * 2/pi modulo 4 with 2 integer and 158 fraction bits.
    std::uint32_t product[limbs];
    std::uint64_t carry = 0;
    for (int k = limbs - 1; k >= 0; --k) {
        const std::uint64_t t =
            static_cast<std::uint64_t>(mantissa) * two_over_pi_at(exponent - 2 + 32 * k) + carry;
        product[k] = static_cast<std::uint32_t>(t);
        carry = t >> 32;
    }
    int n = static_cast<int>(product[0] >> 30);
    product[0] &= 0x3fffffff;
    bool negative = false;
    if (product[0] & 0x20000000) {
        // Round to the nearest quadrant: the fraction becomes 1 - fraction, negated.
        ++n;
        negative = true;
        std::uint64_t borrow = 1;
        for (int k = limbs - 1; k >= 0; --k) {
            const std::uint64_t t = static_cast<std::uint64_t>(~product[k]) + borrow;
            product[k] = static_cast<std::uint32_t>(t);
            borrow = t >> 32;
        }
        product[0] &= 0x3fffffff;
    }

    int leading = 0;
    while (leading < 32 * limbs && bits64_at(product, leading) == 0)
        leading += 64;
    if (leading < 32 * limbs)
        leading += __builtin_clzll(bits64_at(product, leading));
    if (leading >= 32 * limbs) {
        head = tail = 0.0;
    } else {
        // Bit `leading` of product weighs 2^(1 - leading).
        const std::uint64_t top = bits64_at(product, leading);
        const std::uint64_t next = bits64_at(product, leading + 64);
        const double fraction_high = static_cast<double>(top >> 11) * power_of_two(-leading - 51);
        const double fraction_low = static_cast<double>(((top & 0x7ff) << 42) | (next >> 22)) *
                                    power_of_two(-leading - 104);
        double p, error;
        exact_product(fraction_high, pio2_hi, p, error);
        error += fraction_high * pio2_lo + fraction_low * pio2_hi;
        head = p + error;
        tail = error - (head - p);
    }
    if (negative != (x < 0)) {
        head = -head;
        tail = -tail;
    }
    return x < 0 ? -n : n;
}

// x - n * pi/2 as head + tail with |head| about pi/4 at most; returns n.
int reduce(float x, double& head, double& tail) {
    const double wide = x;
    if (std::fabs(wide) <= moderate_limit)
        return reduce_moderate(wide, head, tail);
    return reduce_large(x, head, tail);
}

bool is_finite(double x) {
    return (high_word(x) & 0x7ff00000) != 0x7ff00000;
}

} // namespace

double wave_sin(float x) {
    const double wide = x;
    if (std::fabs(wide) <= pio4)
        return kernel_sin(wide, 0.0);
    if (!is_finite(wide))
        return wide - wide;
    double head, tail;
    switch (reduce(x, head, tail) & 3) {
    case 0: return kernel_sin(head, tail);
    case 1: return kernel_cos(head, tail);
    case 2: return -kernel_sin(head, tail);
    default: return -kernel_cos(head, tail);
    }
}

double wave_cos(float x) {
    const double wide = x;
    if (std::fabs(wide) <= pio4)
        return kernel_cos(wide, 0.0);
    if (!is_finite(wide))
        return wide - wide;
    double head, tail;
    switch (reduce(x, head, tail) & 3) {
    case 0: return kernel_cos(head, tail);
    case 1: return -kernel_sin(head, tail);
    case 2: return -kernel_cos(head, tail);
    default: return kernel_sin(head, tail);
    }
}

namespace {

// wave_sin_near_each: the argument reduced in double as reduce_moderate's first step,
//   head = (t - n p1) - n p1t,  p1 = pio2_1 (33 bits), p1t = pio2_1t,
// t - n p1 exact (n p1 is exact for |n| < 2^20, and the difference is a multiple of 2^-32
// below 1); |n (p1 + p1t - pi/2)| and the rounding of n p1t are below 2^-68 for |t| <=
// 2^18, and no float in (pi/4, 2^18] lies within 2^-27.8 of a multiple of pi/2 (found by
// trying the floats next to each multiple), so head is within 2^-40 + 2^-53 of t - n pi/2,
// relatively. Then, with u = 2^-24, y = single(head) (u) and the Taylor polynomials of sin
// to y^9 and of cos to y^10 on |y| <= pi/4 (truncation below 0.04 u), evaluated in single
// precision: sin y (1 + 2.3 u), its terms after y being below a tenth of y, and cos y
// (1 + 2.7 u), the rounding of 1 - z/2 + ... and the error of y times |y tan y| <= 0.79.
// wave_sin itself is within 2^-52. So the result is S (1 + d), |d| <= 3 u: near_sine_error.
// 2^18, the largest argument taken here, as the bits of a float.
constexpr std::int32_t near_limit_bits = 0x48800000;

template <int lanes> struct NearLanes {
    typedef float Single __attribute__((vector_size(4 * lanes)));
    typedef double Double __attribute__((vector_size(8 * lanes)));
    typedef std::int32_t Narrow __attribute__((vector_size(4 * lanes)));
};

// `lanes` sines from arguments[0] on; lanes beyond 2^18 or not finite take wave_sin.
template <int lanes>
[[gnu::always_inline]] inline void near_sines(const float* arguments, float* sines) {
    using Single = typename NearLanes<lanes>::Single;
    using Double = typename NearLanes<lanes>::Double;
    using Narrow = typename NearLanes<lanes>::Narrow;
    // Adding 1.5 x 2^52 rounds to an integer.
    constexpr double round_shift = 0x1.8p52;
    Single x;
    std::memcpy(&x, arguments, sizeof x);
    Narrow x_bits;
    std::memcpy(&x_bits, &x, sizeof x_bits);
    // |x| <= 2^18, compared on the bits: false for infinities and NaNs.
    const Narrow within = (x_bits & 0x7fffffff) <= near_limit_bits;
    x = within != 0 ? x : Single{};
    const Double t = __builtin_convertvector(x, Double);
    const Double n = (t * invpio2 + round_shift) - round_shift;
    const Narrow quadrant = __builtin_convertvector(n, Narrow);
    const Single y = __builtin_convertvector((t - n * pio2_1) - n * pio2_1t, Single);
    const Single z = y * y;
    const Single sine =
        y + y * z * (-1.0f / 6 + z * (1.0f / 120 + z * (-1.0f / 5040 + z * (1.0f / 362880))));
    const Single cosine =
        1.0f + z * (-0.5f + z * (1.0f / 24 +
                                 z * (-1.0f / 720 + z * (1.0f / 40320 + z * (-1.0f / 3628800)))));
    const Single kernel = (quadrant & 1) != 0 ? cosine : sine;
    const Single result = (quadrant & 2) != 0 ? -kernel : kernel;
    std::memcpy(sines, &result, sizeof result);
    std::int32_t lane_within[lanes];
    std::memcpy(lane_within, &within, sizeof within);
    for (int lane = 0; lane < lanes; ++lane)
        if (lane_within[lane] == 0)
            sines[lane] = static_cast<float>(wave_sin(arguments[lane]));
}

template <int lanes>
[[gnu::always_inline]] inline void near_sines(const float* arguments, float* sines,
                                              unsigned count) {
    unsigned i = 0;
    for (; i + lanes <= count; i += lanes)
        near_sines<lanes>(arguments + i, sines + i);
    if (i < count) {
        float rest[lanes] = {};
        float rest_sines[lanes];
        std::memcpy(rest, arguments + i, (count - i) * sizeof(float));
        near_sines<lanes>(rest, rest_sines);
        std::memcpy(sines + i, rest_sines, (count - i) * sizeof(float));
    }
}

void near_sines_sse2(const float* arguments, float* sines, unsigned count) {
    near_sines<4>(arguments, sines, count);
}

[[gnu::target("avx2")]] void near_sines_avx2(const float* arguments, float* sines, unsigned count) {
    near_sines<8>(arguments, sines, count);
}

[[gnu::target("avx512f,avx512vl,avx512dq")]] void near_sines_avx512(const float* arguments,
                                                                    float* sines, unsigned count) {
    near_sines<16>(arguments, sines, count);
}

} // namespace

void wave_sin_near_each(const float* arguments, float* sines, unsigned count) {
    switch (vector_width()) {
    case VectorWidth::avx512: near_sines_avx512(arguments, sines, count); return;
    case VectorWidth::avx2: near_sines_avx2(arguments, sines, count); return;
    case VectorWidth::sse2: break;
    }
    near_sines_sse2(arguments, sines, count);
}

namespace {

// The rational approximation of (asin(sqrt(z)) - sqrt(z)) / z^1.5 on [0, 0.25].
double acos_ratio(double z) {
    constexpr double p0 = 0x1.5555555555555p-3;
    constexpr double p1 = -0x1.4d61203eb6f7dp-2;
    constexpr double p2 = 0x1.9c1550e884455p-3;
    constexpr double p3 = -0x1.48228b5688f3bp-5;
    constexpr double p4 = 0x1.9efe07501b288p-11;
    constexpr double p5 = 0x1.23de10dfdf709p-15;
    constexpr double q1 = -0x1.33a271c8a2d4bp+1;
    constexpr double q2 = 0x1.02ae59c598ac8p+1;
    constexpr double q3 = -0x1.6066c1b8d0159p-1;
    constexpr double q4 = 0x1.3b8c5b12e9282p-4;
    const double p = z * (p0 + z * (p1 + z * (p2 + z * (p3 + z * (p4 + z * p5)))));
    const double q = 1.0 + z * (q1 + z * (q2 + z * (q3 + z * q4)));
    return p / q;
}

} // namespace

double wave_acos(float x) {
    const double wide = x;
    const double magnitude = std::fabs(wide);
    if (magnitude >= 1.0) {
        if (wide == 1.0)
            return 0.0;
        if (wide == -1.0)
            return pi + 2.0 * pio2_lo;
        return (wide - wide) / (wide - wide);
    }
    if (magnitude < 0.5) {
        if (magnitude <= 0x1p-57)
            return pio2_hi + pio2_lo;
        const double r = acos_ratio(wide * wide);
        return pio2_hi - (wide - (pio2_lo - wide * r));
    }
    if (wide < 0) {
        const double z = (1.0 + wide) * 0.5;
        const double s = std::sqrt(z);
        const double w = acos_ratio(z) * s - pio2_lo;
        return pi - 2.0 * (s + w);
    }
    // acos(x) = 2 asin(sqrt((1 - x) / 2)), with sqrt split so that its square is exact.
    const double z = (1.0 - wide) * 0.5;
    const double s = std::sqrt(z);
    const double s_high = double_of(bits_of(s) & 0xffffffff00000000ULL);
    const double c = (z - s_high * s_high) / (s + s_high);
    const double w = acos_ratio(z) * s + c;
    return 2.0 * (s_high + w);
}
