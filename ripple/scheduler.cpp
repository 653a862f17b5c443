// The ripple scheduler. A tick only selects ready frames and copies them to the screen;
// every drawing resource taken for one ripple is released before the next is handled.
#include "ripple/scheduler.h"

#include "app/ondrella.h"
#include "ripple/capture.h"
#include "ripple/frames.h"
#include "ripple/ripple_rules.h"

std::vector<Ripple> ripples;

namespace {

const FrameSlot* table_of(const Ripple& ripple) {
    switch (table_of_ripple(ripple.first_cycle != 0, ripple.releasing != 0)) {
    case FrameTable::attack: return frame_tables.attack_frames;
    case FrameTable::hold: return frame_tables.hold_frames;
    case FrameTable::release: return frame_tables.release_frames;
    }
    return frame_tables.hold_frames;
}

bool has_later_ripple(std::size_t position) {
    for (std::size_t later = position + 1; later < ripples.size(); ++later) {
        if (ripples[later].button == ripples[position].button)
            return true;
    }
    return false;
}

} // namespace

void present_frame(const Ripple& ripple) {
    int side = setup::size;
    SetWindowPos(ripple.window, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE);
    // A slot that holds no frame of the current size (the frame count was lowered while
    // the ripple played, or a buffer could not be allocated) shows nothing this tick.
    const std::uint32_t* pixels = ready_frame(table_of(ripple), ripple.frame, side);
    if (!pixels)
        return;

    HDC window_context = GetDC(ripple.window);
    HDC memory_context = CreateCompatibleDC(window_context);
    HBITMAP surface = CreateCompatibleBitmap(window_context, side, side);
    HGDIOBJ previous_bitmap = SelectObject(memory_context, surface);

    BITMAPINFO description = {};
    description.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    description.bmiHeader.biWidth = side;
    description.bmiHeader.biHeight = side;
    description.bmiHeader.biPlanes = 1;
    description.bmiHeader.biBitCount = 32;
    description.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(memory_context, 0, 0, side, side, 0, 0, 0, side, pixels, &description,
                      DIB_RGB_COLORS);
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    HDC screen_context = GetDC(nullptr);
    SIZE extent = {side, side};
    POINT source_origin = {0, 0};
    UpdateLayeredWindow(ripple.window, screen_context, nullptr, &extent, memory_context,
                        &source_origin, 0, &blend, ULW_ALPHA);
    ReleaseDC(nullptr, screen_context);

    SelectObject(memory_context, previous_bitmap);
    DeleteObject(surface);
    DeleteDC(memory_context);
    ReleaseDC(ripple.window, window_context);
}

void ripple_tick(HWND applet) {
    // Only a tick that finds nothing to play stops the timer; the tick that retires the
    // last ripple leaves it for the next one.
    if (ripples.empty()) {
        KillTimer(applet, RIPPLE_TIMER);
        return;
    }
    std::size_t position = 0;
    while (position < ripples.size()) {
        Ripple& ripple = ripples[position];
        present_frame(ripple);
        std::int32_t shown = ripple.frame;
        ripple.frame = shown + 1;
        if (shown < setup::frames - 1) {
            ++position;
            continue;
        }
        bool newest = !has_later_ripple(position);
        ripple.first_cycle = 0;
        // The button itself is asked, so a release that missed the hook cannot keep the
        // newest ripple holding for ever.
        bool held = newest && button_held(ripple.button);
        switch (end_of_cycle(newest, held, ripple.releasing != 0)) {
        case CycleEnd::another_cycle: ripple.frame = 0; break;
        case CycleEnd::start_release:
            ripple.frame = 0;
            ripple.releasing = 1;
            break;
        case CycleEnd::retire:
            DestroyWindow(ripple.window);
            // The successor moves into this position and is handled in this same tick.
            ripples.erase(ripples.begin() + static_cast<std::ptrdiff_t>(position));
            continue;
        }
        ++position;
    }
}
