// The Wine test harness: process control of the shipped applet, its registry key and
// real mouse input.
#include "tests/win32/harness.h"

#include <shellapi.h>

#include <cstdlib>
#include <cstring>

namespace harness {

namespace {

const char settings_key[] = "Software\\Varnek\\Ondrella";

HWND find_applet_window(DWORD process_id) {
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, "Ondrella", "Ondrella")) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process_id)
            return window;
    }
    return nullptr;
}

struct WindowSearch {
    DWORD process_id;
    const char* class_name;
    std::vector<HWND>* found;
};

BOOL CALLBACK collect_window(HWND window, LPARAM search_address) {
    const WindowSearch& search = *reinterpret_cast<const WindowSearch*>(search_address);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.process_id)
        return TRUE;
    if (search.class_name) {
        char name[64] = {};
        GetClassNameA(window, name, sizeof name);
        if (std::strcmp(name, search.class_name) != 0)
            return TRUE;
    }
    search.found->push_back(window);
    return TRUE;
}

// Creation ends by filling the captions of the twelve controls; after that the applet
// answers a sent message only from its message loop. Wine counts any wait of its thread on
// its queue as idle, inside creation too.
bool creation_ended(HWND window) {
    int controls = 0;
    bool captions_filled = true;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[16] = {}, text[2] = {};
        GetClassNameA(child, name, sizeof name);
        if (lstrcmpiA(name, "Static") == 0)
            captions_filled = captions_filled && GetWindowTextA(child, text, sizeof text) > 0;
        ++controls;
    }
    return controls == 12 && captions_filled;
}

void send_input(INPUT input) {
    SendInput(1, &input, sizeof input);
}

} // namespace

std::string windows_path(const char* unix_path) {
    if (unix_path[0] != '/')
        return unix_path; // a Windows path already
    std::string path = "Z:";
    for (const char* c = unix_path; *c; ++c)
        path += *c == '/' ? '\\' : *c;
    return path;
}

// The build passes the exe's Unix path.
bool start_applet(Applet& applet, DWORD timeout_ms) {
    return start_applet_from(applet, ONDRELLA_EXE, timeout_ms);
}

bool start_applet_from(Applet& applet, const char* exe_path, DWORD timeout_ms) {
    applet = Applet{};
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string command = "\"" + windows_path(exe_path) + "\"";
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &applet.process))
        return false;
    DWORD process_id = applet.process.dwProcessId;
    DWORD start = GetTickCount();
    wait_until(
        [&] {
            applet.window = find_applet_window(process_id);
            return (applet.window && creation_ended(applet.window)) || !is_running(applet);
        },
        timeout_ms);
    DWORD spent = GetTickCount() - start, left = spent < timeout_ms ? timeout_ms - spent : 0;
    if (applet.window &&
        (!creation_ended(applet.window) ||
         !SendMessageTimeoutA(applet.window, WM_NULL, 0, 0, SMTO_NORMAL, left, nullptr) ||
         WaitForInputIdle(applet.process.hProcess, left) != 0))
        applet.window = nullptr;
    return true;
}

std::string applet_exe_path() {
    return windows_path(ONDRELLA_EXE);
}

bool tray_icon_present(HWND applet_window) {
    NOTIFYICONDATAA record = {};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = applet_window;
    record.uID = 1;
    return Shell_NotifyIconA(NIM_MODIFY, &record) != FALSE;
}

void tap_key(WORD virtual_key) {
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = virtual_key;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof keys[0]);
}

bool is_running(const Applet& applet) {
    return WaitForSingleObject(applet.process.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD wait_for_exit(Applet& applet, DWORD timeout_ms) {
    if (!applet.process.hProcess)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(applet.process.hProcess, timeout_ms) == WAIT_OBJECT_0) {
        GetExitCodeProcess(applet.process.hProcess, &code);
    } else {
        TerminateProcess(applet.process.hProcess, 1);
        WaitForSingleObject(applet.process.hProcess, 5000);
        code = STILL_ACTIVE;
    }
    CloseHandle(applet.process.hProcess);
    CloseHandle(applet.process.hThread);
    applet.process = PROCESS_INFORMATION{};
    return code;
}

DWORD quit_applet(Applet& applet, DWORD timeout_ms) {
    if (applet.window)
        PostMessageA(applet.window, WM_COMMAND, 2009, 0);
    return wait_for_exit(applet, timeout_ms);
}

bool operator==(const Placement& a, const Placement& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

std::ostream& operator<<(std::ostream& out, const Placement& placement) {
    return out << "(" << placement.left << ", " << placement.top << ", " << placement.width << " x "
               << placement.height << ")";
}

Placement placement_of(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

std::vector<HWND> windows_of_process(DWORD process_id, const char* class_name) {
    std::vector<HWND> found;
    WindowSearch search = {process_id, class_name, &found};
    EnumWindows(collect_window, reinterpret_cast<LPARAM>(&search));
    return found;
}

void wipe_settings() {
    RegDeleteKeyA(HKEY_CURRENT_USER, settings_key);
}

bool settings_key_exists() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settings_key, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void seed_raw(const char* name, DWORD type, const void* data, DWORD length) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, settings_key, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), length);
    RegCloseKey(key);
}

void seed_dword(const char* name, std::int32_t value) {
    seed_raw(name, REG_DWORD, &value, sizeof value);
}

void seed_settings(std::int32_t frames, std::int32_t size, std::int32_t jumps, std::int32_t speed,
                   std::int32_t circles, std::int32_t peek) {
    seed_dword("setup::frames", frames);
    seed_dword("setup::size", size);
    seed_dword("setup::jumps", jumps);
    seed_dword("setup::speed", speed);
    seed_dword("setup::circles", circles);
    seed_dword("setup::peek", peek);
}

bool read_setting(const char* name, std::int32_t& value) {
    BYTE data[16];
    DWORD length = sizeof data;
    if (RegGetValueA(HKEY_CURRENT_USER, settings_key, name, RRF_RT_ANY, nullptr, data, &length) !=
        ERROR_SUCCESS)
        return false;
    if (length != sizeof value)
        return false;
    std::memcpy(&value, data, sizeof value);
    return true;
}

DWORD setting_type(const char* name) {
    DWORD type = REG_NONE;
    RegGetValueA(HKEY_CURRENT_USER, settings_key, name, RRF_RT_ANY, &type, nullptr, nullptr);
    return type;
}

int settings_value_count() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settings_key, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -1;
    DWORD count = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return static_cast<int>(count);
}

INPUT move_input(POINT to) {
    // Absolute coordinates run from 0 to 65535 across the primary screen; rounded up, they
    // land on the pixel asked for where the conversion back truncates.
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (to.x * 65536 + width - 1) / width;
    input.mi.dy = (to.y * 65536 + height - 1) / height;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

void move_cursor(int x, int y) {
    send_input(move_input({x, y}));
}

POINT move_cursor_and_wait(POINT to) {
    move_cursor(to.x, to.y);
    POINT cursor = {};
    wait_until([&] {
        GetCursorPos(&cursor);
        return std::labs(cursor.x - to.x) <= 1 && std::labs(cursor.y - to.y) <= 1;
    });
    return cursor;
}

INPUT button_input(int button, bool press) {
    static const DWORD press_flags[] = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_RIGHTDOWN,
                                        MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_XDOWN,
                                        MOUSEEVENTF_XDOWN};
    static const DWORD release_flags[] = {MOUSEEVENTF_LEFTUP, MOUSEEVENTF_RIGHTUP,
                                          MOUSEEVENTF_MIDDLEUP, MOUSEEVENTF_XUP, MOUSEEVENTF_XUP};
    button = button < 0 || button > 4 ? 4 : button;
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = press ? press_flags[button] : release_flags[button];
    if (button == 3)
        input.mi.mouseData = XBUTTON1;
    if (button == 4)
        input.mi.mouseData = XBUTTON2;
    return input;
}

void press_button(int button) {
    send_input(button_input(button, true));
}

void release_button(int button) {
    send_input(button_input(button, false));
}

void pump_for(DWORD milliseconds) {
    DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
}

} // namespace harness
