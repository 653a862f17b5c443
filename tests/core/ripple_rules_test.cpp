// The click ripples' decisions without any window: the button code of every mouse message
// the hook can see, the frame table of each ripple state, and the end-of-cycle rule.
#include "ripple/ripple_rules.h"

#include <gtest/gtest.h>

namespace {

// The high word of mouseData names the extra button of an extra-button event.
constexpr std::uint32_t first_extra = 1u << 16;
constexpr std::uint32_t second_extra = 2u << 16;

struct ButtonMessage {
    unsigned message;
    std::uint32_t mouse_data;
    int code;
};

const ButtonMessage presses[] = {
    {0x201, 0, 0}, {0x204, 0, 1}, {0x207, 0, 2}, {0x20B, first_extra, 3}, {0x20B, second_extra, 4},
};

const ButtonMessage releases[] = {
    {0x202, 0, 0}, {0x205, 0, 1}, {0x208, 0, 2}, {0x20C, first_extra, 3}, {0x20C, second_extra, 4},
};

// One tick on a clock that each presentation advances by 3 ms: the positions shown, in
// order, stamped with the tick's number as the scheduler stamps them.
std::vector<std::size_t> tick_within(std::vector<std::uint64_t>& last_shown, std::uint64_t tick,
                                     double budget_ms) {
    std::vector<std::size_t> order, shown;
    presentation_order(last_shown, order);
    present_within_budget(
        order, budget_ms, [&] { return 3.0 * shown.size(); },
        [&](std::size_t position) {
            shown.push_back(position);
            last_shown[position] = tick;
        });
    return shown;
}

using Positions = std::vector<std::size_t>;

} // namespace

// ---- button codes -------------------------------------------------------------------

TEST(RippleButtonCodes, PressAndReleaseOfEachButtonNameTheSameCode) {
    for (int i = 0; i < button_count; ++i) {
        EXPECT_EQ(button_of_message(presses[i].message, presses[i].mouse_data), presses[i].code)
            << "press " << std::hex << presses[i].message;
        EXPECT_EQ(button_of_message(releases[i].message, releases[i].mouse_data), releases[i].code)
            << "release " << std::hex << releases[i].message;
        EXPECT_TRUE(is_press(presses[i].message));
        EXPECT_FALSE(is_press(releases[i].message));
    }
}

TEST(RippleButtonCodes, ExtraButtonsAreToldApartByTheHighWordOnly) {
    for (unsigned message : {0x20Bu, 0x20Cu}) {
        EXPECT_EQ(button_of_message(message, second_extra | 0xFFFFu), 4);
        EXPECT_EQ(button_of_message(message, first_extra | 0x0002u), 3);
        // No extra button named: the first one's code, as when both share one.
        EXPECT_EQ(button_of_message(message, 0), 3);
        EXPECT_EQ(button_of_message(message, 0x0002u), 3);
    }
}

TEST(RippleButtonCodes, MouseDataMattersOnlyForExtraButtons) {
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(button_of_message(presses[i].message, second_extra), presses[i].code);
        EXPECT_EQ(button_of_message(releases[i].message, 0xFFFFFFFFu), releases[i].code);
    }
}

TEST(RippleButtonCodes, MovesDoubleClicksAndWheelsNameNoButtonAndAreNoPress) {
    // Move, the four double clicks, the two wheels, and the neighbours of the range.
    for (unsigned message :
         {0x200u, 0x203u, 0x206u, 0x209u, 0x20Du, 0x20Au, 0x20Eu, 0x1FFu, 0x20Fu, 0u}) {
        EXPECT_EQ(button_of_message(message, second_extra), no_button) << std::hex << message;
        EXPECT_FALSE(is_press(message)) << std::hex << message;
    }
}

// ---- frame tables ---------------------------------------------------------------------

TEST(RippleFrameTable, EachStateShowsItsTableAndReleasingWins) {
    EXPECT_EQ(table_of_ripple(true, false), FrameTable::attack);
    EXPECT_EQ(table_of_ripple(false, false), FrameTable::hold);
    EXPECT_EQ(table_of_ripple(false, true), FrameTable::release);
    EXPECT_EQ(table_of_ripple(true, true), FrameTable::release);
}

// ---- end of a cycle -------------------------------------------------------------------

TEST(RippleCycleEnd, OnlyTheNewestRippleOfAHeldButtonPlaysAnotherCycle) {
    for (bool releasing : {false, true}) {
        EXPECT_EQ(end_of_cycle(true, true, releasing), CycleEnd::another_cycle);
        const CycleEnd otherwise = releasing ? CycleEnd::retire : CycleEnd::start_release;
        EXPECT_EQ(end_of_cycle(true, false, releasing), otherwise);
        EXPECT_EQ(end_of_cycle(false, true, releasing), otherwise);
        EXPECT_EQ(end_of_cycle(false, false, releasing), otherwise);
    }
}

// ---- which ripples a tick shows -----------------------------------------------------------

// A budget of 5 ms holds two presentations.
TEST(RipplePresentation, TicksTakeTurnsNewRipplesFirstAndOldestFirstWhenAllFit) {
    std::vector<std::uint64_t> last_shown(5, 0);
    EXPECT_EQ(tick_within(last_shown, 1, 5), (Positions{0, 1}));
    EXPECT_EQ(tick_within(last_shown, 2, 5), (Positions{2, 3}));
    EXPECT_EQ(tick_within(last_shown, 3, 5), (Positions{4, 0}));
    // A press made a sixth ripple: it comes first, then the one whose turn it is.
    last_shown.push_back(0);
    EXPECT_EQ(tick_within(last_shown, 4, 5), (Positions{5, 1}));
    // The third retired: the fourth, now third, keeps its turn.
    last_shown.erase(last_shown.begin() + 2);
    EXPECT_EQ(tick_within(last_shown, 5, 5), (Positions{2, 0}));
    // With room for all, those shown longest ago first; once all were shown at the last
    // tick, the list's order: the newest window is raised last, on top.
    EXPECT_EQ(tick_within(last_shown, 6, 100), (Positions{3, 1, 4, 0, 2}));
    EXPECT_EQ(tick_within(last_shown, 7, 100), (Positions{0, 1, 2, 3, 4}));
}
