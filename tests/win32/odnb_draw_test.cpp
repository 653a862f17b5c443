// Drawing of the owner-drawn button under Wine. A styled button is drawn into an off-screen
// surface through a test parent that answers WM_CTLCOLORBTN with a solid brush; the pixels
// read back are compared exactly with the background, tint, bevel and edge that the state
// calls for, and the caption with the same text drawn by the platform the same way.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>

#include "odnb/button.h"
#include "odnb/edges.h"
#include "odnb/pixels.h"

namespace {

constexpr COLORREF background = 0x00B08050; // red 0x50, green 0x80, blue 0xB0
constexpr LONG itemWidth = 41;
constexpr LONG itemHeight = 23;
constexpr std::uint32_t sentinelWord = 0x00123456;
constexpr ColorRef sentinelColor = 0x00563412; // the same, read as a colour
constexpr UINT plainFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

// What the parent saw when it was asked for its brush.
struct BrushRequest {
    int count;
    HDC dc;
    HWND button;
    COLORREF textColor;
    int backgroundMode;
};
BrushRequest brushRequest;
HBRUSH backgroundBrush;
COLORREF parentTextColor = CLR_INVALID; // set by the parent while answering, unless invalid

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_CTLCOLORBTN)
        return DefWindowProcA(window, message, wparam, lparam);
    HDC dc = reinterpret_cast<HDC>(wparam);
    brushRequest = {brushRequest.count + 1, dc, reinterpret_cast<HWND>(lparam), GetTextColor(dc),
                    GetBkMode(dc)};
    if (parentTextColor != CLR_INVALID)
        SetTextColor(dc, parentTextColor);
    return reinterpret_cast<LRESULT>(backgroundBrush);
}

// A bottom-up 32-bit section, so that its bits are a PixelImage as they stand.
struct Surface {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previousBitmap;
    PixelImage image;
};

Surface MakeSurface(LONG width, LONG height) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 32, BI_RGB};
    void* bits = nullptr;
    Surface surface = {CreateCompatibleDC(nullptr)};
    surface.bitmap = CreateDIBSection(surface.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    surface.previousBitmap = SelectObject(surface.dc, surface.bitmap);
    surface.image = {static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
                     static_cast<std::uint32_t*>(bits)};
    return surface;
}

void FreeSurface(Surface& surface) {
    SelectObject(surface.dc, surface.previousBitmap);
    DeleteObject(surface.bitmap);
    DeleteDC(surface.dc);
}

DrawShadowTextFunction PlatformShadowText() {
    FARPROC found = GetProcAddress(GetModuleHandleA("comctl32"), "DrawShadowText");
    return reinterpret_cast<DrawShadowTextFunction>(reinterpret_cast<void*>(found));
}

enum class Caption { Plain, Outline, ShadowText };

// Everything the drawing of one state depends on, as the test states it.
struct Look {
    bool off;
    COLORREF tint;
    std::int32_t weight, light, depth;
    bool flat, shifted, focus;
    COLORREF textColor;
    UINT format;
    Caption caption;
    COLORREF shadow;
};

void DrawPlainText(HDC dc, const std::wstring& text, RECT rect, LONG dx, LONG dy, UINT format) {
    OffsetRect(&rect, dx, dy);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
}

// The parent's brush, the pixel edits, then focus rectangle and caption by the platform.
Surface Expected(const Look& look, const std::wstring& text, LONG width = itemWidth,
                 LONG height = itemHeight) {
    Surface expected = MakeSurface(width, height);
    RECT item = {0, 0, width, height};
    FillRect(expected.dc, &item, backgroundBrush);
    GdiFlush();
    PixelRect rect = {0, 0, width, height};
    TintInset(expected.image, rect, look.off ? 1 : 3, look.tint, look.weight);
    if (!look.off)
        TintBevel(expected.image, rect, 1, look.tint, look.weight, look.light, look.depth);
    if (!look.flat)
        ApplyEdgeTable(expected.image, rect, look.off ? DisabledEdgeTable : EnabledEdgeTable);
    RECT caption = item;
    OffsetRect(&caption, look.shifted, look.shifted);
    SelectObject(expected.dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(expected.dc, TRANSPARENT);
    SetTextColor(expected.dc, look.textColor);
    if (look.focus) {
        RECT focus = {caption.left + 3, caption.top + 3, caption.right - 4, caption.bottom - 4};
        DrawFocusRect(expected.dc, &focus);
    }
    if (look.caption == Caption::ShadowText) {
        PlatformShadowText()(expected.dc, text.c_str(), static_cast<UINT>(text.size()), &caption,
                             look.format, look.textColor, look.shadow, 2, 1);
    } else {
        if (look.caption == Caption::Outline) {
            SetTextColor(expected.dc, look.shadow);
            for (POINT offset : {POINT{-1, 0}, POINT{1, 0}, POINT{0, 1}, POINT{0, -1}})
                DrawPlainText(expected.dc, text, caption, offset.x, offset.y, look.format);
            SetTextColor(expected.dc, look.textColor);
        }
        DrawPlainText(expected.dc, text, caption, 0, 0, look.format);
    }
    GdiFlush();
    return expected;
}

// Empty when the target's item area equals `expected` and nothing outside it changed;
// otherwise the first differences.
std::string Differences(const Surface& target, Surface&& expected) {
    std::ostringstream report;
    int count = 0;
    for (std::int32_t y = 0; y < static_cast<std::int32_t>(target.image.height); ++y) {
        for (std::int32_t x = 0; x < static_cast<std::int32_t>(target.image.width); ++x) {
            bool inItem = static_cast<std::uint32_t>(x) < expected.image.width &&
                          static_cast<std::uint32_t>(y) < expected.image.height;
            ColorRef want = inItem ? ReadPixel(expected.image, x, y) : sentinelColor;
            ColorRef got = ReadPixel(target.image, x, y);
            if (got != want && count++ < 6)
                report << "(" << x << ", " << y << "): 0x" << std::hex << got << " not 0x" << want
                       << std::dec << "\n";
        }
    }
    FreeSurface(expected);
    if (count > 6)
        report << count - 6 << " more\n";
    return report.str();
}

bool Same(const Surface& target, Surface&& expected) {
    return Differences(target, std::move(expected)).empty();
}

const ButtonStyle testStyle = {
    {0x00206090, 0x00306020, 0x00402080, 0x00A0C0E0},
    {100, 160, 60, 200},
    {0, 0, 0, 0},
    {0x000000FF, 0x0000FF00, 0x00FF0000, 0x00FFFFFF},
};

class DrawButtonTest : public testing::Test {
  protected:
    void SetUp() override {
        // The applet links the common controls for good; the test holds them likewise, so
        // that the DrawShadowText found by StyleButton stays loaded.
        static HMODULE commonControls = LoadLibraryA("comctl32");
        ASSERT_NE(commonControls, nullptr);
        savedShadowText = ShadowTextFn;
        backgroundBrush = CreateSolidBrush(background);
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = ParentProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "OdnbDrawTestParent";
        RegisterClassA(&windowClass);
        parent = CreateWindowExA(0, windowClass.lpszClassName, "odnb", WS_POPUP, 100, 100, 200, 100,
                                 nullptr, nullptr, windowClass.hInstance, nullptr);
        button = CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 10, 10,
                                 itemWidth, itemHeight, parent, nullptr, nullptr, nullptr);
        ASSERT_NE(button, nullptr);
        SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                     FALSE);
        target = MakeSurface(itemWidth + 6, itemHeight + 5);
        brushRequest = {};
        parentTextColor = CLR_INVALID;
    }
    void TearDown() override {
        ReleaseCapture();
        FreeSurface(target);
        DestroyWindow(parent);
        DeleteObject(backgroundBrush);
        ShadowTextFn = savedShadowText;
    }
    void Draw(UINT itemState, LONG width = itemWidth, LONG height = itemHeight) {
        for (std::uint32_t i = 0; i < target.image.width * target.image.height; ++i)
            target.image.pixels[i] = sentinelWord;
        DRAWITEMSTRUCT item = {ODT_BUTTON, 0, 0, ODA_DRAWENTIRE, itemState, button, target.dc};
        item.rcItem = {0, 0, width, height};
        DrawButton(button, item);
        GdiFlush();
    }
    // The test style's Normal, Down and Off looks: raised, plain caption, no focus.
    static Look Normal() {
        return {false,
                testStyle.Color[0],
                testStyle.Alpha[0],
                24,
                96,
                false,
                false,
                false,
                GetSysColor(COLOR_BTNTEXT),
                plainFormat,
                Caption::Plain,
                0};
    }
    static Look Down() {
        return {false,
                testStyle.Color[2],
                testStyle.Alpha[2],
                -64,
                -32,
                false,
                true,
                false,
                GetSysColor(COLOR_BTNTEXT),
                plainFormat,
                Caption::Plain,
                0};
    }
    static Look Off() {
        return {true,
                testStyle.Color[3],
                testStyle.Alpha[3],
                0,
                0,
                false,
                false,
                false,
                GetSysColor(COLOR_GRAYTEXT),
                plainFormat,
                Caption::Plain,
                0};
    }
    DrawShadowTextFunction savedShadowText = nullptr;
    HWND parent = nullptr;
    HWND button = nullptr;
    Surface target = {};
};

struct StateCase {
    const char* name;
    UINT itemState;
    bool hot;
    int state;
    std::int32_t raisedLight, raisedDepth, flatLight, flatDepth;
};

void PrintTo(const StateCase& stateCase, std::ostream* out) {
    *out << stateCase.name;
}

const StateCase stateCases[] = {
    {"Normal", 0, false, 0, 24, 96, 0, 0},
    {"Hot", 0, true, 1, 64, 128, 8, 16},
    {"Down", ODS_SELECTED, false, 2, -64, -32, -32, -16},
    {"DownWhileHot", ODS_SELECTED, true, 2, -64, -32, -32, -16},
    {"Off", ODS_DISABLED, false, 3, 0, 0, 0, 0},
    {"OffWhileHotAndSelected", ODS_DISABLED | ODS_SELECTED, true, 3, 0, 0, 0, 0},
};

class DrawStateTest : public DrawButtonTest,
                      public testing::WithParamInterface<std::tuple<StateCase, bool>> {};

// Down moves the caption and the focus rectangle one pixel right and down, and only them;
// disabled wins over selected, which wins over hot.
TEST_P(DrawStateTest, MatchesTheStateTable) {
    auto [stateCase, flat] = GetParam();
    StyleButton(button, testStyle, flat);
    if (stateCase.hot) {
        SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        ASSERT_NE(GetPropA(button, "ODNB::IsTracked"), nullptr);
    }
    Draw(stateCase.itemState | ODS_FOCUS);
    bool off = stateCase.state == ButtonOff;
    Look look = {off,
                 testStyle.Color[stateCase.state],
                 testStyle.Alpha[stateCase.state],
                 flat ? stateCase.flatLight : stateCase.raisedLight,
                 flat ? stateCase.flatDepth : stateCase.raisedDepth,
                 flat,
                 stateCase.state == ButtonDown,
                 true,
                 GetSysColor(off ? COLOR_GRAYTEXT : COLOR_BTNTEXT),
                 plainFormat,
                 Caption::Plain,
                 0};
    EXPECT_EQ(Differences(target, Expected(look, L"OK")), "");
    look.shifted = !look.shifted;
    EXPECT_FALSE(Same(target, Expected(look, L"OK"))) << "the shift must be visible";
}

INSTANTIATE_TEST_SUITE_P(States, DrawStateTest,
                         testing::Combine(testing::ValuesIn(stateCases), testing::Bool()),
                         [](const testing::TestParamInfo<std::tuple<StateCase, bool>>& param) {
                             return std::string(std::get<0>(param.param).name) +
                                    (std::get<1>(param.param) ? "Flat" : "Raised");
                         });

TEST_F(DrawButtonTest, OkStyleNormalShowsOnlyBevelAndEdgeOverTheBackground) {
    StyleButton(button, OkButtonStyle, false);
    Draw(0);
    EXPECT_EQ(ReadPixel(target.image, 0, 0), 0x00AC7C4Cu);           // edge corner, -4
    EXPECT_EQ(ReadPixel(target.image, 1, 1), 0x00906030u);           // edge diagonal, -32
    EXPECT_EQ(ReadPixel(target.image, 20, 0), 0x00906030u);          // edge top line, -32
    EXPECT_EQ(ReadPixel(target.image, 20, 1), 0x00C89868u);          // bevel top line, +24
    EXPECT_EQ(ReadPixel(target.image, 20, 2), 0x00BC8C5Cu);          // bevel inner top line, +12
    EXPECT_EQ(ReadPixel(target.image, 5, 5), background);            // no tint at weight 255
    EXPECT_EQ(ReadPixel(target.image, 20, 21), 0x00502000u);         // bevel bottom line, -96
    EXPECT_EQ(ReadPixel(target.image, 20, 22), 0x00D0A070u);         // edge bottom line, +32
    EXPECT_EQ(ReadPixel(target.image, 39, 21), 0x00D0A070u);         // edge diagonal, +32
    EXPECT_EQ(ReadPixel(target.image, itemWidth, 0), sentinelColor); // beyond the item
}

TEST_F(DrawButtonTest, FlatNormalGetsTheTintAloneWithItsCornersLeftAsBackground) {
    SetWindowTextA(button, "");
    StyleButton(button, testStyle, true);
    Draw(0);
    const ColorRef tinted = 0x00586C76; // the background mixed with the tint at weight 100
    for (std::int32_t y = 0; y < itemHeight; ++y) {
        for (std::int32_t x = 0; x < itemWidth; ++x) {
            bool ring = x == 0 || y == 0 || x == itemWidth - 1 || y == itemHeight - 1;
            bool corner = (x == 1 || x == itemWidth - 2) && (y == 1 || y == itemHeight - 2);
            ASSERT_EQ(ReadPixel(target.image, x, y), ring || corner ? background : tinted)
                << x << ", " << y;
        }
    }
}

TEST_F(DrawButtonTest, TinyButtonsKeepWhatFits) {
    SetWindowTextA(button, "");
    StyleButton(button, testStyle, false);
    for (LONG width = 1; width <= 5; ++width) {
        for (LONG height = 1; height <= 5; ++height) {
            Draw(0, width, height);
            EXPECT_EQ(Differences(target, Expected(Normal(), L"", width, height)), "")
                << width << " x " << height;
        }
    }
}

TEST_F(DrawButtonTest, NoFocusRectangleWithNoFocusRect) {
    StyleButton(button, testStyle, false);
    Draw(ODS_FOCUS | ODS_NOFOCUSRECT);
    EXPECT_EQ(Differences(target, Expected(Normal(), L"OK")), "");
    Look focused = Normal();
    focused.focus = true;
    EXPECT_FALSE(Same(target, Expected(focused, L"OK")));
}

TEST(CaptionFormat, HidesTheMnemonicOnlyWithoutKeyboardCues) {
    EXPECT_EQ(CaptionFormat(0), 0x00000025u);
    EXPECT_EQ(CaptionFormat(ODS_FOCUS | ODS_SELECTED | ODS_DISABLED | ODS_NOFOCUSRECT), 0x25u);
    EXPECT_EQ(CaptionFormat(ODS_NOACCEL), 0x00100025u);
    EXPECT_EQ(CaptionFormat(ODS_NOACCEL | ODS_FOCUS), 0x00100025u);
}

// Wine's DrawTextW underlines the mnemonic whether DT_HIDEPREFIX is given or not, so here
// the pixels show only that the caption is drawn with the format above.
TEST_F(DrawButtonTest, MnemonicCaptionIsDrawnWithTheStatesFormat) {
    SetWindowTextA(button, "&Go");
    StyleButton(button, testStyle, false);
    Draw(0);
    EXPECT_EQ(Differences(target, Expected(Normal(), L"&Go")), "");
    EXPECT_FALSE(Same(target, Expected(Normal(), L"Go"))) << "the ampersand marks a mnemonic";
    Look hidden = Normal();
    hidden.format = plainFormat | DT_HIDEPREFIX;
    Draw(ODS_NOACCEL);
    EXPECT_EQ(Differences(target, Expected(hidden, L"&Go")), "");
}

TEST_F(DrawButtonTest, ParentIsAskedForItsBrushWithTheCaptionColourSet) {
    StyleButton(button, testStyle, false);
    Draw(ODS_DISABLED);
    EXPECT_EQ(brushRequest.count, 1);
    EXPECT_EQ(brushRequest.button, button);
    EXPECT_NE(brushRequest.dc, target.dc) << "the background goes to the off-screen surface";
    EXPECT_EQ(brushRequest.backgroundMode, TRANSPARENT);
    EXPECT_EQ(brushRequest.textColor, GetSysColor(COLOR_GRAYTEXT));

    parentTextColor = 0x000000C0;
    Draw(0);
    EXPECT_EQ(brushRequest.textColor, GetSysColor(COLOR_BTNTEXT));
    Look look = Normal();
    look.textColor = parentTextColor;
    EXPECT_EQ(Differences(target, Expected(look, L"OK")), "") << "the parent's colour stays";
}

TEST_F(DrawButtonTest, UnstyledButtonIsNotPaintedAndLoneButtonsUseTheFaceColour) {
    Draw(ODS_FOCUS);
    EXPECT_EQ(Differences(target, MakeSurface(0, 0)), "");
    EXPECT_EQ(brushRequest.count, 0);

    HWND lone = CreateWindowExA(0, "BUTTON", "", WS_POPUP | BS_OWNERDRAW, 0, 0, itemWidth,
                                itemHeight, nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(GetParent(lone), nullptr);
    StyleButton(lone, OkButtonStyle, false);
    std::swap(button, lone);
    Draw(0);
    std::swap(button, lone);
    DestroyWindow(lone);
    EXPECT_EQ(ReadPixel(target.image, 5, 5), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(ReadPixel(target.image, 0, 0), ShadeColor(GetSysColor(COLOR_BTNFACE), -4));
    EXPECT_EQ(brushRequest.count, 0);
}

TEST_F(DrawButtonTest, ShadowWithoutDrawShadowTextIsAFourCopyOutline) {
    ButtonStyle style = testStyle;
    style.IsShadow[0] = style.IsShadow[2] = 1;
    StyleButton(button, style, false);
    ShadowTextFn = nullptr;
    Draw(0);
    Look outlined = Normal();
    outlined.caption = Caption::Outline;
    outlined.shadow = style.Shadow[0];
    EXPECT_EQ(Differences(target, Expected(outlined, L"OK")), "");
    EXPECT_FALSE(Same(target, Expected(Normal(), L"OK")));
    Draw(ODS_DISABLED);
    EXPECT_EQ(Differences(target, Expected(Off(), L"OK")), "") << "Off has no shadow";
}

TEST_F(DrawButtonTest, DrawShadowTextIsFoundAndDrawsBlackAsDarkBlue) {
    ASSERT_NE(PlatformShadowText(), nullptr) << "the common controls here lack DrawShadowText";
    ASSERT_EQ(GetSysColor(COLOR_BTNTEXT), 0u) << "the case needs black button text";
    ShadowTextFn = nullptr;
    ButtonStyle style = testStyle;
    style.IsShadow[2] = 1;
    StyleButton(button, style, false);
    EXPECT_EQ(ShadowTextFn, PlatformShadowText());
    Draw(ODS_SELECTED);
    Look shadowed = Down();
    shadowed.caption = Caption::ShadowText;
    shadowed.shadow = style.Shadow[2];
    shadowed.textColor = 0x003F0000;
    EXPECT_EQ(Differences(target, Expected(shadowed, L"OK")), "");
    shadowed.textColor = 0;
    EXPECT_FALSE(Same(target, Expected(shadowed, L"OK")));
}

} // namespace
