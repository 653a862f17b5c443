// The entry in-process: the whole life of the applet from WinMain, ended through the tray
// menu's "Quit", with a hook that is gone by shutdown (the system drops a low-level hook
// that keeps timing out). The error code that shutdown then leaves is the exit code.
#include <gtest/gtest.h>

#include "app/ondrella.h"
#include "tests/win32/harness.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int);

namespace {

// Runs inside WinMain's message loop, once the applet window exists.
void CALLBACK remove_hook_and_quit(HWND, UINT, UINT_PTR timer, DWORD) {
    if (!applet_window)
        return;
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(mouse_hook_handle);
    PostMessageA(applet_window, WM_COMMAND, ID_QUIT, 0);
}

} // namespace

TEST(ExitCode, IsTheErrorCodeThatShutdownLeaves) {
    harness::wipe_settings();
    SetTimer(nullptr, 0, 20, remove_hook_and_quit);
    char command_line[] = "";
    int exit_code = WinMain(GetModuleHandleA(nullptr), nullptr, command_line, SW_SHOWNORMAL);

    // What removing the already removed hook leaves behind.
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(UnhookWindowsHookEx(mouse_hook_handle));
    DWORD stale_hook_error = GetLastError();
    EXPECT_NE(stale_hook_error, 0u);
    EXPECT_EQ(static_cast<DWORD>(exit_code), stale_hook_error);
    EXPECT_TRUE(harness::settings_key_exists()) << "shutdown saves before it removes the hook";
    harness::wipe_settings();
}
