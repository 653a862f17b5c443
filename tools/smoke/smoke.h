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
//
// Given a marker DLL (planted-marker.dll of the exe's own build), the run starts a copy of
// the exe in a folder of its own, as a user's Downloads, with the marker beside it under
// the name of every DLL the applet loads that Windows would also look for there, and Wine
// told to prefer a DLL found there to its own; the run then also fails when a marker ran.
std::string run(const char* exe, const char* marker = nullptr);

// The installer run of a release's Windows Installer package (paths Unix or Windows), in a
// Wine prefix that nothing else installs into: installed silently, it puts the exe, the
// Start menu shortcut and the Run value where the README says and writes nothing into the
// applet's key; the other build's package (other_msi, when given) is refused meanwhile; the
// installed exe passes the smoke run, and ends with exit code 0, having saved the settings,
// when the Restart Manager asks; next_msi (a higher version) replaces it as one installation
// with the settings kept; uninstalling leaves no product, folder, shortcut, Run value or
// settings key; AUTOSTART=0 installs no Run value; ALLUSERS=1 installs into Program Files
// with the machine's Run value (its 64-bit view for the win64 package) and removes them again.
// Says each step on standard output as it passes. Returns what went wrong, empty when every
// step passed.
std::string run_installer(const char* msi, const char* next_msi, const char* other_msi, bool win64);

} // namespace smoke
