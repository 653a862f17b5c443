// The applet window procedure: the hub of the applet. The window is at once the settings
// panel and the owner of the tray icon, the animation timer and the frame rebuild; each
// message goes to the one handler that owns its work.
#include "app/ondrella.h"

#include <wtsapi32.h>

#include "panel/panel.h"
#include "panel/tray.h"
#include "ripple/frames.h"
#include "ripple/scheduler.h"

namespace {

// The unlock of the session comes as WM_WTSSESSION_CHANGE to a window registered for it.
// wtsapi32 is not a DLL Windows takes only from its system folder, so it is loaded from
// there at run time rather than imported; without it the unlock goes unheard and the
// periodic check alone brings the hook back.
FARPROC session_function(const char* name) {
    static const HMODULE library = load_system_library("wtsapi32.dll");
    return library ? GetProcAddress(library, name) : nullptr;
}

void register_for_unlock(HWND window) {
    using RegisterFunction = BOOL(WINAPI*)(HWND, DWORD);
    FARPROC found = session_function("WTSRegisterSessionNotification");
    if (found)
        reinterpret_cast<RegisterFunction>(reinterpret_cast<void*>(found))(window,
                                                                           NOTIFY_FOR_THIS_SESSION);
}

void unregister_for_unlock(HWND window) {
    using UnregisterFunction = BOOL(WINAPI*)(HWND);
    FARPROC found = session_function("WTSUnRegisterSessionNotification");
    if (found)
        reinterpret_cast<UnregisterFunction>(reinterpret_cast<void*>(found))(window);
}

// While WM_CREATE runs, applet_window is still null: everything here uses `window`.
LRESULT on_create(HWND window) {
    create_tray(window);
    create_panel(window);
    SendMessageA(window, WM_REBUILD_FRAMES, 0, 0);
    SendMessageA(window, WM_REFRESH_LABELS, 0, 0);
    register_for_unlock(window);
    SetTimer(window, HOOK_CHECK_TIMER, HOOK_CHECK_PERIOD_MS, nullptr);
    return 0;
}

LRESULT on_destroy(HWND window) {
    unregister_for_unlock(window);
    remove_tray();
    destroy_panel();
    PostQuitMessage(0);
    return 0;
}

LRESULT on_size(LPARAM client_size) {
    lay_out_panel(LOWORD(client_size), HIWORD(client_size));
    return 0;
}

// The panel hides rather than closes: only the tray menu's "Quit" ends the applet.
LRESULT on_close(HWND window) {
    ShowWindow(window, SW_HIDE);
    return 0;
}

LRESULT on_erase_background(HWND window, WPARAM context) {
    erase_panel(window, reinterpret_cast<HDC>(context));
    return 0;
}

// Only the "OK" button is owner-drawn.
LRESULT on_draw_item(LPARAM item) {
    draw_ok_button(*reinterpret_cast<const DRAWITEMSTRUCT*>(item));
    return 0;
}

LRESULT on_command(HWND window, WPARAM wparam) {
    switch (LOWORD(wparam)) {
    case ID_OK:
    case ID_CANCEL: ShowWindow(window, SW_HIDE); break;
    case ID_PEEK_BOX: panel_peek_toggled(window); break;
    case ID_SHOW_HIDE: toggle_panel(window); break;
    case ID_QUIT: DestroyWindow(window); break;
    }
    return 0;
}

LRESULT on_timer(HWND window, WPARAM timer) {
    if (timer == RIPPLE_TIMER)
        ripple_tick(window);
    else if (timer == HOOK_CHECK_TIMER) {
        check_mouse_hook();
        retry_tray_icon();
    }
    return 0;
}

// After sleep and after a locked session the system may have dropped the mouse hook.
LRESULT on_power_broadcast(WPARAM event) {
    if (event == PBT_APMRESUMEAUTOMATIC)
        reinstall_mouse_hook();
    return TRUE;
}

LRESULT on_session_change(WPARAM event) {
    if (event == WTS_SESSION_UNLOCK)
        reinstall_mouse_hook();
    return 0;
}

LRESULT on_slider_moved(HWND window) {
    panel_slider_moved(window);
    return 0;
}

LRESULT on_control_colour(HWND window, WPARAM context, LPARAM child, bool black_text) {
    return reinterpret_cast<LRESULT>(child_background(window, reinterpret_cast<HDC>(context),
                                                      reinterpret_cast<HWND>(child), black_text));
}

LRESULT on_tray_callback(HWND window, LPARAM mouse_message) {
    tray_callback(window, mouse_message);
    return 0;
}

// The shell lost every notification-area icon (it restarted or crashed): without the
// icon the panel could not be opened nor the applet quit. An add that fails here is tried
// again every couple of seconds, as one at start-up is.
LRESULT on_taskbar_created() {
    add_tray_icon();
    return 0;
}

LRESULT on_rebuild_frames() {
    rebuild_frames();
    return 0;
}

LRESULT on_refresh_labels() {
    refresh_captions();
    return 0;
}

// Windows ends the processes of a session that logs off or shuts down without ending
// their message loops: save now, or every change made in the panel is lost. An installer
// that replaces or removes ondrella.exe asks through the Restart Manager, with
// ENDSESSION_CLOSEAPP, that the applet end itself: it quits then, as "Quit" does.
LRESULT on_end_session(HWND window, WPARAM ending, LPARAM reason) {
    if (ending)
        save_setup();
    if (ending && (reason & ENDSESSION_CLOSEAPP))
        DestroyWindow(window);
    return 0;
}

} // namespace

LRESULT CALLBACK applet_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE: return on_create(window);
    case WM_DESTROY: return on_destroy(window);
    case WM_SIZE: return on_size(lparam);
    case WM_CLOSE: return on_close(window);
    case WM_ERASEBKGND: return on_erase_background(window, wparam);
    case WM_DRAWITEM: return on_draw_item(lparam);
    case WM_COMMAND: return on_command(window, wparam);
    case WM_TIMER: return on_timer(window, wparam);
    case WM_HSCROLL: return on_slider_moved(window);
    case WM_CTLCOLORSTATIC: return on_control_colour(window, wparam, lparam, true);
    case WM_CTLCOLORBTN: return on_control_colour(window, wparam, lparam, false);
    case WM_TRAY_CALLBACK: return on_tray_callback(window, lparam);
    case WM_REBUILD_FRAMES: return on_rebuild_frames();
    case WM_REFRESH_LABELS: return on_refresh_labels();
    case WM_ENDSESSION: return on_end_session(window, wparam, lparam);
    case WM_POWERBROADCAST: return on_power_broadcast(wparam);
    case WM_WTSSESSION_CHANGE: return on_session_change(wparam);
    default:
        // The shell's restart message has no fixed number: it is registered at run time.
        if (is_taskbar_created(message))
            return on_taskbar_created();
        return DefWindowProcA(window, message, wparam, lparam);
    }
}
