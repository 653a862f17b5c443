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

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr unsigned largest_side = 256;
constexpr unsigned largest_half = largest_side / 2;
constexpr unsigned largest_pixels = largest_side * largest_side;
// Pairs (a, b) with 0 <= a <= b <= h, of which the rings are a subset.
constexpr unsigned largest_pairs = (largest_half + 1) * (largest_half + 2) / 2;

struct Ring {
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

    // Per pixel, in buffer order; pixels outside the disc and the centre have amplitude 0.
    // Four more than the pixels, so that the last group of four may read past the end.
    std::uint16_t ring_of[largest_pixels + 4];
    double direction[largest_pixels + 4];   // C
    double envelope_of[largest_pixels + 4]; // E
    // Per row, the columns inside the disc: first .. last, none when first > last.
    int first_inside[largest_side];
    int last_inside[largest_side];

    // Per ring.
    unsigned rings;
    double wave_base[largest_pairs]; // (circles x pi) x r
    double envelope[largest_pairs];  // E
    double wave[largest_pairs];      // S of the current phase

    // Scratch for rings while they are sorted, and pair -> ring.
    Ring pairs[largest_pairs];
    std::uint16_t ring_of_pair[(largest_half + 1) * (largest_half + 1)];

    // Target of a table whose buffer could not be allocated.
    std::uint32_t discarded[largest_pixels];
};

Batch batch;

// Two and four lanes of the pixel loop. The vectors map to SSE2 in both builds (and to
// whatever the target offers elsewhere); each lane rounds as scalar code would.
typedef double double_pair __attribute__((vector_size(16)));
typedef float float_pair __attribute__((vector_size(8)));
typedef std::int64_t mask_pair __attribute__((vector_size(16)));
typedef std::int32_t int_pair __attribute__((vector_size(8)));
typedef std::int32_t int_quad __attribute__((vector_size(16)));
typedef std::uint32_t word_quad __attribute__((vector_size(16)));

[[gnu::always_inline]] inline double_pair doubles_at(const double* values) {
    double_pair pair;
    std::memcpy(&pair, values, sizeof pair);
    return pair;
}

[[gnu::always_inline]] inline double_pair gathered(const double* table,
                                                   const std::uint16_t* index) {
    return double_pair{table[index[0]], table[index[1]]};
}

[[gnu::always_inline]] inline double_pair through_single(double_pair u) {
    return __builtin_convertvector(__builtin_convertvector(u, float_pair), double_pair);
}

// The formula's last step for four pixels, without a branch on the sign, which is
// unpredictable from pixel to pixel. The three tables share the sign of a pixel (u is
// S x C times non-negative factors, zero in one table only where it is zero in all), so
// it is worked out once, from the hold frame's amplitude.
struct Signs {
    double_pair scale_low; // 255 where u > 0, else 127.5
    double_pair scale_high;
    word_quad lit; // all ones where u > 0
};

[[gnu::always_inline]] inline Signs signs_of(double_pair low, double_pair high) {
    const double_pair zero = {0.0, 0.0};
    const double_pair half = {127.5, 127.5};
    const mask_pair lit_low = low > zero;
    const mask_pair lit_high = high > zero;
    return Signs{half + reinterpret_cast<double_pair>(lit_low & reinterpret_cast<mask_pair>(half)),
                 half + reinterpret_cast<double_pair>(lit_high & reinterpret_cast<mask_pair>(half)),
                 reinterpret_cast<word_quad>(
                     __builtin_shufflevector(reinterpret_cast<int_quad>(lit_low),
                                             reinterpret_cast<int_quad>(lit_high), 0, 2, 4, 6))};
}

// alpha = truncate(|u| x 255) where u > 0 and truncate(|u| x 127.5) = truncate(255 x
// (0.5 |u|)) elsewhere (0.5 |u| is exact); the colour is alpha where u > 0. The formula's
// clamps to [-1, 1] never act here: S, C, F and the fade-in factor are at most 1 in
// magnitude and E is at most 1 - 1/h off the centre, so |u| < 1.
[[gnu::always_inline]] inline word_quad pixel_words(double_pair low, double_pair high,
                                                    const Signs& signs) {
    const mask_pair magnitude = {0x7fffffffffffffff, 0x7fffffffffffffff};
    const int_pair alpha_low = __builtin_convertvector(
        reinterpret_cast<double_pair>(reinterpret_cast<mask_pair>(low) & magnitude) *
            signs.scale_low,
        int_pair);
    const int_pair alpha_high = __builtin_convertvector(
        reinterpret_cast<double_pair>(reinterpret_cast<mask_pair>(high) & magnitude) *
            signs.scale_high,
        int_pair);
    const word_quad alpha =
        reinterpret_cast<word_quad>(__builtin_shufflevector(alpha_low, alpha_high, 0, 1, 2, 3));
    const word_quad grey = alpha & signs.lit;
    return alpha << 24 | grey << 16 | grey << 8 | grey;
}

[[gnu::always_inline]] inline void store_words(std::uint32_t* out, word_quad words, int count) {
    if (count >= 4) {
        std::memcpy(out, &words, sizeof words);
        return;
    }
    std::uint32_t lanes[4];
    std::memcpy(lanes, &words, sizeof words);
    std::copy_n(lanes, count, out);
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
                    Ring{r, static_cast<std::uint16_t>(near), static_cast<std::uint16_t>(far)};
        }
    }
    std::sort(batch.pairs, batch.pairs + count,
              [](const Ring& x, const Ring& y) { return x.radius < y.radius; });
    batch.rings = 0;
    for (unsigned i = 0; i < count; ++i) {
        const Ring& pair = batch.pairs[i];
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
            batch.direction[p] = 0.0;
            batch.envelope_of[p] = 0.0;
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
            batch.envelope_of[p] = batch.envelope[ring];
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
    const double_pair fade_out = {fade, fade};

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
        for (int p = start + first; p <= start + last; p += 4) {
            const std::uint16_t* rings = batch.ring_of + p;
            const double_pair wave_low = gathered(batch.wave, rings);
            const double_pair wave_high = gathered(batch.wave, rings + 2);
            const double_pair direction_low = doubles_at(batch.direction + p);
            const double_pair direction_high = doubles_at(batch.direction + p + 2);
            const double_pair envelope_low = doubles_at(batch.envelope_of + p);
            const double_pair envelope_high = doubles_at(batch.envelope_of + p + 2);
            const double_pair held_low = wave_low * (direction_low * envelope_low);
            const double_pair held_high = wave_high * (direction_high * envelope_high);
            const double_pair released_low = wave_low * ((envelope_low * fade_out) * direction_low);
            const double_pair released_high =
                wave_high * ((envelope_high * fade_out) * direction_high);
            const int count = start + last + 1 - p;
            const Signs signs = signs_of(held_low, held_high);
            store_words(hold + p, pixel_words(held_low, held_high, signs), count);
            store_words(attack + p,
                        pixel_words(through_single(held_low) * fade_in,
                                    through_single(held_high) * fade_in, signs),
                        count);
            store_words(release + p, pixel_words(released_low, released_high, signs), count);
        }
        const int after = start + last + 1;
        std::fill_n(attack + after, size - last - 1, 0u);
        std::fill_n(hold + after, size - last - 1, 0u);
        std::fill_n(release + after, size - last - 1, 0u);
    }
}
