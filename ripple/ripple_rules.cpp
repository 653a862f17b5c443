// Button codes of mouse messages, the frame-table choice, the end-of-cycle rule and the
// order in which a tick shows its ripples.
#include "ripple/ripple_rules.h"

#include <algorithm>

int button_of_message(unsigned message, std::uint32_t mouse_data) {
    switch (message) {
    case message_left_down:
    case message_left_up: return 0;
    case message_right_down:
    case message_right_up: return 1;
    case message_middle_down:
    case message_middle_up: return 2;
    case message_extra_down:
    case message_extra_up: return (mouse_data >> 16) == 2 ? 4 : 3;
    default: return no_button;
    }
}

bool is_press(unsigned message) {
    return message == message_left_down || message == message_right_down ||
           message == message_middle_down || message == message_extra_down;
}

FrameTable table_of_ripple(bool first_cycle, bool releasing) {
    if (releasing)
        return FrameTable::release;
    return first_cycle ? FrameTable::attack : FrameTable::hold;
}

CycleEnd end_of_cycle(bool newest, bool held, bool releasing) {
    if (newest && held)
        return CycleEnd::another_cycle;
    return releasing ? CycleEnd::retire : CycleEnd::start_release;
}

void presentation_order(const std::vector<std::uint64_t>& last_shown,
                        std::vector<std::size_t>& order) {
    order.resize(last_shown.size());
    for (std::size_t position = 0; position < order.size(); ++position)
        order[position] = position;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return last_shown[a] < last_shown[b]; });
}
