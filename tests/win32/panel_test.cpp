// The settings panel and the tray icon of the shipped applet, end to end: what the panel
// shows, what its sliders write and save, the keys, button and tray clicks that show and
// hide it, its background on the screen, and the icon through a shell restart.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/win32/applet_fixture.h"
#include "tests/win32/harness.h"

#include <commctrl.h>
#include <shellapi.h>

namespace {

struct Control {
    const char* class_name;
    const char* text;
    int id;
    LONG style; // beyond WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN
    RECT place; // left, top, right, bottom in the panel's client area
};

// In creation order, which is the tab order, laid out in the 400 x 400 client area.
const Control controls[] = {
    {"Button", "OK", 1, WS_TABSTOP | BS_OWNERDRAW, {133, 336, 266, 360}},
    {"Static", "Animation size:\n64", 0, SS_CENTER, {48, 100, 144, 136}},
    {"Static", "Frames per second:\n40", 0, SS_CENTER, {48, 136, 144, 172}},
    {"Static", "Length (in frames):\n16", 0, SS_CENTER, {48, 172, 144, 208}},
    {"Static", "Duration:\n1", 0, SS_CENTER, {48, 208, 144, 244}},
    {"Static", "Circles density:\n2", 0, SS_CENTER, {48, 244, 144, 280}},
    {"msctls_trackbar32", "", 1001, WS_TABSTOP | TBS_AUTOTICKS, {144, 100, 352, 136}},
    {"msctls_trackbar32", "", 1002, WS_TABSTOP | TBS_AUTOTICKS, {144, 136, 352, 172}},
    {"msctls_trackbar32", "", 1003, WS_TABSTOP | TBS_AUTOTICKS, {144, 172, 352, 208}},
    {"msctls_trackbar32", "", 1004, WS_TABSTOP | TBS_AUTOTICKS, {144, 208, 352, 244}},
    {"msctls_trackbar32", "", 1005, WS_TABSTOP | TBS_AUTOTICKS, {144, 244, 352, 280}},
    {"Button", "Sharp peek", 1006, WS_TABSTOP | BS_AUTOCHECKBOX, {152, 280, 360, 316}},
};
constexpr int first_caption = 1;
constexpr int first_slider = 6;
constexpr int peek_box = 11;

std::string text_of(HWND window) {
    char text[128] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::vector<HWND> children_in_order(HWND panel) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(panel, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

RECT client_place(HWND panel, HWND child) {
    RECT place;
    GetWindowRect(child, &place);
    MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&place), 2);
    return place;
}

bool menu_open(DWORD process_id) {
    for (HWND menu : harness::windows_of_process(process_id, "#32768")) {
        if (IsWindowVisible(menu))
            return true;
    }
    return false;
}

class PanelTest : public AppletTest {
  protected:
    void start() {
        AppletTest::start();
        children = children_in_order(applet.window);
        ASSERT_EQ(children.size(), std::size(controls));
    }
    // The sliders' messages carry the slider in lParam; the panel reads all five anyway.
    void slider_message(int slider) {
        SendMessageA(applet.window, WM_HSCROLL, SB_THUMBPOSITION,
                     reinterpret_cast<LPARAM>(children[first_slider + slider]));
    }
    std::string caption_value(int slider) {
        std::string text = text_of(children[first_caption + slider]);
        return text.substr(text.find('\n') + 1);
    }
    LRESULT position(int slider) {
        return SendMessageA(children[first_slider + slider], TBM_GETPOS, 0, 0);
    }
    void show() {
        SendMessageA(applet.window, WM_COMMAND, 2001, 0);
        ASSERT_TRUE(harness::wait_until([&] { return GetForegroundWindow() == applet.window; }));
    }
    bool hidden_and_running() {
        return harness::wait_until([&] { return !IsWindowVisible(applet.window); }) &&
               harness::is_running(applet) && harness::tray_icon_present(applet.window);
    }
    std::vector<HWND> children;
};

// Where Wine's shell shows the only icon. Wine 10, in a virtual desktop without a taskbar,
// puts each icon in a window of its own inside the notification area's small window at the
// top left; Wine 8 draws them into its taskbar across the screen, the first at the right
// end, a small icon with a border of 2 pixels.
bool wine_tray_icon_place(HWND tray, RECT& place) {
    HWND icon = FindWindowExA(tray, nullptr, "__wine_tray_icon", nullptr);
    if (icon && IsWindowVisible(icon))
        return GetWindowRect(icon, &place);
    RECT bar;
    if (!GetWindowRect(tray, &bar) || bar.right - bar.left != GetSystemMetrics(SM_CXSCREEN))
        return false;
    const int side = GetSystemMetrics(SM_CXSMICON) + 4;
    place = {bar.right - side, bar.top, bar.right, bar.top + side};
    return true;
}

// Where the shell shows the applet's icon: Windows 7 and later say so, Wine does not
// (Shell_NotifyIconGetRect returns E_NOTIMPL there).
bool find_tray_icon(HWND owner, POINT& centre) {
    return harness::wait_until([&] {
        HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
        if (!tray || !IsWindowVisible(tray))
            return false;
        NOTIFYICONIDENTIFIER icon = {sizeof icon, owner, 1, {}};
        RECT place;
        if (Shell_NotifyIconGetRect(&icon, &place) != S_OK && !wine_tray_icon_place(tray, place))
            return false;
        centre = {(place.left + place.right) / 2, (place.top + place.bottom) / 2};
        return true;
    });
}

} // namespace

TEST_F(PanelTest, FirstRunShowsTheDefaultsInTwelveControls) {
    start();
    show();
    const LONG common = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    for (std::size_t i = 0; i < children.size(); ++i) {
        const Control& expected = controls[i];
        char class_name[64] = {};
        GetClassNameA(children[i], class_name, sizeof class_name);
        EXPECT_EQ(lstrcmpiA(class_name, expected.class_name), 0) << i << " " << class_name;
        EXPECT_EQ(text_of(children[i]), expected.text) << i;
        EXPECT_EQ(GetDlgCtrlID(children[i]), expected.id) << i;
        EXPECT_EQ(GetWindowLongA(children[i], GWL_STYLE), common | expected.style) << i;
        RECT place = client_place(applet.window, children[i]);
        EXPECT_TRUE(EqualRect(&place, &expected.place))
            << i << ": " << place.left << ", " << place.top << ", " << place.right << ", "
            << place.bottom;
    }
    const LRESULT positions[] = {3, 3, 16, 1, 2};
    for (int slider = 0; slider < 5; ++slider)
        EXPECT_EQ(position(slider), positions[slider]) << slider;
    EXPECT_EQ(SendMessageA(children[peek_box], BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(GetPropA(children[0], "ODNB::Is"), reinterpret_cast<HANDLE>(1))
        << "the OK button is styled";
    EXPECT_EQ(harness::quit_applet(applet), 0u);
}

TEST_F(PanelTest, SlidersWriteTheSettingsTheCaptionsShowAndQuitSaves) {
    start();
    // The first slider message, even from the speed slider, takes every slider's value:
    // the duration slider at its minimum 1 makes jumps 2.
    slider_message(1);
    EXPECT_EQ(caption_value(3), "2");
    const char* const rates[] = {"5", "10", "20", "40", "100", "Maximum"};
    for (int at = 0; at <= 5; ++at) {
        SendMessageA(children[first_slider + 1], TBM_SETPOS, TRUE, at);
        slider_message(1);
        EXPECT_EQ(caption_value(1), rates[at]) << "speed position " << at;
    }
    SendMessageA(children[first_slider], TBM_SETPOS, TRUE, 5);
    SendMessageA(children[first_slider + 3], TBM_SETPOS, TRUE, 4);
    slider_message(0);
    EXPECT_EQ(caption_value(0), "256");
    EXPECT_EQ(caption_value(3), "8");
    // A caption overwritten by anyone is rewritten by a refresh sent by anyone.
    SetWindowTextA(children[first_caption], "stale");
    SendMessageA(applet.window, WM_APP + 2, 0, 0);
    EXPECT_EQ(caption_value(0), "256");
    EXPECT_EQ(harness::quit_applet(applet, 60000), 0u);
    std::int32_t size = 0, speed = 0, jumps = 0;
    ASSERT_TRUE(harness::read_setting("setup::size", size));
    ASSERT_TRUE(harness::read_setting("setup::speed", speed));
    ASSERT_TRUE(harness::read_setting("setup::jumps", jumps));
    EXPECT_EQ(size, 256);
    EXPECT_EQ(speed, 1);
    EXPECT_EQ(jumps, 8);
}

TEST_F(PanelTest, StoredValuesTheSlidersCannotShowStayUntilTheNextSliderMessage) {
    harness::seed_settings(100, 100, 1, 25, 2, 0);
    start();
    EXPECT_EQ(position(0), 0);
    EXPECT_EQ(caption_value(0), "100");
    EXPECT_EQ(position(2), 64);
    EXPECT_EQ(caption_value(2), "100");
    EXPECT_EQ(SendMessageA(children[peek_box], BM_GETCHECK, 0, 0), BST_UNCHECKED);
    slider_message(2);
    EXPECT_EQ(caption_value(0), "8");
    EXPECT_EQ(caption_value(2), "64");
    EXPECT_EQ(harness::quit_applet(applet), 0u);
}

TEST_F(PanelTest, EnterEscapeAndOkHideThePanelAndTheAppletRunsOn) {
    start();
    for (WORD key : {VK_RETURN, VK_ESCAPE}) {
        show();
        harness::tap_key(key);
        EXPECT_TRUE(hidden_and_running()) << "key " << key;
    }
    show();
    RECT ok;
    GetWindowRect(children[0], &ok);
    harness::move_cursor((ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2);
    harness::press_button(0);
    harness::pump_for(50);
    harness::release_button(0);
    EXPECT_TRUE(hidden_and_running()) << "the OK button";
    EXPECT_TRUE(harness::windows_of_process(applet.process.dwProcessId, "Blimmer Object").empty())
        << "a click on the panel in front makes no ripple";
    EXPECT_EQ(harness::quit_applet(applet), 0u);
}

TEST_F(PanelTest, TrayIconActsOnDoubleClickAndRightReleaseOnly) {
    start();
    DWORD process_id = applet.process.dwProcessId;
    auto tray = [&](UINT mouse_message) {
        PostMessageA(applet.window, WM_USER, 1, mouse_message);
        harness::pump_for(200);
    };
    tray(WM_LBUTTONDOWN);
    tray(WM_LBUTTONUP);
    tray(WM_RBUTTONDOWN);
    EXPECT_FALSE(IsWindowVisible(applet.window));
    EXPECT_FALSE(menu_open(process_id));
    tray(WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(applet.window));
    EXPECT_TRUE(harness::wait_until([&] { return GetForegroundWindow() == applet.window; }));
    tray(WM_LBUTTONDBLCLK);
    EXPECT_FALSE(IsWindowVisible(applet.window));

    // The menu brings the hidden panel to the front; once it is closed, the next press
    // on another program makes its ripple.
    harness::move_cursor(600, 400);
    tray(WM_RBUTTONUP);
    ASSERT_TRUE(harness::wait_until([&] { return menu_open(process_id); }));
    harness::tap_key(VK_ESCAPE);
    ASSERT_TRUE(harness::wait_until([&] { return !menu_open(process_id); }));
    harness::move_cursor(300, 500);
    harness::press_button(0);
    EXPECT_TRUE(harness::wait_until(
        [&] { return !harness::windows_of_process(process_id, "Blimmer Object").empty(); }));
    harness::release_button(0);
    EXPECT_EQ(harness::quit_applet(applet), 0u);
}

// The shell hands clicks on the icon to the applet only through the callback message the
// icon was added with, and the menu's "Quit" reaches the applet only by its command id.
TEST_F(PanelTest, RealClicksOnTheIconShowThePanelAndItsMenuQuits) {
    HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
    // Started before the notification area is there: no top-level "Shell_TrayWnd" yet.
    ASSERT_TRUE(SetParent(tray, CreateWindowExA(0, "Static", "", 0, 0, 0, 0, 0, 0, 0, 0, 0)));
    bool started = !FindWindowA("Shell_TrayWnd", nullptr) && harness::start_applet(applet);
    SetParent(tray, nullptr);
    ASSERT_TRUE(started && applet.window);
    POINT icon;
    ASSERT_TRUE(find_tray_icon(applet.window, icon)) << "the shell shows no icon";
    harness::move_cursor_and_wait(icon);
    INPUT double_click[] = {harness::button_input(0, true), harness::button_input(0, false),
                            harness::button_input(0, true), harness::button_input(0, false)};
    SendInput(4, double_click, sizeof(INPUT));
    EXPECT_TRUE(harness::wait_until([&] { return IsWindowVisible(applet.window); }));
    // Hidden again before the right click: Windows keeps the notification area above other
    // windows, Wine 10's small window at the top left lies under a panel placed there too.
    harness::tap_key(VK_ESCAPE);
    ASSERT_TRUE(harness::wait_until([&] { return !IsWindowVisible(applet.window); }));
    INPUT right_click[] = {harness::button_input(1, true), harness::button_input(1, false)};
    SendInput(2, right_click, sizeof(INPUT));
    ASSERT_TRUE(harness::wait_until([&] { return menu_open(applet.process.dwProcessId); }));
    harness::wipe_settings();
    harness::tap_key(VK_UP); // from no selection to the last item, "Quit"
    harness::tap_key(VK_RETURN);
    EXPECT_EQ(harness::wait_for_exit(applet), 0u);
    EXPECT_EQ(harness::settings_value_count(), 6) << "quit saves";
}

TEST_F(PanelTest, IconComesBackWhenTheShellStartsAnewAndGoesAtQuit) {
    start();
    ASSERT_TRUE(harness::tray_icon_present(applet.window));
    // Refused because the shell holds the icon, as after a late answer, the add counts as done.
    SendMessageA(applet.window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    NOTIFYICONDATAA record = {};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = applet.window;
    record.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &record));
    harness::pump_for(3 * 2000);
    ASSERT_FALSE(IsWindowVisible(FindWindowA("Shell_TrayWnd", nullptr))) << "an icon is left";
    SendMessageA(applet.window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(harness::tray_icon_present(applet.window));
    HWND window = applet.window;
    EXPECT_EQ(harness::quit_applet(applet), 0u);
    EXPECT_FALSE(harness::tray_icon_present(window));
}

TEST_F(PanelTest, BackgroundPatternRunsUnderTheControlsWithoutASeam) {
    start();
    show();
    harness::pump_for(300);
    HMODULE exe =
        LoadLibraryExA(harness::applet_exe_path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    HBITMAP background = LoadBitmapA(exe, MAKEINTRESOURCEA(101));
    ASSERT_NE(background, nullptr);
    HDC picture = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(picture, background);
    HDC screen = GetDC(nullptr);
    // Points in the panel's client area: the title band, below a caption's text, above a
    // slider's channel, right of the check box's text.
    const POINT points[] = {{300, 30}, {50, 134}, {146, 101}, {350, 298}};
    for (POINT at : points) {
        POINT on_screen = at;
        ClientToScreen(applet.window, &on_screen);
        EXPECT_EQ(GetPixel(screen, on_screen.x, on_screen.y), GetPixel(picture, at.x, at.y))
            << at.x << ", " << at.y;
    }
    // The OK button is drawn: its raised bevel lightens the pattern inside its edge.
    POINT bevel = {135, 338};
    ClientToScreen(applet.window, &bevel);
    EXPECT_NE(GetPixel(screen, bevel.x, bevel.y), GetPixel(picture, 135, 338));
    ReleaseDC(nullptr, screen);
    SelectObject(picture, previous);
    DeleteDC(picture);
    DeleteObject(background);
    FreeLibrary(exe);
    EXPECT_EQ(harness::quit_applet(applet), 0u);
}
