// The pieces of work the frame benchmarks compare, at given settings: the rebuild, its
// floor (writing every pixel of the same slots once, the buffers already at their size,
// in the fastest of three ways), and the per-pixel synthesis of the same frames. Shared by
// the Google Benchmark program and the plain timing program of the Windows build.
#pragma once

#include "app/setup.h"
#include "ripple/frames.h"

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

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

// Calls write(pixels, count, word) for every buffer the rebuild fills, with a word that
// differs from slot to slot.
template <typename Write> void each_buffer(const BenchSettings& settings, Write write) {
    const std::size_t pixels = static_cast<std::size_t>(settings.size) * settings.size;
    for (std::int32_t i = 0; i < settings.frames; ++i) {
        const std::uint32_t word = 0xFF000000u | static_cast<std::uint32_t>(i);
        write(frame_tables.attack_frames[i].pixels, pixels, word);
        write(frame_tables.hold_frames[i].pixels, pixels, word);
        write(frame_tables.release_frames[i].pixels, pixels, word);
    }
}

// Ordinary stores as wide as the rebuild's (16 bytes), which read every line of memory
// into the cache before writing it.
inline void floor_by_stores(const BenchSettings& settings) {
    each_buffer(settings, [](std::uint32_t* out, std::size_t count, std::uint32_t word) {
        const __m128i words = _mm_set1_epi32(static_cast<int>(word));
        std::size_t i = 0;
        for (; i + 4 <= count; i += 4)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), words);
        for (; i < count; ++i)
            out[i] = word;
    });
}

// The C library's fill, which picks its own way for the length (some write large blocks
// past the cache).
inline void floor_by_memset(const BenchSettings& settings) {
    each_buffer(settings, [](std::uint32_t* out, std::size_t count, std::uint32_t word) {
        std::memset(out, static_cast<int>(word & 0xff), count * sizeof *out);
    });
}

// Streaming stores, which write whole lines to memory without reading them; the words
// before the first and after the last 16-byte boundary are ordinary stores.
inline void floor_by_streaming(const BenchSettings& settings) {
    each_buffer(settings, [](std::uint32_t* out, std::size_t count, std::uint32_t word) {
        const __m128i words = _mm_set1_epi32(static_cast<int>(word));
        std::size_t i = 0;
        for (; i < count && reinterpret_cast<std::uintptr_t>(out + i) % 16 != 0; ++i)
            out[i] = word;
        for (; i + 4 <= count; i += 4)
            _mm_stream_si128(reinterpret_cast<__m128i*>(out + i), words);
        for (; i < count; ++i)
            out[i] = word;
    });
    _mm_sfence();
}

struct FloorWay {
    const char* name;
    void (*write)(const BenchSettings&);
};

constexpr FloorWay floor_ways[] = {
    {"stores", floor_by_stores}, {"memset", floor_by_memset}, {"streaming", floor_by_streaming}};

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
