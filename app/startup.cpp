// Start-up, the message loop and shutdown: COM and the common controls, the two window
// classes, the system-wide mouse hook, the frame tables and the settings, in that order.
// Any failure during start-up ends the process silently; the caller turns false into
// exit code 0.
#include "app/ondrella.h"

#include <commctrl.h>
#include <objbase.h>

#include "ripple/capture.h"
#include "ripple/frames.h"

HINSTANCE module_instance;
HHOOK mouse_hook_handle;
HWND applet_window;

const char applet_class_name[] = "Ondrella";
const char ripple_class_name[] = "Blimmer Object";

namespace {

// Both classes share one record; the ripple class differs only in its procedure and name.
bool register_window_classes() {
    HICON large_icon =
        static_cast<HICON>(LoadImageA(module_instance, "A", IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    HICON small_icon =
        static_cast<HICON>(LoadImageA(module_instance, "A", IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    WNDCLASSEXA window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = applet_procedure;
    window_class.hInstance = module_instance;
    window_class.hIcon = large_icon;
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.lpszClassName = applet_class_name;
    window_class.hIconSm = small_icon;
    if (!RegisterClassExA(&window_class))
        return false;
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.lpszClassName = ripple_class_name;
    return RegisterClassExA(&window_class) != 0;
}

} // namespace

bool startup() {
    // S_FALSE (COM already entered on this thread) counts as a failure too.
    if (CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) != S_OK)
        return false;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    if (!InitCommonControlsEx(&controls))
        return false;
    if (!register_window_classes())
        return false;
    mouse_hook_handle = SetWindowsHookExA(WH_MOUSE_LL, mouse_hook, module_instance, 0);
    if (!mouse_hook_handle)
        return false;
    // Where the cursor stands now counts as seen by the hook.
    cursor_moved_unseen();
    empty_frames();
    load_setup();
    return setup::within_limits();
}

HWND create_applet_window() {
    // A fixed dialog-style frame around a 400 x 400 client area. Created hidden: the
    // applet starts with only its tray icon visible.
    int width = 400 + 2 * GetSystemMetrics(SM_CXDLGFRAME);
    int height = 400 + 2 * GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYCAPTION);
    return CreateWindowExA(0, applet_class_name, applet_class_name, WS_SYSMENU, CW_USEDEFAULT,
                           CW_USEDEFAULT, width, height, nullptr, nullptr, module_instance,
                           nullptr);
}

WPARAM run_message_loop() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0)) {
        // Gives the panel dialog keys: Tab between controls, Enter as IDOK, Escape as IDCANCEL.
        if (IsDialogMessageA(applet_window, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return message.wParam;
}

// The system removes a low-level hook that kept it waiting too long, and hooks are reported
// lost after sleep and after a locked session, all without a word to their owner: the
// applet would stay in the tray and never show a ripple again. The new hook is in place
// before the old one goes, so that no event falls between them; one event never reaches
// both, as hooks are called only while this thread waits for messages.
void reinstall_mouse_hook() {
    HHOOK replacement = SetWindowsHookExA(WH_MOUSE_LL, mouse_hook, module_instance, 0);
    if (!replacement)
        return;
    HHOOK dropped = mouse_hook_handle;
    mouse_hook_handle = replacement;
    UnhookWindowsHookEx(dropped);
}

void check_mouse_hook() {
    if (cursor_moved_unseen())
        reinstall_mouse_hook();
}

DWORD shutdown() {
    SetLastError(ERROR_SUCCESS);
    save_setup();
    UnhookWindowsHookEx(mouse_hook_handle);
    CoUninitialize();
    return GetLastError();
}
