// The notification-area icon and its menu: the applet's only visible part until the
// panel is shown. A double click on the icon shows or hides the panel; releasing the
// right button over it opens "Show/Hide applet" and "Quit".
#pragma once

#include <windows.h>

// Builds the menu and adds the icon; called first in the applet window's creation.
void create_tray(HWND applet);
// The icon's callback; mouse_message is the mouse message that happened over the icon.
void tray_callback(HWND applet, LPARAM mouse_message);
// Shows a hidden panel and brings it to the front, or hides a visible one.
void toggle_panel(HWND applet);
// Removes the icon; called first in the applet window's destruction.
void remove_tray();
// Whether a message is the shell's announcement that the notification area was made
// anew (after the shell restarted), which has taken every icon with it.
bool is_taskbar_created(UINT message);
// Adds the icon once more, with the same record, and notes whether the shell has it now.
void add_tray_icon();
// Adds the icon again until the shell has taken it: started with the system, the applet can
// come before the notification area does, and without the icon it can be neither opened nor
// quit. Called every couple of seconds.
void retry_tray_icon();
