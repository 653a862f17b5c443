// Portable sine, cosine and arccosine in double precision. The polynomial kernels, the
// reduction of moderate arguments and the arccosine follow the freely redistributable
// fdlibm algorithms; an argument beyond 2^19 * pi/2 is reduced exactly with integer
// arithmetic on the bits of 2/pi, of which a single-precision argument needs 160 at most.
#include "ripple/wave_math.h"

#include "ripple/vector_width.h"

// GCC 12's AVX-512 header warns about its own deliberately undefined vectors.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop

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

// The kernels' polynomials are written once, for a double and for four lanes of double
// (__m256d, whose arithmetic operators act lane by lane), so that both round alike.

// sin(x + y) for |x| <= pi/4, y the tail of a reduced argument.
template <typename Real>
[[gnu::always_inline]] inline void sin_polynomial(const Real& x, const Real& y, Real& out) {
    constexpr double s1 = -0x1.5555555555549p-3;
    constexpr double s2 = 0x1.111111110f8a6p-7;
    constexpr double s3 = -0x1.a01a019c161d5p-13;
    constexpr double s4 = 0x1.71de357b1fe7dp-19;
    constexpr double s5 = -0x1.ae5e68a2b9cebp-26;
    constexpr double s6 = 0x1.5d93a5acfd57cp-33;
    const Real z = x * x;
    const Real v = z * x;
    const Real r = s2 + z * (s3 + z * (s4 + z * (s5 + z * s6)));
    out = x - ((z * (0.5 * y - v * r) - y) - v * s1);
}

double kernel_sin(double x, double y) {
    double out;
    sin_polynomial(x, y, out);
    return out;
}

// cos(x + y) for |x| <= pi/4.
template <typename Real>
[[gnu::always_inline]] inline void cos_polynomial(const Real& x, const Real& y, Real& out) {
    constexpr double c1 = 0x1.555555555554cp-5;
    constexpr double c2 = -0x1.6c16c16c15177p-10;
    constexpr double c3 = 0x1.a01a019cb1590p-16;
    constexpr double c4 = -0x1.27e4f809c52adp-22;
    constexpr double c5 = 0x1.1ee9ebdb4b1c4p-29;
    constexpr double c6 = -0x1.8fae9be8838d4p-37;
    const Real z = x * x;
    const Real z2 = z * z;
    const Real r = z * (c1 + z * (c2 + z * c3)) + z2 * z2 * (c4 + z * (c5 + z * c6));
    const Real half_z = 0.5 * z;
    const Real w = 1.0 - half_z;
    out = w + (((1.0 - w) - half_z) + (z * r - x * y));
}

double kernel_cos(double x, double y) {
    double out;
    cos_polynomial(x, y, out);
    return out;
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

// Two lanes of double with SSE2, which both builds have, for processors without AVX2:
// moderate_sines below in two lanes, the instructions that SSE2 lacks built from others.

// Where mask is set, b, elsewhere a.
__m128d select(__m128d mask, __m128d a, __m128d b) {
    return _mm_or_pd(_mm_and_pd(mask, b), _mm_andnot_pd(mask, a));
}

// Two lanes of (e_a - e_b > limit), e the binary exponents of a and b. The difference fits
// the low 32 bits of its lane, which are compared and spread over the lane.
__m128d exponent_drop_exceeds(__m128d a, __m128d b, int limit) {
    const __m128i mask = _mm_set1_epi64x(0x7ff);
    const __m128i drop =
        _mm_sub_epi64(_mm_and_si128(_mm_srli_epi64(_mm_castpd_si128(a), 52), mask),
                      _mm_and_si128(_mm_srli_epi64(_mm_castpd_si128(b), 52), mask));
    const __m128i exceeds = _mm_cmpgt_epi32(drop, _mm_set1_epi32(limit));
    return _mm_castsi128_pd(_mm_shuffle_epi32(exceeds, _MM_SHUFFLE(2, 2, 0, 0)));
}

// Two lanes where the 32-bit values in the low half of v have bit `bit` set.
__m128d has_bit(__m128i v, int bit) {
    const __m128i set = _mm_set1_epi32(bit);
    const __m128i found = _mm_cmpeq_epi32(_mm_and_si128(v, set), set);
    return _mm_castsi128_pd(_mm_unpacklo_epi32(found, found));
}

__m128d moderate_sine_pair(__m128 arguments) {
    const __m128d sign = _mm_set1_pd(-0.0);
    const __m128d x = _mm_cvtps_pd(arguments);
    const __m128d t = _mm_andnot_pd(sign, x);
    const __m128i n = _mm_cvttpd_epi32(t * invpio2 + 0.5);
    const __m128d fn = _mm_cvtepi32_pd(n);
    __m128d r = t - fn * pio2_1;
    __m128d w = fn * pio2_1t;
    __m128d head = r - w;
    const __m128d second = exponent_drop_exceeds(t, head, 16);
    if (_mm_movemask_pd(second) != 0) {
        const __m128d r2 = r - fn * pio2_2;
        const __m128d w2 = fn * pio2_2t - ((r - r2) - fn * pio2_2);
        const __m128d head2 = r2 - w2;
        const __m128d third = _mm_and_pd(second, exponent_drop_exceeds(t, head2, 49));
        const __m128d r3 = r2 - fn * pio2_3;
        const __m128d w3 = fn * pio2_3t - ((r2 - r3) - fn * pio2_3);
        const __m128d head3 = r3 - w3;
        r = select(third, select(second, r, r2), r3);
        w = select(third, select(second, w, w2), w3);
        head = select(third, select(second, head, head2), head3);
    }
    __m128d tail = (r - head) - w;
    const __m128d negative = _mm_cmplt_pd(x, _mm_setzero_pd());
    head = _mm_xor_pd(head, _mm_and_pd(negative, sign));
    tail = _mm_xor_pd(tail, _mm_and_pd(negative, sign));
    const __m128d small = _mm_cmple_pd(t, _mm_set1_pd(pio4));
    head = select(small, head, x);
    tail = _mm_andnot_pd(small, tail);
    const __m128i negative_n = _mm_srai_epi32(_mm_castps_si128(arguments), 31);
    const __m128i signed_n = _mm_sub_epi32(_mm_xor_si128(n, negative_n), negative_n);
    const __m128d odd = has_bit(signed_n, 1);
    const __m128d upper = has_bit(signed_n, 2);
    const int odd_lanes = _mm_movemask_pd(odd);
    __m128d kernel;
    if (odd_lanes == 0) {
        sin_polynomial(head, tail, kernel);
    } else if (odd_lanes == 0x3) {
        cos_polynomial(head, tail, kernel);
    } else {
        __m128d sine;
        __m128d cosine;
        sin_polynomial(head, tail, sine);
        cos_polynomial(head, tail, cosine);
        kernel = select(odd, sine, cosine);
    }
    return _mm_xor_pd(kernel, _mm_and_pd(upper, sign));
}

void wave_sin_each_sse2(const float* arguments, double* sines, unsigned count) {
    unsigned i = 0;
    for (; i + 2 <= count; i += 2) {
        const __m128 two =
            _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(arguments + i)));
        _mm_storeu_pd(sines + i, moderate_sine_pair(two));
        // Large and non-finite arguments (where the comparison is false) take the scalar
        // way.
        const int moderate = _mm_movemask_pd(_mm_cmple_pd(
            _mm_andnot_pd(_mm_set1_pd(-0.0), _mm_cvtps_pd(two)), _mm_set1_pd(moderate_limit)));
        if (moderate != 0x3) {
            for (int lane = 0; lane < 2; ++lane)
                if ((moderate >> lane & 1) == 0)
                    sines[i + lane] = wave_sin(arguments[i + lane]);
        }
    }
    for (; i < count; ++i)
        sines[i] = wave_sin(arguments[i]);
}

// Four lanes of (e_a - e_b > limit), e the binary exponents of a and b.
[[gnu::target("avx2")]] __m256d exponent_drop_exceeds(__m256d a, __m256d b, int limit) {
    const __m256i mask = _mm256_set1_epi64x(0x7ff);
    const __m256i drop =
        _mm256_sub_epi64(_mm256_and_si256(_mm256_srli_epi64(_mm256_castpd_si256(a), 52), mask),
                         _mm256_and_si256(_mm256_srli_epi64(_mm256_castpd_si256(b), 52), mask));
    return _mm256_castsi256_pd(_mm256_cmpgt_epi64(drop, _mm256_set1_epi64x(limit)));
}

// wave_sin of four arguments within moderate_limit: reduce_moderate without its branches
// (a further piece of pi/2 is worked out when any lane needs it, and kept where the
// scalar code takes it), then the kernel of each lane's quadrant. The arguments of one
// call are mostly neighbours, so the lanes mostly agree on both questions.
[[gnu::target("avx2")]] __m256d moderate_sines(__m128 arguments) {
    const __m256d sign = _mm256_set1_pd(-0.0);
    const __m256d x = _mm256_cvtps_pd(arguments);
    const __m256d t = _mm256_andnot_pd(sign, x);
    const __m128i n = _mm256_cvttpd_epi32(t * invpio2 + 0.5);
    const __m256d fn = _mm256_cvtepi32_pd(n);
    __m256d r = t - fn * pio2_1;
    __m256d w = fn * pio2_1t;
    __m256d head = r - w;
    const __m256d second = exponent_drop_exceeds(t, head, 16);
    if (_mm256_movemask_pd(second) != 0) {
        const __m256d r2 = r - fn * pio2_2;
        const __m256d w2 = fn * pio2_2t - ((r - r2) - fn * pio2_2);
        const __m256d head2 = r2 - w2;
        const __m256d third = _mm256_and_pd(second, exponent_drop_exceeds(t, head2, 49));
        const __m256d r3 = r2 - fn * pio2_3;
        const __m256d w3 = fn * pio2_3t - ((r2 - r3) - fn * pio2_3);
        const __m256d head3 = r3 - w3;
        r = _mm256_blendv_pd(_mm256_blendv_pd(r, r2, second), r3, third);
        w = _mm256_blendv_pd(_mm256_blendv_pd(w, w2, second), w3, third);
        head = _mm256_blendv_pd(_mm256_blendv_pd(head, head2, second), head3, third);
    }
    __m256d tail = (r - head) - w;
    const __m256d negative = _mm256_cmp_pd(x, _mm256_setzero_pd(), _CMP_LT_OQ);
    head = _mm256_xor_pd(head, _mm256_and_pd(negative, sign));
    tail = _mm256_xor_pd(tail, _mm256_and_pd(negative, sign));
    // An argument within pi/4 goes to the sine kernel as it is, with a zero tail.
    const __m256d small = _mm256_cmp_pd(t, _mm256_set1_pd(pio4), _CMP_LE_OQ);
    head = _mm256_blendv_pd(head, x, small);
    tail = _mm256_andnot_pd(small, tail);
    // The quadrant n & 3 of the signed n (n is 0 for the small arguments).
    const __m128i negative_n = _mm_srai_epi32(_mm_castps_si128(arguments), 31);
    const __m128i signed_n = _mm_sub_epi32(_mm_xor_si128(n, negative_n), negative_n);
    const __m256i quadrant = _mm256_cvtepi32_epi64(signed_n);
    const __m256i one = _mm256_set1_epi64x(1);
    const __m256i two = _mm256_set1_epi64x(2);
    const __m256d odd =
        _mm256_castsi256_pd(_mm256_cmpeq_epi64(_mm256_and_si256(quadrant, one), one));
    const __m256d upper =
        _mm256_castsi256_pd(_mm256_cmpeq_epi64(_mm256_and_si256(quadrant, two), two));
    const int odd_lanes = _mm256_movemask_pd(odd);
    __m256d kernel;
    if (odd_lanes == 0) {
        sin_polynomial(head, tail, kernel);
    } else if (odd_lanes == 0xf) {
        cos_polynomial(head, tail, kernel);
    } else {
        __m256d sine;
        __m256d cosine;
        sin_polynomial(head, tail, sine);
        cos_polynomial(head, tail, cosine);
        kernel = _mm256_blendv_pd(sine, cosine, odd);
    }
    return _mm256_xor_pd(kernel, _mm256_and_pd(upper, sign));
}

[[gnu::target("avx2")]] void wave_sin_each_avx2(const float* arguments, double* sines,
                                                unsigned count) {
    unsigned i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128 four = _mm_loadu_ps(arguments + i);
        _mm256_storeu_pd(sines + i, moderate_sines(four));
        // Large and non-finite arguments (where the comparison is false) take the scalar
        // way.
        const __m256d within =
            _mm256_cmp_pd(_mm256_andnot_pd(_mm256_set1_pd(-0.0), _mm256_cvtps_pd(four)),
                          _mm256_set1_pd(moderate_limit), _CMP_LE_OQ);
        const int moderate = _mm256_movemask_pd(within);
        if (moderate != 0xf) {
            for (int lane = 0; lane < 4; ++lane)
                if ((moderate >> lane & 1) == 0)
                    sines[i + lane] = wave_sin(arguments[i + lane]);
        }
    }
    for (; i < count; ++i)
        sines[i] = wave_sin(arguments[i]);
}

// Eight lanes of (e_a - e_b > limit), e the binary exponents of a and b.
[[gnu::target("avx512f,avx512vl,avx512dq")]] __mmask8 exponent_drop_exceeds(__m512d a, __m512d b,
                                                                            int limit) {
    const __m512i mask = _mm512_set1_epi64(0x7ff);
    const __m512i drop =
        _mm512_sub_epi64(_mm512_and_si512(_mm512_srli_epi64(_mm512_castpd_si512(a), 52), mask),
                         _mm512_and_si512(_mm512_srli_epi64(_mm512_castpd_si512(b), 52), mask));
    return _mm512_cmpgt_epi64_mask(drop, _mm512_set1_epi64(limit));
}

// v with the sign flipped in the given lanes (zeros too, as the scalar negation does).
[[gnu::target("avx512f,avx512vl,avx512dq")]] __m512d negate_lanes(__mmask8 lanes, __m512d v) {
    return _mm512_mask_xor_pd(v, lanes, v, _mm512_set1_pd(-0.0));
}

// moderate_sines with eight lanes, the lanes chosen through masks.
[[gnu::target("avx512f,avx512vl,avx512dq")]] __m512d moderate_sines(__m256 arguments) {
    const __m512d x = _mm512_cvtps_pd(arguments);
    const __m512d t = _mm512_abs_pd(x);
    const __m256i n = _mm512_cvttpd_epi32(t * invpio2 + 0.5);
    const __m512d fn = _mm512_cvtepi32_pd(n);
    __m512d r = t - fn * pio2_1;
    __m512d w = fn * pio2_1t;
    __m512d head = r - w;
    const __mmask8 second = exponent_drop_exceeds(t, head, 16);
    if (second != 0) {
        const __m512d r2 = r - fn * pio2_2;
        const __m512d w2 = fn * pio2_2t - ((r - r2) - fn * pio2_2);
        const __m512d head2 = r2 - w2;
        const __mmask8 third = second & exponent_drop_exceeds(t, head2, 49);
        const __m512d r3 = r2 - fn * pio2_3;
        const __m512d w3 = fn * pio2_3t - ((r2 - r3) - fn * pio2_3);
        const __m512d head3 = r3 - w3;
        r = _mm512_mask_blend_pd(third, _mm512_mask_blend_pd(second, r, r2), r3);
        w = _mm512_mask_blend_pd(third, _mm512_mask_blend_pd(second, w, w2), w3);
        head = _mm512_mask_blend_pd(third, _mm512_mask_blend_pd(second, head, head2), head3);
    }
    __m512d tail = (r - head) - w;
    const __mmask8 negative = _mm512_cmp_pd_mask(x, _mm512_setzero_pd(), _CMP_LT_OQ);
    head = negate_lanes(negative, head);
    tail = negate_lanes(negative, tail);
    // An argument within pi/4 goes to the sine kernel as it is, with a zero tail.
    const __mmask8 small = _mm512_cmp_pd_mask(t, _mm512_set1_pd(pio4), _CMP_LE_OQ);
    head = _mm512_mask_blend_pd(small, head, x);
    tail = _mm512_mask_blend_pd(small, tail, _mm512_setzero_pd());
    // The quadrant n & 3 of the signed n (n is 0 for the small arguments).
    const __m256i negative_n = _mm256_srai_epi32(_mm256_castps_si256(arguments), 31);
    const __m256i signed_n = _mm256_sub_epi32(_mm256_xor_si256(n, negative_n), negative_n);
    const __mmask8 odd = _mm256_test_epi32_mask(signed_n, _mm256_set1_epi32(1));
    const __mmask8 upper = _mm256_test_epi32_mask(signed_n, _mm256_set1_epi32(2));
    __m512d kernel;
    if (odd == 0) {
        sin_polynomial(head, tail, kernel);
    } else if (odd == 0xff) {
        cos_polynomial(head, tail, kernel);
    } else {
        __m512d sine;
        __m512d cosine;
        sin_polynomial(head, tail, sine);
        cos_polynomial(head, tail, cosine);
        kernel = _mm512_mask_blend_pd(odd, sine, cosine);
    }
    return negate_lanes(upper, kernel);
}

[[gnu::target("avx512f,avx512vl,avx512dq")]] void
wave_sin_each_avx512(const float* arguments, double* sines, unsigned count) {
    unsigned i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256 eight = _mm256_loadu_ps(arguments + i);
        _mm512_storeu_pd(sines + i, moderate_sines(eight));
        // Large and non-finite arguments (where the comparison is false) take the scalar
        // way.
        const __mmask8 moderate = _mm512_cmp_pd_mask(_mm512_abs_pd(_mm512_cvtps_pd(eight)),
                                                     _mm512_set1_pd(moderate_limit), _CMP_LE_OQ);
        if (moderate != 0xff) {
            for (int lane = 0; lane < 8; ++lane)
                if ((moderate >> lane & 1) == 0)
                    sines[i + lane] = wave_sin(arguments[i + lane]);
        }
    }
    wave_sin_each_avx2(arguments + i, sines + i, count - i);
}

} // namespace

void wave_sin_each(const float* arguments, double* sines, unsigned count) {
    switch (vector_width()) {
    case VectorWidth::avx512: wave_sin_each_avx512(arguments, sines, count); return;
    case VectorWidth::avx2: wave_sin_each_avx2(arguments, sines, count); return;
    case VectorWidth::sse2: break;
    }
    wave_sin_each_sse2(arguments, sines, count);
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
