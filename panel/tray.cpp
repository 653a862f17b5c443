// The tray icon, its record and its menu, which live from the applet window's creation
// until the process ends.
#include "panel/tray.h"

#include <shellapi.h>

#include <cstring>
#include <initializer_list>

#include "app/ondrella.h"

namespace {

// The 88-byte layout of the record, the one that ends with a 64-character tip: every
// shell version takes it.
NOTIFYICONDATAA tray_record = {NOTIFYICONDATAA_V1_SIZE, nullptr, 1,
                               NIF_MESSAGE | NIF_ICON | NIF_TIP, WM_TRAY_CALLBACK};
HMENU tray_menu;
// Registered at run time; 0 until then, a value no registered message has.
UINT taskbar_created;
// Whether the shell has taken the icon; until it has, the icon is added again.
bool icon_taken;

void build_menu() {
    tray_menu = CreatePopupMenu();
    AppendMenuA(tray_menu, MF_STRING, ID_SHOW_HIDE, "Show/Hide applet");
    AppendMenuA(tray_menu, MF_SEPARATOR, static_cast<UINT_PTR>(-1), "");
    AppendMenuA(tray_menu, MF_STRING, ID_QUIT, "Quit");
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    GetMenuItemInfoA(tray_menu, ID_SHOW_HIDE, FALSE, &item);
    item.fState |= MFS_DEFAULT;
    SetMenuItemInfoA(tray_menu, ID_SHOW_HIDE, FALSE, &item);
}

void open_menu(HWND applet) {
    // The panel must be in front, or the menu would not close when the user clicks
    // elsewhere.
    SetForegroundWindow(applet);
    POINT cursor;
    GetCursorPos(&cursor);
    TrackPopupMenu(tray_menu, TPM_CENTERALIGN | TPM_VERNEGANIMATION, cursor.x, cursor.y - 2, 0,
                   applet, nullptr);
    // Windows' own remedy for a menu whose owner is in front: without a message after it,
    // the menu shown the next time can close at once, before "Quit" can be chosen.
    PostMessageA(applet, WM_NULL, 0, 0);
}

// Run as administrator, the applet's window hears from the shell, which runs with less
// privilege, only the messages it lets through: without them the icon would not come back
// after the shell restarts, and its clicks could go unheard. Windows 7 filters by window,
// Vista by process; earlier systems have no filter.
void let_shell_messages_through(HWND applet) {
    using WindowFilterFunction = BOOL(WINAPI*)(HWND, UINT, DWORD, CHANGEFILTERSTRUCT*);
    using ProcessFilterFunction = BOOL(WINAPI*)(UINT, DWORD);
    HMODULE user = GetModuleHandleA("user32.dll");
    auto window_filter = reinterpret_cast<WindowFilterFunction>(
        reinterpret_cast<void*>(GetProcAddress(user, "ChangeWindowMessageFilterEx")));
    auto process_filter = reinterpret_cast<ProcessFilterFunction>(
        reinterpret_cast<void*>(GetProcAddress(user, "ChangeWindowMessageFilter")));
    for (UINT message : {taskbar_created, WM_TRAY_CALLBACK}) {
        if (window_filter)
            window_filter(applet, message, MSGFLT_ALLOW, nullptr);
        else if (process_filter)
            process_filter(message, MSGFLT_ADD);
    }
}

// The shell takes a change, even one of nothing, only of an icon it holds.
bool shell_holds_icon() {
    NOTIFYICONDATAA query = tray_record;
    query.uFlags = 0;
    return Shell_NotifyIconA(NIM_MODIFY, &query) != FALSE;
}

} // namespace

void create_tray(HWND applet) {
    build_menu();
    tray_record.hWnd = applet;
    tray_record.hIcon =
        static_cast<HICON>(LoadImageA(module_instance, "A", IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    std::strncpy(tray_record.szTip, applet_class_name, sizeof tray_record.szTip - 1);
    taskbar_created = RegisterWindowMessageA("TaskbarCreated");
    let_shell_messages_through(applet);
    add_tray_icon();
}

// A shell that is still starting has no notification area yet, or answers too late, and
// the add fails; if it answered too late it may have carried the add out all the same, and
// then it refuses every later add of the icon it holds.
void add_tray_icon() {
    icon_taken = Shell_NotifyIconA(NIM_ADD, &tray_record) || shell_holds_icon();
}

void retry_tray_icon() {
    if (!icon_taken)
        add_tray_icon();
}

bool is_taskbar_created(UINT message) {
    return taskbar_created != 0 && message == taskbar_created;
}

void tray_callback(HWND applet, LPARAM mouse_message) {
    switch (mouse_message) {
    case WM_LBUTTONDBLCLK: toggle_panel(applet); break;
    case WM_RBUTTONUP: open_menu(applet); break;
    }
}

void toggle_panel(HWND applet) {
    if (IsWindowVisible(applet)) {
        ShowWindow(applet, SW_HIDE);
        return;
    }
    ShowWindow(applet, SW_SHOW);
    SetForegroundWindow(applet);
}

void remove_tray() {
    Shell_NotifyIconA(NIM_DELETE, &tray_record);
}
