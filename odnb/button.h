// The owner-drawn button: gives any BS_OWNERDRAW button of any parent a look of its own
// (a tint over the parent's background, a bevel, an outer edge, a caption with an optional
// shadow, and a hot state while the cursor is over it). Everything a styled button needs
// lives in "ODNB::" window properties on the button itself; the component keeps no list
// of its buttons.
//
// The parent routes the button's WM_DRAWITEM to DrawButton and answers WM_CTLCOLORBTN
// with the brush of its background as it lies under the button.
#pragma once

#include <windows.h>

// The four looks, in the order every per-state record and property set lists them.
enum ButtonState : int {
    ButtonNormal = 0,
    ButtonHot = 1, // the cursor is over the button
    ButtonDown = 2,
    ButtonOff = 3, // disabled
};

constexpr int ButtonStateCount = 4;

// Copied into properties by StyleButton, so it need not outlive the call.
struct ButtonStyle {
    COLORREF Color[ButtonStateCount];
    // The share of the background kept when the tint is mixed in: 255 leaves the
    // background untouched, 0 paints the tint solid.
    BYTE Alpha[ButtonStateCount];
    BYTE IsShadow[ButtonStateCount];
    COLORREF Shadow[ButtonStateCount]; // only where IsShadow is set
};

// The settings panel's "OK" button: the pattern shows untinted when Normal and Off; Hot and
// Down mix in a fifth of light grey and shadow the caption light grey (Hot) or white (Down).
extern const ButtonStyle OkButtonStyle;

using DrawShadowTextFunction = int(WINAPI*)(HDC, LPCWSTR, UINT, RECT*, DWORD, COLORREF, COLORREF,
                                            int, int);

// DrawShadowText of the common controls, looked up by StyleButton; null while the library
// offers none, and DrawButton then draws the shadow as a one-pixel outline itself.
extern DrawShadowTextFunction ShadowTextFn;

// Attaches the style right after the button is created, before it is first drawn. A flat
// button gets a weak bevel and no outer edge. Styling a styled button again only rewrites
// its style.
//
// Clears CS_DBLCLKS from the "BUTTON" class, so from then on no button of the process
// receives double clicks: a quick second press arrives as a second WM_LBUTTONDOWN.
void StyleButton(HWND button, const ButtonStyle& style, bool flat);

// Installed by StyleButton: tracks the cursor into and out of the hot state and passes
// every message on. At WM_NCDESTROY it puts the previous procedure back and removes the
// button's properties.
LRESULT CALLBACK ButtonSubclassProc(HWND button, UINT message, WPARAM wparam, LPARAM lparam);

// Paints a styled button for its WM_DRAWITEM; an unstyled one is left unpainted.
void DrawButton(HWND button, const DRAWITEMSTRUCT& item);

// The DrawTextW format of the caption for a draw-item state: centred on one line, and
// without the mnemonic's underline when the state asks for no keyboard cues.
UINT CaptionFormat(UINT itemState);
