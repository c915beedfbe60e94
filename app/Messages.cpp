#include "app/Messages.h"

#include "base/core/ScopeGuard.h"
#include "host/HostLink.h"
#include "support/core/Texts.h"

namespace {

AroundShowing gAroundShowing = nullptr;

int ShowBox(const std::string& text, UINT style) {
    const AroundShowing around = gAroundShowing;
    if (around == nullptr) return MessageBoxA(HostOwnerForMessages(), text.c_str(), kAppCaption, style);
    around(true);
    const ScopeGuard shown([around] { around(false); });
    return MessageBoxA(HostOwnerForMessages(), text.c_str(), kAppCaption, style);
}

}  // namespace

void SetAroundShowing(AroundShowing hook) { gAroundShowing = hook; }

HWND HostOwnerForMessages() { return IsWindow(HostOwnerWindow) ? HostOwnerWindow : nullptr; }

void ShowWarning(const std::string& text) { ShowBox(text, MB_OK | MB_ICONWARNING); }

bool AskWarning(const std::string& text) {
    return ShowBox(text, MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING) == IDYES;
}

void ShowError(const std::string& text) { ShowBox(text, MB_OK | MB_ICONERROR); }
