// The ripple scheduler. A tick only selects ready frames and copies them to the screen;
// the drawing surface they pass through is kept while ripples play and freed by the
// first tick that finds none left. The mouse hook is called on this same thread, and
// every mouse event of the desktop waits while a tick runs, so a tick shows only as many
// ripples as fit in its budget and the next tick goes on with the others; the life of
// every ripple, its frames and cycles, goes on at every tick all the same.
#include "ripple/scheduler.h"

#include "app/ondrella.h"
#include "ripple/capture.h"
#include "ripple/frames.h"
#include "ripple/ripple_rules.h"
#include "ripple/ripple_window.h"

std::vector<Ripple> ripples;

// Under Wine a lone 256-pixel ripple takes 1.4-3.3 ms to show, a 64-pixel one 0.3-1.9 ms,
// and one that others overlap up to about 15 ms. A tick overruns its budget by one show at
// most, so 4 ms keeps the longest tick of any pile-up near 20 ms, well under the 50 ms a
// user feels as a stuck mouse, while the ripples of ordinary clicking all fit.
double present_budget_ms = 4.0;

namespace {

std::uint64_t ticks_counted;
// Kept from tick to tick so that a tick allocates nothing.
std::vector<std::uint64_t> shown_at;
std::vector<std::size_t> order;

double now_ms() {
    static const double counts_per_ms = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / counts_per_ms;
}

// Those never shown first, then those shown longest ago, as long as the budget lasts.
void present_in_turn() {
    const std::uint64_t tick = ++ticks_counted;
    shown_at.clear();
    for (const Ripple& ripple : ripples)
        shown_at.push_back(ripple.last_shown);
    presentation_order(shown_at, order);
    present_within_budget(order, present_budget_ms, now_ms, [&](std::size_t position) {
        present_frame(ripples[position]);
        ripples[position].last_shown = tick;
    });
}

const FrameSlot* table_of(const Ripple& ripple) {
    switch (table_of_ripple(ripple.first_cycle != 0, ripple.releasing != 0)) {
    case FrameTable::attack: return frame_tables.attack_frames;
    case FrameTable::hold: return frame_tables.hold_frames;
    case FrameTable::release: return frame_tables.release_frames;
    }
    return frame_tables.hold_frames;
}

bool has_later_ripple(std::size_t position) {
    for (std::size_t later = position + 1; later < ripples.size(); ++later) {
        if (ripples[later].button == ripples[position].button)
            return true;
    }
    return false;
}

} // namespace

void present_frame(const Ripple& ripple) {
    int side = setup::size;
    // A slot that holds no frame of the current size (the frame count was lowered while
    // the ripple played, or a buffer could not be allocated) only raises the window.
    draw_ripple_window(ripple.window, ready_frame(table_of(ripple), ripple.frame, side), side);
}

void ripple_tick(HWND applet) {
    // Only a tick that finds nothing to play stops the timer; the tick that retires the
    // last ripple leaves it for the next one.
    if (ripples.empty()) {
        KillTimer(applet, RIPPLE_TIMER);
        release_fine_timer_tick();
        release_ripple_surface();
        return;
    }
    present_in_turn();
    std::size_t position = 0;
    while (position < ripples.size()) {
        Ripple& ripple = ripples[position];
        // The frame of this tick, whether or not it fit in the budget.
        std::int32_t played = ripple.frame;
        ripple.frame = played + 1;
        if (played < setup::frames - 1) {
            ++position;
            continue;
        }
        bool newest = !has_later_ripple(position);
        ripple.first_cycle = 0;
        // The button itself is asked, so a release that missed the hook cannot keep the
        // newest ripple holding for ever.
        bool held = newest && button_held(ripple.button);
        switch (end_of_cycle(newest, held, ripple.releasing != 0)) {
        case CycleEnd::another_cycle: ripple.frame = 0; break;
        case CycleEnd::start_release:
            ripple.frame = 0;
            ripple.releasing = 1;
            break;
        case CycleEnd::retire:
            DestroyWindow(ripple.window);
            // The successor moves into this position and is handled in this same tick.
            ripples.erase(ripples.begin() + static_cast<std::ptrdiff_t>(position));
            continue;
        }
        ++position;
    }
}
