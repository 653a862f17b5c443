// The ripple windows on the screen: creating, moving, raising and drawing a "Blimmer
// Object" window. The hook reports the cursor in physical pixels and the frames are
// physical pixels too, so every ripple window is handled per-monitor DPI aware while the
// rest of the applet stays DPI-unaware. Frames are shown through one 32-bit surface that
// lives while ripples play, so a draw creates and frees nothing.
#pragma once

#include <windows.h>

#include <cstdint>

// A ripple window side x side pixels centred on the cursor, shown without taking the
// focus. Null when the window could not be created.
HWND create_ripple_window(POINT cursor, int side);

// Moves (and resizes) a ripple window to side x side pixels centred on the cursor.
void move_ripple_window(HWND window, POINT cursor, int side);

// Raises the window to the top of the always-on-top band and, unless pixels is null,
// shows that frame 1:1 (side x side premultiplied BGRA words, bottom row first). The
// window keeps its top-left corner and takes the frame's size.
void draw_ripple_window(HWND window, const std::uint32_t* pixels, int side);

// Frees the drawing surface; the next draw makes a new one.
void release_ripple_surface();

// The cursor's position in physical pixels, where the mouse hook reports it.
POINT physical_cursor_position();
