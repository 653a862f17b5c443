// Reading back the screen under a ripple and matching it against the hold frames.
#include "tools/smoke/ripple_on_screen.h"

#include <algorithm>
#include <cstdlib>

#include "app/setup.h"
#include "ripple/frames.h"

namespace ripple_on_screen {

namespace {

bool close_colours(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        int difference =
            static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(difference) > tolerance)
            return false;
    }
    return true;
}

// How many screen pixels (top row first) show the frame (bottom row first).
int matching_pixels(const std::vector<std::uint32_t>& screen, const std::uint32_t* frame,
                    std::int32_t side, std::uint32_t background, int tolerance) {
    int matches = 0;
    for (int row = 0; row < side; ++row) {
        for (int column = 0; column < side; ++column) {
            std::uint32_t pixel = frame[(side - 1 - row) * side + column];
            std::uint32_t expected = pixel >> 24 == 0 ? background : pixel & 0xFFFFFF;
            if (close_colours(screen[row * side + column], expected, tolerance))
                ++matches;
        }
    }
    return matches;
}

} // namespace

HWND create_grey_pad(const char* class_name) {
    WNDCLASSA pad_class = {};
    pad_class.lpfnWndProc = DefWindowProcA;
    pad_class.hInstance = GetModuleHandleA(nullptr);
    pad_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    pad_class.lpszClassName = class_name;
    RegisterClassA(&pad_class);
    return CreateWindowExA(0, class_name, "pad", WS_POPUP | WS_VISIBLE, 100, 100, 800, 600, nullptr,
                           nullptr, pad_class.hInstance, nullptr);
}

std::vector<std::uint32_t> read_screen(const RECT& rect) {
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const std::uint32_t* words = static_cast<const std::uint32_t*>(bits);
    std::vector<std::uint32_t> pixels(words, words + width * height);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    for (std::uint32_t& pixel : pixels)
        pixel &= 0xFFFFFF;
    return pixels;
}

void build_frames(std::int32_t frames, std::int32_t side) {
    setup::apply_defaults();
    setup::frames = frames;
    setup::size = side;
    empty_frames();
    rebuild_frames();
}

int best_hold_frame_match(const RECT& rect, std::int32_t frames, std::int32_t side,
                          std::uint32_t background, int tolerance) {
    if (rect.right - rect.left != side || rect.bottom - rect.top != side)
        return -1;
    std::vector<std::uint32_t> screen = read_screen(rect);
    int best = 0;
    for (int slot = 0; slot < frames; ++slot) {
        const std::uint32_t* frame = ready_frame(frame_tables.hold_frames, slot, side);
        if (!frame)
            return -1;
        best = std::max(best, matching_pixels(screen, frame, side, background, tolerance));
    }
    return best;
}

} // namespace ripple_on_screen
