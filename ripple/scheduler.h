// The ripple scheduler: the live click ripples, oldest first, played frame by frame in
// their own layered windows at every tick of timer 1 of the applet window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

struct Ripple {
    HWND window;              // the "Blimmer Object" window that shows this ripple
    std::int32_t frame;       // slot to show at the next tick
    std::int32_t button;      // code of the button whose press spawned it
    std::uint8_t first_cycle; // nonzero during the first cycle
    std::uint8_t releasing;   // nonzero from the start of the release cycle on
    std::uint64_t last_shown; // number of the tick that last showed it; 0 for none yet
};

// In creation order: a later record belongs to a later press. Only appended to at the
// end and erased from; never reordered.
extern std::vector<Ripple> ripples;

// How long a tick may spend showing frames. Every ripple still advances at every tick; the
// ones that did not fit keep their last frame on the screen and go first at the next tick.
extern double present_budget_ms;

// One tick of timer 1: show the ripples that fit in the budget, advance every ripple, apply
// the end-of-cycle rules, and kill the timer when the tick finds no ripple left.
void ripple_tick(HWND applet);

// Shows the current frame of one ripple in its window.
void present_frame(const Ripple& ripple);
