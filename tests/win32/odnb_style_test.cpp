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

constexpr char parentClass[] = "OdnbStyleTestParent";
constexpr UINT probeMessage = WM_APP + 7;
constexpr LRESULT probeAnswer = 0x5EED;
constexpr int buttonWidth = 41;
constexpr int buttonHeight = 23;

BOOL CALLBACK CollectProperty(HWND, LPSTR name, HANDLE value, ULONG_PTR collected) {
    // Properties named by an atom alone carry no string.
    if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) == 0)
        return TRUE;
    std::string key = name;
    if (key.rfind("ODNB::", 0) == 0)
        (*reinterpret_cast<Properties*>(collected))[key] = reinterpret_cast<ULONG_PTR>(value);
    return TRUE;
}

// Every "ODNB::" property on the window, present ones with the value 0 included.
Properties OdnbProperties(HWND window) {
    Properties properties;
    EnumPropsExA(window, CollectProperty, reinterpret_cast<LPARAM>(&properties));
    return properties;
}

ULONG_PTR Property(HWND window, const char* key) {
    return reinterpret_cast<ULONG_PTR>(GetPropA(window, key));
}

// A procedure put under the subclass, as the one it must pass every message on to.
struct Arrival {
    HWND window;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    ULONG_PTR trackedOnArrival;
};
std::vector<Arrival> arrivals;
WNDPROC buttonClassProcedure;
// Seen by the recorder while WM_NCDESTROY reaches it.
WNDPROC procedureAtNcDestroy;
Properties propertiesAtNcDestroy;

LRESULT CALLBACK RecorderProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    arrivals.push_back({window, message, wparam, lparam, Property(window, "ODNB::IsTracked")});
    if (message == probeMessage)
        return probeAnswer;
    if (message == WM_NCDESTROY) {
        procedureAtNcDestroy = reinterpret_cast<WNDPROC>(GetWindowLongA(window, GWL_WNDPROC));
        propertiesAtNcDestroy = OdnbProperties(window);
    }
    return CallWindowProcA(buttonClassProcedure, window, message, wparam, lparam);
}

void PutRecorderUnder(HWND button) {
    buttonClassProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongA(button, GWL_WNDPROC, reinterpret_cast<LONG>(RecorderProc)));
}

std::vector<UINT> ArrivedMessages(HWND window, UINT first, UINT last) {
    std::vector<UINT> messages;
    for (const Arrival& arrival : arrivals) {
        if (arrival.window == window && arrival.message >= first && arrival.message <= last)
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
        windowClass.lpszClassName = parentClass;
        RegisterClassA(&windowClass);
        // Keep the real cursor away from the windows: only the messages a test sends count.
        SetCursorPos(1010, 750);
        parent =
            CreateWindowExA(WS_EX_TOPMOST, parentClass, "odnb", WS_POPUP | WS_VISIBLE, 200, 150,
                            300, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent, nullptr);
        button = CreateButton(BS_OWNERDRAW, 20, 30);
        ASSERT_NE(button, nullptr);
        arrivals.clear();
    }
    void TearDown() override {
        ReleaseCapture();
        DestroyWindow(parent);
        harness::pump_for(20);
    }
    HWND CreateButton(DWORD style, int x, int y) {
        return CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | style, x, y, buttonWidth,
                               buttonHeight, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    // Styled over the recorder, with the update region cleared.
    void StyleOverRecorder(const ButtonStyle& style = plainStyle, bool flat = false) {
        PutRecorderUnder(button);
        StyleButton(button, style, flat);
        ValidateRect(button, nullptr);
        arrivals.clear();
    }
    void Move(int x, int y) { SendMessageA(button, WM_MOUSEMOVE, 0, Point(x, y)); }
    void Enter() {
        Move(5, 5);
        ASSERT_EQ(GetCapture(), button);
        ValidateRect(button, nullptr);
    }
    HWND parent = nullptr;
    HWND button = nullptr;
};

// ---- the property set -------------------------------------------------------------

TEST_F(StyledButtonTest, WritesExactlyTheStyleWithoutShadowsOrFlat) {
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
    EXPECT_EQ(OdnbProperties(button), expected);
    EXPECT_EQ(Property(button, "ODNB::Flat"), 0u);
    EXPECT_EQ(Property(button, "ODNB::Shadow::Hot"), 0u);
}

TEST_F(StyledButtonTest, WritesShadowsOnlyWhereTheirFlagIsOnAndFlatOnlyWhenFlat) {
    ButtonStyle style = plainStyle;
    style.IsShadow[0] = 1;
    style.IsShadow[2] = 7;
    style.Alpha[3] = 255;
    PutRecorderUnder(button);
    StyleButton(button, style, true);
    Properties properties = OdnbProperties(button);
    EXPECT_EQ(properties.size(), 15u);
    EXPECT_EQ(properties["ODNB::Flat"], 1u);
    EXPECT_EQ(properties["ODNB::Alpha::Off"], 255u);
    EXPECT_EQ(properties["ODNB::IsShadow"], 1u);
    EXPECT_EQ(properties["ODNB::Shadow"], 0x00010203u);
    EXPECT_EQ(properties["ODNB::IsShadow::Down"], 1u);
    EXPECT_EQ(properties["ODNB::Shadow::Down"], 0x00070809u);
    EXPECT_EQ(OdnbProperties(button).count("ODNB::IsShadow::Hot"), 0u);
    EXPECT_EQ(OdnbProperties(button).count("ODNB::Shadow::Off"), 0u);
}

TEST_F(StyledButtonTest, BlackTintIsStoredAsAZeroThatExists) {
    ButtonStyle style = plainStyle;
    style.Color[0] = 0x00000000;
    style.Alpha[1] = 0;
    StyleButton(button, style, false);
    Properties properties = OdnbProperties(button);
    ASSERT_EQ(properties.count("ODNB::Color"), 1u);
    EXPECT_EQ(properties["ODNB::Color"], 0u);
    ASSERT_EQ(properties.count("ODNB::Alpha::Hot"), 1u);
    EXPECT_EQ(properties["ODNB::Alpha::Hot"], 0u);
}

TEST_F(StyledButtonTest, OkButtonStyleShadowsOnlyHotAndDown) {
    EXPECT_EQ(OkButtonStyle.Color[ButtonNormal], 0x00FFFFFFu);
    EXPECT_EQ(OkButtonStyle.Alpha[ButtonHot], 204);
    StyleButton(button, OkButtonStyle, false);
    Properties properties = OdnbProperties(button);
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
        {"ODNB::OldProcedure", properties["ODNB::OldProcedure"]},
    };
    EXPECT_EQ(properties, expected);
    EXPECT_NE(properties["ODNB::OldProcedure"], 0u);
}

// ---- the subclass -----------------------------------------------------------------

TEST_F(StyledButtonTest, SubclassPassesEveryMessageOnUnchangedWithItsResult) {
    StyleOverRecorder();
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongA(button, GWL_WNDPROC)), ButtonSubclassProc);

    EXPECT_EQ(SendMessageA(button, probeMessage, 0x1234, 0x56789ABC), probeAnswer);
    char text[16] = {};
    EXPECT_EQ(SendMessageA(button, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text)), 2);
    EXPECT_STREQ(text, "OK");
    Move(4, 6);
    SendMessageA(button, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(parent));

    auto arrivalOf = [&](UINT message) {
        for (const Arrival& arrival : arrivals) {
            if (arrival.window == button && arrival.message == message)
                return arrival;
        }
        ADD_FAILURE() << "message " << message << " was not passed on";
        return Arrival{};
    };
    Arrival probe = arrivalOf(probeMessage);
    EXPECT_EQ(probe.wparam, 0x1234u);
    EXPECT_EQ(probe.lparam, 0x56789ABC);
    Arrival move = arrivalOf(WM_MOUSEMOVE);
    EXPECT_EQ(move.lparam, Point(4, 6));
    // The previous procedure runs after the tracking has seen the message.
    EXPECT_EQ(move.trackedOnArrival, 1u);
    Arrival captureChanged = arrivalOf(WM_CAPTURECHANGED);
    EXPECT_EQ(captureChanged.lparam, reinterpret_cast<LPARAM>(parent));
    EXPECT_EQ(captureChanged.trackedOnArrival, 0u);
    EXPECT_EQ(ArrivedMessages(button, probeMessage, probeMessage).size(), 1u);
}

// The first press of a double click primes the system; the second arrives as a double
// click only while the class keeps CS_DBLCLKS.
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
    return ArrivedMessages(target, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK);
}

TEST_F(StyledButtonTest, StylingEndsDoubleClicksForEveryButtonOfTheProcess) {
    HWND pushButton = CreateButton(BS_PUSHBUTTON, 120, 30);
    ASSERT_NE(pushButton, nullptr);
    SetClassLongA(pushButton, GCL_STYLE, GetClassLongA(pushButton, GCL_STYLE) | CS_DBLCLKS);
    PutRecorderUnder(pushButton);
    ASSERT_EQ(DoubleClick(pushButton),
              (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}))
        << "no double click reached the button: the check below would prove nothing";

    StyleButton(button, plainStyle, false);
    EXPECT_EQ(GetClassLongA(pushButton, GCL_STYLE) & CS_DBLCLKS, 0u);
    EXPECT_EQ(DoubleClick(pushButton),
              (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}));
    harness::move_cursor(1010, 750);
}

// ---- hover tracking ---------------------------------------------------------------

TEST_F(StyledButtonTest, EnteringTakesTheCaptureAndInvalidatesOnce) {
    StyleOverRecorder();
    Move(0, 0);
    EXPECT_EQ(GetCapture(), button);
    EXPECT_EQ(Property(button, "ODNB::IsTracked"), 1u);
    RECT update, client;
    ASSERT_TRUE(GetUpdateRect(button, &update, FALSE));
    GetClientRect(button, &client);
    EXPECT_TRUE(EqualRect(&update, &client));

    ValidateRect(button, nullptr);
    Move(7, 9);
    Move(buttonWidth - 1, buttonHeight - 1);
    EXPECT_FALSE(HasUpdate(button));
    EXPECT_EQ(GetCapture(), button);
    EXPECT_EQ(Property(button, "ODNB::IsTracked"), 1u);
}

TEST_F(StyledButtonTest, EnteringDoesNotEraseTheBackground) {
    StyleOverRecorder();
    Move(3, 3);
    UpdateWindow(button);
    EXPECT_EQ(ArrivedMessages(button, WM_PAINT, WM_PAINT).size(), 1u);
    EXPECT_TRUE(ArrivedMessages(button, WM_ERASEBKGND, WM_ERASEBKGND).empty());
}

TEST_F(StyledButtonTest, LeavingReleasesTheCaptureAndClearsTheFlag) {
    StyleOverRecorder();
    const POINT outside[] = {{buttonWidth, 5}, {5, buttonHeight}, {-1, 5}, {5, -1}, {-300, -200}};
    for (POINT point : outside) {
        Enter();
        Move(point.x, point.y);
        EXPECT_NE(GetCapture(), button) << point.x << ", " << point.y;
        EXPECT_EQ(Property(button, "ODNB::IsTracked"), 0u) << point.x << ", " << point.y;
        EXPECT_TRUE(HasUpdate(button)) << point.x << ", " << point.y;
    }
}

TEST_F(StyledButtonTest, MovesOutsideWithoutTheCaptureDoNothing) {
    StyleOverRecorder();
    Move(buttonWidth + 10, 5);
    Move(-4, -4);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Property(button, "ODNB::IsTracked"), 0u);
    EXPECT_FALSE(HasUpdate(button));
}

TEST_F(StyledButtonTest, CaptureTakenByAnotherWindowEndsTheHotState) {
    StyleOverRecorder();
    Enter();
    SetCapture(parent);
    EXPECT_EQ(Property(button, "ODNB::IsTracked"), 0u);
    EXPECT_TRUE(HasUpdate(button));
    std::vector<UINT> changes = ArrivedMessages(button, WM_CAPTURECHANGED, WM_CAPTURECHANGED);
    EXPECT_EQ(changes.size(), 1u);
}

TEST_F(StyledButtonTest, CaptureChangedToTheButtonItselfChangesNothing) {
    StyleOverRecorder();
    Enter();
    SendMessageA(button, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(button));
    EXPECT_EQ(Property(button, "ODNB::IsTracked"), 1u);
    EXPECT_FALSE(HasUpdate(button));

    Move(buttonWidth, 0);
    ValidateRect(button, nullptr);
    SendMessageA(button, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(button));
    EXPECT_EQ(Property(button, "ODNB::IsTracked"), 0u);
    EXPECT_FALSE(HasUpdate(button));
}

TEST_F(StyledButtonTest, TheButtonsOwnClickEndsTheHotStateUntilTheNextMove) {
    StyleOverRecorder();
    Enter();
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    SendMessageA(button, WM_LBUTTONUP, 0, Point(5, 5));
    EXPECT_EQ(Property(button, "ODNB::IsTracked"), 0u);
    EXPECT_NE(GetCapture(), button);
    Move(6, 6);
    EXPECT_EQ(Property(button, "ODNB::IsTracked"), 1u);
    EXPECT_EQ(GetCapture(), button);
}

TEST_F(StyledButtonTest, MovingOutWithTheMouseButtonHeldEndsTheHotState) {
    StyleOverRecorder();
    Enter();
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    SendMessageA(button, WM_MOUSEMOVE, MK_LBUTTON, Point(buttonWidth + 20, 5));
    EXPECT_EQ(Property(button, "ODNB::IsTracked"), 0u);
    EXPECT_NE(GetCapture(), button);
}

// ---- styling twice and destruction ------------------------------------------------

TEST_F(StyledButtonTest, StylingAgainOnlyRewritesTheStyle) {
    ButtonStyle first = plainStyle;
    first.IsShadow[0] = 1;
    first.IsShadow[1] = 1;
    StyleOverRecorder(first, true);

    ButtonStyle second = plainStyle;
    second.Color[2] = 0x00332211;
    second.IsShadow[3] = 1;
    StyleButton(button, second, false);

    // A subclass that became its own previous procedure would recurse on the next message.
    ASSERT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongA(button, GWL_WNDPROC)), ButtonSubclassProc);
    Properties properties = OdnbProperties(button);
    ASSERT_EQ(properties["ODNB::OldProcedure"], reinterpret_cast<ULONG_PTR>(RecorderProc));
    EXPECT_EQ(properties.count("ODNB::Flat"), 0u);
    EXPECT_EQ(properties.count("ODNB::IsShadow"), 0u);
    EXPECT_EQ(properties.count("ODNB::Shadow::Hot"), 0u);
    EXPECT_EQ(properties["ODNB::IsShadow::Off"], 1u);
    EXPECT_EQ(properties["ODNB::Shadow::Off"], 0x000A0B0Cu);
    EXPECT_EQ(properties["ODNB::Color::Down"], 0x00332211u);
    EXPECT_EQ(properties.size(), 12u);

    EXPECT_EQ(SendMessageA(button, probeMessage, 1, 2), probeAnswer);
    EXPECT_EQ(ArrivedMessages(button, probeMessage, probeMessage).size(), 1u);
}

TEST_F(StyledButtonTest, DestructionRestoresTheProcedureAndRemovesEveryProperty) {
    ButtonStyle style = plainStyle;
    style.IsShadow[1] = 1;
    StyleOverRecorder(style, true);
    Enter();
    ASSERT_EQ(OdnbProperties(button).size(), 14u);
    procedureAtNcDestroy = nullptr;
    propertiesAtNcDestroy = {{"not reached", 0}};

    HWND destroyed = button;
    DestroyWindow(button);
    button = nullptr;
    EXPECT_EQ(ArrivedMessages(destroyed, WM_NCDESTROY, WM_NCDESTROY).size(), 1u);
    EXPECT_EQ(procedureAtNcDestroy, RecorderProc);
    EXPECT_TRUE(propertiesAtNcDestroy.empty());
}

} // namespace
