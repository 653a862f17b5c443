// Button codes of mouse messages, the frame-table choice and the end-of-cycle rule.
#include "ripple/ripple_rules.h"

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
