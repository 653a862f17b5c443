// Benchmark of the frame rebuild: for each benchmark setting, the rebuild with each vector
// width this processor has (as narrower processors run it), each way of writing its floor
// and the per-pixel synthesis; then the floor (the fastest way) and the ratios rebuild /
// floor and per-pixel / rebuild, from the fastest repetition of each.
#include "bench/frames_work.h"
#include "ripple/vector_width.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

struct Width {
    VectorWidth width;
    const char* name;
};

constexpr Width widths[] = {
    {VectorWidth::avx512, "avx512"}, {VectorWidth::avx2, "avx2"}, {VectorWidth::sse2, "sse2"}};

std::string label(const std::string& work, const BenchSettings& settings) {
    return work + "/" + std::to_string(settings.size) + "x" + std::to_string(settings.frames);
}

template <void (*Work)(const BenchSettings&)>
void run(benchmark::State& state, BenchSettings settings) {
    prepare_bench(settings);
    for (auto _ : state) {
        Work(settings);
        benchmark::ClobberMemory();
    }
}

// Keeps the fastest time per iteration of each benchmark over its repetitions, while the
// console shows the usual table.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration)
                continue;
            const double ms = run.GetAdjustedRealTime();
            const auto found = milliseconds.find(run.run_name.function_name);
            if (found == milliseconds.end() || ms < found->second)
                milliseconds[run.run_name.function_name] = ms;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> milliseconds;
};

} // namespace

int main(int argc, char** argv) {
    const VectorWidth widest = vector_width();
    for (const BenchSettings& settings : bench_settings) {
        for (const Width& width : widths) {
            if (width.width > widest)
                continue;
            benchmark::RegisterBenchmark(
                label(std::string("rebuild_") + width.name, settings).c_str(),
                [width](benchmark::State& state, BenchSettings chosen) {
                    widest_vector_allowed = width.width;
                    prepare_bench(chosen);
                    for (auto _ : state) {
                        rebuild_frames();
                        benchmark::ClobberMemory();
                    }
                    widest_vector_allowed = VectorWidth::avx512;
                },
                settings)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
        for (const FloorWay& way : floor_ways)
            benchmark::RegisterBenchmark(
                label(std::string("floor_") + way.name, settings).c_str(),
                [way](benchmark::State& state, BenchSettings chosen) {
                    prepare_bench(chosen);
                    for (auto _ : state) {
                        way.write(chosen);
                        benchmark::ClobberMemory();
                    }
                },
                settings)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        benchmark::RegisterBenchmark(label("per_pixel", settings).c_str(),
                                     run<synthesize_per_pixel>, settings)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(settings.size * settings.frames > 4096 ? 1 : 20);
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-10s %-8s %12s %10s %-10s %14s %15s %19s\n", "settings", "width", "rebuild ms",
                "floor ms", "floor", "per-pixel ms", "rebuild/floor", "per-pixel/rebuild");
    for (const BenchSettings& settings : bench_settings) {
        const auto time = [&](const std::string& work) {
            const auto found = reporter.milliseconds.find(label(work, settings));
            return found == reporter.milliseconds.end() ? 0.0 : found->second;
        };
        const double per_pixel_ms = time("per_pixel");
        double floor_ms = 0.0;
        const char* floor_name = "";
        for (const FloorWay& way : floor_ways) {
            const double ms = time(std::string("floor_") + way.name);
            if (ms != 0.0 && (floor_ms == 0.0 || ms < floor_ms)) {
                floor_ms = ms;
                floor_name = way.name;
            }
        }
        for (const Width& width : widths) {
            const double rebuild_ms = time(std::string("rebuild_") + width.name);
            if (rebuild_ms == 0.0 || floor_ms == 0.0)
                continue;
            // A filter may leave out the per-pixel synthesis, the slowest by far.
            std::printf("%4dx%-5d %-8s %12.3f %10.3f %-10s ", settings.size, settings.frames,
                        width.name, rebuild_ms, floor_ms, floor_name);
            if (per_pixel_ms != 0.0)
                std::printf("%14.1f %14.2fx %18.0fx\n", per_pixel_ms, rebuild_ms / floor_ms,
                            per_pixel_ms / rebuild_ms);
            else
                std::printf("%14s %14.2fx %19s\n", "-", rebuild_ms / floor_ms, "-");
        }
    }
    benchmark::Shutdown();
    return 0;
}
