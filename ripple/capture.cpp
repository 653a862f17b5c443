// The low-level mouse hook. It runs for every mouse event on the desktop, on the applet's
// one thread, so its work stays small: a flag write, and for a press one window and one
// record; for a move at most one key-state read and one window move per held button. It
// never swallows an event.
#include "ripple/capture.h"

#include "app/ondrella.h"
#include "ripple/ripple_window.h"
#include "ripple/scheduler.h"

unsigned char buttons_down[button_count];

namespace {

// In physical pixels, as the hook reports it.
POINT last_point_seen;

// Presses made while the panel (or a window it parents or owns) is shown in front make
// no ripple, so that tuning the panel stays quiet. A hidden panel counts for nothing: the
// tray menu brings it to the front, and it stays the foreground window after the menu
// closes, while the user's next press is on another program.
bool applet_in_front() {
    HWND foreground = GetForegroundWindow();
    if (!IsWindowVisible(foreground))
        return false;
    return foreground == applet_window || GetParent(foreground) == applet_window;
}

void spawn_ripple(POINT cursor, int button) {
    if (applet_in_front())
        return;
    HWND window = create_ripple_window(cursor, setup::size);
    ripples.push_back(Ripple{window, 0, button, 1, 0});
    hold_fine_timer_tick();
    SetTimer(applet_window, RIPPLE_TIMER, static_cast<UINT>(setup::speed), nullptr);
}

// Each held button drags only its newest ripple.
void follow_cursor(POINT cursor) {
    if (ripples.empty())
        return;
    int side = setup::size;
    for (int button = 0; button < button_count; ++button) {
        if (!buttons_down[button])
            continue;
        for (auto ripple = ripples.rbegin(); ripple != ripples.rend(); ++ripple) {
            if (ripple->button != button)
                continue;
            // A release that missed the hook must not leave the ripple following a cursor
            // whose button is up.
            if (button_held(button))
                move_ripple_window(ripple->window, cursor, side);
            break;
        }
    }
}

// The virtual key of the physical button behind a logical button code: with swapped
// buttons the logical left button is the physical right one.
int physical_key(int button) {
    bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
    switch (button) {
    case 0: return swapped ? VK_RBUTTON : VK_LBUTTON;
    case 1: return swapped ? VK_LBUTTON : VK_RBUTTON;
    case 2: return VK_MBUTTON;
    case 3: return VK_XBUTTON1;
    default: return VK_XBUTTON2;
    }
}

} // namespace

bool button_held(int button) {
    if (!buttons_down[button])
        return false;
    if (GetAsyncKeyState(physical_key(button)) & 0x8000)
        return true;
    buttons_down[button] = 0;
    return false;
}

bool cursor_moved_unseen() {
    POINT cursor = physical_cursor_position();
    bool moved = cursor.x != last_point_seen.x || cursor.y != last_point_seen.y;
    last_point_seen = cursor;
    return moved;
}

LRESULT CALLBACK mouse_hook(int code, WPARAM message, LPARAM event) {
    if (code >= 0) {
        const MSLLHOOKSTRUCT* record = reinterpret_cast<const MSLLHOOKSTRUCT*>(event);
        last_point_seen = record->pt;
        unsigned id = static_cast<unsigned>(message);
        int button = button_of_message(id, record->mouseData);
        if (button != no_button)
            buttons_down[button] = is_press(id) ? 1 : 0;
        // Until the applet window exists there is no owner for the animation timer: a
        // ripple spawned then would never be played nor retired.
        if (is_press(id) && applet_window)
            spawn_ripple(record->pt, button);
        else if (id == message_mouse_move)
            follow_cursor(record->pt);
    }
    return CallNextHookEx(mouse_hook_handle, code, message, event);
}
