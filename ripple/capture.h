// The click capture: the system-wide low-level mouse hook that keeps the button flags,
// spawns a ripple at every press outside the applet and drags each held button's newest
// ripple along with the cursor.
#pragma once

#include <windows.h>

#include "ripple/ripple_rules.h"

// Nonzero while that button is down, as last reported to the hook; indexed by button code.
extern unsigned char buttons_down[button_count];

LRESULT CALLBACK mouse_hook(int code, WPARAM message, LPARAM event);
