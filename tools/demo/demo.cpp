// The headless demo of `make run`: starts the shipped applet in the Wine desktop, presses
// each of the five mouse buttons at its own place so that ripples play, shows the settings
// panel beside them, tells the calling
// script when to take its screenshot (a file "ready" in the folder given as the argument),
// waits for the file "taken", quits the applet through its "Quit" command and prints the
// exit code.
#include <cstdio>
#include <string>

#include "tests/win32/harness.h"

namespace {

bool file_exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void touch(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ondrella-demo SIGNAL-FOLDER\n");
        return 2;
    }
    std::string signals = argv[1];
    // Slow, large ripples, so that they are still on screen when the picture is taken.
    harness::wipe_settings();
    harness::seed_settings(16, 128, 2, 100, 3, 1);

    harness::Applet applet;
    if (!harness::start_applet(applet) || !applet.window) {
        std::fprintf(stderr, "ondrella-demo: the applet did not start\n");
        touch(signals + "\\ready");
        harness::wait_for_exit(applet, 0);
        return 1;
    }
    // Left, right, middle and both extra buttons, one ripple each.
    const POINT places[] = {{560, 160}, {860, 250}, {620, 470}, {880, 600}, {720, 340}};
    for (int button = 0; button < 5; ++button) {
        harness::move_cursor(places[button].x, places[button].y);
        harness::press_button(button);
        harness::pump_for(60);
        harness::release_button(button);
        harness::pump_for(150);
    }
    // The settings panel, shown from the tray menu's "Show/Hide applet" once the ripples
    // play: presses made while it is in front would make none.
    SendMessageA(applet.window, WM_COMMAND, 2001, 0);
    harness::pump_for(400);
    touch(signals + "\\ready");
    harness::wait_until([&] { return file_exists(signals + "\\taken"); }, 30000);

    DWORD exit_code = harness::quit_applet(applet);
    std::printf("ondrella exited with code %lu\n", static_cast<unsigned long>(exit_code));
    return exit_code == 0 ? 0 : 1;
}
