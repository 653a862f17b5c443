// The soak: the shipped applet driven under load with real input at its heaviest settings
// (256-pixel ripples, 64 frames, a timer period of 1 ms), clicked at from the moment it
// starts, and measured from outside: whether it answers, whether its ripples all go,
// whether it keeps handles or memory, and whether it works when nothing happens.
#pragma once

#include <windows.h>

#include <string>

namespace soak {

// Another process's figures, as the system's process and handle lists give them (the
// per-process queries GetProcessMemoryInfo and GetProcessHandleCount answer 0 under Wine,
// and the process list's handle count is the size of its handle table, which only grows).
struct ProcessFigures {
    bool found;
    SIZE_T working_set_bytes;
    ULONG handle_count;       // handles open now
    ULONGLONG cpu_time_100ns; // user and kernel time of all its threads
};

ProcessFigures process_figures(DWORD process_id);

struct Figures {
    bool started;        // the applet window appeared
    int startup_presses; // presses sent while the applet was starting
    int presses;         // every press sent, those during start-up included
    DWORD duration_ms;   // from the first press after start-up to the last release
    DWORD slowest_answer_ms;
    // SendInput returns once the hooks have answered: the longest a mouse event waited,
    // while the applet started (its hook is in place before its window) and after.
    double slowest_startup_input_ms;
    double slowest_input_ms;
    int unanswered;           // sent messages not answered within a second
    bool died;                // the applet ended before it was asked to quit
    int ripples_left;         // its ripple windows 5 s after the last release
    ProcessFigures warm;      // after the warm-up, once its ripples are gone
    ProcessFigures soaked;    // after the soak, once its ripples are gone
    ULONGLONG idle_cpu_100ns; // over idle_seconds
    DWORD exit_code;          // after "Quit"; STILL_ACTIVE when it had to be killed
};

struct Plan {
    int presses; // at least this many, those during start-up included
    int size;    // the applet's settings for the run
    int frames;
    int speed;
};

// The heaviest settings the panel offers: "Maximum" speed, the largest ripples, 64 frames.
constexpr Plan full_soak = {2000, 256, 64, 1};

// The applet checks its mouse hook every couple of seconds while idle, and nothing else.
constexpr int idle_seconds = 10;
constexpr ULONGLONG idle_cpu_limit_100ns = 20 * 10000;

// Drives a fresh applet as the plan says. The applet's settings are replaced by the
// plan's; its window and process are ended before this returns.
Figures run(const Plan& plan);

// What a soak must not show: a death, a message left unanswered, a ripple window left,
// handles gained beyond a few, more than a trace of CPU time while idle, an exit code
// other than 0.
// Empty when none of them happened, else one line per finding.
std::string findings(const Figures& figures);

} // namespace soak
