// The ripple windows on the screen. The applet itself declares no DPI awareness, so that
// the system scales its settings panel; a ripple window instead lives in physical pixels,
// where the hook reports the cursor and where a frame is shown unstretched. Every call
// that creates, moves, raises or updates one runs with the thread switched to per-monitor
// awareness and switched back right after.
#include "ripple/ripple_window.h"

#include <cstring>

#include "app/ondrella.h"

namespace {

constexpr DWORD ripple_extended_style =
    WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST;

using SetThreadDpiAwarenessContextFunction = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
using GetThreadDpiAwarenessContextFunction = DPI_AWARENESS_CONTEXT(WINAPI*)();
using GetAwarenessFromDpiAwarenessContextFunction = DPI_AWARENESS(WINAPI*)(DPI_AWARENESS_CONTEXT);

// The per-thread awareness functions, looked up at run time: systems before Windows 10
// have none, and there the applet runs as it always did.
struct ThreadAwareness {
    SetThreadDpiAwarenessContextFunction set;
    GetThreadDpiAwarenessContextFunction get;
    GetAwarenessFromDpiAwarenessContextFunction awareness_of;
};

template <typename Function> Function user32_function(const char* name) {
    FARPROC found = GetProcAddress(GetModuleHandleA("user32.dll"), name);
    return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

const ThreadAwareness& thread_awareness() {
    static const ThreadAwareness functions = {
        user32_function<SetThreadDpiAwarenessContextFunction>("SetThreadDpiAwarenessContext"),
        user32_function<GetThreadDpiAwarenessContextFunction>("GetThreadDpiAwarenessContext"),
        user32_function<GetAwarenessFromDpiAwarenessContextFunction>(
            "GetAwarenessFromDpiAwarenessContext")};
    return functions;
}

// The per-monitor context this system honours, found on the first call: version 2 is
// asked first; where it is refused (Windows 10 before 1703, Wine 8) or taken without
// effect (64-bit Wine 8), version 1 serves, which places and sizes a window in physical
// pixels all the same. Null where neither is known (before Windows 10).
DPI_AWARENESS_CONTEXT per_monitor_context() {
    static const DPI_AWARENESS_CONTEXT chosen = [] {
        const ThreadAwareness& functions = thread_awareness();
        if (!functions.set || !functions.get || !functions.awareness_of)
            return DPI_AWARENESS_CONTEXT{nullptr};
        DPI_AWARENESS_CONTEXT previous = functions.set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
        const bool honoured =
            functions.awareness_of(functions.get()) == DPI_AWARENESS_PER_MONITOR_AWARE;
        if (previous)
            functions.set(previous);
        return honoured ? DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
                        : DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE;
    }();
    return chosen;
}

// Runs work with the thread per-monitor aware, and restores its awareness after.
template <typename Work> void in_physical_pixels(Work work) {
    const DPI_AWARENESS_CONTEXT context = per_monitor_context();
    const DPI_AWARENESS_CONTEXT previous = context ? thread_awareness().set(context) : nullptr;
    work();
    if (previous)
        thread_awareness().set(previous);
}

// The one surface that every draw copies its frame into. A DIB section of 32 bits per
// pixel takes the frame's alpha on any display; a bitmap compatible with a 16-bit screen
// would have none, and the layered update would refuse it.
struct RippleSurface {
    HDC context;
    HBITMAP bitmap;
    HGDIOBJ replaced_bitmap;
    std::uint32_t* pixels;
    int side;
};

RippleSurface surface;

bool surface_ready(int side) {
    if (surface.side == side)
        return true;
    release_ripple_surface();
    BITMAPINFO description = {};
    description.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    description.bmiHeader.biWidth = side;
    description.bmiHeader.biHeight = side; // bottom-up, as the frames are laid out
    description.bmiHeader.biPlanes = 1;
    description.bmiHeader.biBitCount = 32;
    description.bmiHeader.biCompression = BI_RGB;
    HDC context = CreateCompatibleDC(nullptr);
    if (!context)
        return false;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(context, &description, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (!bitmap) {
        DeleteDC(context);
        return false;
    }
    surface = {context, bitmap, SelectObject(context, bitmap), static_cast<std::uint32_t*>(pixels),
               side};
    return true;
}

// To the top of the always-on-top band, without taking the activation; `more` adds flags.
void raise_ripple_window(HWND window, UINT more) {
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | more);
}

} // namespace

HWND create_ripple_window(POINT cursor, int side) {
    int half = side >> 1;
    HWND window = nullptr;
    in_physical_pixels([&] {
        // Created hidden and then shown without activation: a window created visible is
        // activated by some systems despite WS_EX_NOACTIVATE, and the keys the user types
        // next would go to it.
        window = CreateWindowExA(ripple_extended_style, ripple_class_name, ripple_class_name,
                                 WS_POPUP, cursor.x - half, cursor.y - half, side, side, nullptr,
                                 nullptr, module_instance, nullptr);
        raise_ripple_window(window, SWP_SHOWWINDOW);
    });
    return window;
}

void move_ripple_window(HWND window, POINT cursor, int side) {
    int half = side >> 1;
    in_physical_pixels(
        [&] { MoveWindow(window, cursor.x - half, cursor.y - half, side, side, FALSE); });
}

void draw_ripple_window(HWND window, const std::uint32_t* pixels, int side) {
    in_physical_pixels([&] {
        raise_ripple_window(window, SWP_NOREDRAW);
        if (!pixels || !surface_ready(side))
            return;
        std::memcpy(surface.pixels, pixels, static_cast<std::size_t>(side) * side * sizeof *pixels);
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        SIZE extent = {side, side};
        POINT source_origin = {0, 0};
        // No screen context: it would serve only palette matching, which 32-bit
        // pixels do not need.
        UpdateLayeredWindow(window, nullptr, nullptr, &extent, surface.context, &source_origin, 0,
                            &blend, ULW_ALPHA);
    });
}

POINT physical_cursor_position() {
    POINT cursor = {};
    in_physical_pixels([&] { GetCursorPos(&cursor); });
    return cursor;
}

void release_ripple_surface() {
    if (!surface.context)
        return;
    SelectObject(surface.context, surface.replaced_bitmap);
    DeleteObject(surface.bitmap);
    DeleteDC(surface.context);
    surface = RippleSurface{};
}
