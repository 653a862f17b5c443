// Helpers for the tests that run under Wine: start the shipped applet and wait for its
// window, wipe or seed its registry key, drive it with messages and real input, and end
// it, killing it by its own handle when it does not end in time.
#pragma once

#include <windows.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace harness {

struct Applet {
    PROCESS_INFORMATION process;
    HWND window; // the hidden "Ondrella" window of this process, null until found
};

// Starts ondrella.exe and waits up to timeout_ms for its applet window to end its creation
// and the applet to wait in its message loop. False when the process could not be started;
// a started process that is not that far in time has a null window (it may have ended:
// see exit_code). The bound is for a fault alone: a busy machine stays well within it.
bool start_applet(Applet& applet, DWORD timeout_ms = 60000);
// The same with another copy of the exe, or another program, given by its path.
bool start_applet_from(Applet& applet, const char* exe_path, DWORD timeout_ms = 60000);

// A Unix path as this process sees it: Wine maps the Unix root to drive Z:. A Windows
// path stays as it is.
std::string windows_path(const char* unix_path);

// Waits up to timeout_ms for the process to end; kills it if it does not. Returns its
// exit code, or STILL_ACTIVE when it had to be killed.
DWORD wait_for_exit(Applet& applet, DWORD timeout_ms = 15000);

// The tray menu's "Quit", then wait_for_exit.
DWORD quit_applet(Applet& applet, DWORD timeout_ms = 15000);

bool is_running(const Applet& applet);

// The Windows path of the applet's exe, for reading its resources.
std::string applet_exe_path();

// Whether the applet window's notification-area icon (id 1) is there: the shell accepts
// a change of an icon only while the icon exists.
bool tray_icon_present(HWND applet_window);

// A key pressed and released through SendInput.
void tap_key(WORD virtual_key);

// A window's screen rectangle as its left, top, width and height.
struct Placement {
    long left, top, width, height;
};
bool operator==(const Placement& a, const Placement& b);
std::ostream& operator<<(std::ostream& out, const Placement& placement);
Placement placement_of(HWND window);

// Top-level windows of a process, optionally only those of one class.
std::vector<HWND> windows_of_process(DWORD process_id, const char* class_name = nullptr);

// The settings key HKCU\Software\Varnek\Ondrella.
void wipe_settings();
bool settings_key_exists();
void seed_dword(const char* name, std::int32_t value);
void seed_raw(const char* name, DWORD type, const void* data, DWORD length);
// False when the value is missing or not 4 bytes long.
bool read_setting(const char* name, std::int32_t& value);
DWORD setting_type(const char* name);
int settings_value_count();

// Seeds all six values at once, in the store's order.
void seed_settings(std::int32_t frames, std::int32_t size, std::int32_t jumps, std::int32_t speed,
                   std::int32_t circles, std::int32_t peek);

// Real input through SendInput, as a user's mouse would give it.
void move_cursor(int x, int y);
// Moves the cursor and waits until it stands there; returns where it landed. The absolute
// coordinates of SendInput can land a pixel short, so a ripple is expected where the
// cursor really is.
POINT move_cursor_and_wait(POINT to);
// button: 0 left, 1 right, 2 middle, 3 first extra, 4 second extra.
void press_button(int button);
void release_button(int button);
// The same input as records, for sending several in one SendInput call.
INPUT move_input(POINT to);
INPUT button_input(int button, bool press);

// Lets the applet's thread run: pumps this thread's messages for the given time.
void pump_for(DWORD milliseconds);

// Waits until predicate() holds or timeout_ms passes; returns whether it held.
template <typename Predicate> bool wait_until(Predicate predicate, DWORD timeout_ms = 5000) {
    DWORD start = GetTickCount();
    while (!predicate()) {
        if (GetTickCount() - start > timeout_ms)
            return false;
        pump_for(10);
    }
    return true;
}

} // namespace harness
