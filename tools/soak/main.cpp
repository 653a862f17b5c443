// `make soak`: drives the shipped applet with at least 2,000 presses at its heaviest
// settings (or as the arguments say) and prints what it measured. Ends with exit code 1
// when the soak found a fault.
#include <cstdio>
#include <cstdlib>

#include "tools/soak/soak.h"

namespace {

double megabytes(SIZE_T bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

} // namespace

int main(int argc, char** argv) {
    soak::Plan plan = soak::full_soak;
    int* const given[] = {&plan.presses, &plan.size, &plan.frames, &plan.speed};
    bool valid = argc <= 5;
    for (int i = 1; valid && i < argc; ++i) {
        *given[i - 1] = std::atoi(argv[i]);
        valid = *given[i - 1] > 0;
    }
    if (!valid) {
        std::fprintf(stderr, "usage: ondrella-soak [PRESSES [SIZE [FRAMES [SPEED]]]]\n");
        return 2;
    }
    std::printf("soak at size %d, %d frames, speed %d ms\n", plan.size, plan.frames, plan.speed);
    soak::Figures figures = soak::run(plan);
    std::printf("presses: %d (%d of them while the applet started)\n", figures.presses,
                figures.startup_presses);
    std::printf("duration: %.1f s\n", figures.duration_ms / 1000.0);
    std::printf("slowest answer to a sent message: %lu ms (%d unanswered within 1 s)\n",
                static_cast<unsigned long>(figures.slowest_answer_ms), figures.unanswered);
    std::printf("slowest wait of a mouse event for the hooks (one SendInput): %.1f ms, %.1f ms "
                "while the applet started\n",
                figures.slowest_input_ms, figures.slowest_startup_input_ms);
    std::printf("ripple windows left 5 s after the last release: %d\n", figures.ripples_left);
    std::printf("working set: %.1f MB after the warm-up, %.1f MB after the soak\n",
                megabytes(figures.warm.working_set_bytes),
                megabytes(figures.soaked.working_set_bytes));
    std::printf("open handles: %lu after the warm-up, %lu after the soak\n",
                static_cast<unsigned long>(figures.warm.handle_count),
                static_cast<unsigned long>(figures.soaked.handle_count));
    std::printf("CPU time over %d idle seconds: %.1f ms\n", soak::idle_seconds,
                figures.idle_cpu_100ns / 10000.0);
    std::printf("exit code after Quit: %lu\n", static_cast<unsigned long>(figures.exit_code));
    std::string found = soak::findings(figures);
    std::printf("%s", found.empty() ? "no fault found\n" : found.c_str());
    return found.empty() ? 0 : 1;
}
