// Start-up, the message loop and shutdown: the search for DLLs kept to the system folder,
// the timer functions loaded from there, COM and the common controls, the two window
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

// Windows looks for any DLL that is not one of its KnownDLLs first in the exe's own folder:
// for a program unzipped into Downloads, a folder where any web page can leave a file. From
// here on a load by name searches only the system folder. Windows 7 has the call only with
// update KB2533623; there load_system_library names the folder itself.
void restrict_library_search() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    FARPROC found = GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
    if (found)
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(found))(
            LOAD_LIBRARY_SEARCH_SYSTEM32);
}

} // namespace

HMODULE load_system_library(const char* name) {
    HMODULE library = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Without KB2533623 Windows 7 refuses the flag as an invalid parameter.
    if (library || GetLastError() != ERROR_INVALID_PARAMETER)
        return library;
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + 1 + lstrlenA(name) >= MAX_PATH)
        return nullptr;
    lstrcatA(lstrcatA(path, "\\"), name);
    // The DLL's own dependencies are then looked for in its folder, not the exe's.
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool startup() {
    restrict_library_search();
    load_timer_resolution();
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
    // The applet may quit while ripples play.
    release_fine_timer_tick();
    SetLastError(ERROR_SUCCESS);
    save_setup();
    UnhookWindowsHookEx(mouse_hook_handle);
    CoUninitialize();
    return GetLastError();
}
