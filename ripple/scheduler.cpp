// The ripple scheduler. A tick only selects ready frames and copies them to the screen;
// the drawing surface they pass through is kept while ripples play and freed by the
// first tick that finds none left.
#include "ripple/scheduler.h"

#include "app/ondrella.h"
#include "ripple/capture.h"
#include "ripple/frames.h"
#include "ripple/ripple_rules.h"
#include "ripple/ripple_window.h"

std::vector<Ripple> ripples;

namespace {

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
        release_ripple_surface();
        return;
    }
    std::size_t position = 0;
    while (position < ripples.size()) {
        Ripple& ripple = ripples[position];
        present_frame(ripple);
        std::int32_t shown = ripple.frame;
        ripple.frame = shown + 1;
        if (shown < setup::frames - 1) {
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
