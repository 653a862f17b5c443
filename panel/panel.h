// The settings panel: the applet window's five sliders with their captions, the
// "Sharp peek" box and the "OK" button over the patterned background. The applet window
// procedure hands the panel's messages to these handlers.
#pragma once

#include <windows.h>

// Creates the background and the twelve controls, with positions and fonts, from the
// current settings. The caller sends the first rebuild and caption refresh.
void create_panel(HWND panel);
// Deletes the pattern brush, then the background bitmap.
void destroy_panel();
// Places the controls for a client area of width by height pixels.
void lay_out_panel(unsigned width, unsigned height);
// Fills the client area with the background pattern.
void erase_panel(HWND panel, HDC context);
// Draws the "OK" button for its WM_DRAWITEM.
void draw_ok_button(const DRAWITEMSTRUCT& item);
// Reads every slider into the settings, refreshes the captions and rebuilds the frames
// when a value that shapes them changed.
void panel_slider_moved(HWND panel);
// Reads the "Sharp peek" box into the settings and rebuilds the frames.
void panel_peek_toggled(HWND panel);
// Rewrites the five captions from the current settings.
void refresh_captions();
// The brush that continues the panel's background under a child, aligned with it.
HBRUSH child_background(HWND panel, HDC child_context, HWND child, bool black_text);
