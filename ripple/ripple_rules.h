// The decisions of the click ripples that need no window: which button a mouse message
// names, which frame table a ripple shows, what happens at the end of its cycle, and which
// ripples a tick shows when it cannot show them all. Platform-free, so that they are tested
// natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

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

// The order in which a tick shows the ripples, as positions in the list: those never shown
// first, then those shown longest ago, ties in list order. `last_shown` holds, for each
// ripple in list order, the number of the tick that last showed it, 0 for none. When the
// last tick showed every ripple, the order is the list's, so windows are raised oldest first.
void presentation_order(const std::vector<std::uint64_t>& last_shown,
                        std::vector<std::size_t>& order);

// Shows ripples in the given order, present(position) each, while less than budget_ms has
// passed since the first one began by the clock now_ms(); the first one always, so that a
// tick under any load shows something. Returns how many it showed. The mouse hook runs on
// the thread that draws, so a tick that drew every ripple of a pile-up would keep every
// mouse event of the desktop waiting.
template <typename Clock, typename Present>
std::size_t present_within_budget(const std::vector<std::size_t>& order, double budget_ms,
                                  Clock now_ms, Present present) {
    const double start = now_ms();
    std::size_t shown = 0;
    for (std::size_t position : order) {
        if (shown > 0 && now_ms() - start >= budget_ms)
            break;
        present(position);
        ++shown;
    }
    return shown;
}
