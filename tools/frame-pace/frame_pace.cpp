// frame-pace: the pace at which the applet shows its frames at each of the panel's six
// speeds. For each, it starts the shipped applet with that speed stored, holds one press
// for two seconds and releases it, and prints the mean and longest time between two frames
// shown (two calls of UpdateLayeredWindow in the applet's relay trace) beside the period
// the panel sets. Runs under Wine, with its standard error pointed at the file it is
// given, where the applets it starts write their trace:
//
//   frame-pace.exe TRACE 2>TRACE
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "panel/panel_rules.h"
#include "tests/win32/harness.h"
#include "tools/frame-pace/relay_trace.h"

namespace {

constexpr DWORD hold_ms = 2000;
// A frame shown: one layered update of a ripple window.
const char frame_call[] = "user32\\.UpdateLayeredWindow\\(.*";

// The frames shown during one held press, with everything else at its default.
std::vector<double> frames_shown(const char* trace_path, std::int32_t speed) {
    harness::wipe_settings();
    harness::seed_settings(16, 64, 1, speed, 2, 1);
    const std::size_t before = call_times(trace_path, frame_call).size();
    harness::Applet applet;
    if (!harness::start_applet(applet) || !applet.window) {
        harness::wait_for_exit(applet, 0);
        return {};
    }
    harness::move_cursor_and_wait({400, 300});
    harness::press_button(0);
    harness::pump_for(hold_ms);
    harness::release_button(0);
    // The release cycle, 16 frames at the slowest speed, and the tick that retires it.
    harness::pump_for(16 * 200 + 500);
    harness::quit_applet(applet);
    std::vector<double> times = call_times(trace_path, frame_call);
    times.erase(times.begin(), times.begin() + static_cast<std::ptrdiff_t>(before));
    return times;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: frame-pace.exe TRACE 2>TRACE\n");
        return 2;
    }
    trace_applet_calls("user32.UpdateLayeredWindow");
    std::printf("%-8s %10s %8s %15s %16s %8s\n", "speed", "period ms", "frames", "mean between ms",
                "longest between ms", "per s");
    bool all_shown = true;
    const SliderRange speeds = slider_range(speed_slider);
    for (int position = speeds.minimum; position <= speeds.maximum; ++position) {
        const std::int32_t speed = setting_of_position(speed_slider, position);
        char caption[caption_capacity];
        caption_text(speed_slider, speed, caption);
        const char* shown = std::strchr(caption, '\n') + 1;
        std::vector<double> times = frames_shown(argv[1], speed);
        if (times.size() < 2) {
            std::printf("%-8s %10d %8zu (too few frames in the trace)\n", shown, speed,
                        times.size());
            all_shown = false;
            continue;
        }
        double longest = 0;
        for (std::size_t i = 1; i < times.size(); ++i)
            longest = std::max(longest, times[i] - times[i - 1]);
        const double mean = (times.back() - times.front()) / static_cast<double>(times.size() - 1);
        std::printf("%-8s %10d %8zu %15.1f %16.1f %8.1f\n", shown, speed, times.size(), 1000 * mean,
                    1000 * longest, 1 / mean);
    }
    stop_tracing_applet_calls();
    return all_shown ? 0 : 1;
}
