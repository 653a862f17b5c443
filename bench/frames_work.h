// The three pieces of work the frame benchmarks compare, at given settings: the rebuild,
// its floor (writing every pixel of the same slots once, the buffers already at their
// size), and the per-pixel synthesis of the same frames. Shared by the Google Benchmark
// program and the plain timing program of the Windows build.
#pragma once

#include "app/setup.h"
#include "ripple/frames.h"

#include <algorithm>
#include <cstdint>

struct BenchSettings {
    std::int32_t size;
    std::int32_t frames;
};

constexpr BenchSettings bench_settings[] = {{64, 16}, {256, 64}, {256, 128}};

// Default wave settings; buffers of the right size in every slot the rebuild fills.
inline void prepare_bench(const BenchSettings& settings) {
    setup::apply_defaults();
    setup::size = settings.size;
    setup::frames = settings.frames;
    rebuild_frames();
}

// One ordinary store per pixel. The word differs from slot to slot and is no repeated
// byte, so that the compiler cannot turn the loop into a memset, which on some machines
// writes memory faster than any store the rebuild can issue.
inline void write_floor(const BenchSettings& settings) {
    const std::size_t pixels = static_cast<std::size_t>(settings.size) * settings.size;
    for (std::int32_t i = 0; i < settings.frames; ++i) {
        const std::uint32_t word = 0xFF000000u | static_cast<std::uint32_t>(i);
        std::fill_n(frame_tables.attack_frames[i].pixels, pixels, word);
        std::fill_n(frame_tables.hold_frames[i].pixels, pixels, word);
        std::fill_n(frame_tables.release_frames[i].pixels, pixels, word);
    }
}

// The frames of the rebuild, each computed by the per-pixel synthesis.
inline void synthesize_per_pixel(const BenchSettings& settings) {
    const unsigned size = static_cast<unsigned>(settings.size);
    for (std::int32_t i = 0; i < settings.frames; ++i) {
        const float phase =
            static_cast<float>(static_cast<double>(static_cast<float>(i)) / settings.frames);
        synthesize_frame(frame_tables.attack_frames[i].pixels, size, phase, false, true,
                         setup::jumps, setup::circles, setup::peek);
        synthesize_frame(frame_tables.hold_frames[i].pixels, size, phase, false, false,
                         setup::jumps, setup::circles, setup::peek);
        synthesize_frame(frame_tables.release_frames[i].pixels, size, phase, true, false,
                         setup::jumps, setup::circles, setup::peek);
    }
}
