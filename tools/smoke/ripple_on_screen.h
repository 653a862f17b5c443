// What the screen shows under a ripple window, read back and compared with the hold frames
// that the applet plays while a button stays down. Without a compositor (Xvfb) Wine shows
// a layered window's colours unblended, that is the frame's premultiplied colours, and
// leaves out its fully transparent pixels, where what lies under the ripple shows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace ripple_on_screen {

// A window of grey (GRAY_BRUSH, 0x808080), 800 x 600 at (100, 100), where presses land
// and ripples show over a known colour. Its class is registered under the given name.
HWND create_grey_pad(const char* class_name);

// The screen's pixels under rect, top row first, as 0x00RRGGBB words.
std::vector<std::uint32_t> read_screen(const RECT& rect);

// Builds the frames of the default ripple shape at this length and size, as the applet
// builds them from the same settings (the synthesis itself is checked elsewhere).
void build_frames(std::int32_t frames, std::int32_t side);

// The most pixels under rect that show one of the hold frames built by build_frames, over
// a background of the given colour, each channel within tolerance; -1 when the frames are
// not built or rect is not a side x side square.
int best_hold_frame_match(const RECT& rect, std::int32_t frames, std::int32_t side,
                          std::uint32_t background, int tolerance);

} // namespace ripple_on_screen
