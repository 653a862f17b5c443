// The click capture: the system-wide low-level mouse hook that keeps the button flags,
// spawns a ripple at every press outside the applet and drags each held button's newest
// ripple along with the cursor.
#pragma once

#include <windows.h>

#include "ripple/ripple_rules.h"

// Nonzero while that button is down, as last reported to the hook; indexed by button code.
extern unsigned char buttons_down[button_count];

// Whether the flag of the button is set and the physical button behind it is down. A
// release can miss the hook (the applet's thread too busy to answer it in time, input to
// an elevated window, the secure desktop), so a set flag whose button is up is cleared.
// One key-state read when the flag is set, none otherwise.
bool button_held(int button);

LRESULT CALLBACK mouse_hook(int code, WPARAM message, LPARAM event);

// Whether the cursor stands elsewhere than where the hook last saw it, so that the hook
// missed a move (or a program moved the cursor, which no hook sees). From then on, where
// the cursor stands counts as seen.
bool cursor_moved_unseen();
