// Plain timing of the frame rebuild, without a benchmark library, for the Windows build
// (run under Wine): for each benchmark setting the best of several runs of the rebuild, of
// what a rebuild adds right after a change of size, and of each way of writing the floor;
// the per-pixel synthesis once; and the ratios of the benchmark. Then the rebuild again with
// each narrower vector width that this processor has, as narrower processors run it.
#include "bench/frames_work.h"
#include "ripple/frame_batch.h"
#include "ripple/vector_width.h"

#include <chrono>
#include <cstdio>
#include <initializer_list>

namespace {

int runs_for(const BenchSettings& settings) {
    return settings.size * settings.frames > 4096 ? 10 : 200;
}

// The best of `runs` runs of work, in milliseconds; `before` runs untimed ahead of each.
template <typename Before, typename Work>
double best_milliseconds(int runs, Before before, Work work) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        before();
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        best = took.count() < best ? took.count() : best;
    }
    return best;
}

template <typename Work> double best_milliseconds(int runs, Work work) {
    return best_milliseconds(
        runs, [] {}, work);
}

// The floor: the fastest way of writing the same buffers; returns its name.
const char* best_floor(const BenchSettings& settings, double& floor_ms) {
    const char* name = "";
    floor_ms = 1e30;
    for (const FloorWay& way : floor_ways) {
        const double ms = best_milliseconds(runs_for(settings), [&] { way.write(settings); });
        if (ms < floor_ms) {
            floor_ms = ms;
            name = way.name;
        }
    }
    return name;
}

const char* width_name(VectorWidth width) {
    switch (width) {
    case VectorWidth::avx512: return "AVX-512";
    case VectorWidth::avx2: return "AVX2";
    case VectorWidth::sse2: break;
    }
    return "SSE2";
}

// What the rebuild prepares for a side, with the other settings as they are.
void prepare_side(std::int32_t side) {
    prepare_frame_batch(static_cast<unsigned>(side), setup::frames, setup::jumps, setup::circles,
                        setup::peek);
}

double rebuild_milliseconds(const BenchSettings& settings) {
    return best_milliseconds(runs_for(settings), [] { rebuild_frames(); });
}

} // namespace

int main() {
    const VectorWidth widest = vector_width();
    std::printf("%-10s %12s %14s %10s %-10s %14s %15s %19s   (%s)\n", "settings", "rebuild ms",
                "new side +ms", "floor ms", "floor", "per-pixel ms", "rebuild/floor",
                "per-pixel/rebuild", width_name(widest));
    for (const BenchSettings& settings : bench_settings) {
        prepare_bench(settings);
        const double rebuild_ms = rebuild_milliseconds(settings);
        const double new_side_ms = best_milliseconds(
            runs_for(settings), [&] { prepare_side(settings.size / 2); },
            [&] { prepare_side(settings.size); });
        double floor_ms;
        const char* floor_name = best_floor(settings, floor_ms);
        const double per_pixel_ms = best_milliseconds(1, [&] { synthesize_per_pixel(settings); });
        std::printf("%4dx%-5d %12.3f %14.3f %10.3f %-10s %14.1f %14.2fx %18.0fx\n", settings.size,
                    settings.frames, rebuild_ms, new_side_ms, floor_ms, floor_name, per_pixel_ms,
                    rebuild_ms / floor_ms, per_pixel_ms / rebuild_ms);
    }
    for (VectorWidth width : {VectorWidth::avx2, VectorWidth::sse2}) {
        if (width >= widest)
            continue;
        widest_vector_allowed = width;
        std::printf("\n%-10s %12s %10s %-10s %15s   (%s)\n", "settings", "rebuild ms", "floor ms",
                    "floor", "rebuild/floor", width_name(width));
        for (const BenchSettings& settings : bench_settings) {
            prepare_bench(settings);
            const double rebuild_ms = rebuild_milliseconds(settings);
            double floor_ms;
            const char* floor_name = best_floor(settings, floor_ms);
            std::printf("%4dx%-5d %12.3f %10.3f %-10s %14.2fx\n", settings.size, settings.frames,
                        rebuild_ms, floor_ms, floor_name, rebuild_ms / floor_ms);
        }
    }
    widest_vector_allowed = VectorWidth::avx512;
    return 0;
}
