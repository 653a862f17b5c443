// The applet's process-wide handles, its private messages and identifiers, and the
// operations of the application shell. Every Win32 part of the applet includes this.
#pragma once

#include <windows.h>

#include "app/setup.h"

extern HINSTANCE module_instance; // set first thing in the entry
extern HHOOK mouse_hook_handle;   // the WH_MOUSE_LL hook, installed at start-up
extern HWND applet_window;        // null until CreateWindowExA returns

// Private messages of the applet window, always sent (never posted) to itself.
constexpr UINT WM_REBUILD_FRAMES = WM_APP + 1;
constexpr UINT WM_REFRESH_LABELS = WM_APP + 2;
// The tray icon's callback, with the mouse message over the icon in lParam.
constexpr UINT WM_TRAY_CALLBACK = WM_USER;

constexpr UINT_PTR RIPPLE_TIMER = 1;
// Every couple of seconds the applet asks whether its mouse hook still sees the mouse, and
// adds its tray icon again if the shell has not taken it yet.
constexpr UINT_PTR HOOK_CHECK_TIMER = 2;
constexpr UINT HOOK_CHECK_PERIOD_MS = 2000;

// Command and control identifiers of the applet window.
enum : WORD {
    ID_OK = IDOK,
    ID_CANCEL = IDCANCEL,
    ID_SIZE_SLIDER = 1001,
    ID_SPEED_SLIDER = 1002,
    ID_LENGTH_SLIDER = 1003,
    ID_DURATION_SLIDER = 1004,
    ID_CIRCLES_SLIDER = 1005,
    ID_PEEK_BOX = 1006,
    ID_SHOW_HIDE = 2001,
    ID_QUIT = 2009,
};

extern const char applet_class_name[]; // "Ondrella", also the applet window's title
extern const char ripple_class_name[]; // "Blimmer Object", also every ripple window's title

// Start-up in its fixed order; false when a step failed or the settings are out of limits.
bool startup();
// Creates the hidden applet window with its 400 x 400 client area; null on failure.
HWND create_applet_window();
// Runs the message loop until WM_QUIT; returns that message's wParam.
WPARAM run_message_loop();
// Saves the settings, removes the hook, leaves COM; returns the last-error code left behind.
DWORD shutdown();

// Loads a DLL from the system folder, never from beside the exe; null when it cannot be had.
HMODULE load_system_library(const char* name);

// The finer timer tick that the animation needs on Windows, held only while ripples play.
void load_timer_resolution();
void hold_fine_timer_tick();
void release_fine_timer_tick();

// Puts a new mouse hook in place of the current one, which the system may have dropped.
void reinstall_mouse_hook();
// Re-installs the hook when the cursor moved while the hook saw nothing.
void check_mouse_hook();

// The settings store under HKCU\Software\Varnek\Ondrella.
void load_setup();
void save_setup();
extern const char setup_key_name[];

LRESULT CALLBACK applet_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
