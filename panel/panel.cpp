// The settings panel's controls, layout, captions and background. The controls are
// created at 0, 0 with no size; WM_SIZE places them all in one batch.
#include "panel/panel.h"

#include <commctrl.h>

#include "app/ondrella.h"
#include "odnb/button.h"
#include "panel/panel_rules.h"

namespace {

constexpr DWORD child_style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr int background_bitmap = 101;

HBITMAP background;
HBRUSH pattern;
HWND ok_button;
HWND captions[panel_slider_count];
HWND sliders[panel_slider_count];
HWND peek_box;
ShapingValues last_built;

const PanelSlider every_slider[panel_slider_count] = {size_slider, speed_slider, length_slider,
                                                      duration_slider, circles_slider};

HWND create_child(HWND panel, const char* class_name, const char* text, DWORD style, int id) {
    return CreateWindowExA(0, class_name, text, child_style | style, 0, 0, 0, 0, panel,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module_instance,
                           nullptr);
}

std::int32_t& setting_of(PanelSlider slider) {
    switch (slider) {
    case size_slider: return setup::size;
    case speed_slider: return setup::speed;
    case length_slider: return setup::frames;
    case duration_slider: return setup::jumps;
    case circles_slider: break;
    }
    return setup::circles;
}

BOOL CALLBACK give_stock_font(HWND child, LPARAM only_when_zero) {
    if (only_when_zero == 0)
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                     TRUE);
    return TRUE;
}

void defer_move(HDWP& batch, HWND control, const ControlRect& rect) {
    batch = DeferWindowPos(batch, control, nullptr, rect.x, rect.y, rect.width, rect.height,
                           SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

void create_panel(HWND panel) {
    background = LoadBitmapA(module_instance, MAKEINTRESOURCEA(background_bitmap));
    pattern = CreatePatternBrush(background);

    ok_button = create_child(panel, "BUTTON", "OK", WS_TABSTOP | BS_OWNERDRAW, ID_OK);
    StyleButton(ok_button, OkButtonStyle, false);
    for (HWND& caption : captions)
        caption = create_child(panel, "STATIC", "", SS_CENTER, 0);
    for (PanelSlider slider : every_slider) {
        sliders[slider] = create_child(panel, TRACKBAR_CLASSA, "", WS_TABSTOP | TBS_AUTOTICKS,
                                       ID_SIZE_SLIDER + slider);
        SliderRange range = slider_range(slider);
        SendMessageA(sliders[slider], TBM_SETRANGE, TRUE, MAKELPARAM(range.minimum, range.maximum));
    }
    peek_box =
        create_child(panel, "BUTTON", "Sharp peek", WS_TABSTOP | BS_AUTOCHECKBOX, ID_PEEK_BOX);

    for (PanelSlider slider : every_slider)
        SendMessageA(sliders[slider], TBM_SETPOS, TRUE,
                     position_of_setting(slider, setting_of(slider)));
    SendMessageA(peek_box, BM_SETCHECK, static_cast<WPARAM>(setup::peek), 0);
    EnumChildWindows(panel, give_stock_font, 0);
}

void destroy_panel() {
    DeleteObject(pattern);
    DeleteObject(background);
}

void lay_out_panel(unsigned width, unsigned height) {
    int width_signed = static_cast<int>(width);
    HDWP batch = BeginDeferWindowPos(16);
    defer_move(batch, ok_button, ok_button_rect(width, height));
    for (PanelSlider slider : every_slider)
        defer_move(batch, captions[slider], caption_rect(slider));
    for (PanelSlider slider : every_slider)
        defer_move(batch, sliders[slider], slider_rect(slider, width_signed));
    defer_move(batch, peek_box, peek_box_rect(width_signed));
    EndDeferWindowPos(batch);
}

void erase_panel(HWND panel, HDC context) {
    RECT client;
    GetClientRect(panel, &client);
    FillRect(context, &client, pattern);
}

void draw_ok_button(const DRAWITEMSTRUCT& item) {
    DrawButton(ok_button, item);
}

void panel_slider_moved(HWND panel) {
    for (PanelSlider slider : every_slider) {
        int position = static_cast<int>(SendMessageA(sliders[slider], TBM_GETPOS, 0, 0));
        setting_of(slider) = setting_of_position(slider, position);
    }
    SendMessageA(panel, WM_REFRESH_LABELS, 0, 0);
    ShapingValues current = {setup::size, setup::frames, setup::jumps, setup::circles};
    if (take_changed_shaping(last_built, current))
        SendMessageA(panel, WM_REBUILD_FRAMES, 0, 0);
}

void panel_peek_toggled(HWND panel) {
    setup::peek = SendMessageA(peek_box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    SendMessageA(panel, WM_REBUILD_FRAMES, 0, 0);
}

void refresh_captions() {
    for (PanelSlider slider : every_slider) {
        char text[caption_capacity];
        caption_text(slider, setting_of(slider), text);
        SetWindowTextA(captions[slider], text);
    }
}

HBRUSH child_background(HWND panel, HDC child_context, HWND child, bool black_text) {
    if (black_text)
        SetTextColor(child_context, RGB(0, 0, 0));
    SetBkMode(child_context, TRANSPARENT);
    RECT place;
    GetWindowRect(child, &place);
    // The pattern starts at the panel's client origin; moved by the child's offset, it
    // continues under the child without a seam.
    MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&place), 2);
    UnrealizeObject(pattern);
    SetBrushOrgEx(child_context, -place.left, -place.top, nullptr);
    return pattern;
}
