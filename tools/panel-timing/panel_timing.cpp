// How long the applet's thread is busy with one slider message: starts the shipped applet
// at the panel's largest settings (256 pixels, 64 frames), drags the size, length,
// duration and circles sliders across their whole ranges and back, one position at a time
// as a dragging mouse does, and prints the longest and the mean time one WM_HSCROLL took,
// as its sender waits for it.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "tests/win32/harness.h"

namespace {

double now_ms() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Drag {
    const char* name;
    int id;
    int minimum, maximum;
};

} // namespace

int main() {
    harness::wipe_settings();
    harness::seed_settings(64, 256, 2, 25, 2, 1);
    harness::Applet applet;
    if (!harness::start_applet(applet, 60000) || !applet.window) {
        std::fprintf(stderr, "panel-timing: the applet did not start\n");
        harness::wait_for_exit(applet, 0);
        return 1;
    }
    const Drag drags[] = {{"size", 1001, 0, 5},
                          {"length", 1003, 2, 64},
                          {"duration", 1004, 1, 5},
                          {"circles", 1005, 1, 16}};
    std::printf("%-10s %8s %10s %10s\n", "slider", "messages", "longest ms", "mean ms");
    double longest_of_all = 0;
    for (const Drag& drag : drags) {
        HWND slider = GetDlgItem(applet.window, drag.id);
        // The other sliders stay at the largest settings: 256 pixels, 64 frames.
        SendMessageA(GetDlgItem(applet.window, 1001), TBM_SETPOS, TRUE, 5);
        SendMessageA(GetDlgItem(applet.window, 1003), TBM_SETPOS, TRUE, 64);
        double longest = 0, total = 0;
        int count = 0;
        for (int pass = 0; pass < 2; ++pass) {
            for (int step = 0; step <= drag.maximum - drag.minimum; ++step) {
                int position = pass == 0 ? drag.minimum + step : drag.maximum - step;
                SendMessageA(slider, TBM_SETPOS, TRUE, position);
                double start = now_ms();
                SendMessageA(applet.window, WM_HSCROLL, SB_THUMBTRACK,
                             reinterpret_cast<LPARAM>(slider));
                double took = now_ms() - start;
                longest = std::max(longest, took);
                total += took;
                ++count;
            }
        }
        longest_of_all = std::max(longest_of_all, longest);
        std::printf("%-10s %8d %10.1f %10.1f\n", drag.name, count, longest, total / count);
    }
    std::printf("longest WM_HSCROLL: %.1f ms\n", longest_of_all);
    DWORD exit_code = harness::quit_applet(applet, 60000);
    return exit_code == 0 ? 0 : 1;
}
