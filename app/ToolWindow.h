#pragma once
#include <windows.h>

#include "base/Handles.h"

// What the tool's own windows (the running window, the ask dialog, the
// result window) share: the font of the system's message boxes, and one place
// on the screen.

// The message-box font, which holds the Japanese characters wherever the
// dialog font may not; owned for the life of the window whose controls use it.
class MessageFont {
public:
    MessageFont();
    // Given to every control of `dialog`.
    void ApplyTo(HWND dialog) const;
    HFONT Get() const { return font_.Get(); }

private:
    FontHandle font_;
};

// Centred over `over` (the editor's main window), inside the work area of
// the monitor that holds most of it; over the primary monitor's work area
// when there is no such window.
void CentreOver(HWND window, HWND over);

// The dialog procedure of a window object: the object comes with
// WM_INITDIALOG and is kept in the window (DWLP_USER); each message goes to
// the handler that its table names (T::kHandlers), FALSE for the others.
template <class T>
struct DialogHandler {
    UINT message;
    INT_PTR (T::*handle)(WPARAM, LPARAM);
};
template <class T>
INT_PTR CALLBACK DispatchDialogMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        reinterpret_cast<T*>(lParam)->Attach(window);
    }
    auto* self = reinterpret_cast<T*>(GetWindowLongPtrA(window, DWLP_USER));
    if (self == nullptr) return FALSE;
    for (const DialogHandler<T>& handler : T::kHandlers) {
        if (handler.message == message) return (self->*handler.handle)(wParam, lParam);
    }
    return FALSE;
}
