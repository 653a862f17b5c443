// The applet window procedure: the hub of the applet. The window is at once the settings
// panel and the owner of the tray icon, the animation timer and the frame rebuild; each
// message goes to the one handler that owns its work.
#include "app/ondrella.h"
#include "panel/tray.h"
#include "ripple/frames.h"
#include "ripple/scheduler.h"

namespace {

// While WM_CREATE runs, applet_window is still null: everything here uses `window`.
LRESULT on_create(HWND window) {
    create_tray(window);
    SendMessageA(window, WM_REBUILD_FRAMES, 0, 0);
    SendMessageA(window, WM_REFRESH_LABELS, 0, 0);
    return 0;
}

LRESULT on_destroy() {
    remove_tray();
    PostQuitMessage(0);
    return 0;
}

// The panel hides rather than closes: only the tray menu's "Quit" ends the applet.
LRESULT on_close(HWND window) {
    ShowWindow(window, SW_HIDE);
    return 0;
}

LRESULT on_command(HWND window, WPARAM wparam) {
    switch (LOWORD(wparam)) {
    case ID_OK:
    case ID_CANCEL: ShowWindow(window, SW_HIDE); break;
    case ID_SHOW_HIDE: toggle_panel(window); break;
    case ID_QUIT: DestroyWindow(window); break;
    }
    return 0;
}

LRESULT on_timer(HWND window, WPARAM timer) {
    if (timer == RIPPLE_TIMER)
        ripple_tick(window);
    return 0;
}

LRESULT on_tray_callback(HWND window, LPARAM mouse_message) {
    tray_callback(window, mouse_message);
    return 0;
}

LRESULT on_rebuild_frames() {
    rebuild_frames();
    return 0;
}

// Windows ends the processes of a session that logs off or shuts down without ending
// their message loops: save now, or every change made in the panel is lost.
LRESULT on_end_session(WPARAM ending) {
    if (ending)
        save_setup();
    return 0;
}

} // namespace

LRESULT CALLBACK applet_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE: return on_create(window);
    case WM_DESTROY: return on_destroy();
    case WM_CLOSE: return on_close(window);
    case WM_COMMAND: return on_command(window, wparam);
    case WM_TIMER: return on_timer(window, wparam);
    case WM_TRAY_CALLBACK: return on_tray_callback(window, lparam);
    case WM_REBUILD_FRAMES: return on_rebuild_frames();
    case WM_ENDSESSION: return on_end_session(wparam);
    default: return DefWindowProcA(window, message, wparam, lparam);
    }
}
