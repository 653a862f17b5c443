// Batch synthesis of the frames of one phase. Every step rounds exactly as the per-pixel
// synthesis does; only the order of the work differs:
// - the radius r depends on the pixel's distance in columns and rows alone, so it is
//   computed once per distinct pair (and pairs with the same r share one "ring");
// - the direction factor C and the envelope E are the same in every phase, and C is the
//   same in the pixel mirrored across the line through the centre where nx = -ny; the
//   rings and C depend on the side alone and are kept while it stays;
// - per phase, the wave's sine is computed once per ring;
// - the three tables share the loads and the hold frame's amplitude, and products of two
//   single-precision values (C x E, E x F) are exact in double, so they can be formed in
//   any order: C x E is kept per pixel;
// - the rows h - k and h + k, and the columns h - j and h + j, have the same rings: the
//   waves of a phase are spread once over a strip per row pair, which the pixel loops read
//   forward right of the centre column and backward left of it.
// Tables too large for the cache are written with streaming stores straight from the
// pixel loop, so that memory takes them while the processor computes.
// The state is process-wide and sized for the largest side the settings allow.
#include "ripple/frame_batch.h"

#include "ripple/frame_formula.h"
#include "ripple/frames.h"
#include "ripple/vector_width.h"
#include "ripple/wave_math.h"

// GCC 12's AVX-512 header warns about its own deliberately undefined vectors.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

std::uint64_t frame_batch_recomputes = 0;

namespace {

constexpr unsigned largest_side = 256;
constexpr unsigned largest_half = largest_side / 2;
constexpr unsigned largest_pixels = largest_side * largest_side;
// Pairs (a, b) with 0 <= a <= b <= h, of which the rings are a subset.
constexpr unsigned largest_pairs = (largest_half + 1) * (largest_half + 2) / 2;

// Tables that together take more than this go to memory with streaming stores: they
// would not stay in the cache anyway, and ordinary stores would first read every line
// they write. Below it the frames stay in the cache, where ordinary stores are faster.
constexpr std::size_t streaming_bytes = std::size_t{16} << 20;
// Per-pixel data before the first pixel, so that a group of four may start up to three
// pixels before it.
constexpr int front = 4;

// Distances from the centre in columns and rows (near <= far), and the radius they give.
struct Pair {
    float radius;
    std::uint16_t near;
    std::uint16_t far;
};

struct Batch {
    bool per_pixel; // the side is too large for the tables below
    bool streams;   // the frames go to memory with streaming stores
    unsigned size;
    std::int32_t jumps;
    std::int32_t circles;
    std::int32_t peek;

    // What depends on the side alone is kept while the side stays, so that every slider
    // but the size, and the "Sharp peek" box, skip it.
    unsigned shaped_side; // 0 before the first
    // Per pixel, in buffer order from element `front` on: the ring and the direction
    // factor C; pixels outside the disc and the centre have ring 0 and C 0, and so have
    // the elements before the first pixel. Four more after the last pixel, so that the
    // last group of four may read past it.
    std::uint16_t ring_of[front + largest_pixels + 4];
    float direction[front + largest_pixels + 4];
    // Per row, the columns inside the disc: first .. last, none when first > last.
    int first_inside[largest_side];
    int last_inside[largest_side];
    // Per ring: its radius r.
    unsigned rings;
    float radius[largest_pairs];

    // Per pixel, as ring_of: single(C x E x 255).
    float amplitude[front + largest_pixels + 4];
    // Per ring.
    double wave_base[largest_pairs];    // (circles x pi) x r
    double envelope[largest_pairs];     // E
    float wave_argument[largest_pairs]; // W of the current phase
    float wave_single[largest_pairs];   // S of the current phase, within near_sine_error
    // Per k from 0 to h, by |dx|: the waves in the rows h - k and h + k, which have the
    // same rings, on both sides of the centre column.
    float strips[largest_half + 1][largest_side];

    // The pairs inside the disc, sorted by radius into rings, and pair -> ring.
    Pair pairs[largest_pairs];
    std::uint16_t ring_of_pair[(largest_half + 1) * (largest_half + 1)];

    // Target of a table whose buffer could not be allocated.
    std::uint32_t discarded[largest_pixels];
};

Batch batch;

// The pixel loops compute each pixel in single precision, with SSE2 (which both builds have)
// four at a time, with AVX2 eight and with AVX-512 sixteen, and bound the error against the
// double arithmetic of synthesize_frame: where the bound cannot tell on which side of a
// truncation boundary the exact result lies, the pixel is worked out again in double.
//
// With u = 2^-24 and e = 2^-53, each rounding to single or double multiplies by some 1 + d,
// |d| <= u or e. For H = S x C x E, exact, and sigma = 255 where lit (u > 0) or -127.5
// elsewhere (which halves and turns u positive, both exactly), the frames truncate
//   hold     rnd(rnd(S x CE) x sigma)               = H sigma (1+e)^2
//   attack   rnd(rnd(single(held) x fade-in) x s.)  = H fade-in sigma (1+u) (1+e)^3
//   release  rnd(rnd(S x rnd(CE x F)) x sigma)      = H F sigma (1+e)^3.
// In single precision p = s x A, s = S (1+3u) (wave_sin_near_each), A = single(C x E x 255);
// the hold value is p x tau (1 + K) with tau = sigma / 255 (exact), and the others that
// times single(fade-in) or F: H sigma (1 + K) (1+3u) (1+u)^3 (1+e), with fade-in
// (1+3u) (1+u)^5 (1+e), with F (1+3u) (1+u)^4 (1+e). So the value with 1 + K is at least
// the double one, and the value with 1 - K at most it, when (1 + K) (1-3u) (1-u)^5 (1-e) >=
// (1+u) (1+e)^3 and the same below: K >= 9u + 4e + O(u^2). K = 16u. Where both truncate
// alike, so does the double value between them. A result of 1 or more has every factor at
// least 1/256 of it, far from underflow; below 1 the word is 0 whatever the sign, so the
// sign bit of p may stand for "not lit" (p = -0 or 0 gives 0). s has the sign of S.
//
// The formula's clamps to [-1, 1] never act here: S, C, F and the fade-in factor are at
// most 1 in magnitude and E is at most 1 - 1/h off the centre, so |u| < 1 and alpha < 256.
constexpr float error_bound = 0x1p-20f;
static_assert(near_sine_error <= 0x3p-24, "K above counts on sines within 3u");
constexpr float lit_high = 1.0f + error_bound;
constexpr float lit_low = 1.0f - error_bound;
constexpr float dark_high = -0.5f * lit_high;
constexpr float dark_low = -0.5f * lit_low;

// Per pattern of signs of four pixels (bit i set where pixel i is not lit): the factors of
// the high and the low value, and what a pixel keeps of alpha in all four bytes.
struct LaneSigns {
    alignas(16) float high[16][4];
    alignas(16) float low[16][4];
    alignas(16) std::uint32_t kept[16][4];
};

constexpr LaneSigns make_lane_signs() {
    LaneSigns signs{};
    for (int dark = 0; dark < 16; ++dark) {
        for (int lane = 0; lane < 4; ++lane) {
            const bool lit = (dark >> lane & 1) == 0;
            signs.high[dark][lane] = lit ? lit_high : dark_high;
            signs.low[dark][lane] = lit ? lit_low : dark_low;
            signs.kept[dark][lane] = lit ? 0xffffffffu : 0xff000000u;
        }
    }
    return signs;
}

constexpr LaneSigns lane_signs = make_lane_signs();

// The three tables' words of `count` pixels, a multiple of four, from the first one on.
struct Span {
    std::uint32_t* attack; // the first pixel's word in each table
    std::uint32_t* hold;
    std::uint32_t* release;
    // single(S) of pixel i at waves[i], or where the span runs towards the centre column
    // (reversed) at waves[-i]
    const float* waves;
    const std::uint16_t* rings; // the first pixel's per-pixel data
    const float* amplitudes;
    const float* directions;
    int count;
    double fade;    // F
    double fade_in; // the fade-in factor
};

// Four words to a frame: with a streaming store (to a 16-byte boundary), which writes
// memory without first reading the line into the cache, or an ordinary one.
template <bool streaming>
[[gnu::always_inline]] inline void put(std::uint32_t* out, __m128i words) {
    if (streaming)
        _mm_stream_si128(reinterpret_cast<__m128i*>(out), words);
    else
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), words);
}

// The words of pixel i of the span in double precision, step for step as synthesize_frame.
void exact_words(const Span& span, int i, std::uint32_t& attack, std::uint32_t& hold,
                 std::uint32_t& release) {
    ++frame_batch_recomputes;
    const int ring = span.rings[i];
    const double wave = wave_sin(batch.wave_argument[ring]);
    const double amplitude =
        static_cast<double>(span.directions[i]) * static_cast<float>(batch.envelope[ring]);
    const double held = wave * amplitude;
    const bool lit = held > 0;
    const double scale = lit ? 255.0 : -127.5;
    const std::uint32_t spread = lit ? 0x01010101u : 0x01000000u;
    hold = static_cast<std::uint32_t>(held * scale) * spread;
    attack = static_cast<std::uint32_t>(static_cast<float>(held) * span.fade_in * scale) * spread;
    release = static_cast<std::uint32_t>(wave * (amplitude * span.fade) * scale) * spread;
}

// The words of `lanes` pixels from pixel c of the span, from words[table][lane] where bit
// lane of `trusted` is set and worked out again elsewhere, to the frames.
template <bool streaming, int lanes>
void put_checked(const Span& span, int c, unsigned trusted, std::uint32_t (&words)[3][lanes]) {
    for (int lane = 0; lane < lanes; ++lane)
        if ((trusted >> lane & 1) == 0)
            exact_words(span, c + lane, words[0][lane], words[1][lane], words[2][lane]);
    std::uint32_t* const frames[] = {span.attack, span.hold, span.release};
    for (int table = 0; table < 3; ++table)
        for (int lane = 0; lane < lanes; lane += 4)
            put<streaming>(frames[table] + c + lane,
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(words[table] + lane)));
}

// single(S) of the four pixels from pixel c of a span on.
template <bool reversed>
[[gnu::always_inline]] inline __m128 load_waves(const float* waves, int c) {
    if (!reversed)
        return _mm_loadu_ps(waves + c);
    const __m128 mirrored = _mm_loadu_ps(waves - c - 3);
    return _mm_shuffle_ps(mirrored, mirrored, _MM_SHUFFLE(0, 1, 2, 3));
}

template <bool streaming, bool reversed> void synthesize_span(const Span& span) {
    const __m128 fade_out = _mm_set1_ps(static_cast<float>(span.fade));
    const __m128 fade_in = _mm_set1_ps(static_cast<float>(span.fade_in));
    const float* const waves = span.waves;
    const float* const amplitudes = span.amplitudes;
    const int count = span.count;
    for (int c = 0; c < count; c += 4) {
        const __m128 held =
            _mm_mul_ps(load_waves<reversed>(waves, c), _mm_loadu_ps(amplitudes + c));
        const int dark = _mm_movemask_ps(held);
        const __m128 hold_high = _mm_mul_ps(held, _mm_load_ps(lane_signs.high[dark]));
        const __m128 hold_low = _mm_mul_ps(held, _mm_load_ps(lane_signs.low[dark]));
        // The alphas in 16 bits: hold and attack, and release with its low value.
        const __m128i hold_attack = _mm_packs_epi32(
            _mm_cvttps_epi32(hold_high), _mm_cvttps_epi32(_mm_mul_ps(hold_high, fade_in)));
        const __m128i hold_attack_low = _mm_packs_epi32(
            _mm_cvttps_epi32(hold_low), _mm_cvttps_epi32(_mm_mul_ps(hold_low, fade_in)));
        const __m128i release = _mm_packs_epi32(_mm_cvttps_epi32(_mm_mul_ps(hold_high, fade_out)),
                                                _mm_cvttps_epi32(_mm_mul_ps(hold_low, fade_out)));
        const __m128i agree = _mm_and_si128(
            _mm_cmpeq_epi16(hold_attack, hold_attack_low),
            _mm_cmpeq_epi16(release, _mm_shuffle_epi32(release, _MM_SHUFFLE(1, 0, 3, 2))));
        // The twelve alphas as bytes, each doubled into 16 bits, then doubled again into
        // all four bytes of its word; a dark pixel keeps only its alpha byte.
        const __m128i bytes = _mm_packus_epi16(hold_attack, release);
        const __m128i hold_attack_pairs = _mm_unpacklo_epi8(bytes, bytes);
        const __m128i release_pairs = _mm_unpackhi_epi8(bytes, bytes);
        const __m128i kept =
            _mm_load_si128(reinterpret_cast<const __m128i*>(lane_signs.kept[dark]));
        const __m128i hold_words =
            _mm_and_si128(_mm_unpacklo_epi16(hold_attack_pairs, hold_attack_pairs), kept);
        const __m128i attack_words =
            _mm_and_si128(_mm_unpackhi_epi16(hold_attack_pairs, hold_attack_pairs), kept);
        const __m128i release_words =
            _mm_and_si128(_mm_unpacklo_epi16(release_pairs, release_pairs), kept);
        if (_mm_movemask_epi8(agree) == 0xffff) {
            put<streaming>(span.attack + c, attack_words);
            put<streaming>(span.hold + c, hold_words);
            put<streaming>(span.release + c, release_words);
        } else {
            std::uint32_t words[3][4];
            _mm_storeu_si128(reinterpret_cast<__m128i*>(words[0]), attack_words);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(words[1]), hold_words);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(words[2]), release_words);
            put_checked<streaming>(span, c, 0, words);
        }
    }
}

// The span from pixel c on.
template <bool reversed> Span span_from(const Span& span, int c) {
    return Span{span.attack + c,     span.hold + c,
                span.release + c,    reversed ? span.waves - c : span.waves + c,
                span.rings + c,      span.amplitudes + c,
                span.directions + c, span.count - c,
                span.fade,           span.fade_in};
}

// synthesize_span with AVX2, for processors that have it: eight pixels at once, the
// lanes' factors chosen by their signs and each lane's words made by a product.
template <bool reversed>
[[gnu::target("avx2"), gnu::always_inline]] inline __m256 load_waves_avx2(const float* waves,
                                                                          int c) {
    if (!reversed)
        return _mm256_loadu_ps(waves + c);
    return _mm256_permutevar8x32_ps(_mm256_loadu_ps(waves - c - 7),
                                    _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0));
}

template <bool streaming, bool reversed>
[[gnu::target("avx2")]] void synthesize_span_avx2(const Span& span) {
    const __m256 fade_out = _mm256_set1_ps(static_cast<float>(span.fade));
    const __m256 fade_in = _mm256_set1_ps(static_cast<float>(span.fade_in));
    const __m256 high_lit = _mm256_set1_ps(lit_high);
    const __m256 low_lit = _mm256_set1_ps(lit_low);
    const __m256 high_dark = _mm256_set1_ps(dark_high);
    const __m256 low_dark = _mm256_set1_ps(dark_low);
    const __m256 lit_spread = _mm256_castsi256_ps(_mm256_set1_epi32(0x01010101));
    const __m256 dark_spread = _mm256_castsi256_ps(_mm256_set1_epi32(0x01000000));
    std::uint32_t* const attack = span.attack;
    std::uint32_t* const hold = span.hold;
    std::uint32_t* const release = span.release;
    const float* const waves = span.waves;
    const float* const amplitudes = span.amplitudes;
    const int count = span.count;
    int c = 0;
    for (; c + 8 <= count; c += 8) {
        const __m256 held =
            _mm256_mul_ps(load_waves_avx2<reversed>(waves, c), _mm256_loadu_ps(amplitudes + c));
        const __m256 hold_high = _mm256_mul_ps(held, _mm256_blendv_ps(high_lit, high_dark, held));
        const __m256 hold_low = _mm256_mul_ps(held, _mm256_blendv_ps(low_lit, low_dark, held));
        const __m256i attack_alphas = _mm256_cvttps_epi32(_mm256_mul_ps(hold_high, fade_in));
        const __m256i hold_alphas = _mm256_cvttps_epi32(hold_high);
        const __m256i release_alphas = _mm256_cvttps_epi32(_mm256_mul_ps(hold_high, fade_out));
        const __m256i agree = _mm256_and_si256(
            _mm256_and_si256(_mm256_cmpeq_epi32(attack_alphas, _mm256_cvttps_epi32(_mm256_mul_ps(
                                                                   hold_low, fade_in))),
                             _mm256_cmpeq_epi32(hold_alphas, _mm256_cvttps_epi32(hold_low))),
            _mm256_cmpeq_epi32(release_alphas,
                               _mm256_cvttps_epi32(_mm256_mul_ps(hold_low, fade_out))));
        const __m256i spread = _mm256_castps_si256(_mm256_blendv_ps(lit_spread, dark_spread, held));
        const __m256i attack_words = _mm256_mullo_epi32(attack_alphas, spread);
        const __m256i hold_words = _mm256_mullo_epi32(hold_alphas, spread);
        const __m256i release_words = _mm256_mullo_epi32(release_alphas, spread);
        const unsigned trusted =
            static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(agree)));
        if (trusted == 0xff) {
            put<streaming>(attack + c, _mm256_castsi256_si128(attack_words));
            put<streaming>(attack + c + 4, _mm256_extracti128_si256(attack_words, 1));
            put<streaming>(hold + c, _mm256_castsi256_si128(hold_words));
            put<streaming>(hold + c + 4, _mm256_extracti128_si256(hold_words, 1));
            put<streaming>(release + c, _mm256_castsi256_si128(release_words));
            put<streaming>(release + c + 4, _mm256_extracti128_si256(release_words, 1));
        } else {
            std::uint32_t words[3][8];
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(words[0]), attack_words);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(words[1]), hold_words);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(words[2]), release_words);
            put_checked<streaming>(span, c, trusted, words);
        }
    }
    if (c < count)
        synthesize_span<streaming, reversed>(span_from<reversed>(span, c));
}

// Sixteen words to a frame as four blocks of four, which keeps the groups of four of the
// narrower loops (a frame is only sure to be aligned for those).
template <bool streaming>
[[gnu::target("avx512f,avx512vl,avx512dq"), gnu::always_inline]] inline void
put_sixteen(std::uint32_t* out, __m512i words) {
    put<streaming>(out, _mm512_castsi512_si128(words));
    put<streaming>(out + 4, _mm512_extracti32x4_epi32(words, 1));
    put<streaming>(out + 8, _mm512_extracti32x4_epi32(words, 2));
    put<streaming>(out + 12, _mm512_extracti32x4_epi32(words, 3));
}

// synthesize_span with AVX-512, for processors that have it: sixteen pixels at once, the
// lanes chosen through masks.
template <bool reversed>
[[gnu::target("avx512f,avx512vl,avx512dq"), gnu::always_inline]] inline __m512
load_waves_avx512(const float* waves, int c) {
    if (!reversed)
        return _mm512_loadu_ps(waves + c);
    return _mm512_permutexvar_ps(
        _mm512_setr_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0),
        _mm512_loadu_ps(waves - c - 15));
}

template <bool streaming, bool reversed>
[[gnu::target("avx512f,avx512vl,avx512dq")]] void synthesize_span_avx512(const Span& span) {
    const __m512 fade_out = _mm512_set1_ps(static_cast<float>(span.fade));
    const __m512 fade_in = _mm512_set1_ps(static_cast<float>(span.fade_in));
    const __m512 high_lit = _mm512_set1_ps(lit_high);
    const __m512 low_lit = _mm512_set1_ps(lit_low);
    const __m512 high_dark = _mm512_set1_ps(dark_high);
    const __m512 low_dark = _mm512_set1_ps(dark_low);
    const __m512i lit_spread = _mm512_set1_epi32(0x01010101);
    const __m512i dark_spread = _mm512_set1_epi32(0x01000000);
    std::uint32_t* const attack = span.attack;
    std::uint32_t* const hold = span.hold;
    std::uint32_t* const release = span.release;
    const float* const waves = span.waves;
    const float* const amplitudes = span.amplitudes;
    const int count = span.count;
    int c = 0;
    for (; c + 16 <= count; c += 16) {
        const __m512 held =
            _mm512_mul_ps(load_waves_avx512<reversed>(waves, c), _mm512_loadu_ps(amplitudes + c));
        const __mmask16 dark = _mm512_movepi32_mask(_mm512_castps_si512(held));
        const __m512 hold_high =
            _mm512_mul_ps(held, _mm512_mask_blend_ps(dark, high_lit, high_dark));
        const __m512 hold_low = _mm512_mul_ps(held, _mm512_mask_blend_ps(dark, low_lit, low_dark));
        const __m512i attack_alphas = _mm512_cvttps_epi32(_mm512_mul_ps(hold_high, fade_in));
        const __m512i hold_alphas = _mm512_cvttps_epi32(hold_high);
        const __m512i release_alphas = _mm512_cvttps_epi32(_mm512_mul_ps(hold_high, fade_out));
        const unsigned trusted =
            _mm512_cmpeq_epi32_mask(attack_alphas,
                                    _mm512_cvttps_epi32(_mm512_mul_ps(hold_low, fade_in))) &
            _mm512_cmpeq_epi32_mask(hold_alphas, _mm512_cvttps_epi32(hold_low)) &
            _mm512_cmpeq_epi32_mask(release_alphas,
                                    _mm512_cvttps_epi32(_mm512_mul_ps(hold_low, fade_out)));
        const __m512i spread = _mm512_mask_blend_epi32(dark, lit_spread, dark_spread);
        const __m512i attack_words = _mm512_mullo_epi32(attack_alphas, spread);
        const __m512i hold_words = _mm512_mullo_epi32(hold_alphas, spread);
        const __m512i release_words = _mm512_mullo_epi32(release_alphas, spread);
        if (trusted == 0xffff) {
            put_sixteen<streaming>(attack + c, attack_words);
            put_sixteen<streaming>(hold + c, hold_words);
            put_sixteen<streaming>(release + c, release_words);
        } else {
            // Declared as GCC treats it: GCC aligns the array to 64 bytes of its own accord
            // and stores into it with aligned moves, but under AddressSanitizer with
            // use-after-return detection (on by default since GCC 13) the array's frame lies
            // on the sanitizer's fake stack, laid out for the declared alignment only, and
            // the aligned store faulted 32 bytes off a boundary.
            alignas(64) std::uint32_t words[3][16];
            _mm512_storeu_si512(words[0], attack_words);
            _mm512_storeu_si512(words[1], hold_words);
            _mm512_storeu_si512(words[2], release_words);
            put_checked<streaming>(span, c, trusted, words);
        }
    }
    if (c < count)
        synthesize_span_avx2<streaming, reversed>(span_from<reversed>(span, c));
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
        if (i == 0 || pair.radius != batch.pairs[i - 1].radius)
            batch.radius[batch.rings++] = pair.radius;
        batch.ring_of_pair[pair.near * (h + 1) + pair.far] =
            static_cast<std::uint16_t>(batch.rings - 1);
    }
    // A side of 1 has no ring, only its centre (whose C is 0); it still reads ring 0.
    if (batch.rings == 0) {
        batch.rings = 1;
        batch.radius[0] = 0.0f;
    }
}

// The wave's radial part and the envelope of every ring, for the settings prepared.
void shape_rings() {
    for (unsigned ring = 0; ring < batch.rings; ++ring) {
        const float r = batch.radius[ring];
        batch.wave_base[ring] = static_cast<double>(batch.circles) * wave_pi * r;
        float envelope = static_cast<float>(1.0 - r);
        if (batch.peek == 0) {
            const double inside = 1.0 - r;
            envelope = static_cast<float>(wave_sin(static_cast<float>(wave_pi * inside)) *
                                          static_cast<float>(inside));
        }
        batch.envelope[ring] = envelope;
    }
}

float direction_at(int dx, int dy, unsigned h) {
    const double nx = static_cast<double>(dx) / h;
    const double ny = static_cast<double>(dy) / h;
    const double q = nx * nx + ny * ny;
    const float s = static_cast<float>((ny - nx) / (std::sqrt(q) * wave_root2));
    return static_cast<float>(wave_cos(static_cast<float>(wave_acos(s))));
}

void find_pixels(unsigned size) {
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
            batch.ring_of[front + p] = 0;
            batch.direction[front + p] = 0.0f;
            if (r > 1.0f)
                continue;
            batch.first_inside[row] = std::min(batch.first_inside[row], column);
            batch.last_inside[row] = column;
            if (dx == 0 && dy == 0)
                continue;
            batch.ring_of[front + p] = batch.ring_of_pair[near * (h + 1) + far];
            // The mirror (-dy, -dx) has the same s, hence the same C; it lies in an earlier
            // row when it lies in the frame at all.
            const int mirror_column = h - dy;
            const int mirror_row = h - dx;
            if (mirror_row < row && mirror_column < static_cast<int>(size))
                batch.direction[front + p] =
                    batch.direction[front + mirror_row * static_cast<int>(size) + mirror_column];
            else
                batch.direction[front + p] = direction_at(dx, dy, static_cast<unsigned>(h));
        }
    }
    // Past the last pixel, for the last group of four.
    for (int i = 0; i < 4; ++i) {
        batch.ring_of[front + size * size + i] = 0;
        batch.direction[front + size * size + i] = 0.0f;
    }
}

// C x E x 255 of every pixel (0 where C is 0), C x E exact in double as the product of two
// single-precision values.
void shape_pixels(unsigned size) {
    const unsigned end = front + size * size + 4;
    for (unsigned i = 0; i < end; ++i)
        batch.amplitude[i] =
            static_cast<float>(static_cast<double>(batch.direction[i]) *
                               static_cast<float>(batch.envelope[batch.ring_of[i]]) * 255.0);
}

// The first count / 8 x 8 waves of a strip, eight at a time, with AVX2's gathers: strip[dx]
// is the wave of the ring at centre[-dx]. Returns how many.
[[gnu::target("avx2")]] int gather_strip(float* strip, const std::uint16_t* centre, int count) {
    const __m256i reversed = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
    int dx = 0;
    for (; dx + 8 <= count; dx += 8) {
        const __m256i rings =
            _mm256_permutevar8x32_epi32(_mm256_cvtepu16_epi32(_mm_loadu_si128(
                                            reinterpret_cast<const __m128i*>(centre - dx - 7))),
                                        reversed);
        _mm256_storeu_ps(strip + dx, _mm256_i32gather_ps(batch.wave_single, rings, 4));
    }
    return dx;
}

// The wave of every ring for the phase whose jumps x T is `shift`, and the strips. Two at a
// time with SSE2: one at a time, each conversion would wait for the one before.
void find_waves(double shift) {
    const unsigned rings = batch.rings;
    unsigned ring = 0;
    for (; ring + 2 <= rings; ring += 2)
        _mm_storel_pi(
            reinterpret_cast<__m64*>(batch.wave_argument + ring),
            _mm_cvtpd_ps(_mm_sub_pd(_mm_loadu_pd(batch.wave_base + ring), _mm_set1_pd(shift))));
    for (; ring < rings; ++ring)
        batch.wave_argument[ring] = static_cast<float>(batch.wave_base[ring] - shift);
    wave_sin_near_each(batch.wave_argument, batch.wave_single, rings);
    const int size = static_cast<int>(batch.size);
    const int h = size / 2;
    const bool gathers = vector_width() != VectorWidth::sse2;
    // The left half of a row reaches at least as far from the centre as the right.
    for (int k = 0; k <= h; ++k) {
        const int row = h - k;
        const std::uint16_t* const centre = batch.ring_of + front + row * size + h;
        const int count = h - batch.first_inside[row] + 1;
        const int gathered = gathers ? gather_strip(batch.strips[k], centre, count) : 0;
        for (int dx = gathered; dx < count; ++dx)
            batch.strips[k][dx] = batch.wave_single[centre[-dx]];
    }
}

using Synthesize = void (*)(const Span&);

// The pixel loop of the width.
template <bool streaming, bool reversed> Synthesize pixel_loop(VectorWidth width) {
    switch (width) {
    case VectorWidth::avx512: return synthesize_span_avx512<streaming, reversed>;
    case VectorWidth::avx2: return synthesize_span_avx2<streaming, reversed>;
    case VectorWidth::sse2: break;
    }
    return synthesize_span<streaming, reversed>;
}

// What the writing of one phase's frames shares.
struct Writing {
    std::uint32_t* const* frames; // attack, hold, release
    double fade;
    double fade_in;
    // Forward and reversed, with streaming stores when streams is set.
    Synthesize synthesize[2];
    Synthesize synthesize_part; // forward, with ordinary stores
    bool streams;
    unsigned zeros_kept; // bit t set: frame t holds its zeros outside the disc already
};

// Computes the `count` pixels from pixel `first` on (a multiple of four) into the frames,
// with `waves` their single(S), reversed or not.
void write_span(const Writing& writing, bool reversed, int first, int count, const float* waves) {
    writing.synthesize[reversed](
        Span{writing.frames[0] + first, writing.frames[1] + first, writing.frames[2] + first, waves,
             batch.ring_of + front + first, batch.amplitude + front + first,
             batch.direction + front + first, count, writing.fade, writing.fade_in});
}

// The single(S) of the four pixels from `group` on, one by one through their rings.
void look_up_waves(int group, float (&waves)[4]) {
    for (int i = 0; i < 4; ++i)
        waves[i] = batch.wave_single[batch.ring_of[front + group + i]];
}

// Computes the group of four pixels from `group` on into the frames, its waves looked up.
void write_looked_up(const Writing& writing, int group) {
    float waves[4];
    look_up_waves(group, waves);
    write_span(writing, false, group, 4, waves);
}

// Computes the `count` pixels from pixel `first` on (a multiple of four), of a span of row
// `row`, into the frames, with the waves of the row's strip: reversed left of the centre
// column, forward from it on. A group that lies in another row too, or on both sides of the
// centre, looks up its own.
void write_groups(const Writing& writing, int row, int first, int count) {
    const int size = static_cast<int>(batch.size);
    const int row_start = row * size;
    const int centre = row_start + size / 2;
    int end = first + count;
    for (; first < end && first < row_start; first += 4)
        write_looked_up(writing, first);
    for (; end > first && end > row_start + size; end -= 4)
        write_looked_up(writing, end - 4);
    const float* const strip = batch.strips[std::abs(row - size / 2)];
    const int left_end = std::min(end, first + std::max(0, centre - first) / 4 * 4);
    if (left_end > first)
        write_span(writing, true, first, left_end - first, strip + (centre - first));
    first = left_end;
    if (first < end && first < centre) {
        write_looked_up(writing, first);
        first += 4;
    }
    if (end > first)
        write_span(writing, false, first, end - first, strip + (first - centre));
}

// Writes pixels begin .. end - 1, a multiple of four and all outside the disc, as 0, in the
// frames that do not hold them already.
template <bool streaming> void write_zeros(const Writing& writing, int begin, int end) {
    for (int table = 0; table < 3; ++table) {
        if ((writing.zeros_kept >> table & 1) != 0)
            continue;
        std::uint32_t* const frame = writing.frames[table];
        for (int p = begin; p < end; p += 4)
            put<streaming>(frame + p, _mm_setzero_si128());
    }
}

void write_zeros(const Writing& writing, int begin, int end) {
    if (writing.streams)
        write_zeros<true>(writing, begin, end);
    else
        write_zeros<false>(writing, begin, end);
}

// Computes the group of four pixels from `group` on, and writes its words `from` .. `to`
// - 1 to the frames.
void write_part(const Writing& writing, int group, int from, int to) {
    std::uint32_t words[3][4];
    float waves[4];
    look_up_waves(group, waves);
    writing.synthesize_part(Span{words[0], words[1], words[2], waves, batch.ring_of + front + group,
                                 batch.amplitude + front + group, batch.direction + front + group,
                                 4, writing.fade, writing.fade_in});
    for (int table = 0; table < 3; ++table)
        std::copy(words[table] + from, words[table] + to, writing.frames[table] + group + from);
}

// The first pixel at or after `pixel` where a group of four from `group` on begins.
int group_from(int group, int pixel) {
    return pixel > group ? group + (pixel - group + 3) / 4 * 4 : group;
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

void prepare_frame_batch(unsigned size, std::int32_t frames, std::int32_t jumps,
                         std::int32_t circles, std::int32_t peek) {
    batch.per_pixel = size > largest_side;
    const std::size_t pixels = static_cast<std::size_t>(size) * size;
    // Rows of at least 8 words: a row's first and last groups are then distinct.
    batch.streams =
        size >= 8 && frames > 0 &&
        3 * static_cast<std::size_t>(frames) * pixels * sizeof(std::uint32_t) > streaming_bytes;
    batch.size = size;
    batch.jumps = jumps;
    batch.circles = circles;
    batch.peek = peek;
    if (batch.per_pixel)
        return;
    if (batch.shaped_side != size) {
        find_rings(size / 2);
        find_pixels(size);
        batch.shaped_side = size;
    }
    shape_rings();
    shape_pixels(size);
}

void synthesize_frame_batch(float phase, std::uint32_t* attack, std::uint32_t* hold,
                            std::uint32_t* release, unsigned zeros_kept) {
    if (batch.per_pixel) {
        synthesize_per_pixel(phase, attack, hold, release);
        return;
    }
    std::uint32_t* const frames[] = {attack != nullptr ? attack : batch.discarded,
                                     hold != nullptr ? hold : batch.discarded,
                                     release != nullptr ? release : batch.discarded};

    const float angle = static_cast<float>(wave_pi * phase);
    const float fade = static_cast<float>(1.0 - phase);
    const double shift = static_cast<double>(batch.jumps) * angle;
    const double fade_in = wave_sin(static_cast<float>(angle * 0.5));
    find_waves(shift);
    // The frames' words go out in groups of four pixels from pixel -origin on. Streaming
    // stores take whole 16-byte blocks, so they need the three frames at the same offset
    // within 16 bytes, and the groups then are the blocks.
    int offsets[3];
    for (int table = 0; table < 3; ++table)
        offsets[table] = static_cast<int>(reinterpret_cast<std::uintptr_t>(frames[table]) / 4 % 4);
    const bool streams = batch.streams && offsets[0] == offsets[1] && offsets[1] == offsets[2];
    const int origin = streams ? offsets[0] : 0;
    const VectorWidth width = vector_width();
    const int size = static_cast<int>(batch.size);
    const Writing writing{
        frames,
        fade,
        fade_in,
        {streams ? pixel_loop<true, false>(width) : pixel_loop<false, false>(width),
         streams ? pixel_loop<true, true>(width) : pixel_loop<false, true>(width)},
        pixel_loop<false, false>(width),
        streams,
        zeros_kept};

    const int pixels = size * size;
    // Groups that would begin before the first pixel or end after the last go through
    // a small buffer; the whole groups in between go to the frames.
    int next = -origin;
    if (origin > 0) {
        write_part(writing, next, origin, 4);
        next += 4;
    }
    const int whole_end = next + (pixels - next) / 4 * 4;
    for (int row = 0; row < size; ++row) {
        const int first = batch.first_inside[row];
        const int last = batch.last_inside[row];
        if (first > last)
            continue;
        const int begin = row * size + first;
        const int end = row * size + last + 1;
        if (begin > next) {
            const int zeros_end = next + (begin - next) / 4 * 4;
            write_zeros(writing, next, zeros_end);
            next = zeros_end;
        }
        const int computed_end = std::min(whole_end, group_from(next, end));
        if (computed_end > next) {
            write_groups(writing, row, next, computed_end - next);
            next = computed_end;
        }
    }
    write_zeros(writing, next, whole_end);
    if (whole_end < pixels)
        write_part(writing, whole_end, 0, pixels - whole_end);
    if (streams)
        _mm_sfence();
}
