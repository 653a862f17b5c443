// Batch synthesis of the frames of one phase. Every step rounds exactly as the per-pixel
// synthesis does; only the order of the work differs:
// - the radius r depends on the pixel's distance in columns and rows alone, so it is
//   computed once per distinct pair (and pairs with the same r share one "ring");
// - the direction factor C and the envelope E are the same in every phase, and C is the
//   same in the pixel mirrored across the line through the centre where nx = -ny;
// - per phase, the wave's sine is computed once per ring;
// - the three tables share the loads and the hold frame's amplitude, and products of two
//   single-precision values (C x E, E x F) are exact in double, so they can be formed in
//   any order.
// The state is process-wide and sized for the largest side the settings allow.
#include "ripple/frame_batch.h"

#include "ripple/frame_formula.h"
#include "ripple/frames.h"
#include "ripple/wave_math.h"

#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr unsigned largest_side = 256;
constexpr unsigned largest_half = largest_side / 2;
constexpr unsigned largest_pixels = largest_side * largest_side;
// Pairs (a, b) with 0 <= a <= b <= h, of which the rings are a subset.
constexpr unsigned largest_pairs = (largest_half + 1) * (largest_half + 2) / 2;

// Distances from the centre in columns and rows (near <= far), and the radius they give.
struct Pair {
    float radius;
    std::uint16_t near;
    std::uint16_t far;
};

struct Batch {
    bool per_pixel; // the side is too large for the tables below
    unsigned size;
    std::int32_t jumps;
    std::int32_t circles;
    std::int32_t peek;

    // Per pixel, in buffer order; pixels outside the disc and the centre have C = E = 0.
    // C and E are single-precision values in the formula, and kept so they stay in cache.
    // Four more than the pixels, so that the last group of four may read past the end.
    std::uint16_t ring_of[largest_pixels + 4];
    float direction[largest_pixels + 4];   // C
    float envelope_of[largest_pixels + 4]; // E
    // Per row, the columns inside the disc: first .. last, none when first > last.
    int first_inside[largest_side];
    int last_inside[largest_side];

    // Per ring.
    unsigned rings;
    double wave_base[largest_pairs]; // (circles x pi) x r
    double envelope[largest_pairs];  // E
    double wave[largest_pairs];      // S of the current phase

    // The pairs inside the disc, sorted by radius into rings, and pair -> ring.
    Pair pairs[largest_pairs];
    std::uint16_t ring_of_pair[(largest_half + 1) * (largest_half + 1)];

    // Target of a table whose buffer could not be allocated.
    std::uint32_t discarded[largest_pixels];
};

Batch batch;

} // namespace

bool frame_batch_may_use_avx2 = true;

namespace {

// The pixel loop works on four pixels at a time with SSE2, which both builds have (the
// Windows build requires it for its arithmetic); each lane rounds as scalar code would.

[[gnu::always_inline]] inline __m128d wave_pair(const std::uint16_t* rings) {
    return _mm_loadh_pd(_mm_load_sd(batch.wave + rings[0]), batch.wave + rings[1]);
}

[[gnu::always_inline]] inline __m128d through_single(__m128d u) {
    return _mm_cvtps_pd(_mm_cvtpd_ps(u));
}

// The formula's last step for four pixels, without a branch on the sign, which is
// unpredictable from pixel to pixel. The three tables share the sign of a pixel (u is
// S x C times non-negative factors, zero in one table only where it is zero in all), so
// it is worked out once, from the hold frame's amplitude.
struct Signs {
    __m128d scale_low; // 255 where u > 0, else 127.5
    __m128d scale_high;
    __m128i kept; // the bytes of alpha x 0x01010101 that the pixel keeps
};

[[gnu::always_inline]] inline Signs signs_of(__m128d low, __m128d high) {
    const __m128d half = _mm_set1_pd(127.5);
    const __m128d lit_low = _mm_cmpgt_pd(low, _mm_setzero_pd());
    const __m128d lit_high = _mm_cmpgt_pd(high, _mm_setzero_pd());
    const __m128i lit = _mm_castps_si128(
        _mm_shuffle_ps(_mm_castpd_ps(lit_low), _mm_castpd_ps(lit_high), _MM_SHUFFLE(2, 0, 2, 0)));
    return Signs{_mm_add_pd(half, _mm_and_pd(lit_low, half)),
                 _mm_add_pd(half, _mm_and_pd(lit_high, half)),
                 _mm_or_si128(lit, _mm_set1_epi32(static_cast<int>(0xff000000u)))};
}

// alpha = truncate(|u| x 255) where u > 0 and truncate(|u| x 127.5) = truncate(255 x
// (0.5 |u|)) elsewhere (0.5 |u| is exact); the pixel is alpha in every byte where u > 0,
// else in the alpha byte alone. The formula's clamps to [-1, 1] never act here: S, C, F
// and the fade-in factor are at most 1 in magnitude and E is at most 1 - 1/h off the
// centre, so |u| < 1 and alpha < 256.
[[gnu::always_inline]] inline __m128i pixel_words(__m128d low, __m128d high, const Signs& signs) {
    const __m128d magnitude = _mm_castsi128_pd(_mm_srli_epi64(_mm_set1_epi32(-1), 1));
    const __m128i alpha = _mm_unpacklo_epi64(
        _mm_cvttpd_epi32(_mm_mul_pd(_mm_and_pd(low, magnitude), signs.scale_low)),
        _mm_cvttpd_epi32(_mm_mul_pd(_mm_and_pd(high, magnitude), signs.scale_high)));
    // Each alpha to one byte, then that byte into all four bytes of its word.
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(alpha, alpha), alpha);
    const __m128i pairs = _mm_unpacklo_epi8(bytes, bytes);
    return _mm_and_si128(_mm_unpacklo_epi16(pairs, pairs), signs.kept);
}

[[gnu::always_inline]] inline void store_words(std::uint32_t* out, __m128i words, int count) {
    if (count >= 4) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), words);
        return;
    }
    std::uint32_t lanes[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), words);
    std::copy_n(lanes, count, out);
}

// The three tables' pixels begin .. end - 1 of one row, all inside the disc; fade and
// fade_in are the phase's F and fade-in factor.
struct Span {
    std::uint32_t* attack;
    std::uint32_t* hold;
    std::uint32_t* release;
    int begin;
    int end;
    double fade;
    double fade_in;
};

void synthesize_span(const Span& span) {
    const __m128d fade_out = _mm_set1_pd(span.fade);
    const __m128d fade_in = _mm_set1_pd(span.fade_in);
    for (int p = span.begin; p < span.end; p += 4) {
        const __m128d wave_low = wave_pair(batch.ring_of + p);
        const __m128d wave_high = wave_pair(batch.ring_of + p + 2);
        const __m128 directions = _mm_loadu_ps(batch.direction + p);
        const __m128 envelopes = _mm_loadu_ps(batch.envelope_of + p);
        const __m128d direction_low = _mm_cvtps_pd(directions);
        const __m128d direction_high = _mm_cvtps_pd(_mm_movehl_ps(directions, directions));
        const __m128d envelope_low = _mm_cvtps_pd(envelopes);
        const __m128d envelope_high = _mm_cvtps_pd(_mm_movehl_ps(envelopes, envelopes));
        const __m128d held_low = _mm_mul_pd(wave_low, _mm_mul_pd(direction_low, envelope_low));
        const __m128d held_high = _mm_mul_pd(wave_high, _mm_mul_pd(direction_high, envelope_high));
        const __m128d released_low =
            _mm_mul_pd(wave_low, _mm_mul_pd(_mm_mul_pd(envelope_low, fade_out), direction_low));
        const __m128d released_high =
            _mm_mul_pd(wave_high, _mm_mul_pd(_mm_mul_pd(envelope_high, fade_out), direction_high));
        const int count = span.end - p;
        const Signs signs = signs_of(held_low, held_high);
        store_words(span.hold + p, pixel_words(held_low, held_high, signs), count);
        store_words(span.attack + p,
                    pixel_words(_mm_mul_pd(through_single(held_low), fade_in),
                                _mm_mul_pd(through_single(held_high), fade_in), signs),
                    count);
        store_words(span.release + p, pixel_words(released_low, released_high, signs), count);
    }
}

// pixel_words with four lanes of double.
[[gnu::target("avx2"), gnu::always_inline]] inline __m128i
pixel_words_avx2(__m256d u, __m256d scale, __m128i kept) {
    const __m256d magnitude = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7fffffffffffffff));
    const __m128i alpha = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_and_pd(u, magnitude), scale));
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(alpha, alpha), alpha);
    const __m128i pairs = _mm_unpacklo_epi8(bytes, bytes);
    return _mm_and_si128(_mm_unpacklo_epi16(pairs, pairs), kept);
}

// synthesize_span with AVX2, for processors that have it: four lanes of double at once,
// and the very same operations per lane.
[[gnu::target("avx2")]] void synthesize_span_avx2(const Span& span) {
    const __m256d fade_out = _mm256_set1_pd(span.fade);
    const __m256d fade_in = _mm256_set1_pd(span.fade_in);
    const __m256d zero = _mm256_setzero_pd();
    const __m256d half = _mm256_set1_pd(127.5);
    const __m128i alpha_byte = _mm_set1_epi32(static_cast<int>(0xff000000u));
    for (int p = span.begin; p < span.end; p += 4) {
        const std::uint16_t* rings = batch.ring_of + p;
        const __m256d wave = _mm256_set_pd(batch.wave[rings[3]], batch.wave[rings[2]],
                                           batch.wave[rings[1]], batch.wave[rings[0]]);
        const __m256d direction = _mm256_cvtps_pd(_mm_loadu_ps(batch.direction + p));
        const __m256d envelope = _mm256_cvtps_pd(_mm_loadu_ps(batch.envelope_of + p));
        const __m256d held = _mm256_mul_pd(wave, _mm256_mul_pd(direction, envelope));
        const __m256d attacked = _mm256_mul_pd(_mm256_cvtps_pd(_mm256_cvtpd_ps(held)), fade_in);
        const __m256d released =
            _mm256_mul_pd(wave, _mm256_mul_pd(_mm256_mul_pd(envelope, fade_out), direction));
        const __m256d lit = _mm256_cmp_pd(held, zero, _CMP_GT_OQ);
        const __m256d scale = _mm256_add_pd(half, _mm256_and_pd(lit, half));
        const __m128 lit_halves = _mm_shuffle_ps(_mm256_castps256_ps128(_mm256_castpd_ps(lit)),
                                                 _mm256_extractf128_ps(_mm256_castpd_ps(lit), 1),
                                                 _MM_SHUFFLE(2, 0, 2, 0));
        const __m128i kept = _mm_or_si128(_mm_castps_si128(lit_halves), alpha_byte);
        const int count = span.end - p;
        store_words(span.hold + p, pixel_words_avx2(held, scale, kept), count);
        store_words(span.attack + p, pixel_words_avx2(attacked, scale, kept), count);
        store_words(span.release + p, pixel_words_avx2(released, scale, kept), count);
    }
}

bool processor_has_avx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

double pair_square(int a, int b, unsigned h) {
    const double na = static_cast<double>(a) / h;
    const double nb = static_cast<double>(b) / h;
    return na * na + nb * nb;
}

// Rings: the distinct radii inside the disc, in increasing order (so that the wave's
// argument runs monotonically through them).
void find_rings(unsigned h) {
    unsigned count = 0;
    for (unsigned far = 0; far <= h; ++far) {
        for (unsigned near = 0; near <= far; ++near) {
            const float r = static_cast<float>(std::sqrt(pair_square(near, far, h)));
            if (r <= 1.0f)
                batch.pairs[count++] =
                    Pair{r, static_cast<std::uint16_t>(near), static_cast<std::uint16_t>(far)};
        }
    }
    std::sort(batch.pairs, batch.pairs + count,
              [](const Pair& x, const Pair& y) { return x.radius < y.radius; });
    batch.rings = 0;
    for (unsigned i = 0; i < count; ++i) {
        const Pair& pair = batch.pairs[i];
        if (i == 0 || pair.radius != batch.pairs[i - 1].radius) {
            const unsigned ring = batch.rings++;
            const float r = pair.radius;
            batch.wave_base[ring] = static_cast<double>(batch.circles) * wave_pi * r;
            float envelope = static_cast<float>(1.0 - r);
            if (batch.peek == 0) {
                const double inside = 1.0 - r;
                envelope = static_cast<float>(wave_sin(static_cast<float>(wave_pi * inside)) *
                                              static_cast<float>(inside));
            }
            batch.envelope[ring] = envelope;
        }
        batch.ring_of_pair[pair.near * (h + 1) + pair.far] =
            static_cast<std::uint16_t>(batch.rings - 1);
    }
    // A side of 1 has no ring, only its centre; it still reads ring 0.
    if (batch.rings == 0) {
        batch.rings = 1;
        batch.wave_base[0] = 0.0;
        batch.envelope[0] = 0.0;
    }
}

float direction_at(int dx, int dy, unsigned h) {
    const double nx = static_cast<double>(dx) / h;
    const double ny = static_cast<double>(dy) / h;
    const double q = nx * nx + ny * ny;
    const float s = static_cast<float>((ny - nx) / (std::sqrt(q) * wave_root2));
    return static_cast<float>(wave_cos(static_cast<float>(wave_acos(s))));
}

void prepare_pixels(unsigned size) {
    const int h = static_cast<int>(size / 2);
    for (int row = 0; row < static_cast<int>(size); ++row) {
        const int dy = row - h;
        batch.first_inside[row] = static_cast<int>(size);
        batch.last_inside[row] = -1;
        for (int column = 0; column < static_cast<int>(size); ++column) {
            const int dx = column - h;
            const int p = row * static_cast<int>(size) + column;
            const int near = std::min(std::abs(dx), std::abs(dy));
            const int far = std::max(std::abs(dx), std::abs(dy));
            const float r = static_cast<float>(std::sqrt(pair_square(near, far, h)));
            batch.ring_of[p] = 0;
            batch.direction[p] = 0.0f;
            batch.envelope_of[p] = 0.0f;
            if (r > 1.0f)
                continue;
            batch.first_inside[row] = std::min(batch.first_inside[row], column);
            batch.last_inside[row] = column;
            if (dx == 0 && dy == 0)
                continue;
            const std::uint16_t ring = batch.ring_of_pair[near * (h + 1) + far];
            // The mirror (-dy, -dx) has the same s, hence the same C; it lies in an
            // earlier row when it lies in the frame at all.
            const int mirror_column = h - dy;
            const int mirror_row = h - dx;
            if (mirror_row < row && mirror_column < static_cast<int>(size))
                batch.direction[p] =
                    batch.direction[mirror_row * static_cast<int>(size) + mirror_column];
            else
                batch.direction[p] = direction_at(dx, dy, static_cast<unsigned>(h));
            batch.ring_of[p] = ring;
            batch.envelope_of[p] = static_cast<float>(batch.envelope[ring]);
        }
    }
}

void synthesize_per_pixel(float phase, std::uint32_t* attack, std::uint32_t* hold,
                          std::uint32_t* release) {
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

} // namespace

void prepare_frame_batch(unsigned size, std::int32_t jumps, std::int32_t circles,
                         std::int32_t peek) {
    batch.per_pixel = size > largest_side;
    batch.size = size;
    batch.jumps = jumps;
    batch.circles = circles;
    batch.peek = peek;
    if (batch.per_pixel)
        return;
    find_rings(size / 2);
    prepare_pixels(size);
}

void synthesize_frame_batch(float phase, std::uint32_t* attack, std::uint32_t* hold,
                            std::uint32_t* release) {
    if (batch.per_pixel) {
        synthesize_per_pixel(phase, attack, hold, release);
        return;
    }
    attack = attack != nullptr ? attack : batch.discarded;
    hold = hold != nullptr ? hold : batch.discarded;
    release = release != nullptr ? release : batch.discarded;

    const float angle = static_cast<float>(wave_pi * phase);
    const float fade = static_cast<float>(1.0 - phase);
    const double shift = static_cast<double>(batch.jumps) * angle;
    const double fade_in = wave_sin(static_cast<float>(angle * 0.5));
    for (unsigned ring = 0; ring < batch.rings; ++ring)
        batch.wave[ring] = wave_sin(static_cast<float>(batch.wave_base[ring] - shift));
    static const bool has_avx2 = processor_has_avx2();
    void (*const synthesize)(const Span&) =
        has_avx2 && frame_batch_may_use_avx2 ? synthesize_span_avx2 : synthesize_span;

    const int size = static_cast<int>(batch.size);
    for (int row = 0; row < size; ++row) {
        const int start = row * size;
        const int first = batch.first_inside[row];
        const int last = batch.last_inside[row];
        if (first > last) {
            std::fill_n(attack + start, size, 0u);
            std::fill_n(hold + start, size, 0u);
            std::fill_n(release + start, size, 0u);
            continue;
        }
        std::fill_n(attack + start, first, 0u);
        std::fill_n(hold + start, first, 0u);
        std::fill_n(release + start, first, 0u);
        synthesize(Span{attack, hold, release, start + first, start + last + 1, fade, fade_in});
        const int after = start + last + 1;
        std::fill_n(attack + after, size - last - 1, 0u);
        std::fill_n(hold + after, size - last - 1, 0u);
        std::fill_n(release + after, size - last - 1, 0u);
    }
}
