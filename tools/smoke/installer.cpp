// The installer run of a release's Windows Installer package (see smoke.h): each step as IT
// or a user would take it, and looked at from outside, where the README says things are.
#include <windows.h>

#include <msi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>

#include "tests/win32/harness.h"
#include "tools/smoke/smoke.h"

namespace smoke {

namespace {

constexpr DWORD start_timeout_ms = 300000;
constexpr DWORD quit_timeout_ms = 120000;
const char run_key[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string folder(int csidl, const char* rest) {
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path + std::string(rest);
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string in_quotes(const std::string& text) {
    return "\"" + text + "\"";
}

// The command that starts Ondrella at sign-in, empty when there is none: the user's, or the
// machine's in its 64-bit or 32-bit view.
std::string run_value(HKEY root = HKEY_CURRENT_USER, REGSAM view = 0) {
    char value[MAX_PATH] = "";
    DWORD size = sizeof value;
    HKEY key;
    if (RegOpenKeyExA(root, run_key, 0, KEY_QUERY_VALUE | view, &key) == ERROR_SUCCESS) {
        RegGetValueA(key, nullptr, "Ondrella", RRF_RT_REG_SZ, nullptr, value, &size);
        RegCloseKey(key);
    }
    return value;
}

int msiexec(const char* action, const char* msi, const char* properties = "") {
    const std::string command = std::string("msiexec /qn ") + action + " " +
                                in_quotes(harness::windows_path(msi)) + " " + properties;
    return std::system(command.c_str());
}

// Counted by name: once an upgrade removed the older version, Wine 8 no longer finds the
// newer one by their upgrade code.
int installed_products() {
    int count = 0;
    char product[39], name[64];
    for (DWORD index = 0; MsiEnumProductsA(index, product) == ERROR_SUCCESS; ++index) {
        DWORD size = sizeof name;
        if (MsiGetProductInfoA(product, INSTALLPROPERTY_INSTALLEDPRODUCTNAME, name, &size) ==
                ERROR_SUCCESS &&
            name == std::string("Ondrella"))
            ++count;
    }
    return count;
}

void say(DWORD since, const char* step) {
    std::printf("installer: %s (%.1f s)\n", step, (GetTickCount() - since) / 1000.0);
    std::fflush(stdout);
}

// What an uninstall left of the per-user install, empty when nothing.
std::string left_behind(const std::string& exe, const std::string& shortcut) {
    if (installed_products() != 0)
        return "the product is still registered";
    if (exists(exe.substr(0, exe.rfind('\\'))))
        return "its folder is left";
    if (exists(shortcut))
        return "the Start menu shortcut is left";
    if (!run_value().empty())
        return "it still starts with Windows";
    if (harness::settings_key_exists())
        return "the settings key is left";
    return "";
}

// The user's settings, then the running applet asked to end by the Restart Manager, as
// Windows Installer does before it replaces or removes ondrella.exe; it saves them as it
// ends.
std::string end_as_the_restart_manager_asks(const std::string& exe) {
    harness::seed_settings(20, 32, 4, 50, 3, 0);
    harness::Applet applet;
    if (!harness::start_applet_from(applet, exe.c_str(), start_timeout_ms) || !applet.window)
        return "the installed exe did not start again";
    harness::wipe_settings();
    SendMessageA(applet.window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP);
    SendMessageA(applet.window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
    return harness::wait_for_exit(applet, quit_timeout_ms) == 0
               ? ""
               : "it did not end with exit code 0 when the Restart Manager asked";
}

bool settings_kept() {
    std::int32_t size = 0;
    return harness::read_setting("setup::size", size) && size == 32 &&
           harness::settings_value_count() == 6;
}

// ALLUSERS=1: Program Files, the machine's Run value and the Start menu of all users (Wine 8
// puts the shortcut in the installing user's).
std::string install_for_all_users(const char* msi, REGSAM view, const std::string& shortcut) {
    if (msiexec("/i", msi, "ALLUSERS=1") != 0)
        return "the install for all users failed";
    const std::string command = run_value(HKEY_LOCAL_MACHINE, view);
    const std::string common_shortcut = folder(CSIDL_COMMON_PROGRAMS, "\\Ondrella.lnk");
    if (command.find(":\\Program Files") == std::string::npos ||
        !exists(command.substr(1, command.size() - 2)))
        return "for all users, the machine's Run value is \"" + command + "\"";
    if (!exists(shortcut) && !exists(common_shortcut))
        return "for all users, no Start menu shortcut";
    if (msiexec("/x", msi, "ALLUSERS=1") != 0)
        return "the uninstall for all users failed";
    if (exists(command.substr(1, command.rfind('\\') - 1)) || exists(shortcut) ||
        exists(common_shortcut) || !run_value(HKEY_LOCAL_MACHINE, view).empty())
        return "the uninstall for all users left the folder, the shortcut or the Run value";
    return "";
}

} // namespace

std::string run_installer(const char* msi, const char* next_msi, const char* other_msi,
                          bool win64) {
    const DWORD start = GetTickCount();
    const std::string exe = folder(CSIDL_LOCAL_APPDATA, "\\Programs\\Ondrella\\ondrella.exe");
    const std::string shortcut = folder(CSIDL_PROGRAMS, "\\Ondrella.lnk");
    harness::wipe_settings();
    if (msiexec("/i", msi) != 0)
        return "the silent install failed";
    if (!exists(exe) || !exists(shortcut))
        return "no " + exe + " or no " + shortcut;
    if (run_value() != in_quotes(exe))
        return "the Run value is \"" + run_value() + "\"";
    if (harness::settings_key_exists())
        return "the installer wrote into the applet's key";
    say(start, "installed");
    if (other_msi && msiexec("/i", other_msi) == 0)
        return "the other build installed into the same folder";
    std::string failure = run(exe.c_str());
    if (!failure.empty())
        return "the installed exe's smoke run: " + failure;
    failure = end_as_the_restart_manager_asks(exe);
    if (!failure.empty())
        return failure;
    say(start, "the installed exe passed its smoke run and ended when asked");

    if (msiexec("/i", next_msi) != 0)
        return "the upgrade failed";
    if (installed_products() != 1)
        return "not one installation after the upgrade";
    if (!settings_kept())
        return "the settings were lost as the applet ended or in the upgrade";
    if (!exists(exe) || run_value() != in_quotes(exe))
        return "the upgrade removed the exe or the Run value";
    say(start, "upgraded");
    if (msiexec("/x", next_msi) != 0)
        return "the uninstall failed";
    failure = left_behind(exe, shortcut);
    if (!failure.empty())
        return "uninstalled, " + failure;
    say(start, "uninstalled");

    if (msiexec("/i", msi, "AUTOSTART=0") != 0 || !exists(exe))
        return "the install with AUTOSTART=0 failed";
    if (!run_value().empty())
        return "AUTOSTART=0 still starts it with Windows";
    if (msiexec("/x", msi) != 0)
        return "the uninstall after AUTOSTART=0 failed";
    failure = install_for_all_users(msi, win64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY, shortcut);
    if (!failure.empty())
        return failure;
    say(start, "installed and removed without autostart and for all users");
    return "";
}

} // namespace smoke
