// Helpers shared by the frame tests: pixel words by name, rebuilding the tables for given
// settings, and reading a pixel by (column, row) in buffer order (row 0 is the bottom row
// on screen).
#pragma once

#include "app/setup.h"
#include "ripple/frames.h"
#include "ripple/vector_width.h"

#include <cstdint>
#include <vector>

inline std::uint32_t white(std::uint32_t alpha) {
    return alpha * 0x01010101u;
}
inline std::uint32_t dark(std::uint32_t alpha) {
    return alpha << 24;
}

struct FrameSettings {
    std::int32_t size;
    std::int32_t frames;
    std::int32_t jumps;
    std::int32_t circles;
    std::int32_t peek;
};

constexpr FrameSettings default_settings{64, 16, 1, 2, 1};

inline void rebuild_with(const FrameSettings& settings) {
    setup::apply_defaults();
    setup::size = settings.size;
    setup::frames = settings.frames;
    setup::jumps = settings.jumps;
    setup::circles = settings.circles;
    setup::peek = settings.peek;
    rebuild_frames();
}

// A pixel of slot `slot` as the scheduler would read it at the current size.
inline std::uint32_t pixel_at(const FrameSlot* table, int slot, int column, int row) {
    const std::uint32_t* frame = ready_frame(table, slot, setup::size);
    return frame == nullptr ? 0xDEADBEEFu : frame[row * setup::size + column];
}

// One frame computed on its own by the per-pixel synthesis.
inline std::vector<std::uint32_t> single_frame(unsigned size, float phase, bool fade_out,
                                               bool fade_in, const FrameSettings& settings) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size) * size, 0xDEADBEEFu);
    synthesize_frame(pixels.data(), size, phase, fade_out, fade_in, settings.jumps,
                     settings.circles, settings.peek);
    return pixels;
}

// Runs check(name) once for each vector width this processor computes with, widest first,
// with the synthesis narrowed to it; the widest is allowed again afterwards.
template <typename Check> void for_each_vector_width(Check check) {
    widest_vector_allowed = VectorWidth::avx512;
    const VectorWidth widest = vector_width();
    const struct {
        VectorWidth width;
        const char* name;
    } widths[] = {
        {VectorWidth::avx512, "AVX-512"}, {VectorWidth::avx2, "AVX2"}, {VectorWidth::sse2, "SSE2"}};
    for (const auto& entry : widths) {
        if (entry.width > widest)
            continue;
        widest_vector_allowed = entry.width;
        check(entry.name);
    }
    widest_vector_allowed = VectorWidth::avx512;
}
