// The soak: the shipped applet driven under load with real input at its heaviest settings
// (256-pixel ripples, 64 frames, a timer period of 1 ms), clicked at from the moment it
// starts, and measured from outside: whether it answers, whether its ripples all go,
// whether it keeps handles or memory, and whether it works when nothing happens.
#pragma once

#include <windows.h>

#include <string>

namespace soak {

// Another process's figures, as the system's process list gives them (the per-process
// queries GetProcessMemoryInfo and GetProcessHandleCount answer 0 under Wine).
struct ProcessFigures {
    bool found;
    SIZE_T working_set_bytes;
    ULONG handle_count;
    ULONGLONG cpu_time_100ns; // user and kernel time of all its threads
};

ProcessFigures process_figures(DWORD process_id);

struct Figures {
    bool started;        // the applet window appeared
    int startup_presses; // presses sent while the applet was starting
    int presses;         // every press sent, those during start-up included
    DWORD duration_ms;   // from the first press after start-up to the last release
    DWORD slowest_answer_ms;
    int unanswered;        // sent messages not answered within a second
    bool died;             // the applet ended before it was asked to quit
    int ripples_left;      // its ripple windows 5 s after the last release
    ProcessFigures warm;   // after the warm-up, once its ripples are gone
    ProcessFigures soaked; // after the soak, once its ripples are gone
    ULONGLONG idle_cpu_100ns;
    DWORD exit_code; // after "Quit"; STILL_ACTIVE when it had to be killed
};

struct Plan {
    int presses; // at least this many, those during start-up included
    int size;    // the applet's settings for the run
    int frames;
    int speed;
};

// The heaviest settings the panel offers: "Maximum" speed, the largest ripples, 64 frames.
constexpr Plan full_soak = {2000, 256, 64, 1};

// Drives a fresh applet as the plan says. The applet's settings are replaced by the
// plan's; its window and process are ended before this returns.
Figures run(const Plan& plan);

// What a soak must not show: a death, a message left unanswered, a ripple window left,
// handles gained beyond a few, CPU time spent while idle, an exit code other than 0.
// Empty when none of them happened, else one line per finding.
std::string findings(const Figures& figures);

} // namespace soak
