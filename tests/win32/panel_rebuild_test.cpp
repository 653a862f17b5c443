// When the panel rebuilds the frames, with the applet in the test process so that the
// frame tables can be watched: every message that must rebuild resizes the frame buffers,
// and no message that must not does (a rebuild at the same side leaves the zeros outside
// the disc as they are, so a pixel planted there would not tell); and the tray menu and
// fonts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "ripple/frames.h"
#include "tests/win32/ripple_support.h"

#include <commctrl.h>

namespace {

int resized_buffers = 0;

void* counting_allocator(void* buffer, std::size_t bytes) {
    ++resized_buffers;
    return std::realloc(buffer, bytes);
}

void watch() {
    ASSERT_NE(frame_tables.hold_frames[0].pixels, nullptr) << "no frame was ever built";
    frame_allocator = counting_allocator;
    resized_buffers = 0;
}

bool rebuilt() {
    frame_allocator = std::realloc;
    return resized_buffers > 0;
}

HWND control(int id) {
    return GetDlgItem(applet_window, id);
}

void slider_message(int id) {
    SendMessageA(applet_window, WM_HSCROLL, SB_THUMBTRACK, reinterpret_cast<LPARAM>(control(id)));
}

} // namespace

TEST(PanelRebuild, SlidersRebuildOnlyForShapingChangesAndTheBoxAlways) {
    ASSERT_EQ(setup::jumps, 1);
    watch();
    slider_message(ID_SPEED_SLIDER);
    EXPECT_TRUE(rebuilt()) << "the first slider message rebuilds, even from the speed slider";
    EXPECT_EQ(setup::jumps, 2);

    for (int position : {5, 0, 2}) {
        SendMessageA(control(ID_SPEED_SLIDER), TBM_SETPOS, TRUE, position);
        watch();
        slider_message(ID_SPEED_SLIDER);
        EXPECT_FALSE(rebuilt()) << "speed position " << position;
    }
    EXPECT_EQ(setup::speed, 50);

    // Each shaping slider moved away from its value: size 32, length 2, jumps 4, circles 3.
    const std::pair<int, int> shaping[] = {{ID_SIZE_SLIDER, 2},
                                           {ID_LENGTH_SLIDER, 2},
                                           {ID_DURATION_SLIDER, 2},
                                           {ID_CIRCLES_SLIDER, 3}};
    for (auto [id, position] : shaping) {
        SendMessageA(control(id), TBM_SETPOS, TRUE, position);
        watch();
        slider_message(id);
        EXPECT_TRUE(rebuilt()) << "slider " << id;
    }
    EXPECT_EQ(setup::size, 32);
    EXPECT_EQ(setup::frames, 2);
    EXPECT_EQ(setup::jumps, 4);
    EXPECT_EQ(setup::circles, 3);

    HWND first_caption = GetWindow(control(ID_OK), GW_HWNDNEXT);
    SetWindowTextA(first_caption, "untouched");
    for (int check : {BST_UNCHECKED, BST_CHECKED, BST_CHECKED}) {
        SendMessageA(control(ID_PEEK_BOX), BM_SETCHECK, check, 0);
        watch();
        SendMessageA(applet_window, WM_COMMAND, ID_PEEK_BOX, 0);
        EXPECT_TRUE(rebuilt()) << "check " << check;
        EXPECT_EQ(setup::peek, check == BST_CHECKED ? 1 : 0);
    }
    char caption[64] = {};
    GetWindowTextA(first_caption, caption, sizeof caption);
    EXPECT_STREQ(caption, "untouched") << "the box leaves the captions alone";
}

TEST(PanelRebuild, RebuildSentByAnyoneBuildsForTheCurrentSettings) {
    setup::size = 48;
    setup::frames = 3;
    EXPECT_EQ(ready_frame(frame_tables.release_frames, 2, 48), nullptr);
    EXPECT_EQ(SendMessageA(applet_window, WM_REBUILD_FRAMES, 0, 0), 0);
    EXPECT_NE(ready_frame(frame_tables.release_frames, 2, 48), nullptr);
}

// ---- the tray menu ---------------------------------------------------------------------

namespace {

struct MenuSeen {
    UINT default_item = 0;
    std::string items;
};
MenuSeen menu_seen;

// Runs inside the menu's own loop: reads the open menu, then closes it.
void CALLBACK read_open_menu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND popup = FindWindowA("#32768", nullptr);
    if (!popup || !IsWindowVisible(popup))
        return;
    KillTimer(nullptr, timer);
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    menu_seen.default_item = GetMenuDefaultItem(menu, FALSE, 0);
    for (int position = 0; position < GetMenuItemCount(menu); ++position) {
        char text[64] = {};
        GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
        menu_seen.items += std::string(text) + " " +
                           std::to_string(static_cast<int>(GetMenuItemID(menu, position))) + "|";
    }
    EndMenu();
}

} // namespace

TEST(TrayMenu, RightReleaseOpensShowHideInBoldThenQuit) {
    SetTimer(nullptr, 0, 50, read_open_menu);
    SendMessageA(applet_window, WM_USER, 1, WM_RBUTTONUP);
    EXPECT_EQ(menu_seen.default_item, static_cast<UINT>(ID_SHOW_HIDE));
    EXPECT_EQ(menu_seen.items, "Show/Hide applet 2001| -1|Quit 2009|");
}

// ---- the controls' font ----------------------------------------------------------------

// Without it the captions and the box show the system's bold font, larger and cut off. The
// sliders draw no text and keep no font.
TEST(PanelFont, TheControlsWithTextHaveTheStockGuiFont) {
    const LRESULT stock = reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT));
    int with_stock_font = 0;
    for (HWND child = GetWindow(applet_window, GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT))
        with_stock_font += SendMessageA(child, WM_GETFONT, 0, 0) == stock;
    EXPECT_EQ(with_stock_font, 7) << "the OK button, the five captions and the check box";
}
