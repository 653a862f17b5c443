// Painting a styled button. The whole button is composed off-screen (the parent's
// background, then tint, bevel and outer edge laid pixel by pixel, then the focus rectangle
// and the caption) and reaches the button in one transfer, so the screen never shows a
// half-drawn button.
#include "odnb/button.h"
#include "odnb/edges.h"
#include "odnb/pixels.h"
#include "odnb/properties.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

struct Bevel {
    std::int32_t light;
    std::int32_t depth;
};

// By state, Normal, Hot, Down: the Down bevel turns inwards. Off has none.
const Bevel raisedBevels[] = {{24, 96}, {64, 128}, {-64, -32}};
const Bevel flatBevels[] = {{0, 0}, {8, 16}, {-32, -16}};

// A shadowed caption is never pure black: it is drawn in a very dark blue, which reads as
// black beside its shadow.
constexpr COLORREF shadowedBlack = 0x003F0000;

DWORD ReadValue(HWND button, const char* key) {
    return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(GetPropA(button, key)));
}

// Disabled wins over pressed, pressed over hot.
ButtonState ChooseState(HWND button, UINT itemState) {
    if (itemState & ODS_DISABLED)
        return ButtonOff;
    if (itemState & ODS_SELECTED)
        return ButtonDown;
    if (ReadValue(button, IsTrackedKey))
        return ButtonHot;
    return ButtonNormal;
}

void FillBackground(HWND button, HDC surface, const RECT& item) {
    HWND parent = GetParent(button);
    HBRUSH brush = parent ? reinterpret_cast<HBRUSH>(SendMessageA(parent, WM_CTLCOLORBTN,
                                                                  reinterpret_cast<WPARAM>(surface),
                                                                  reinterpret_cast<LPARAM>(button)))
                          : GetSysColorBrush(COLOR_BTNFACE);
    FillRect(surface, &item, brush);
}

void LayPixels(HWND button, PixelImage& image, const RECT& item, ButtonState state) {
    PixelRect rect = {item.left, item.top, item.right, item.bottom};
    ColorRef tint = ReadValue(button, ColorKeys[state]);
    std::int32_t weight = static_cast<std::int32_t>(ReadValue(button, AlphaKeys[state]));
    bool flat = ReadValue(button, FlatKey) != 0;
    if (state == ButtonOff) {
        TintInset(image, rect, 1, tint, weight);
        if (!flat)
            ApplyEdgeTable(image, rect, DisabledEdgeTable);
        return;
    }
    const Bevel& bevel = flat ? flatBevels[state] : raisedBevels[state];
    TintInset(image, rect, 3, tint, weight);
    TintBevel(image, rect, 1, tint, weight, bevel.light, bevel.depth);
    if (!flat)
        ApplyEdgeTable(image, rect, EnabledEdgeTable);
}

// When the buffer cannot be had, the button shows its background and caption only.
void PaintPixels(HWND button, HDC surface, HBITMAP bitmap, const RECT& item, ButtonState state) {
    if (item.right <= 0 || item.bottom <= 0)
        return;
    std::uint32_t width = static_cast<std::uint32_t>(item.right);
    std::uint32_t height = static_cast<std::uint32_t>(item.bottom);
    void* buffer = GlobalAlloc(GPTR, std::size_t{width} * height * sizeof(std::uint32_t));
    if (!buffer)
        return;
    BITMAPINFO header = {};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = item.right;
    header.bmiHeader.biHeight = item.bottom; // positive: rows run bottom-up, as PixelImage
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    GetDIBits(surface, bitmap, 0, height, buffer, &header, DIB_RGB_COLORS);
    PixelImage image = {width, height, static_cast<std::uint32_t*>(buffer)};
    LayPixels(button, image, item, state);
    SetDIBits(surface, bitmap, 0, height, buffer, &header, DIB_RGB_COLORS);
    GlobalFree(buffer);
}

RECT Moved(RECT rect, LONG dx, LONG dy) {
    OffsetRect(&rect, dx, dy);
    return rect;
}

void DrawCaptionText(HDC surface, const std::wstring& text, RECT rect, UINT format) {
    DrawTextW(surface, text.c_str(), static_cast<int>(text.size()), &rect, format);
}

void DrawCaption(HWND button, HDC surface, const std::wstring& text, const RECT& rect, UINT format,
                 ButtonState state) {
    if (!ReadValue(button, IsShadowKeys[state])) {
        DrawCaptionText(surface, text, rect, format);
        return;
    }
    COLORREF shadow = ReadValue(button, ShadowKeys[state]);
    if (ShadowTextFn) {
        COLORREF textColor = GetTextColor(surface);
        if (textColor == 0)
            textColor = shadowedBlack;
        RECT target = rect;
        ShadowTextFn(surface, text.c_str(), static_cast<UINT>(text.size()), &target, format,
                     textColor, shadow, 2, 1);
        return;
    }
    // Without DrawShadowText the shadow becomes a one-pixel outline on all four sides.
    COLORREF previous = SetTextColor(surface, shadow);
    DrawCaptionText(surface, text, Moved(rect, -1, 0), format);
    DrawCaptionText(surface, text, Moved(rect, 1, 0), format);
    DrawCaptionText(surface, text, Moved(rect, 0, 1), format);
    DrawCaptionText(surface, text, Moved(rect, 0, -1), format);
    SetTextColor(surface, previous);
    DrawCaptionText(surface, text, rect, format);
}

// The length GetWindowTextW reports is the one used: for a button created through the ANSI
// functions GetWindowTextLengthW may count more units than the text has.
std::wstring ReadCaption(HWND button) {
    int length = GetWindowTextLengthW(button);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    int copied = GetWindowTextW(button, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

} // namespace

UINT CaptionFormat(UINT itemState) {
    UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (itemState & ODS_NOACCEL)
        format |= DT_HIDEPREFIX;
    return format;
}

void DrawButton(HWND button, const DRAWITEMSTRUCT& item) {
    if (!ReadValue(button, IsStyledKey))
        return;
    RECT itemRect = item.rcItem;
    RECT captionRect = item.rcItem;

    HDC surface = CreateCompatibleDC(item.hDC);
    HBITMAP bitmap = CreateCompatibleBitmap(item.hDC, itemRect.right, itemRect.bottom);
    HGDIOBJ previousBitmap = SelectObject(surface, bitmap);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(button, WM_GETFONT, 0, 0));
    HGDIOBJ previousFont = SelectObject(surface, font);

    SetBkMode(surface, TRANSPARENT);
    bool disabled = item.itemState & ODS_DISABLED;
    SetTextColor(surface, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    FillBackground(button, surface, itemRect);

    std::wstring caption = ReadCaption(button);

    ButtonState state = ChooseState(button, item.itemState);
    if (state == ButtonDown)
        captionRect = Moved(captionRect, 1, 1);
    PaintPixels(button, surface, bitmap, itemRect, state);

    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT focus = {captionRect.left + 3, captionRect.top + 3, captionRect.right - 4,
                      captionRect.bottom - 4};
        DrawFocusRect(surface, &focus);
    }
    DrawCaption(button, surface, caption, captionRect, CaptionFormat(item.itemState), state);

    BitBlt(item.hDC, 0, 0, itemRect.right, itemRect.bottom, surface, 0, 0, SRCCOPY);
    SelectObject(surface, previousBitmap);
    SelectObject(surface, previousFont);
    DeleteObject(bitmap);
    DeleteDC(surface);
}
