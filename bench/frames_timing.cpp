// Plain timing of the frame rebuild, without a benchmark library, for the Windows build
// (run under Wine): for each benchmark setting the best of several runs of the rebuild and
// of each way of writing its floor, the per-pixel synthesis once, and the same ratios as
// the benchmark; then the rebuild again as processors without AVX2 run it (the SSE2
// pixel loop, one sine at a time).
#include "bench/frames_work.h"
#include "ripple/frame_batch.h"
#include "ripple/wave_math.h"

#include <chrono>
#include <cstdio>

namespace {

template <typename Work> double best_milliseconds(int runs, Work work) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        best = took.count() < best ? took.count() : best;
    }
    return best;
}

int runs_for(const BenchSettings& settings) {
    return settings.size * settings.frames > 4096 ? 10 : 200;
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

} // namespace

int main() {
    std::printf("%-10s %12s %10s %-10s %14s %15s %19s\n", "settings", "rebuild ms", "floor ms",
                "floor", "per-pixel ms", "rebuild/floor", "per-pixel/rebuild");
    for (const BenchSettings& settings : bench_settings) {
        prepare_bench(settings);
        const double rebuild_ms = best_milliseconds(runs_for(settings), [] { rebuild_frames(); });
        double floor_ms;
        const char* floor_name = best_floor(settings, floor_ms);
        const double per_pixel_ms = best_milliseconds(1, [&] { synthesize_per_pixel(settings); });
        std::printf("%4dx%-5d %12.3f %10.3f %-10s %14.1f %14.2fx %18.0fx\n", settings.size,
                    settings.frames, rebuild_ms, floor_ms, floor_name, per_pixel_ms,
                    rebuild_ms / floor_ms, per_pixel_ms / rebuild_ms);
    }
    std::printf("\n%-10s %12s %10s %-10s %15s   (without AVX2)\n", "settings", "rebuild ms",
                "floor ms", "floor", "rebuild/floor");
    frame_batch_may_use_avx2 = false;
    wave_sin_may_use_avx2 = false;
    for (const BenchSettings& settings : bench_settings) {
        prepare_bench(settings);
        const double rebuild_ms = best_milliseconds(runs_for(settings), [] { rebuild_frames(); });
        double floor_ms;
        const char* floor_name = best_floor(settings, floor_ms);
        std::printf("%4dx%-5d %12.3f %10.3f %-10s %14.2fx\n", settings.size, settings.frames,
                    rebuild_ms, floor_ms, floor_name, rebuild_ms / floor_ms);
    }
    return 0;
}
