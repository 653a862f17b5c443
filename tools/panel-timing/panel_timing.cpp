// How long the applet's thread is busy with one slider message: starts the shipped applet
// at the panel's largest settings (256 pixels, 64 frames), drags the size, length,
// duration and circles sliders across their whole ranges and back, one position at a time
// as a dragging mouse does, and prints the longest and the mean time one WM_HSCROLL took,
// as its sender waits for it, and beside it the processor time the applet's threads spent
// on it. Wine has no per-message processor time of another process finer than the 10 ms
// of GetThreadTimes, so under Wine it is read from the Linux scheduler's own count of the
// applet's threads (/proc/<pid>/task/<tid>/schedstat, in nanoseconds, through drive Z:).
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/win32/harness.h"

namespace {

double now_ms() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The whole content of a small file, empty when it cannot be read.
std::string read_file(const std::string& path) {
    std::string content;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return content;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        content.append(chunk, got);
    CloseHandle(file);
    return content;
}

// Field `index` (from 1) of a /proc stat line, counted after the command's closing bracket.
unsigned long long stat_field(const std::string& stat, int index) {
    std::size_t at = stat.rfind(')');
    if (at == std::string::npos)
        return 0;
    const char* field = stat.c_str() + at + 1;
    for (int i = 3; i < index && field != nullptr; ++i)
        field = std::strchr(field + 1, ' ');
    return field != nullptr ? std::strtoull(field, nullptr, 10) : 0;
}

// The Linux process of the applet: the youngest whose command line names ondrella.exe.
// Empty where there is no /proc (Windows itself).
std::string applet_proc_folder() {
    std::string youngest;
    unsigned long long youngest_start = 0;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE)
        return youngest;
    do {
        if (entry.cFileName[0] < '0' || entry.cFileName[0] > '9')
            continue;
        const std::string folder = std::string("Z:\\proc\\") + entry.cFileName;
        std::string command = read_file(folder + "\\cmdline");
        for (char& c : command)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (command.find("ondrella.exe") == std::string::npos)
            continue;
        const unsigned long long start = stat_field(read_file(folder + "\\stat"), 22);
        if (youngest.empty() || start > youngest_start) {
            youngest = folder;
            youngest_start = start;
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return youngest;
}

// The processor time of all of the process's threads so far, in milliseconds; negative
// when it cannot be read.
double cpu_ms(const std::string& folder) {
    if (folder.empty())
        return -1;
    double total = 0;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\task\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return -1;
    do {
        if (entry.cFileName[0] >= '0' && entry.cFileName[0] <= '9')
            total += std::strtod(
                read_file(folder + "\\task\\" + entry.cFileName + "\\schedstat").c_str(), nullptr);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return total / 1e6;
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
    const std::string proc_folder = applet_proc_folder();
    const bool timed_cpu = cpu_ms(proc_folder) >= 0;
    std::printf("%-10s %8s %10s %10s %14s %14s\n", "slider", "messages", "longest ms", "mean ms",
                "longest cpu ms", "mean cpu ms");
    double longest_of_all = 0, longest_cpu_of_all = 0;
    for (const Drag& drag : drags) {
        HWND slider = GetDlgItem(applet.window, drag.id);
        // The other sliders stay at the largest settings: 256 pixels, 64 frames.
        SendMessageA(GetDlgItem(applet.window, 1001), TBM_SETPOS, TRUE, 5);
        SendMessageA(GetDlgItem(applet.window, 1003), TBM_SETPOS, TRUE, 64);
        double longest = 0, total = 0, longest_cpu = 0, total_cpu = 0;
        int count = 0;
        for (int pass = 0; pass < 2; ++pass) {
            for (int step = 0; step <= drag.maximum - drag.minimum; ++step) {
                int position = pass == 0 ? drag.minimum + step : drag.maximum - step;
                SendMessageA(slider, TBM_SETPOS, TRUE, position);
                const double cpu_start = cpu_ms(proc_folder);
                double start = now_ms();
                SendMessageA(applet.window, WM_HSCROLL, SB_THUMBTRACK,
                             reinterpret_cast<LPARAM>(slider));
                double took = now_ms() - start;
                const double cpu_took = cpu_ms(proc_folder) - cpu_start;
                longest = std::max(longest, took);
                total += took;
                longest_cpu = std::max(longest_cpu, cpu_took);
                total_cpu += cpu_took;
                ++count;
            }
        }
        longest_of_all = std::max(longest_of_all, longest);
        longest_cpu_of_all = std::max(longest_cpu_of_all, longest_cpu);
        if (timed_cpu)
            std::printf("%-10s %8d %10.1f %10.1f %14.1f %14.1f\n", drag.name, count, longest,
                        total / count, longest_cpu, total_cpu / count);
        else
            std::printf("%-10s %8d %10.1f %10.1f %14s %14s\n", drag.name, count, longest,
                        total / count, "-", "-");
    }
    std::printf("longest WM_HSCROLL: %.1f ms\n", longest_of_all);
    if (timed_cpu)
        std::printf("longest WM_HSCROLL, the applet's processor time: %.1f ms\n",
                    longest_cpu_of_all);
    DWORD exit_code = harness::quit_applet(applet, 60000);
    return exit_code == 0 ? 0 : 1;
}
