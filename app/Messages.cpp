#include "app/Messages.h"

#include "host/HostLink.h"
#include "support/core/Texts.h"

namespace {

BeforeShowing gBeforeShowing = nullptr;

int ShowBox(const std::string& text, UINT style) {
    RunBeforeShowing();
    return MessageBoxA(HostOwnerForMessages(), text.c_str(), kAppCaption, style);
}

}  // namespace

void SetBeforeShowing(BeforeShowing hook) { gBeforeShowing = hook; }

void RunBeforeShowing() {
    if (gBeforeShowing != nullptr) gBeforeShowing();
}

HWND HostOwnerForMessages() { return IsWindow(HostOwnerWindow) ? HostOwnerWindow : nullptr; }

void ShowWarning(const std::string& text) { ShowBox(text, MB_OK | MB_ICONWARNING); }

bool AskWarning(const std::string& text) {
    return ShowBox(text, MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING) == IDYES;
}

void ShowError(const std::string& text) { ShowBox(text, MB_OK | MB_ICONERROR); }
