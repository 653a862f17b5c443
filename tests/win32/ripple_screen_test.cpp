// The ripples of the shipped applet end to end: real presses and moves through SendInput
// in the Wine desktop, and the applet's "Blimmer Object" windows looked at from outside.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "tests/win32/harness.h"

using harness::Applet;

namespace {

// The default settings: 64 pixels, 16 frames of 25 ms.
constexpr long side = 64;
constexpr long half = side / 2;
constexpr DWORD ripple_life_timeout_ms = 10000;

constexpr DWORD ripple_extended_styles =
    WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST;

using harness::Placement;
using harness::placement_of;

Placement centred_on(POINT at) {
    return {at.x - half, at.y - half, side, side};
}

// The presses land on this window of the test's own rather than on Wine's desktop.
class RippleScreen : public testing::Test {
  protected:
    void SetUp() override {
        WNDCLASSA pad_class = {};
        pad_class.lpfnWndProc = DefWindowProcA;
        pad_class.hInstance = GetModuleHandleA(nullptr);
        pad_class.lpszClassName = "RipplePad";
        RegisterClassA(&pad_class);
        pad = CreateWindowExA(0, "RipplePad", "pad", WS_POPUP | WS_VISIBLE, 100, 100, 800, 600,
                              nullptr, nullptr, pad_class.hInstance, nullptr);
        ASSERT_NE(pad, nullptr);
        harness::wipe_settings();
        ASSERT_TRUE(harness::start_applet(applet));
        ASSERT_NE(applet.window, nullptr) << "the applet window did not appear";
    }

    void TearDown() override {
        for (int button = 0; button < 5; ++button) {
            if (held[button])
                release(button);
        }
        if (applet.process.hProcess) {
            EXPECT_EQ(harness::quit_applet(applet), 0u);
        }
        DestroyWindow(pad);
    }

    std::vector<HWND> ripple_windows() const {
        return harness::windows_of_process(applet.process.dwProcessId, "Blimmer Object");
    }

    // The applet's ripple window centred on `at`, once there is one.
    HWND ripple_at(POINT at) {
        HWND found = nullptr;
        harness::wait_until([&] {
            for (HWND window : ripple_windows()) {
                if (placement_of(window) == centred_on(at))
                    found = window;
            }
            return found != nullptr;
        });
        return found;
    }

    // Presses at the cursor's place after a move to `to`, and returns that place.
    POINT press(int button, POINT to) {
        POINT at = harness::move_cursor_and_wait(to);
        harness::press_button(button);
        held[button] = true;
        return at;
    }

    void release(int button) {
        harness::release_button(button);
        held[button] = false;
    }

    testing::AssertionResult no_ripple_left() {
        if (!harness::wait_until([&] { return ripple_windows().empty(); }, ripple_life_timeout_ms))
            return testing::AssertionFailure()
                   << ripple_windows().size() << " ripple windows are still there";
        // A straggler spawned late or retired late would show now.
        harness::pump_for(200);
        if (!ripple_windows().empty())
            return testing::AssertionFailure() << "a ripple window came back";
        return testing::AssertionSuccess();
    }

    Applet applet{};
    HWND pad = nullptr;
    bool held[5] = {};
};

} // namespace

TEST_F(RippleScreen, PressShowsOneRippleWindowCentredOnTheCursorThatHoldsUntilRelease) {
    const POINT at = press(0, {300, 250});
    ASSERT_TRUE(harness::wait_until([&] { return !ripple_windows().empty(); }));
    std::vector<HWND> windows = ripple_windows();
    ASSERT_EQ(windows.size(), 1u);
    HWND window = windows[0];
    EXPECT_EQ(placement_of(window), (Placement{at.x - 32, at.y - 32, 64, 64}));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)), ripple_extended_styles);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & ~WS_CLIPSIBLINGS,
              static_cast<DWORD>(WS_POPUP | WS_VISIBLE));
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Blimmer Object");

    // Longer than two cycles of 16 frames of 25 ms: the held button keeps it playing.
    harness::pump_for(1000);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(ripple_windows().size(), 1u);
    EXPECT_EQ(placement_of(window), (Placement{at.x - 32, at.y - 32, 64, 64}));

    release(0);
    EXPECT_TRUE(harness::wait_until([&] { return !IsWindow(window); }, ripple_life_timeout_ms));
    EXPECT_TRUE(no_ripple_left());
}

TEST_F(RippleScreen, HeldButtonDragsItsRippleCentredThroughThreePoints) {
    HWND window = ripple_at(press(0, {200, 200}));
    ASSERT_NE(window, nullptr);
    for (POINT to : {POINT{400, 260}, POINT{520, 480}, POINT{250, 600}}) {
        const POINT at = harness::move_cursor_and_wait(to);
        EXPECT_TRUE(harness::wait_until([&] { return placement_of(window) == centred_on(at); }))
            << "at " << at.x << ", " << at.y << " the ripple is " << placement_of(window);
    }
    EXPECT_EQ(ripple_windows().size(), 1u);
    release(0);
    EXPECT_TRUE(harness::wait_until([&] { return !IsWindow(window); }, ripple_life_timeout_ms));
    EXPECT_TRUE(no_ripple_left());
}

TEST_F(RippleScreen, EveryButtonMakesARipple) {
    const char* const names[] = {"left", "right", "middle", "first extra", "second extra"};
    for (int button = 0; button < 5; ++button) {
        const POINT at = press(button, {200 + 120 * button, 300 + 40 * button});
        EXPECT_NE(ripple_at(at), nullptr) << "no ripple for the " << names[button] << " button";
        release(button);
    }
    EXPECT_TRUE(no_ripple_left());
}
