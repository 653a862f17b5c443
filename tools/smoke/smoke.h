// The smoke run of a release's exe: the shipped program started as a user starts it and
// looked at from outside, once, with generous time-outs, so that it also serves where the
// exe runs through an emulator and every step takes many times as long.
#pragma once

#include <string>

namespace smoke {

// Starts the exe (a Unix path, or a Windows one) with a fresh settings key, waits for its
// tray icon, holds the left button down over a grey window of its own until the screen
// under the cursor shows one of the ripple's hold frames, releases it, waits for the ripple
// to go and ends the applet with its tray menu's "Quit". Says each step on standard output
// as it passes. Returns what went wrong, empty when every step passed.
std::string run(const char* exe);

} // namespace smoke
