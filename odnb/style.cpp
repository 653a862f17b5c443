// Attaching a style to a button and tracking the cursor over it. The hot state needs no
// leave notification: the button holds the mouse capture while the cursor is over it, so
// it also receives the move that carries the cursor out.
#include "odnb/button.h"
#include "odnb/properties.h"

DrawShadowTextFunction ShadowTextFn = nullptr;

const ButtonStyle OkButtonStyle = {
    {0x00FFFFFF, 0x00CCCCCC, 0x00CCCCCC, 0x00FFFFFF},
    {255, 204, 204, 255},
    {0, 1, 1, 0},
    {0x00000000, 0x00CCCCCC, 0x00FFFFFF, 0x00000000},
};

namespace {

void SetValue(HWND button, const char* key, DWORD value) {
    SetPropA(button, key, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(value)));
}

WNDPROC PreviousProcedure(HWND button) {
    return reinterpret_cast<WNDPROC>(GetPropA(button, OldProcedureKey));
}

// The process links the common controls itself, so the function stays callable after the
// reference taken here is released.
void FindShadowText() {
    HMODULE library = LoadLibraryA("comctl32");
    if (!library)
        return;
    FARPROC found = GetProcAddress(library, "DrawShadowText");
    if (found)
        ShadowTextFn = reinterpret_cast<DrawShadowTextFunction>(reinterpret_cast<void*>(found));
    FreeLibrary(library);
}

// The properties that only some styles have; absent means off.
void RemoveOptionalProperties(HWND button) {
    RemovePropA(button, FlatKey);
    for (int state = 0; state < ButtonStateCount; ++state) {
        RemovePropA(button, IsShadowKeys[state]);
        RemovePropA(button, ShadowKeys[state]);
    }
}

void WriteStyle(HWND button, const ButtonStyle& style, bool flat) {
    SetValue(button, IsStyledKey, 1);
    if (flat)
        SetValue(button, FlatKey, 1);
    for (int state = 0; state < ButtonStateCount; ++state)
        SetValue(button, ColorKeys[state], style.Color[state]);
    for (int state = 0; state < ButtonStateCount; ++state)
        SetValue(button, AlphaKeys[state], style.Alpha[state]);
    for (int state = 0; state < ButtonStateCount; ++state) {
        if (!style.IsShadow[state])
            continue;
        SetValue(button, IsShadowKeys[state], 1);
        SetValue(button, ShadowKeys[state], style.Shadow[state]);
    }
}

void InstallSubclass(HWND button) {
    // The pointer-sized forms are the plain 32-bit calls in the 32-bit build.
    LONG_PTR previous =
        SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ButtonSubclassProc));
    SetPropA(button, OldProcedureKey, reinterpret_cast<HANDLE>(previous));
}

// The style bit belongs to the class: every "BUTTON" window of the process loses its double
// clicks, so quick presses on the button each count as a press.
void ClearDoubleClicks(HWND button) {
    DWORD classStyle = GetClassLongA(button, GCL_STYLE);
    SetClassLongA(button, GCL_STYLE, static_cast<LONG>(classStyle & ~DWORD{CS_DBLCLKS}));
}

// Without erasing: the drawing covers the whole button, and an erase would flash.
void SetTracked(HWND button, DWORD tracked) {
    SetValue(button, IsTrackedKey, tracked);
    InvalidateRect(button, nullptr, FALSE);
}

void OnMouseMove(HWND button, LPARAM lparam) {
    // Signed: while the button holds the capture, points left of or above it are negative.
    POINT point = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
    RECT client;
    GetClientRect(button, &client);
    bool inside = PtInRect(&client, point);
    bool holdsCapture = GetCapture() == button;
    if (inside && !holdsCapture) {
        SetCapture(button);
        SetTracked(button, 1);
    } else if (!inside && holdsCapture) {
        ReleaseCapture();
        SetTracked(button, 0);
    }
}

// Also ends the hot state when the button procedure itself releases the capture at the end
// of a click; the next move over the button makes it hot again.
void OnCaptureChanged(HWND button, HWND gaining) {
    if (gaining != button)
        SetTracked(button, 0);
}

// Properties still on a window when it is gone are never freed, and a procedure left in
// place would outlive the style it serves.
void OnNcDestroy(HWND button, WNDPROC previous) {
    SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    RemoveOptionalProperties(button);
    RemovePropA(button, IsStyledKey);
    for (int state = 0; state < ButtonStateCount; ++state) {
        RemovePropA(button, ColorKeys[state]);
        RemovePropA(button, AlphaKeys[state]);
    }
    RemovePropA(button, OldProcedureKey);
    RemovePropA(button, IsTrackedKey);
}

} // namespace

void StyleButton(HWND button, const ButtonStyle& style, bool flat) {
    if (!ShadowTextFn)
        FindShadowText();
    // A second subclass would make ButtonSubclassProc its own previous procedure and every
    // message would recurse without end: a styled button only gets its style rewritten.
    bool isStyled = GetPropA(button, OldProcedureKey) != nullptr;
    if (isStyled)
        RemoveOptionalProperties(button);
    WriteStyle(button, style, flat);
    if (isStyled)
        return;
    InstallSubclass(button);
    ClearDoubleClicks(button);
}

LRESULT CALLBACK ButtonSubclassProc(HWND button, UINT message, WPARAM wparam, LPARAM lparam) {
    WNDPROC previous = PreviousProcedure(button);
    switch (message) {
    case WM_MOUSEMOVE: OnMouseMove(button, lparam); break;
    case WM_CAPTURECHANGED: OnCaptureChanged(button, reinterpret_cast<HWND>(lparam)); break;
    case WM_NCDESTROY: OnNcDestroy(button, previous); break;
    }
    return CallWindowProcA(previous, button, message, wparam, lparam);
}
