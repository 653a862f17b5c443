// The click capture in-process under Wine: mouse_hook called with built event records,
// and installed for real where the order of hooks or of activation matters, with the
// applet window (or a window it owns) in front where a press must spawn nothing.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "app/ondrella.h"
#include "ripple/capture.h"
#include "ripple/frames.h"
#include "ripple/scheduler.h"
#include "tests/win32/harness.h"
#include "tests/win32/ripple_support.h"

namespace {

constexpr DWORD ripple_extended_styles =
    WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST;

void hook_move(POINT to) {
    hook_event(WM_MOUSEMOVE, to);
}

using harness::Placement;
using harness::placement_of;

// Where a ripple of side 16, the tests' size, stands when centred on `at`.
Placement centred_on(POINT at) {
    return {at.x - 8, at.y - 8, 16, 16};
}

std::vector<HWND> ripple_windows() {
    return harness::windows_of_process(GetCurrentProcessId(), ripple_class_name);
}

std::vector<int> flags() {
    return std::vector<int>(buttons_down, buttons_down + button_count);
}

bool timer_was_running() {
    return KillTimer(applet_window, RIPPLE_TIMER) != FALSE;
}

testing::AssertionResult brought_to_front(HWND window) {
    SetForegroundWindow(window);
    if (harness::wait_until([&] { return GetForegroundWindow() == window; }))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the window did not come to the front";
}

class RippleCapture : public testing::Test {
  protected:
    void SetUp() override {
        setup::frames = 4;
        setup::size = 16;
        // No real tick comes during a test: every tick is the test's own call.
        setup::speed = 100000;
        rebuild_frames();
        ASSERT_TRUE(brought_to_front(pad));
        pad_presses = 0;
    }

    void TearDown() override {
        start_over();
        for (HHOOK hook : hooks)
            UnhookWindowsHookEx(hook);
        mouse_hook_handle = nullptr;
        SwapMouseButton(FALSE);
        if (owned)
            DestroyWindow(owned);
        ShowWindow(applet_window, SW_HIDE);
    }

    // No button held, no ripple, no flag, no timer.
    void start_over() {
        for (int button = 0; button < button_count; ++button) {
            if (held[button])
                let_go(button);
        }
        for (const Ripple& ripple : ripples)
            DestroyWindow(ripple.window);
        ripples.clear();
        for (unsigned char& flag : buttons_down)
            flag = 0;
        KillTimer(applet_window, RIPPLE_TIMER);
    }

    void show_applet_in_front() {
        SetWindowPos(applet_window, nullptr, 50, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ShowWindow(applet_window, SW_SHOW);
        ASSERT_TRUE(brought_to_front(applet_window));
    }

    void hold_for_real(int button) {
        harness::move_cursor(pad_point.x, pad_point.y);
        harness::press_button(button);
        held[button] = true;
        ASSERT_TRUE(harness::wait_until(
            [&] { return (GetAsyncKeyState(physical_keys[button]) & 0x8000) != 0; }));
    }

    void let_go(int button) {
        harness::release_button(button);
        held[button] = false;
        ASSERT_TRUE(harness::wait_until(
            [&] { return (GetAsyncKeyState(physical_keys[button]) & 0x8000) == 0; }));
    }

    void install_hook(HOOKPROC procedure) {
        HHOOK hook = SetWindowsHookExA(WH_MOUSE_LL, procedure, module_instance, 0);
        ASSERT_NE(hook, nullptr);
        hooks.push_back(hook);
        if (procedure == mouse_hook)
            mouse_hook_handle = hook;
    }

    bool held[button_count] = {};
    std::vector<HHOOK> hooks;
    HWND owned = nullptr;
};

} // namespace

// ---- spawning -------------------------------------------------------------------------

TEST_F(RippleCapture, PressOfEachButtonSpawnsOneRippleWindowCentredOnTheCursor) {
    for (int button = 0; button < button_count; ++button) {
        const POINT at = {200 + 60 * button, 300};
        hook_press(button, at);
        ASSERT_EQ(ripples.size(), static_cast<std::size_t>(button + 1));
        ASSERT_EQ(ripple_windows().size(), ripples.size()) << "one window per press";
        const Ripple& ripple = ripples.back();
        EXPECT_EQ(ripple.button, button);
        EXPECT_EQ(ripple.frame, 0);
        EXPECT_EQ(ripple.first_cycle, 1);
        EXPECT_EQ(ripple.releasing, 0);
        EXPECT_TRUE(timer_was_running()) << "button " << button;

        HWND window = ripple.window;
        char text[64] = {};
        GetClassNameA(window, text, sizeof text);
        EXPECT_STREQ(text, "Blimmer Object");
        GetWindowTextA(window, text, sizeof text);
        EXPECT_STREQ(text, "Blimmer Object");
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)), ripple_extended_styles);
        // Every top-level window gets WS_CLIPSIBLINGS from the system.
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & ~WS_CLIPSIBLINGS,
                  static_cast<DWORD>(WS_POPUP | WS_VISIBLE));
        EXPECT_EQ(GetParent(window), nullptr);
        EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);
        EXPECT_EQ(placement_of(window), centred_on(at)) << "button " << button;
    }
}

TEST_F(RippleCapture, SideAndHalfOfANewRippleComeFromTheSizeOfTheMoment) {
    const POINT at = {-20, 30};
    for (int side : {1, 2, 15, 64, 255, 256}) {
        setup::size = side;
        hook_press(0, at);
        const long half = side >> 1;
        EXPECT_EQ(placement_of(ripples.back().window),
                  (Placement{at.x - half, at.y - half, side, side}))
            << "side " << side;
    }
}

TEST_F(RippleCapture, EventWithANegativeCodeIsOnlyPassedOn) {
    hook_event(WM_LBUTTONDOWN, {300, 300}, 0, -1);
    hook_event(WM_XBUTTONDOWN, {300, 300}, XBUTTON2 << 16, -1);
    EXPECT_TRUE(ripples.empty());
    EXPECT_EQ(flags(), (std::vector<int>{0, 0, 0, 0, 0}));
    EXPECT_FALSE(timer_was_running());

    hook_press(0, {300, 300});
    hook_event(WM_LBUTTONUP, {300, 300}, 0, -1);
    hook_event(WM_MOUSEMOVE, {400, 400}, 0, -1);
    EXPECT_EQ(buttons_down[0], 1);
    EXPECT_EQ(placement_of(ripples.at(0).window), centred_on({300, 300}));
}

// ---- button flags ---------------------------------------------------------------------

TEST_F(RippleCapture, PressesAndReleasesSetAndClearOnlyTheirOwnFlag) {
    std::vector<int> expected(button_count, 0);
    for (int button = 0; button < button_count; ++button) {
        hook_press(button, {300, 300});
        expected[button] = 1;
        EXPECT_EQ(flags(), expected) << "after pressing " << button;
    }
    for (int button = 0; button < button_count; ++button) {
        hook_release(button, {300, 300});
        expected[button] = 0;
        EXPECT_EQ(flags(), expected) << "after releasing " << button;
    }
}

TEST_F(RippleCapture, ReleasingOneExtraButtonLeavesTheOtherHoldingAndFollowing) {
    hold_for_real(4);
    hook_press(3, {100, 100});
    hook_press(4, {200, 200});
    hook_release(3, {200, 200});
    EXPECT_EQ(flags(), (std::vector<int>{0, 0, 0, 0, 1}));
    hook_move({300, 300});
    EXPECT_EQ(placement_of(ripples[0].window), centred_on({100, 100}));
    EXPECT_EQ(placement_of(ripples[1].window), centred_on({300, 300}));
    for (int i = 0; i < 4; ++i)
        ripple_tick(applet_window);
    EXPECT_EQ(ripples[0].releasing, 1);
    EXPECT_EQ(ripples[1].releasing, 0);
    EXPECT_EQ(ripples[1].first_cycle, 0) << "the second extra button's ripple holds";
}

// ---- messages that neither spawn nor move ------------------------------------------------

TEST_F(RippleCapture, ReleaseDoubleClickAndWheelMessagesNeitherSpawnNorMove) {
    const POINT start = {300, 300};
    const POINT elsewhere = {500, 200};
    hook_press(0, start);
    ASSERT_TRUE(timer_was_running());
    struct Event {
        UINT message;
        DWORD mouse_data;
    };
    const Event others[] = {
        {WM_LBUTTONDBLCLK, 0},
        {WM_RBUTTONDBLCLK, 0},
        {WM_MBUTTONDBLCLK, 0},
        {WM_XBUTTONDBLCLK, XBUTTON1 << 16},
        {WM_XBUTTONDBLCLK, XBUTTON2 << 16},
        {WM_MOUSEWHEEL, static_cast<DWORD>(WHEEL_DELTA) << 16},
        {WM_MOUSEHWHEEL, static_cast<DWORD>(-WHEEL_DELTA) << 16},
        {WM_RBUTTONUP, 0},
        {WM_MBUTTONUP, 0},
        {WM_XBUTTONUP, XBUTTON1 << 16},
        {WM_XBUTTONUP, XBUTTON2 << 16},
    };
    for (Event event : others) {
        hook_event(event.message, elsewhere, event.mouse_data);
        EXPECT_EQ(ripples.size(), 1u) << std::hex << event.message;
        EXPECT_EQ(placement_of(ripples[0].window), centred_on(start)) << std::hex << event.message;
        EXPECT_EQ(flags(), (std::vector<int>{1, 0, 0, 0, 0})) << std::hex << event.message;
    }
    hook_release(0, elsewhere);
    EXPECT_EQ(ripples.size(), 1u);
    EXPECT_EQ(placement_of(ripples[0].window), centred_on(start));
    EXPECT_EQ(ripple_windows().size(), 1u);
    EXPECT_FALSE(timer_was_running()) << "a message that is no press restarted the timer";
}

// ---- following the cursor -------------------------------------------------------------

TEST_F(RippleCapture, EachHeldButtonDragsOnlyItsNewestRipple) {
    hold_for_real(0);
    hold_for_real(1);
    const POINT first = {100, 100};
    hook_press(0, first);
    hook_press(0, {150, 150});
    hook_press(1, {200, 200});
    hook_move({400, 300});
    EXPECT_EQ(placement_of(ripples[0].window), centred_on(first));
    EXPECT_EQ(placement_of(ripples[1].window), centred_on({400, 300}));
    EXPECT_EQ(placement_of(ripples[2].window), centred_on({400, 300}));

    hook_release(1, {400, 300});
    hook_move({450, 350});
    EXPECT_EQ(placement_of(ripples[0].window), centred_on(first));
    EXPECT_EQ(placement_of(ripples[1].window), centred_on({450, 350}));
    EXPECT_EQ(placement_of(ripples[2].window), centred_on({400, 300}));
}

TEST_F(RippleCapture, EveryOneOfTheFiveButtonsDragsItsRipple) {
    for (int button = 0; button < button_count; ++button) {
        hold_for_real(button);
        hook_press(button, {100 + 50 * button, 100});
    }
    hook_move({500, 400});
    for (const Ripple& ripple : ripples)
        EXPECT_EQ(placement_of(ripple.window), centred_on({500, 400}))
            << "button " << ripple.button;
}

TEST_F(RippleCapture, MoveWithNoButtonDownOrNoRippleMovesAndSpawnsNothing) {
    hook_press(0, {100, 100});
    hook_release(0, {100, 100});
    hook_move({300, 300});
    EXPECT_EQ(placement_of(ripples.at(0).window), centred_on({100, 100}));
    for (const Ripple& ripple : ripples)
        DestroyWindow(ripple.window);
    ripples.clear();
    KillTimer(applet_window, RIPPLE_TIMER);

    buttons_down[2] = 1;
    hook_move({350, 350});
    EXPECT_TRUE(ripples.empty());
    EXPECT_TRUE(ripple_windows().empty());
    EXPECT_FALSE(timer_was_running());
}

TEST_F(RippleCapture, AfterASizeChangeTheNextMoveResizesTheDraggedRippleAndTheNextSpawnUsesIt) {
    hold_for_real(0);
    hook_press(1, {100, 100});
    hook_press(0, {200, 200});
    setup::size = 31;
    hook_release(1, {200, 200});
    hook_move({300, 300});
    EXPECT_EQ(placement_of(ripples[0].window), centred_on({100, 100})) << "not dragged";
    EXPECT_EQ(placement_of(ripples[1].window), (Placement{285, 285, 31, 31}));
    hook_press(2, {400, 400});
    EXPECT_EQ(placement_of(ripples[2].window), (Placement{385, 385, 31, 31}));
}

// ---- a release that the hook never saw ------------------------------------------------

// The applet's thread was too busy to run the hook before the system's time-out: the
// release went past it, and only the button itself still tells.
TEST_F(RippleCapture, MoveAfterAReleaseThatMissedTheHookLeavesTheRippleAndClearsTheFlag) {
    for (int button = 0; button < button_count; ++button) {
        const int other = (button + 2) % button_count;
        hold_for_real(button);
        hold_for_real(other);
        hook_press(button, {100, 100});
        hook_press(other, {120, 120});
        let_go(button);
        hook_move({650, 420});
        hook_move({200, 600});
        EXPECT_EQ(placement_of(ripples[0].window), centred_on({100, 100})) << "button " << button;
        EXPECT_EQ(buttons_down[button], 0) << "button " << button;
        EXPECT_EQ(placement_of(ripples[1].window), centred_on({200, 600}))
            << "button " << other << ", still down, with " << button << " up";
        EXPECT_EQ(buttons_down[other], 1);
        start_over();
    }
}

TEST_F(RippleCapture, SwappedButtonsAreAskedThroughThePhysicalButtonBehindThemOnAMove) {
    SwapMouseButton(TRUE);
    ASSERT_TRUE(GetSystemMetrics(SM_SWAPBUTTON));
    // The logical left button is the physical right one, and the other way round.
    struct Case {
        int logical, physical;
        bool dragged;
    };
    for (Case pressed :
         {Case{0, 1, true}, Case{1, 0, true}, Case{0, 0, false}, Case{1, 1, false}}) {
        hold_for_real(pressed.physical);
        hook_press(pressed.logical, {100, 100});
        hook_move({300, 320});
        EXPECT_EQ(placement_of(ripples.at(0).window),
                  centred_on(pressed.dragged ? POINT{300, 320} : POINT{100, 100}))
            << "logical " << pressed.logical << ", physical " << pressed.physical;
        EXPECT_EQ(buttons_down[pressed.logical], pressed.dragged ? 1 : 0);
        start_over();
    }
}

// ---- before the applet window exists ----------------------------------------------------

// During start-up the hook is already installed, and the foreground window can be anything,
// an owned pop-up of another program included.
TEST_F(RippleCapture, PressBeforeTheAppletWindowExistsSpawnsNothingAndStartsNoTimer) {
    owned = CreateWindowExA(0, "RipplePad", "owned", WS_POPUP | WS_VISIBLE, 100, 100, 100, 100, pad,
                            nullptr, module_instance, nullptr);
    ASSERT_NE(owned, nullptr);
    ASSERT_TRUE(brought_to_front(owned));
    setup::speed = 1;
    const HWND created = applet_window;
    applet_window = nullptr;
    for (int button = 0; button < button_count; ++button) {
        hook_press(button, {150, 150});
        EXPECT_EQ(buttons_down[button], 1) << "button " << button;
        hook_release(button, {150, 150});
    }
    applet_window = created;
    EXPECT_TRUE(ripples.empty());
    EXPECT_TRUE(ripple_windows().empty());
    EXPECT_FALSE(timer_was_running());
    // A timer started without a window is a thread timer of an identifier of its own, which
    // nothing would ever kill: its ticks come with no window.
    Sleep(50);
    MSG tick;
    while (PeekMessageA(&tick, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE))
        EXPECT_NE(tick.hwnd, nullptr) << "a thread timer ticks";
}

// ---- the applet in front --------------------------------------------------------------

TEST_F(RippleCapture, NoPressSpawnsWhileTheAppletIsInFront) {
    show_applet_in_front();
    for (int button = 0; button < button_count; ++button) {
        hook_press(button, {300, 300});
        EXPECT_EQ(buttons_down[button], 1) << "button " << button;
        hook_release(button, {300, 300});
    }
    EXPECT_TRUE(ripples.empty());
    EXPECT_TRUE(ripple_windows().empty());
    EXPECT_FALSE(timer_was_running());
}

TEST_F(RippleCapture, NoPressSpawnsWhileAWindowOwnedByTheAppletIsInFront) {
    owned = CreateWindowExA(0, "RipplePad", "owned", WS_POPUP | WS_VISIBLE, 100, 100, 100, 100,
                            applet_window, nullptr, module_instance, nullptr);
    ASSERT_NE(owned, nullptr);
    ASSERT_TRUE(brought_to_front(owned));
    hook_press(0, {150, 150});
    EXPECT_EQ(buttons_down[0], 1);
    EXPECT_TRUE(ripples.empty());
    EXPECT_TRUE(ripple_windows().empty());
    EXPECT_FALSE(timer_was_running());
}

TEST_F(RippleCapture, ButtonPressedOverTheAppletDragsItsStillPlayingRipple) {
    hook_press(0, {100, 100});
    hook_release(0, {100, 100});
    show_applet_in_front();
    hook_press(0, {200, 200});
    ASSERT_EQ(ripples.size(), 1u);
    hold_for_real(0);
    hook_move({250, 260});
    EXPECT_EQ(placement_of(ripples[0].window), centred_on({250, 260}));
}

TEST_F(RippleCapture, PressThatBringsTheAppletToTheFrontStillSpawns) {
    show_applet_in_front();
    ASSERT_TRUE(brought_to_front(pad));
    install_hook(mouse_hook);
    POINT inside = {20, 20};
    ClientToScreen(applet_window, &inside);
    harness::move_cursor(inside.x, inside.y);
    harness::press_button(0);
    EXPECT_TRUE(harness::wait_until([] { return ripples.size() == 1; }));
    harness::release_button(0);
    ASSERT_TRUE(harness::wait_until([] { return GetForegroundWindow() == applet_window; }))
        << "the press did not bring the applet to the front";

    harness::press_button(0);
    EXPECT_TRUE(harness::wait_until([] { return buttons_down[0] != 0; }));
    harness::release_button(0);
    EXPECT_TRUE(harness::wait_until([] { return buttons_down[0] == 0; }));
    EXPECT_EQ(ripples.size(), 1u) << "a press on the applet in front spawned";
}

// ---- passing events on ----------------------------------------------------------------

std::vector<WPARAM> seen_by_next_hook;
HHOOK next_hook;

LRESULT CALLBACK next_hook_procedure(int code, WPARAM message, LPARAM event) {
    if (code >= 0)
        seen_by_next_hook.push_back(message);
    return CallNextHookEx(next_hook, code, message, event);
}

TEST_F(RippleCapture, EveryEventIsPassedToTheNextHookAndReachesItsWindow) {
    // Installed first, so called after mouse_hook.
    install_hook(next_hook_procedure);
    next_hook = hooks.back();
    install_hook(mouse_hook);
    seen_by_next_hook.clear();
    harness::move_cursor(pad_point.x, pad_point.y);
    for (int button : {0, 0, 1, 4}) {
        harness::press_button(button);
        harness::release_button(button);
    }
    INPUT wheel = {};
    wheel.type = INPUT_MOUSE;
    wheel.mi.dwFlags = MOUSEEVENTF_WHEEL;
    wheel.mi.mouseData = static_cast<DWORD>(WHEEL_DELTA);
    SendInput(1, &wheel, sizeof wheel);
    const std::vector<WPARAM> sent = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN,
                                      WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_XBUTTONDOWN,
                                      WM_XBUTTONUP, WM_MOUSEWHEEL};
    EXPECT_TRUE(harness::wait_until([&] { return seen_by_next_hook.size() >= sent.size(); }));
    EXPECT_EQ(seen_by_next_hook, sent);
    EXPECT_EQ(ripples.size(), 4u);
    // The second press lands on the pad through the first press's ripple window.
    EXPECT_TRUE(harness::wait_until([] { return pad_presses == 4; }))
        << "the pad received " << pad_presses << " presses";
}

// ---- the hook comes back ----------------------------------------------------------------

TEST_F(RippleCapture, AppletWindowsCreationStartsTheHookCheck) {
    EXPECT_TRUE(hook_check_started) << "a hook the system dropped would never come back";
}

TEST_F(RippleCapture, HookTheSystemDroppedComesBackAndOnePressMakesOneRipple) {
    // Message 0 stands for a move the hook missed, which the applet's check finds.
    const struct {
        bool dropped;
        UINT message;
        WPARAM event;
    } cases[] = {{false, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC},
                 {true, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC},
                 {true, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK},
                 {true, 0, 0}};
    for (const auto& each : cases) {
        start_over();
        harness::move_cursor(pad_point.x, pad_point.y);
        install_hook(mouse_hook);
        const HHOOK installed = mouse_hook_handle;
        // Removed as the system removes a hook: its owner is not told.
        if (each.dropped)
            UnhookWindowsHookEx(installed);
        if (each.message) {
            SendMessageA(applet_window, each.message, each.event, 0);
        } else {
            SetTimer(applet_window, HOOK_CHECK_TIMER, HOOK_CHECK_PERIOD_MS, nullptr);
            harness::move_cursor(pad_point.x + 30, pad_point.y + 20);
            harness::wait_until([&] { return mouse_hook_handle != installed; }, 15000);
            KillTimer(applet_window, HOOK_CHECK_TIMER);
        }
        harness::press_button(0);
        harness::release_button(0);
        harness::wait_until([] { return !ripples.empty(); });
        harness::pump_for(100);
        EXPECT_EQ(ripples.size(), 1u)
            << "message " << each.message << (each.dropped ? ", hook dropped" : ", hook intact");
        UnhookWindowsHookEx(mouse_hook_handle);
    }
}
