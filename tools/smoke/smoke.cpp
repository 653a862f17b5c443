// The smoke run's steps, each with a time-out far above its time on a plain machine.
#include "tools/smoke/smoke.h"

#include <cstdio>
#include <cstdlib>

#include "tests/win32/harness.h"
#include "tools/smoke/ripple_on_screen.h"

namespace smoke {

namespace {

// A slow animation, so that a frame stays on the screen long enough to be read back whole.
constexpr std::int32_t frames = 16;
constexpr std::int32_t side = 64;
constexpr std::int32_t speed = 50;

// Under an emulator a 32-bit process takes a minute to start and runs many times slower.
constexpr DWORD start_timeout_ms = 300000;
constexpr DWORD step_timeout_ms = 60000;
constexpr DWORD quit_timeout_ms = 120000;

constexpr std::uint32_t pad_grey = 0x808080;
constexpr POINT press_point = {300, 250};
// On the 24-bit display of the run the frames reach the screen exactly. The last frames of
// the first cycle, still fading in, differ from the hold frames by only a few levels.
constexpr int channel_tolerance = 0;

void say(DWORD since, const char* step) {
    std::printf("smoke: %s (%.1f s)\n", step, (GetTickCount() - since) / 1000.0);
    std::fflush(stdout);
}

// The applet's ripple window centred on `at` within a pixel, or null.
HWND ripple_centred_on(const harness::Applet& applet, POINT at) {
    for (HWND window : harness::windows_of_process(applet.process.dwProcessId, "Blimmer Object")) {
        harness::Placement placement = harness::placement_of(window);
        if (placement.width == side && placement.height == side &&
            std::labs(placement.left + side / 2 - at.x) <= 1 &&
            std::labs(placement.top + side / 2 - at.y) <= 1)
            return window;
    }
    return nullptr;
}

std::string drive(harness::Applet& applet, bool& held, const char* exe) {
    const DWORD start = GetTickCount();
    if (!harness::start_applet_from(applet, exe, start_timeout_ms))
        return "the exe could not be started";
    if (!applet.window) {
        DWORD exit_code = harness::wait_for_exit(applet, 0);
        return exit_code == STILL_ACTIVE
                   ? "no applet window appeared"
                   : "it ended without an applet window, exit code " + std::to_string(exit_code);
    }
    say(start, "applet window there");
    if (!harness::wait_until([&] { return harness::tray_icon_present(applet.window); },
                             step_timeout_ms))
        return "no tray icon";
    say(start, "tray icon there");

    const POINT at = harness::move_cursor_and_wait(press_point);
    harness::press_button(0);
    held = true;
    HWND ripple = nullptr;
    if (!harness::wait_until([&] { return (ripple = ripple_centred_on(applet, at)) != nullptr; },
                             step_timeout_ms))
        return "no ripple window centred on the press";
    say(start, "ripple window there");
    RECT rect = {};
    GetWindowRect(ripple, &rect);
    int best = 0;
    harness::wait_until(
        [&] {
            best = ripple_on_screen::best_hold_frame_match(rect, frames, side, pad_grey,
                                                           channel_tolerance);
            return best >= side * side * 98 / 100;
        },
        step_timeout_ms);
    if (best < side * side * 98 / 100)
        return "at best " + std::to_string(best) + " of " + std::to_string(side * side) +
               " pixels under the held ripple show a hold frame";
    say(start, "hold frame on the screen");
    harness::release_button(0);
    held = false;
    if (!harness::wait_until([&] { return !IsWindow(ripple); }, step_timeout_ms))
        return "the ripple stayed after the release";
    say(start, "ripple gone after the release");

    DWORD exit_code = harness::quit_applet(applet, quit_timeout_ms);
    if (exit_code != 0)
        return exit_code == STILL_ACTIVE
                   ? "it did not end after \"Quit\""
                   : "exit code " + std::to_string(exit_code) + " after \"Quit\"";
    say(start, "ended by \"Quit\" with exit code 0");
    return "";
}

// The DLLs the applet loads by name that are not KnownDLLs (those Windows takes only from
// its system folder): the common controls, imported, and wtsapi32 and winmm, loaded at run
// time.
const char* const planted_names[] = {"comctl32", "wtsapi32", "winmm"};

std::string planted_path(const std::string& folder, const char* name, const char* suffix) {
    return folder + "\\" + name + ".dll" + suffix;
}

// The first planted DLL that ran, empty when none did; the folder is removed.
std::string remove_planted(const std::string& folder) {
    std::string ran;
    for (const char* name : planted_names) {
        if (ran.empty() && GetFileAttributesA(planted_path(folder, name, ".ran").c_str()) !=
                               INVALID_FILE_ATTRIBUTES)
            ran = std::string(name) + ".dll";
        DeleteFileA(planted_path(folder, name, ".ran").c_str());
        DeleteFileA(planted_path(folder, name, "").c_str());
    }
    DeleteFileA((folder + "\\ondrella.exe").c_str());
    RemoveDirectoryA(folder.c_str());
    return ran;
}

// Returns the folder of the copy, empty when it could not be made.
std::string plant_beside_copy(const char* exe, const char* marker) {
    char temp[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, temp))
        return "";
    std::string folder =
        std::string(temp) + "ondrella-planted-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    bool copied = CopyFileA(harness::windows_path(exe).c_str(), (folder + "\\ondrella.exe").c_str(),
                            FALSE) != FALSE;
    for (const char* name : planted_names)
        copied = copied && CopyFileA(harness::windows_path(marker).c_str(),
                                     planted_path(folder, name, "").c_str(), FALSE);
    if (copied)
        return folder;
    remove_planted(folder);
    return "";
}

// Wine's own way to have an exe prefer a native DLL of a name, looked for first in the exe's
// folder as Windows does for DLLs that are not KnownDLLs. It is read when a process starts,
// for every exe of that name; `prefer` false takes it away. False when it could not be
// set: the run would then prove nothing.
bool prefer_planted(bool prefer) {
    const char* key = "Software\\Wine\\AppDefaults\\ondrella.exe\\DllOverrides";
    if (!prefer)
        return RegDeleteKeyA(HKEY_CURRENT_USER, key) == ERROR_SUCCESS;
    HKEY overrides;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &overrides,
                        nullptr) != ERROR_SUCCESS)
        return false;
    bool set = true;
    for (const char* name : planted_names)
        set = set && RegSetValueExA(overrides, name, 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>("native,builtin"),
                                    sizeof "native,builtin") == ERROR_SUCCESS;
    RegCloseKey(overrides);
    return set;
}

} // namespace

std::string run(const char* exe, const char* marker) {
    if (marker) {
        const std::string folder = plant_beside_copy(exe, marker);
        if (folder.empty())
            return "the exe and the planted DLLs could not be copied";
        std::string failure = prefer_planted(true)
                                  ? run((folder + "\\ondrella.exe").c_str())
                                  : "Wine could not be told to prefer the planted DLLs";
        prefer_planted(false);
        const std::string ran = remove_planted(folder);
        if (!ran.empty())
            failure = "the " + ran + " planted beside the exe ran inside it" +
                      (failure.empty() ? "" : "; then " + failure);
        return failure;
    }
    ripple_on_screen::build_frames(frames, side);
    harness::wipe_settings();
    harness::seed_settings(frames, side, 1, speed, 2, 1);
    HWND pad = ripple_on_screen::create_grey_pad("SmokePad");
    if (!pad)
        return "no window to press on";
    harness::Applet applet{};
    bool held = false;
    std::string failure = drive(applet, held, exe);
    if (held)
        harness::release_button(0);
    harness::wait_for_exit(applet, 0);
    DestroyWindow(pad);
    harness::wipe_settings();
    return failure;
}

} // namespace smoke
