// Benchmark of the frame rebuild: for each benchmark setting, the rebuild, each way of
// writing its floor and the per-pixel synthesis, then the floor (the fastest way) and the
// ratios rebuild / floor and per-pixel / rebuild, all from the one run.
#include "bench/frames_work.h"
#include "ripple/vector_width.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

std::string label(const char* work, const BenchSettings& settings) {
    return std::string(work) + "/" + std::to_string(settings.size) + "x" +
           std::to_string(settings.frames);
}

template <void (*Work)(const BenchSettings&)>
void run(benchmark::State& state, BenchSettings settings) {
    prepare_bench(settings);
    for (auto _ : state) {
        Work(settings);
        benchmark::ClobberMemory();
    }
}

void rebuild(const BenchSettings&) {
    rebuild_frames();
}

// Keeps each benchmark's time per iteration while the console shows the usual table.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                milliseconds[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> milliseconds;
};

} // namespace

int main(int argc, char** argv) {
    for (const BenchSettings& settings : bench_settings) {
        benchmark::RegisterBenchmark(label("rebuild", settings).c_str(), run<rebuild>, settings)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        for (const FloorWay& way : floor_ways)
            benchmark::RegisterBenchmark(
                label((std::string("floor_") + way.name).c_str(), settings).c_str(),
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
    const char* const width = vector_width() == VectorWidth::avx512 ? "AVX-512"
                              : vector_width() == VectorWidth::avx2 ? "AVX2"
                                                                    : "SSE2";
    std::printf("\n%-10s %12s %10s %-10s %14s %15s %19s   (%s)\n", "settings", "rebuild ms",
                "floor ms", "floor", "per-pixel ms", "rebuild/floor", "per-pixel/rebuild", width);
    for (const BenchSettings& settings : bench_settings) {
        const auto time = [&](const char* work) {
            const auto found = reporter.milliseconds.find(label(work, settings));
            return found == reporter.milliseconds.end() ? 0.0 : found->second;
        };
        const double rebuild_ms = time("rebuild");
        const double per_pixel_ms = time("per_pixel");
        double floor_ms = 0.0;
        const char* floor_name = "";
        for (const FloorWay& way : floor_ways) {
            const double ms = time((std::string("floor_") + way.name).c_str());
            if (ms != 0.0 && (floor_ms == 0.0 || ms < floor_ms)) {
                floor_ms = ms;
                floor_name = way.name;
            }
        }
        if (rebuild_ms == 0.0 || floor_ms == 0.0 || per_pixel_ms == 0.0)
            continue;
        std::printf("%4dx%-5d %12.3f %10.3f %-10s %14.1f %14.2fx %18.0fx\n", settings.size,
                    settings.frames, rebuild_ms, floor_ms, floor_name, per_pixel_ms,
                    rebuild_ms / floor_ms, per_pixel_ms / rebuild_ms);
    }
    benchmark::Shutdown();
    return 0;
}
