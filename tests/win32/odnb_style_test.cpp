// Styling and hover tracking of the owner-drawn button on real buttons: the exact property
// set a style leaves, the subclass and what it passes on, the class-wide loss of double
// clicks, the hot state driven by real mouse-move and capture messages, a second styling,
// and the clean-up when the button is destroyed.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "odnb/button.h"
#include "tests/win32/harness.h"

namespace {

using Properties = std::map<std::string, ULONG_PTR>;

constexpr UINT probeMessage = WM_APP + 7;
constexpr LRESULT probeAnswer = 0x5EED;
constexpr int width = 41;
constexpr int height = 23;

BOOL CALLBACK CollectProperty(HWND, LPSTR name, HANDLE value, ULONG_PTR collected) {
    bool hasString = HIWORD(reinterpret_cast<ULONG_PTR>(name)) != 0; // not an atom alone
    if (hasString && std::string(name).rfind("ODNB::", 0) == 0)
        (*reinterpret_cast<Properties*>(collected))[name] = reinterpret_cast<ULONG_PTR>(value);
    return TRUE;
}

// Every "ODNB::" property on the window, those holding 0 included.
Properties OdnbProperties(HWND window) {
    Properties properties;
    EnumPropsExA(window, CollectProperty, reinterpret_cast<LPARAM>(&properties));
    return properties;
}

ULONG_PTR Tracked(HWND window) {
    return reinterpret_cast<ULONG_PTR>(GetPropA(window, "ODNB::IsTracked"));
}

// A procedure put under the subclass: the one it must pass every message on to.
struct Arrival {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    ULONG_PTR trackedOnArrival;
};
std::map<HWND, std::vector<Arrival>> arrivals;
WNDPROC buttonClassProcedure;
WNDPROC procedureAtNcDestroy;
Properties propertiesAtNcDestroy;

LRESULT CALLBACK RecorderProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    arrivals[window].push_back({message, wparam, lparam, Tracked(window)});
    if (message == probeMessage)
        return probeAnswer;
    if (message == WM_NCDESTROY) {
        procedureAtNcDestroy = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
        propertiesAtNcDestroy = OdnbProperties(window);
    }
    return CallWindowProcA(buttonClassProcedure, window, message, wparam, lparam);
}

void PutRecorderUnder(HWND button) {
    buttonClassProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecorderProc)));
}

std::vector<UINT> Arrived(HWND window, UINT first, UINT last) {
    std::vector<UINT> messages;
    for (const Arrival& arrival : arrivals[window]) {
        if (arrival.message >= first && arrival.message <= last)
            messages.push_back(arrival.message);
    }
    return messages;
}

LPARAM Point(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)),
                      static_cast<WORD>(static_cast<short>(y)));
}

bool HasUpdate(HWND window) {
    return GetUpdateRect(window, nullptr, FALSE) != FALSE;
}

const ButtonStyle plainStyle = {
    {0x00102030, 0x00405060, 0x00708090, 0x00A0B0C0},
    {11, 22, 33, 44},
    {0, 0, 0, 0},
    {0x00010203, 0x00040506, 0x00070809, 0x000A0B0C},
};

class StyledButtonTest : public testing::Test {
  protected:
    void SetUp() override {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "OdnbStyleTestParent";
        RegisterClassA(&windowClass);
        // The real cursor stays away: only the messages a test sends count.
        SetCursorPos(1010, 750);
        parent =
            CreateWindowExA(WS_EX_TOPMOST, windowClass.lpszClassName, "odnb", WS_POPUP | WS_VISIBLE,
                            200, 150, 300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
        button = CreateButton(BS_OWNERDRAW, 20);
        ASSERT_NE(button, nullptr);
        arrivals.clear();
    }
    void TearDown() override {
        ReleaseCapture();
        DestroyWindow(parent);
        harness::pump_for(20);
    }
    HWND CreateButton(DWORD style, int x) {
        return CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | style, x, 30, width,
                               height, parent, nullptr, nullptr, nullptr);
    }
    // Styled over the recorder, its update region cleared.
    void Style(const ButtonStyle& style = plainStyle, bool flat = false) {
        PutRecorderUnder(button);
        StyleButton(button, style, flat);
        ValidateRect(button, nullptr);
        arrivals.clear();
    }
    void Move(int x, int y, WPARAM keys = 0) {
        SendMessageA(button, WM_MOUSEMOVE, keys, Point(x, y));
    }
    void Enter() {
        Move(5, 5);
        ASSERT_EQ(GetCapture(), button);
        ValidateRect(button, nullptr);
    }
    HWND parent = nullptr;
    HWND button = nullptr;
};

TEST_F(StyledButtonTest, WritesExactlyTheStyleItIsGiven) {
    PutRecorderUnder(button);
    StyleButton(button, plainStyle, false);
    Properties expected = {
        {"ODNB::Is", 1},
        {"ODNB::Color", 0x00102030},
        {"ODNB::Color::Hot", 0x00405060},
        {"ODNB::Color::Down", 0x00708090},
        {"ODNB::Color::Off", 0x00A0B0C0},
        {"ODNB::Alpha", 11},
        {"ODNB::Alpha::Hot", 22},
        {"ODNB::Alpha::Down", 33},
        {"ODNB::Alpha::Off", 44},
        {"ODNB::OldProcedure", reinterpret_cast<ULONG_PTR>(RecorderProc)},
    };
    EXPECT_EQ(OdnbProperties(button), expected) << "no flat or shadow property when off";

    // Flat, shadows in two states (any nonzero flag), a black tint: each property exists.
    ButtonStyle style = plainStyle;
    style.IsShadow[0] = 1;
    style.IsShadow[2] = 7;
    style.Color[1] = 0;
    HWND other = CreateButton(BS_OWNERDRAW, 120);
    StyleButton(other, style, true);
    expected.erase("ODNB::OldProcedure");
    expected["ODNB::Color::Hot"] = 0;
    expected["ODNB::Flat"] = 1;
    expected["ODNB::IsShadow"] = 1;
    expected["ODNB::Shadow"] = 0x00010203;
    expected["ODNB::IsShadow::Down"] = 1;
    expected["ODNB::Shadow::Down"] = 0x00070809;
    Properties properties = OdnbProperties(other);
    EXPECT_NE(properties["ODNB::OldProcedure"], 0u);
    properties.erase("ODNB::OldProcedure");
    EXPECT_EQ(properties, expected);
}

TEST_F(StyledButtonTest, OkButtonStyleHasItsShadowsOnlyWhenHotAndDown) {
    StyleButton(button, OkButtonStyle, false);
    Properties properties = OdnbProperties(button);
    properties.erase("ODNB::OldProcedure");
    Properties expected = {
        {"ODNB::Is", 1},
        {"ODNB::Color", 0x00FFFFFF},
        {"ODNB::Color::Hot", 0x00CCCCCC},
        {"ODNB::Color::Down", 0x00CCCCCC},
        {"ODNB::Color::Off", 0x00FFFFFF},
        {"ODNB::Alpha", 255},
        {"ODNB::Alpha::Hot", 204},
        {"ODNB::Alpha::Down", 204},
        {"ODNB::Alpha::Off", 255},
        {"ODNB::IsShadow::Hot", 1},
        {"ODNB::Shadow::Hot", 0x00CCCCCC},
        {"ODNB::IsShadow::Down", 1},
        {"ODNB::Shadow::Down", 0x00FFFFFF},
    };
    EXPECT_EQ(properties, expected);
}

TEST_F(StyledButtonTest, SubclassPassesEveryMessageOnUnchangedAfterTracking) {
    Style();
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(button, GWLP_WNDPROC)), ButtonSubclassProc);
    EXPECT_EQ(SendMessageA(button, probeMessage, 0x1234, 0x56789ABC), probeAnswer);
    char text[16] = {};
    EXPECT_EQ(SendMessageA(button, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text)), 2);
    EXPECT_STREQ(text, "OK");
    Move(4, 6);
    SendMessageA(button, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(parent));

    std::vector<Arrival>& seen = arrivals[button];
    auto find = [&](UINT message) {
        for (const Arrival& arrival : seen) {
            if (arrival.message == message)
                return arrival;
        }
        ADD_FAILURE() << "message " << message << " was not passed on";
        return Arrival{};
    };
    Arrival probe = find(probeMessage);
    EXPECT_EQ(probe.wparam, 0x1234u);
    EXPECT_EQ(probe.lparam, 0x56789ABC);
    Arrival move = find(WM_MOUSEMOVE);
    EXPECT_EQ(move.lparam, Point(4, 6));
    EXPECT_EQ(move.trackedOnArrival, 1u);
    Arrival change = find(WM_CAPTURECHANGED);
    EXPECT_EQ(change.lparam, reinterpret_cast<LPARAM>(parent));
    EXPECT_EQ(change.trackedOnArrival, 0u);
    EXPECT_EQ(Arrived(button, probeMessage, probeMessage).size(), 1u);
}

// Two real clicks in quick succession on a push button of the same class.
std::vector<UINT> DoubleClick(HWND target) {
    RECT rect;
    GetWindowRect(target, &rect);
    SetForegroundWindow(GetParent(target));
    harness::move_cursor((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    harness::pump_for(100);
    arrivals.clear();
    for (int click = 0; click < 2; ++click) {
        harness::press_button(0);
        harness::release_button(0);
    }
    harness::pump_for(200);
    harness::move_cursor(1010, 750);
    return Arrived(target, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK);
}

TEST_F(StyledButtonTest, StylingEndsDoubleClicksForEveryButtonOfTheProcess) {
    HWND pushButton = CreateButton(BS_PUSHBUTTON, 120);
    SetClassLongA(pushButton, GCL_STYLE, GetClassLongA(pushButton, GCL_STYLE) | CS_DBLCLKS);
    PutRecorderUnder(pushButton);
    ASSERT_EQ(DoubleClick(pushButton),
              (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}))
        << "without a double click to begin with the check below proves nothing";
    StyleButton(button, plainStyle, false);
    EXPECT_EQ(GetClassLongA(pushButton, GCL_STYLE) & CS_DBLCLKS, 0u);
    EXPECT_EQ(DoubleClick(pushButton),
              (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}));
}

// Only the hover's own invalidation counts. Wine 10 invalidates a newly shown window, with
// erase, when the X server exposes it, which reaches the window at any later message check,
// UpdateWindow's included; a round in which the parent was invalidated too saw such an
// exposure and is played again.
TEST_F(StyledButtonTest, EnteringTakesTheCaptureAndInvalidatesOnceWithoutErasing) {
    Style();
    bool undisturbed = false;
    for (int round = 0; round < 5 && !undisturbed; ++round) {
        if (round > 0)
            Move(-4, -4);
        ValidateRect(parent, nullptr);
        ValidateRect(button, nullptr);
        arrivals.clear();
        Move(0, 0);
        EXPECT_EQ(GetCapture(), button);
        EXPECT_EQ(Tracked(button), 1u);
        RECT update, client;
        ASSERT_TRUE(GetUpdateRect(button, &update, FALSE));
        GetClientRect(button, &client);
        EXPECT_TRUE(EqualRect(&update, &client));
        UpdateWindow(button);
        undisturbed = !HasUpdate(parent);
    }
    ASSERT_TRUE(undisturbed) << "the parent was invalidated in every round";
    EXPECT_EQ(Arrived(button, WM_PAINT, WM_PAINT).size(), 1u);
    EXPECT_TRUE(Arrived(button, WM_ERASEBKGND, WM_ERASEBKGND).empty());

    Move(7, 9);
    Move(width - 1, height - 1);
    EXPECT_FALSE(HasUpdate(button));
    EXPECT_EQ(GetCapture(), button);
    EXPECT_EQ(Tracked(button), 1u);
}

TEST_F(StyledButtonTest, LeavingReleasesTheCaptureAndOnlyLeavingDoes) {
    Style();
    Move(width + 10, 5);
    Move(-4, -4);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Tracked(button), 0u);
    EXPECT_FALSE(HasUpdate(button)) << "outside without the capture nothing happens";

    const POINT outside[] = {{width, 5}, {5, height}, {-1, 5}, {5, -1}, {-300, -200}};
    for (POINT point : outside) {
        Enter();
        Move(point.x, point.y);
        EXPECT_NE(GetCapture(), button) << point.x << ", " << point.y;
        EXPECT_EQ(Tracked(button), 0u) << point.x << ", " << point.y;
        EXPECT_TRUE(HasUpdate(button)) << point.x << ", " << point.y;
    }
    Enter();
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    Move(width + 20, 5, MK_LBUTTON);
    EXPECT_EQ(Tracked(button), 0u) << "also while the mouse button is held";
    EXPECT_NE(GetCapture(), button);
}

TEST_F(StyledButtonTest, CaptureGoingElsewhereEndsTheHotStateButNotToTheButtonItself) {
    Style();
    Enter();
    SendMessageA(button, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(button));
    EXPECT_EQ(Tracked(button), 1u);
    EXPECT_FALSE(HasUpdate(button));

    SetCapture(parent);
    EXPECT_EQ(Tracked(button), 0u);
    EXPECT_TRUE(HasUpdate(button));
    EXPECT_EQ(Arrived(button, WM_CAPTURECHANGED, WM_CAPTURECHANGED).size(), 2u);

    // The button procedure releases the capture at the end of a click.
    Enter();
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    SendMessageA(button, WM_LBUTTONUP, 0, Point(5, 5));
    EXPECT_EQ(Tracked(button), 0u);
    Move(6, 6);
    EXPECT_EQ(Tracked(button), 1u);
    EXPECT_EQ(GetCapture(), button);
}

TEST_F(StyledButtonTest, StylingAgainOnlyRewritesTheStyle) {
    ButtonStyle first = plainStyle;
    first.IsShadow[0] = first.IsShadow[1] = 1;
    Style(first, true);
    ButtonStyle second = plainStyle;
    second.Color[2] = 0x00332211;
    second.IsShadow[3] = 1;
    StyleButton(button, second, false);

    // Were the subclass its own previous procedure, the next message would never return.
    ASSERT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(button, GWLP_WNDPROC)), ButtonSubclassProc);
    Properties properties = OdnbProperties(button);
    ASSERT_EQ(properties["ODNB::OldProcedure"], reinterpret_cast<ULONG_PTR>(RecorderProc));
    EXPECT_EQ(properties.size(), 12u);
    EXPECT_EQ(properties.count("ODNB::Flat") + properties.count("ODNB::IsShadow") +
                  properties.count("ODNB::Shadow::Hot"),
              0u);
    EXPECT_EQ(properties["ODNB::Shadow::Off"], 0x000A0B0Cu);
    EXPECT_EQ(properties["ODNB::Color::Down"], 0x00332211u);
    EXPECT_EQ(SendMessageA(button, probeMessage, 1, 2), probeAnswer);
    EXPECT_EQ(Arrived(button, probeMessage, probeMessage).size(), 1u);
}

TEST_F(StyledButtonTest, DestructionRestoresTheProcedureAndRemovesEveryProperty) {
    ButtonStyle style = plainStyle;
    style.IsShadow[1] = 1;
    Style(style, true);
    Enter();
    ASSERT_EQ(OdnbProperties(button).size(), 14u);
    procedureAtNcDestroy = nullptr;
    propertiesAtNcDestroy = {{"not reached", 0}};
    HWND destroyed = button;
    DestroyWindow(button);
    EXPECT_EQ(Arrived(destroyed, WM_NCDESTROY, WM_NCDESTROY).size(), 1u);
    EXPECT_EQ(procedureAtNcDestroy, RecorderProc);
    EXPECT_TRUE(propertiesAtNcDestroy.empty());
}

} // namespace
