// What the in-process ripple tests share: the mouse messages of each button as the hook
// receives them, mouse_hook called with built event records, and an applet started in the
// test process (its hook removed, so that only the tests feed it) with a window of the
// test's own where real presses land.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include "app/ondrella.h"
#include "ripple/capture.h"
#include "tests/win32/harness.h"

inline const UINT press_messages[button_count] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN,
                                                  WM_XBUTTONDOWN, WM_XBUTTONDOWN};
inline const UINT release_messages[button_count] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP,
                                                    WM_XBUTTONUP, WM_XBUTTONUP};
inline const DWORD extra_button_data[button_count] = {0, 0, 0, XBUTTON1 << 16, XBUTTON2 << 16};
// The keys of the physical buttons that harness::press_button holds down.
inline const int physical_keys[button_count] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, VK_XBUTTON1,
                                                VK_XBUTTON2};

inline void hook_event(UINT message, POINT at, DWORD mouse_data = 0, int code = HC_ACTION) {
    MSLLHOOKSTRUCT record = {};
    record.pt = at;
    record.mouseData = mouse_data;
    mouse_hook(code, message, reinterpret_cast<LPARAM>(&record));
}

inline void hook_press(int button, POINT at = {300, 200}) {
    hook_event(press_messages[button], at, extra_button_data[button]);
}

inline void hook_release(int button, POINT at = {300, 200}) {
    hook_event(release_messages[button], at, extra_button_data[button]);
}

// Real presses land on this window of the test's own, never on the applet; it counts the
// presses it receives.
inline HWND pad;
inline const POINT pad_point = {700, 500};
inline int pad_presses;

inline LRESULT CALLBACK pad_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_XBUTTONDOWN)
        ++pad_presses;
    return DefWindowProcA(window, message, wparam, lparam);
}

// Whether creating the applet window started the hook check (which the set-up stops).
inline bool hook_check_started;

class AppletEnvironment : public testing::Environment {
  public:
    void SetUp() override {
        harness::wipe_settings();
        module_instance = GetModuleHandleA(nullptr);
        ASSERT_TRUE(startup());
        // The tests call the hook themselves, or install it anew where they need it.
        UnhookWindowsHookEx(mouse_hook_handle);
        mouse_hook_handle = nullptr;
        // The swap is stored in the Wine prefix: a run that died swapped must not leave it so.
        SwapMouseButton(FALSE);
        applet_window = create_applet_window();
        ASSERT_NE(applet_window, nullptr);
        // Nor may the hook's check put a hook back while the tests feed the hook themselves.
        hook_check_started = KillTimer(applet_window, HOOK_CHECK_TIMER) != FALSE;
        WNDCLASSA pad_class = {};
        pad_class.lpfnWndProc = pad_procedure;
        pad_class.hInstance = module_instance;
        pad_class.lpszClassName = "RipplePad";
        ASSERT_NE(RegisterClassA(&pad_class), 0);
        pad = CreateWindowExA(0, "RipplePad", "pad", WS_POPUP | WS_VISIBLE, 600, 400, 300, 300,
                              nullptr, nullptr, module_instance, nullptr);
        ASSERT_NE(pad, nullptr);
    }
};

inline testing::Environment* const applet_environment =
    testing::AddGlobalTestEnvironment(new AppletEnvironment);
