// The application shell end to end: the shipped applet started from a wiped or seeded
// settings key, its window and its exit, and the values it leaves in the registry.
#include <gtest/gtest.h>

#include <string>

#include "tests/win32/applet_fixture.h"
#include "tests/win32/harness.h"
#include "tools/frame-pace/relay_trace.h"

namespace {

const char* const value_names[] = {"setup::frames", "setup::size",    "setup::jumps",
                                   "setup::speed",  "setup::circles", "setup::peek"};

std::vector<std::int32_t> stored_settings() {
    std::vector<std::int32_t> values;
    for (const char* name : value_names) {
        std::int32_t value = 0;
        values.push_back(harness::read_setting(name, value) ? value : INT32_MIN);
    }
    return values;
}

using Values = std::vector<std::int32_t>;
const Values defaults = {16, 64, 1, 25, 2, 1};

} // namespace

// ---- the settings store -------------------------------------------------------------

TEST_F(AppletTest, FirstRunWritesTheDefaultsAtStartUp) {
    start();
    EXPECT_EQ(stored_settings(), defaults);
    for (const char* name : value_names)
        EXPECT_EQ(harness::setting_type(name), static_cast<DWORD>(REG_DWORD)) << name;
    EXPECT_EQ(harness::quit_applet(applet), 0u);
}

TEST_F(AppletTest, MissingValuesTakeDefaultsAndAreWrittenOnlyAtShutdown) {
    harness::seed_dword("setup::size", 128);
    harness::seed_dword("setup::circles", 9);
    start();
    EXPECT_EQ(harness::settings_value_count(), 2) << "nothing is written at start-up";
    EXPECT_EQ(harness::quit_applet(applet), 0u);
    EXPECT_EQ(stored_settings(), (Values{16, 128, 1, 25, 9, 1}));
}

TEST_F(AppletTest, FourByteValueOfAnyTypeIsReadAndLongerOnesAreIgnored) {
    std::int32_t size = 32;
    harness::seed_raw("setup::size", REG_BINARY, &size, sizeof size);
    const unsigned char eight[8] = {40, 0, 0, 0, 0, 0, 0, 0};
    harness::seed_raw("setup::frames", REG_BINARY, eight, sizeof eight);
    std::int32_t speed = 100;
    harness::seed_raw("setup::speed", REG_DWORD, &speed, sizeof speed);
    start();
    EXPECT_EQ(harness::quit_applet(applet), 0u);
    EXPECT_EQ(stored_settings(), (Values{16, 32, 1, 100, 2, 1}));
    EXPECT_EQ(harness::setting_type("setup::size"), static_cast<DWORD>(REG_DWORD));
}

TEST_F(AppletTest, ShortValueKeepsItsDefault) {
    const unsigned char two[2] = {7, 0};
    harness::seed_raw("setup::jumps", REG_BINARY, two, sizeof two);
    start();
    EXPECT_EQ(harness::quit_applet(applet), 0u);
    std::int32_t jumps = 0;
    ASSERT_TRUE(harness::read_setting("setup::jumps", jumps));
    EXPECT_EQ(jumps, 1);
}

TEST_F(AppletTest, ValuesThePanelCannotProduceRoundTrip) {
    harness::seed_settings(100, 100, 3, 7, 40, 5);
    start();
    EXPECT_EQ(harness::quit_applet(applet), 0u);
    EXPECT_EQ(stored_settings(), (Values{100, 100, 3, 7, 40, 5}));
}

// The panel's slowest speed is 200 ms; a slower stored one is still usable and is kept.
TEST_F(AppletTest, SpeedAboveThePanelsRangeIsKept) {
    harness::seed_settings(16, 64, 1, 100000, 2, 1);
    start();
    EXPECT_EQ(harness::quit_applet(applet), 0u);
    EXPECT_EQ(stored_settings(), (Values{16, 64, 1, 100000, 2, 1}));
}

TEST_F(AppletTest, UnusableStoredValuesAreReplacedByDefaults) {
    // A zero speed would divide by zero in the frames-per-second caption; zero or negative
    // sizes and frame counts would size and index the frame buffers.
    harness::seed_settings(0, -5, 0, 0, -3, 0);
    start();
    EXPECT_EQ(harness::quit_applet(applet), 0u);
    EXPECT_EQ(stored_settings(), (Values{16, 64, 0, 25, -3, 0}));
}

TEST_F(AppletTest, NegativeSpeedIsReplacedToo) {
    harness::seed_settings(-1, 8, 2, -25, 1, 1);
    start();
    EXPECT_EQ(harness::quit_applet(applet), 0u);
    EXPECT_EQ(stored_settings(), (Values{16, 8, 2, 25, 1, 1}));
}

// ---- the start-up limit check -------------------------------------------------------

TEST_F(AppletTest, LargestAcceptedSizeAndFramesStart) {
    harness::seed_settings(128, 256, 1, 25, 2, 1);
    start();
    EXPECT_TRUE(harness::is_running(applet));
    EXPECT_EQ(harness::quit_applet(applet, 60000), 0u);
    EXPECT_EQ(stored_settings(), (Values{128, 256, 1, 25, 2, 1}));
}

TEST_F(AppletTest, SizeOrFramesAboveTheLimitEndTheStartSilently) {
    struct Case {
        std::int32_t frames, size;
    };
    for (Case tooLarge : {Case{16, 257}, Case{129, 64}}) {
        harness::wipe_settings();
        // Only two values: a save would add the other four.
        harness::seed_dword("setup::frames", tooLarge.frames);
        harness::seed_dword("setup::size", tooLarge.size);
        ASSERT_TRUE(harness::start_applet(applet));
        EXPECT_EQ(applet.window, nullptr) << "size " << tooLarge.size;
        DWORD process_id = applet.process.dwProcessId;
        EXPECT_EQ(harness::wait_for_exit(applet), 0u);
        EXPECT_TRUE(harness::windows_of_process(process_id, "Ondrella").empty());
        EXPECT_EQ(harness::settings_value_count(), 2) << "nothing is saved";
    }
}

// ---- the applet window --------------------------------------------------------------

TEST_F(AppletTest, AfterStartOnlyTheHiddenAppletWindowExists) {
    start();
    std::vector<HWND> visible;
    for (HWND window : harness::windows_of_process(applet.process.dwProcessId)) {
        if (IsWindowVisible(window))
            visible.push_back(window);
    }
    EXPECT_TRUE(visible.empty());
    EXPECT_FALSE(IsWindowVisible(applet.window));
    EXPECT_EQ(harness::windows_of_process(applet.process.dwProcessId, "Ondrella").size(), 1u);
    RECT client;
    ASSERT_TRUE(GetClientRect(applet.window, &client));
    EXPECT_EQ(client.right, 400);
    EXPECT_EQ(client.bottom, 400);
    LONG style = GetWindowLongA(applet.window, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_EQ(harness::quit_applet(applet), 0u);
}

TEST_F(AppletTest, CloseOkAndCancelHideThePanelAndTheAppletRunsOn) {
    start();
    struct Hider {
        UINT message;
        WPARAM wparam;
    };
    for (Hider hider : {Hider{WM_CLOSE, 0}, Hider{WM_COMMAND, IDOK}, Hider{WM_COMMAND, IDCANCEL}}) {
        SendMessageA(applet.window, WM_COMMAND, 2001, 0); // "Show/Hide applet"
        ASSERT_TRUE(IsWindowVisible(applet.window));
        EXPECT_EQ(SendMessageA(applet.window, hider.message, hider.wparam, 0), 0);
        EXPECT_FALSE(IsWindowVisible(applet.window)) << "message " << hider.message;
        EXPECT_TRUE(IsWindow(applet.window));
        harness::pump_for(50);
        EXPECT_TRUE(harness::is_running(applet));
    }
    EXPECT_EQ(harness::quit_applet(applet), 0u);
}

TEST_F(AppletTest, ShowHideTogglesByVisibility) {
    start();
    SendMessageA(applet.window, WM_COMMAND, 2001, 0);
    EXPECT_TRUE(IsWindowVisible(applet.window));
    SendMessageA(applet.window, WM_COMMAND, 2001, 0);
    EXPECT_FALSE(IsWindowVisible(applet.window));
    EXPECT_EQ(harness::quit_applet(applet), 0u);
}

TEST_F(AppletTest, UnknownCommandsAndTimersChangeNothing) {
    harness::seed_settings(20, 32, 4, 50, 3, 0);
    start();
    for (WPARAM command : {0u, 3u, 1000u, 1007u, 2000u, 2002u, 2008u, 2010u, 65535u})
        EXPECT_EQ(SendMessageA(applet.window, WM_COMMAND, command, 0), 0) << command;
    for (WPARAM timer : {0u, 2u, 7u, 1000u})
        EXPECT_EQ(SendMessageA(applet.window, WM_TIMER, timer, 0), 0) << timer;
    harness::pump_for(100);
    EXPECT_TRUE(harness::is_running(applet));
    EXPECT_FALSE(IsWindowVisible(applet.window));
    EXPECT_EQ(harness::quit_applet(applet), 0u);
    EXPECT_EQ(stored_settings(), (Values{20, 32, 4, 50, 3, 0}));
}

TEST_F(AppletTest, QuitSavesTheSettingsAndEndsWithExitCodeZero) {
    harness::seed_settings(20, 32, 4, 50, 3, 0);
    start();
    harness::wipe_settings();
    EXPECT_EQ(harness::quit_applet(applet), 0u);
    EXPECT_EQ(stored_settings(), (Values{20, 32, 4, 50, 3, 0}));
}

TEST_F(AppletTest, EndingSessionSavesAndAPlainQueryDoesNot) {
    harness::seed_settings(20, 32, 4, 50, 3, 0);
    start();
    harness::wipe_settings();
    SendMessageA(applet.window, WM_ENDSESSION, FALSE, 0);
    EXPECT_FALSE(harness::settings_key_exists()) << "the session goes on: nothing to save";
    SendMessageA(applet.window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(stored_settings(), (Values{20, 32, 4, 50, 3, 0}));
    EXPECT_TRUE(harness::is_running(applet));
    EXPECT_EQ(harness::quit_applet(applet), 0u);
}

// ---- what Wine cannot act out, in the applet's relay trace ---------------------------

TEST_F(AppletTest, FinerTickOnlyWhileRipplesPlayMenuFollowedAndShellMessagesLetThrough) {
    auto calls = [](const std::string& call) { return call_times(ONDRELLA_TRACE, call).size(); };
    trace_applet_calls("winmm.timeBeginPeriod;winmm.timeEndPeriod;user32.PostMessageA;"
                       "user32.ChangeWindowMessageFilterEx");
    start();
    stop_tracing_applet_calls();
    char taskbar_created[16];
    wsprintfA(taskbar_created, "%08x", RegisterWindowMessageA("TaskbarCreated"));
    const std::string filter = "user32\\.ChangeWindowMessageFilterEx\\(\\w+,";
    EXPECT_EQ(calls(filter + taskbar_created + ",00000001,.*"), 1u);
    EXPECT_EQ(calls(filter + "00000400,00000001,.*"), 1u) << "the icon's callback, WM_USER";
    const std::string begin = "winmm\\.timeBeginPeriod\\(00000001\\)",
                      end = "winmm\\.timeEndPeriod.*";
    harness::pump_for(2500);
    EXPECT_EQ(calls(begin), 0u) << "idle, through a hook check";

    const std::string null_posted = "user32\\.PostMessageA\\(\\w+,00000000,00000000,00000000\\)";
    PostMessageA(applet.window, WM_USER, 1, WM_RBUTTONUP);
    ASSERT_TRUE(harness::wait_until([&] {
        auto menus = harness::windows_of_process(applet.process.dwProcessId, "#32768");
        return !menus.empty() && IsWindowVisible(menus[0]);
    }));
    harness::tap_key(VK_ESCAPE);
    EXPECT_TRUE(harness::wait_until([&] { return calls(null_posted) == 1; }));

    harness::move_cursor_and_wait({300, 300});
    harness::press_button(0);
    harness::release_button(0);
    EXPECT_TRUE(harness::wait_until([&] { return calls(end) == 1; }, 20000));
    EXPECT_EQ(calls(begin), 1u);
    harness::press_button(0);
    EXPECT_TRUE(harness::wait_until([&] { return calls(begin) == 2; }));
    EXPECT_EQ(harness::quit_applet(applet), 0u);
    harness::release_button(0);
    EXPECT_EQ(calls(end), 2u) << "given back at quit with a ripple alive";
}
