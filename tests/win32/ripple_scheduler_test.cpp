// The ripple scheduler in-process under Wine: real ripple windows spawned and released
// through mouse_hook and played by ripple_tick, with the frame tables under the test's
// control and, where a ripple is to hold, its button held down for real.
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <initializer_list>
#include <ostream>

#include "app/ondrella.h"
#include "ripple/capture.h"
#include "ripple/frames.h"
#include "ripple/scheduler.h"
#include "tests/win32/harness.h"
#include "tests/win32/ripple_support.h"

namespace {

// The budget as shipped, before the fixture sets its own.
const double shipped_budget_ms = present_budget_ms;

// The side the tables are built at. The sides that tell which slot a tick showed stay
// below it, so they never reach past a buffer.
constexpr int built_side = 16;

FrameSlot* const attack = frame_tables.attack_frames;
FrameSlot* const hold = frame_tables.hold_frames;
FrameSlot* const release = frame_tables.release_frames;

void tick(int times = 1) {
    for (int i = 0; i < times; ++i)
        ripple_tick(applet_window);
}

using harness::Placement;
using harness::placement_of;

struct SlotRef {
    FrameSlot* table;
    int slot;
};

// Leaves a frame of `side` pixels in the given slots only, and makes `side` the current
// size: a ripple window takes that side at a tick only if the tick showed one of them.
void only_ready(std::initializer_list<SlotRef> slots, int side) {
    for (FrameSlot* table : {attack, hold, release}) {
        for (int slot = 0; slot < frame_slots; ++slot)
            table[slot].side = 0;
    }
    for (SlotRef ready : slots)
        ready.table[ready.slot].side = side;
    setup::size = side;
}

// One tick in which only `shown` holds a frame, of a side that the window does not have
// yet: it succeeds when the window took that side, that is, when the tick showed that slot.
testing::AssertionResult tick_shows(HWND window, SlotRef shown) {
    int side = placement_of(window).width == 9 ? 11 : 9;
    only_ready({shown}, side);
    tick();
    if (!IsWindow(window))
        return testing::AssertionFailure() << "the window was destroyed";
    Placement now = placement_of(window);
    if (now.width != side || now.height != side)
        return testing::AssertionFailure() << "the window is " << now << ", not " << side
                                           << " pixels wide: another slot was shown";
    return testing::AssertionSuccess();
}

void clear_ripples() {
    for (const Ripple& ripple : ripples)
        DestroyWindow(ripple.window);
    ripples.clear();
}

class RippleScheduler : public testing::Test {
  protected:
    void SetUp() override {
        setup::frames = 4;
        setup::size = built_side;
        // No real tick comes during a test: every tick is the test's own call.
        setup::speed = 100000;
        // And every tick shows every ripple, however slow the machine, unless a test says.
        present_budget_ms = 1e9;
        rebuild_frames();
        SetForegroundWindow(pad);
    }

    void TearDown() override {
        for (int button = 0; button < button_count; ++button) {
            if (held[button])
                let_go(button);
        }
        SwapMouseButton(FALSE);
        clear_ripples();
        for (unsigned char& flag : buttons_down)
            flag = 0;
        KillTimer(applet_window, RIPPLE_TIMER);
    }

    static bool physically_down(int button) {
        return (GetAsyncKeyState(physical_keys[button]) & 0x8000) != 0;
    }

    void hold_for_real(int button) {
        harness::move_cursor(pad_point.x, pad_point.y);
        harness::press_button(button);
        held[button] = true;
        ASSERT_TRUE(harness::wait_until([&] { return physically_down(button); }));
    }

    void let_go(int button) {
        harness::release_button(button);
        held[button] = false;
        ASSERT_TRUE(harness::wait_until([&] { return !physically_down(button); }));
    }

    bool held[button_count] = {};
};

void expect_state(const Ripple& ripple, int frame, int first_cycle, int releasing) {
    EXPECT_EQ(ripple.frame, frame);
    EXPECT_EQ(ripple.first_cycle, first_cycle);
    EXPECT_EQ(ripple.releasing, releasing);
}

} // namespace

// ---- the life of one ripple ------------------------------------------------------------

TEST_F(RippleScheduler, ClickWhoseButtonIsUpAtItsLastAttackFrameLivesTwoCycles) {
    for (int frames : {1, 2, 16, 128}) {
        setup::frames = frames;
        rebuild_frames();
        hook_press(0);
        hook_release(0);
        HWND window = ripples.at(0).window;
        for (int ticks = 1; ticks < 2 * frames; ++ticks) {
            tick();
            ASSERT_EQ(ripples.size(), 1u) << frames << " frames, tick " << ticks;
            ASSERT_TRUE(IsWindow(window));
        }
        tick();
        EXPECT_TRUE(ripples.empty()) << frames << " frames";
        EXPECT_FALSE(IsWindow(window)) << frames << " frames";
    }
}

TEST_F(RippleScheduler, ButtonUpAtTheLastAttackFrameReleasesAndDownThenHoldsOneCycle) {
    // Released just before the F-th tick: 2F ticks in all.
    hold_for_real(0);
    hook_press(0);
    tick(3);
    let_go(0);
    hook_release(0);
    tick(4);
    ASSERT_EQ(ripples.size(), 1u);
    tick();
    EXPECT_TRUE(ripples.empty());

    // Released just after it: a whole hold cycle comes between, 3F ticks in all.
    hold_for_real(0);
    hook_press(0);
    tick(4);
    let_go(0);
    hook_release(0);
    tick(7);
    ASSERT_EQ(ripples.size(), 1u);
    tick();
    EXPECT_TRUE(ripples.empty());
}

TEST_F(RippleScheduler, ReleasedClickShowsItsAttackThenItsReleaseFramesInOrder) {
    hook_press(0);
    hook_release(0);
    HWND window = ripples.at(0).window;
    for (int slot = 0; slot < 4; ++slot)
        EXPECT_TRUE(tick_shows(window, {attack, slot})) << "attack frame " << slot;
    expect_state(ripples.at(0), 0, 0, 1);
    for (int slot = 0; slot < 3; ++slot)
        EXPECT_TRUE(tick_shows(window, {release, slot})) << "release frame " << slot;
    tick();
    EXPECT_TRUE(ripples.empty());
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(RippleScheduler, HeldClickHoldsCycleAfterCycleAndFinishesTheOneUnderWay) {
    hold_for_real(0);
    hook_press(0);
    HWND window = ripples.at(0).window;
    for (int slot = 0; slot < 4; ++slot)
        EXPECT_TRUE(tick_shows(window, {attack, slot})) << "attack frame " << slot;
    expect_state(ripples.at(0), 0, 0, 0);
    for (int slot = 0; slot < 4; ++slot)
        EXPECT_TRUE(tick_shows(window, {hold, slot})) << "first hold frame " << slot;
    expect_state(ripples.at(0), 0, 0, 0);
    for (int slot = 0; slot < 2; ++slot)
        EXPECT_TRUE(tick_shows(window, {hold, slot})) << "second hold frame " << slot;
    let_go(0);
    hook_release(0);
    for (int slot = 2; slot < 4; ++slot)
        EXPECT_TRUE(tick_shows(window, {hold, slot})) << "second hold frame " << slot;
    expect_state(ripples.at(0), 0, 0, 1);
    for (int slot = 0; slot < 3; ++slot)
        EXPECT_TRUE(tick_shows(window, {release, slot})) << "release frame " << slot;
    tick();
    EXPECT_TRUE(ripples.empty());
}

TEST_F(RippleScheduler, WithOneFrameEveryTickEndsACycle) {
    setup::frames = 1;
    rebuild_frames();
    hook_press(0);
    hook_release(0);
    HWND window = ripples.at(0).window;
    EXPECT_TRUE(tick_shows(window, {attack, 0}));
    expect_state(ripples.at(0), 0, 0, 1);
    tick();
    EXPECT_TRUE(ripples.empty());
    EXPECT_FALSE(IsWindow(window));

    hold_for_real(0);
    hook_press(0);
    window = ripples.at(0).window;
    EXPECT_TRUE(tick_shows(window, {attack, 0}));
    EXPECT_TRUE(tick_shows(window, {hold, 0}));
    let_go(0);
    hook_release(0);
    EXPECT_TRUE(tick_shows(window, {hold, 0}));
    expect_state(ripples.at(0), 0, 0, 1);
    tick();
    EXPECT_TRUE(ripples.empty());
}

TEST_F(RippleScheduler, ReleaseCycleReplaysWhileItsButtonIsDownAgainWithoutANewerRipple) {
    setup::frames = 2;
    rebuild_frames();
    hook_press(0);
    hook_release(0);
    HWND window = ripples.at(0).window;
    tick(2);
    expect_state(ripples.at(0), 0, 0, 1);
    // A press that made no ripple (the applet was in front) sets the flag.
    hold_for_real(0);
    buttons_down[0] = 1;
    for (int cycle = 0; cycle < 2; ++cycle) {
        for (int slot = 0; slot < 2; ++slot)
            EXPECT_TRUE(tick_shows(window, {release, slot})) << "cycle " << cycle;
        expect_state(ripples.at(0), 0, 0, 1);
    }
    let_go(0);
    buttons_down[0] = 0;
    EXPECT_TRUE(tick_shows(window, {release, 0}));
    tick();
    EXPECT_TRUE(ripples.empty());
}

// ---- the hold rule across ripples -------------------------------------------------------

TEST_F(RippleScheduler, OlderRippleOfAHeldButtonReleasesWhileTheNewerHolds) {
    hook_press(0, {100, 100});
    hook_release(0, {100, 100});
    tick(2);
    hold_for_real(0);
    hook_press(0, {200, 200});
    HWND older = ripples.at(0).window;
    HWND newer = ripples.at(1).window;
    tick(2);
    expect_state(ripples.at(0), 0, 0, 1);
    expect_state(ripples.at(1), 2, 1, 0);
    tick(2);
    expect_state(ripples.at(0), 2, 0, 1);
    expect_state(ripples.at(1), 0, 0, 0);
    tick(2);
    ASSERT_EQ(ripples.size(), 1u) << "the older ripple retires though the button is down";
    EXPECT_EQ(ripples[0].window, newer);
    EXPECT_FALSE(IsWindow(older));
    expect_state(ripples[0], 2, 0, 0);
    clear_ripples();

    // Ending their cycles at the same tick changes nothing.
    hook_press(0, {100, 100});
    hook_press(0, {200, 200});
    tick(4);
    expect_state(ripples.at(0), 0, 0, 1);
    expect_state(ripples.at(1), 0, 0, 0);
}

TEST_F(RippleScheduler, RipplesOfDifferentButtonsDoNotAffectEachOthersHold) {
    hold_for_real(0);
    hold_for_real(1);
    hook_press(0, {100, 100});
    hook_press(1, {200, 200});
    hook_press(2, {300, 300});
    hook_release(2, {300, 300});
    tick(4);
    ASSERT_EQ(ripples.size(), 3u);
    expect_state(ripples[0], 0, 0, 0);
    expect_state(ripples[1], 0, 0, 0);
    expect_state(ripples[2], 0, 0, 1);

    let_go(1);
    hook_release(1, {200, 200});
    tick(4);
    ASSERT_EQ(ripples.size(), 2u);
    expect_state(ripples[0], 0, 0, 0);
    expect_state(ripples[1], 0, 0, 1);
    EXPECT_EQ(buttons_down[0], 1);
}

// ---- retiring -------------------------------------------------------------------------

TEST_F(RippleScheduler, RetiringInTheMiddleSkipsNobodyAndNeighboursRetireInOneTick) {
    for (int button = 0; button < 4; ++button) {
        POINT at = {100 + 100 * button, 100};
        hook_press(button, at);
        hook_release(button, at);
    }
    HWND windows[4];
    for (int i = 0; i < 4; ++i)
        windows[i] = ripples[i].window;
    // The middle two are at the last frame of their release cycle.
    for (int i : {1, 2}) {
        ripples[i].frame = 3;
        ripples[i].first_cycle = 0;
        ripples[i].releasing = 1;
    }
    only_ready({{attack, 0}, {release, 3}}, 9);
    tick();
    ASSERT_EQ(ripples.size(), 2u);
    EXPECT_FALSE(IsWindow(windows[1]));
    EXPECT_FALSE(IsWindow(windows[2]));
    EXPECT_EQ(ripples[0].window, windows[0]);
    EXPECT_EQ(ripples[1].window, windows[3]);
    for (const Ripple& ripple : ripples) {
        expect_state(ripple, 1, 1, 0);
        EXPECT_EQ(placement_of(ripple.window).width, 9) << "shown in the same tick";
    }

    // The last two retire together too, and the list is left empty.
    for (Ripple& ripple : ripples) {
        ripple.frame = 3;
        ripple.first_cycle = 0;
        ripple.releasing = 1;
    }
    tick();
    EXPECT_TRUE(ripples.empty());
    EXPECT_FALSE(IsWindow(windows[0]));
    EXPECT_FALSE(IsWindow(windows[3]));
}

TEST_F(RippleScheduler, OnlyATickThatFindsNoRippleKillsTheTimerAndTheHookCheckRunsOn) {
    setup::frames = 1;
    rebuild_frames();
    hook_press(0);
    hook_release(0);
    tick(2);
    ASSERT_TRUE(ripples.empty());
    EXPECT_TRUE(KillTimer(applet_window, RIPPLE_TIMER)) << "a tick with ripples killed the timer";

    hook_press(0);
    hook_release(0);
    tick(2);
    ASSERT_TRUE(ripples.empty());
    SetTimer(applet_window, HOOK_CHECK_TIMER, HOOK_CHECK_PERIOD_MS, nullptr);
    tick();
    EXPECT_FALSE(KillTimer(applet_window, RIPPLE_TIMER)) << "the empty tick left the timer on";
    EXPECT_TRUE(KillTimer(applet_window, HOOK_CHECK_TIMER))
        << "the empty tick ended the hook check";
}

TEST_F(RippleScheduler, TimerTicksReachTheSchedulerThroughTheAppletWindow) {
    setup::speed = 5;
    hook_press(0);
    hook_release(0);
    HWND window = ripples.at(0).window;
    EXPECT_TRUE(harness::wait_until([] { return ripples.empty(); }, 20000));
    EXPECT_FALSE(IsWindow(window));
}

// ---- presentation ----------------------------------------------------------------------

TEST_F(RippleScheduler, TickRaisesRipplesOldestFirstAndActivatesNone) {
    hook_press(0, {100, 100});
    hook_press(1, {120, 120});
    HWND older = ripples[0].window;
    HWND newer = ripples[1].window;
    SetWindowPos(older, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_EQ(GetWindow(older, GW_HWNDNEXT), newer);
    SetForegroundWindow(pad);
    ASSERT_TRUE(harness::wait_until([] { return GetForegroundWindow() == pad; }));
    tick();
    harness::pump_for(50);
    EXPECT_EQ(GetWindow(newer, GW_HWNDNEXT), older);
    EXPECT_EQ(GetForegroundWindow(), pad);
    for (HWND window : {older, newer})
        EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(placement_of(older), (Placement{92, 92, 16, 16}));
    EXPECT_EQ(placement_of(newer), (Placement{112, 112, 16, 16}));
}

TEST_F(RippleScheduler, NewSizeIsTakenAtTheNextTickWithTheCornerFixedAndCentredAtTheNextMove) {
    hold_for_real(0);
    hook_press(1, {100, 100});
    hook_release(1, {100, 100});
    hook_press(0, {300, 200});
    HWND still = ripples.at(0).window;
    HWND dragged = ripples.at(1).window;
    setup::size = 24;
    rebuild_frames();
    EXPECT_EQ(placement_of(dragged), (Placement{292, 192, 16, 16}));
    tick();
    EXPECT_EQ(placement_of(still), (Placement{92, 92, 24, 24}));
    EXPECT_EQ(placement_of(dragged), (Placement{292, 192, 24, 24}));
    hook_event(WM_MOUSEMOVE, {400, 300});
    EXPECT_EQ(placement_of(dragged), (Placement{388, 288, 24, 24}));
    EXPECT_EQ(placement_of(still), (Placement{92, 92, 24, 24}));

    setup::size = 9;
    rebuild_frames();
    tick();
    EXPECT_EQ(placement_of(still), (Placement{92, 92, 9, 9}));
    EXPECT_EQ(placement_of(dragged), (Placement{388, 288, 9, 9}));
    hook_event(WM_MOUSEMOVE, {100, 100});
    EXPECT_EQ(placement_of(dragged), (Placement{96, 96, 9, 9}));
}

TEST_F(RippleScheduler, RippleOfEverySideIsShownWhereItWasSpawned) {
    setup::frames = 1;
    for (int side : {1, 2, 15, 64, 255, 256}) {
        setup::size = side;
        rebuild_frames();
        hook_press(0, {200, 150});
        hook_release(0, {200, 150});
        HWND window = ripples.at(0).window;
        const long half = side / 2;
        const Placement centred = {200 - half, 150 - half, side, side};
        EXPECT_EQ(placement_of(window), centred) << "spawned, side " << side;
        tick();
        EXPECT_EQ(placement_of(window), centred) << "shown, side " << side;
        tick();
        EXPECT_TRUE(ripples.empty());
    }
}

TEST_F(RippleScheduler, OverItsBudgetATickShowsTheRipplesInTurnAndAdvancesThemAll) {
    present_budget_ms = 0;
    for (int button = 0; button < 3; ++button) {
        hook_press(button, {100 + 100 * button, 100});
        hook_release(button, {100 + 100 * button, 100});
    }
    const HWND windows[] = {ripples[0].window, ripples[1].window, ripples[2].window};
    // Tick t shows slot t; only its frame has the side that tells which window showed it.
    for (int t = 0; t < 3; ++t) {
        only_ready({{attack, t}}, 9 + t);
        tick();
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(placement_of(windows[i]).width == 9 + t, i == t)
                << "tick " << t << ", ripple " << i;
            EXPECT_EQ(ripples[i].frame, t + 1) << "tick " << t << ", ripple " << i;
        }
    }
}

// Drawing 30 overlapping 256-pixel ripples takes many times the shipped budget on any
// machine that runs these tests (a lone one alone takes over a millisecond under Wine), so
// draws are counted, never timed. Each tick shows frames of a side of its own: a window's
// width tells which tick last showed it, 254 none, 256 the first, 255 the second.
TEST_F(RippleScheduler, ShippedBudgetLeavesPartOfAPileUpToTheNextTickWhichShowsItFirst) {
    present_budget_ms = shipped_budget_ms;
    setup::size = 254;
    for (int i = 0; i < 30; ++i)
        hook_press(0, {300, 300});
    auto windows_of_side = [](long side) {
        return std::count_if(ripples.begin(), ripples.end(), [&](const Ripple& ripple) {
            return placement_of(ripple.window).width == side;
        });
    };
    setup::size = 256;
    rebuild_frames();
    tick();
    const auto unshown = windows_of_side(254);
    EXPECT_GT(unshown, 0) << "one tick drew the whole pile-up";
    setup::size = 255;
    rebuild_frames();
    tick();
    const auto shown = windows_of_side(255);
    EXPECT_EQ(windows_of_side(254), std::max<decltype(shown)>(unshown - shown, 0))
        << shown << " shown, after " << 30 - unshown << " at the first tick";
}

// Wine cannot count GDI objects, but keeps them in the process's memory: a device context
// left behind costs about a kilobyte, a 64 x 64 surface 16 kilobytes.
TEST_F(RippleScheduler, PresentationsLeaveNoDrawingResourceBehind) {
    setup::size = 64;
    rebuild_frames();
    hook_press(0);
    auto committed_bytes = [] {
        PROCESS_MEMORY_COUNTERS counters = {};
        counters.cb = sizeof counters;
        GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
        return counters.PagefileUsage;
    };
    for (int i = 0; i < 100; ++i)
        present_frame(ripples.at(0));
    const SIZE_T before = committed_bytes();
    for (int i = 0; i < 1000; ++i)
        present_frame(ripples.at(0));
    EXPECT_LT(committed_bytes() - before, SIZE_T{512} << 10);
}

TEST_F(RippleScheduler, RippleWithoutAWindowLivesItsLifeInvisibly) {
    ripples.push_back(Ripple{nullptr, 0, 0, 1, 0});
    tick(7);
    ASSERT_EQ(ripples.size(), 1u);
    expect_state(ripples[0], 3, 0, 1);
    tick();
    EXPECT_TRUE(ripples.empty());
}

// ---- a slot without a frame of the current size -----------------------------------------

TEST_F(RippleScheduler, SlotWithoutAFrameOfTheCurrentSizeShowsNothingAndTheRippleLivesOn) {
    hook_press(0);
    hook_release(0);
    HWND window = ripples.at(0).window;
    only_ready({}, 9);
    tick();
    EXPECT_EQ(placement_of(window).width, built_side) << "an empty slot was shown";
    // Slot 1 holds a frame of another size.
    only_ready({{attack, 1}}, 11);
    setup::size = 9;
    tick();
    EXPECT_EQ(placement_of(window).width, built_side) << "a frame of another size was shown";
    EXPECT_TRUE(tick_shows(window, {attack, 2}));
    EXPECT_TRUE(tick_shows(window, {attack, 3}));
    expect_state(ripples.at(0), 0, 0, 1);
    tick(4);
    EXPECT_TRUE(ripples.empty());
}

TEST_F(RippleScheduler, FewerFramesAndANewSizeMidCycleEndTheCycleShowingNothing) {
    setup::frames = 16;
    rebuild_frames();
    hook_press(0);
    hook_release(0);
    HWND window = ripples.at(0).window;
    tick(11);
    // Slot 11 keeps its frame of the old size: only slots 0 to 3 are rebuilt.
    setup::frames = 4;
    setup::size = 12;
    rebuild_frames();
    tick();
    EXPECT_EQ(placement_of(window).width, built_side);
    expect_state(ripples.at(0), 0, 0, 1);
    tick();
    EXPECT_EQ(placement_of(window).width, 12);
    tick(3);
    EXPECT_TRUE(ripples.empty());
}

// ---- a release that the hook never saw ------------------------------------------------

TEST_F(RippleScheduler, FlagOfAButtonThatIsUpIsClearedAtTheEndOfCycleAndTheRippleReleases) {
    for (int button = 0; button < button_count; ++button) {
        hook_press(button);
        tick(3);
        EXPECT_EQ(buttons_down[button], 1) << "asked before the end of a cycle, button " << button;
        tick();
        expect_state(ripples.at(0), 0, 0, 1);
        EXPECT_EQ(buttons_down[button], 0) << "button " << button;
        clear_ripples();
    }
}

TEST_F(RippleScheduler, OnlyItsOwnPhysicalButtonKeepsARippleHolding) {
    for (int button = 0; button < button_count; ++button) {
        hold_for_real(button);
        hook_press(button);
        tick(4);
        expect_state(ripples.at(0), 0, 0, 0);
        EXPECT_EQ(buttons_down[button], 1) << "button " << button;
        let_go(button);
        clear_ripples();

        int other = (button + 1) % button_count;
        hold_for_real(other);
        hook_press(button);
        tick(4);
        expect_state(ripples.at(0), 0, 0, 1);
        EXPECT_EQ(buttons_down[button], 0) << "button " << button << " with " << other << " down";
        let_go(other);
        clear_ripples();
    }
}

TEST_F(RippleScheduler, ButtonDownWithoutItsFlagDoesNotHold) {
    hold_for_real(0);
    hook_press(0);
    hook_release(0);
    tick(4);
    expect_state(ripples.at(0), 0, 0, 1);
}

TEST_F(RippleScheduler, SwappedButtonsAreAskedThroughThePhysicalButtonBehindThem) {
    SwapMouseButton(TRUE);
    ASSERT_TRUE(GetSystemMetrics(SM_SWAPBUTTON));
    // The logical left button is the physical right one.
    hold_for_real(1);
    hook_press(0);
    tick(4);
    expect_state(ripples.at(0), 0, 0, 0);
    EXPECT_EQ(buttons_down[0], 1);
    let_go(1);
    clear_ripples();

    hold_for_real(0);
    hook_press(0);
    tick(4);
    expect_state(ripples.at(0), 0, 0, 1);
    EXPECT_EQ(buttons_down[0], 0);
}
