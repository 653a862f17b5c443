// What a user sees of the shipped applet's ripples on displays other than the plain one,
// and whether a ripple leaves the keyboard focus alone. The build runs this program in
// several Wine desktops, each a fresh Xvfb: 24-bit colour (the plain one), 16-bit colour
// and a prefix scaled to 144 DPI; each run picks its cases with a filter.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/win32/harness.h"
#include "tools/smoke/ripple_on_screen.h"

using harness::Applet;
using harness::Placement;
using harness::placement_of;

namespace {

// A slow animation, so that a frame stays on the screen long enough to be read back whole:
// 16 frames of 50 ms, so the first cycle is over after 0.8 s and a held button then plays
// hold frames.
constexpr std::int32_t frames = 16;
constexpr std::int32_t side = 64;
constexpr std::int32_t speed = 50;
constexpr DWORD past_first_cycle_ms = 1500;
constexpr DWORD ripple_life_timeout_ms = 10000;

// On a 16-bit screen a channel keeps 5 or 6 of its 8 bits.
constexpr int channel_tolerance = 12;

using DpiContext = DPI_AWARENESS_CONTEXT;
using SetThreadAwareness = DpiContext(WINAPI*)(DpiContext);
using GetWindowAwarenessContext = DpiContext(WINAPI*)(HWND);
using AwarenessOfContext = DPI_AWARENESS(WINAPI*)(DpiContext);

template <typename Function> Function user32_function(const char* name) {
    FARPROC found = GetProcAddress(GetModuleHandleA("user32.dll"), name);
    return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

// The DPI awareness of a window of another process, as that process created it.
DPI_AWARENESS awareness_of(HWND window) {
    auto context_of = user32_function<GetWindowAwarenessContext>("GetWindowDpiAwarenessContext");
    auto awareness = user32_function<AwarenessOfContext>("GetAwarenessFromDpiAwarenessContext");
    if (!context_of || !awareness)
        return DPI_AWARENESS_INVALID;
    // 64-bit Wine hands the context back in 32 bits; widened with its sign it is the
    // context again (a no-op in the 32-bit build).
    auto bits = static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(context_of(window)));
    return awareness(reinterpret_cast<DpiContext>(static_cast<std::intptr_t>(bits)));
}

// The grey of the pad (GRAY_BRUSH) under every press.
constexpr std::uint32_t pad_grey = 0x808080;

// Whether the screen under the window shows one of the hold frames, nearly pixel for
// pixel: placed right, unstretched, and drawn. A blank window matches none of them. The
// screen is read a few times, as a read can meet the window while Wine redraws it.
testing::AssertionResult shows_a_hold_frame(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    if (rect.right - rect.left != side || rect.bottom - rect.top != side)
        return testing::AssertionFailure() << "the ripple is " << placement_of(window);
    int best = 0;
    for (int reading = 0; reading < 5 && best < side * side * 98 / 100; ++reading) {
        harness::pump_for(speed / 2);
        best = std::max(best, ripple_on_screen::best_hold_frame_match(rect, frames, side, pad_grey,
                                                                      channel_tolerance));
    }
    if (best < side * side * 98 / 100)
        return testing::AssertionFailure()
               << "at best " << best << " of " << side * side << " pixels show a hold frame";
    return testing::AssertionSuccess();
}

class RippleDisplay : public testing::Test {
  protected:
    void SetUp() override {
        ripple_on_screen::build_frames(frames, side);
        pad = ripple_on_screen::create_grey_pad("DisplayPad");
        ASSERT_NE(pad, nullptr);
        harness::wipe_settings();
        harness::seed_settings(frames, side, 1, speed, 2, 1);
        ASSERT_TRUE(harness::start_applet(applet));
        ASSERT_NE(applet.window, nullptr) << "the applet window did not appear";
    }

    void TearDown() override {
        if (held)
            harness::release_button(0);
        if (applet.process.hProcess) {
            DWORD exit_code = harness::quit_applet(applet);
            if (check_exit_code) {
                EXPECT_EQ(exit_code, 0u);
            }
        }
        DestroyWindow(pad);
        harness::wipe_settings();
    }

    std::vector<HWND> ripple_windows() const {
        return harness::windows_of_process(applet.process.dwProcessId, "Blimmer Object");
    }

    // The single ripple window, once there is one.
    HWND await_ripple() {
        harness::wait_until([&] { return !ripple_windows().empty(); });
        std::vector<HWND> windows = ripple_windows();
        return windows.size() == 1 ? windows[0] : nullptr;
    }

    // Presses the left button at `to`, holds it past the first cycle, and checks that the
    // ripple stays centred on the cursor within a pixel and shows its hold frames.
    void expect_held_ripple_at(POINT to) {
        const POINT at = harness::move_cursor_and_wait(to);
        harness::press_button(0);
        held = true;
        HWND window = await_ripple();
        ASSERT_NE(window, nullptr)
            << "no single ripple window for the press at " << at.x << ", " << at.y;
        harness::pump_for(past_first_cycle_ms);
        Placement placement = placement_of(window);
        EXPECT_LE(std::labs(placement.left + side / 2 - at.x), 1)
            << "pressed at " << at.x << ", " << at.y << ", the ripple is " << placement;
        EXPECT_LE(std::labs(placement.top + side / 2 - at.y), 1)
            << "pressed at " << at.x << ", " << at.y << ", the ripple is " << placement;
        EXPECT_TRUE(shows_a_hold_frame(window)) << "pressed at " << at.x << ", " << at.y;
        harness::release_button(0);
        held = false;
        EXPECT_TRUE(harness::wait_until([&] { return !IsWindow(window); }, ripple_life_timeout_ms));
    }

    Applet applet{};
    HWND pad = nullptr;
    bool held = false;
    bool check_exit_code = true;
};

TEST_F(RippleDisplay, HeldPressShowsTheRippleFramesOnTheScreen) {
    expect_held_ripple_at({300, 250});
}

// A ripple window that took the activation would take the keys typed next with it.
TEST_F(RippleDisplay, MiddleClickIntoATextFieldLeavesTheTypedTextThere) {
    HWND field = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 100, 100, 300,
                                 30, pad, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(field, nullptr);
    SetForegroundWindow(pad);
    SetFocus(field);
    harness::pump_for(100);
    ASSERT_EQ(GetFocus(), field);

    harness::move_cursor_and_wait({100 + 100 + 150, 100 + 100 + 15});
    harness::press_button(2);
    harness::release_button(2);
    ASSERT_NE(await_ripple(), nullptr);
    harness::pump_for(200);

    const std::string typed = "abcdef";
    for (char key : typed) {
        INPUT strokes[2] = {};
        for (INPUT& stroke : strokes) {
            stroke.type = INPUT_KEYBOARD;
            stroke.ki.wVk = static_cast<WORD>(key - 'a' + 'A');
        }
        strokes[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, strokes, sizeof(INPUT));
    }
    char text[64] = {};
    EXPECT_TRUE(harness::wait_until([&] {
        GetWindowTextA(field, text, sizeof text);
        return typed == text;
    })) << "the field holds \""
        << text << "\"";
    EXPECT_EQ(GetForegroundWindow(), pad);
}

// A scaled display: the system runs the applet DPI-unaware, scaled, while the hook reports
// physical pixels. This side of the test works in physical pixels.
class RippleScaledDisplay : public RippleDisplay {
  protected:
    void SetUp() override {
        auto set_awareness = user32_function<SetThreadAwareness>("SetThreadDpiAwarenessContext");
        ASSERT_NE(set_awareness, nullptr);
        ASSERT_NE(set_awareness(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE), nullptr);
        HDC screen = GetDC(nullptr);
        int dpi = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        ASSERT_EQ(dpi, 144) << "this case needs a display scaled to 150 %";
        // Wine 8 at 144 DPI leaves 87 behind a successful DestroyWindow of COM's own window
        // as the applet leaves COM; the exit code is the plain display's business.
        check_exit_code = false;
        RippleDisplay::SetUp();
    }
};

TEST_F(RippleScaledDisplay, RipplesAreCentredOnEachPressAndShownUnscaled) {
    expect_held_ripple_at({300, 250});
    expect_held_ripple_at({700, 560});
}

TEST_F(RippleScaledDisplay, ThePanelStaysDpiUnawareAndRipplesArePerMonitorAware) {
    EXPECT_EQ(awareness_of(applet.window), DPI_AWARENESS_UNAWARE);
    harness::move_cursor_and_wait({400, 300});
    harness::press_button(0);
    held = true;
    HWND window = await_ripple();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(awareness_of(window), DPI_AWARENESS_PER_MONITOR_AWARE);

    // Its tray menu, made after a ripple was created, moved and drawn, is scaled again.
    harness::move_cursor_and_wait({420, 310});
    harness::pump_for(4 * speed);
    PostMessageA(applet.window, WM_USER, 1, WM_RBUTTONUP);
    HWND menu = nullptr;
    ASSERT_TRUE(harness::wait_until([&] {
        for (HWND popup : harness::windows_of_process(applet.process.dwProcessId, "#32768"))
            menu = IsWindowVisible(popup) ? popup : menu;
        return menu != nullptr;
    }));
    EXPECT_EQ(awareness_of(menu), DPI_AWARENESS_UNAWARE);
    harness::tap_key(VK_ESCAPE);
}

} // namespace
