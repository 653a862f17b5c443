// The decisions of the click ripples that need no window: which button a mouse message
// names, which frame table a ripple shows, and what happens at the end of its cycle.
// Platform-free, so that they are tested natively.
#pragma once

#include <cstdint>

// Button codes index buttons_down and tag every ripple: 0 left, 1 right, 2 middle,
// 3 first extra button, 4 second extra button.
constexpr int button_count = 5;
constexpr int no_button = -1;

// Mouse message identifiers as the low-level hook receives them.
constexpr unsigned message_mouse_move = 0x200;
constexpr unsigned message_left_down = 0x201;
constexpr unsigned message_left_up = 0x202;
constexpr unsigned message_right_down = 0x204;
constexpr unsigned message_right_up = 0x205;
constexpr unsigned message_middle_down = 0x207;
constexpr unsigned message_middle_up = 0x208;
constexpr unsigned message_extra_down = 0x20B;
constexpr unsigned message_extra_up = 0x20C;

// The button a press or release message names, or no_button for any other message. The
// two extra buttons share one message; the high word of mouse_data tells them apart
// (2 for the second), so each has a flag of its own and releasing one never ends the
// hold of the other.
int button_of_message(unsigned message, std::uint32_t mouse_data);
bool is_press(unsigned message);

enum class FrameTable { attack, hold, release };

// The release table wins over the attack table.
FrameTable table_of_ripple(bool first_cycle, bool releasing);

enum class CycleEnd { another_cycle, start_release, retire };

// At the end of a cycle: the newest ripple of a held button plays another cycle of the
// table it is in; any other ripple starts its release, and a released one retires.
CycleEnd end_of_cycle(bool newest, bool held, bool releasing);
