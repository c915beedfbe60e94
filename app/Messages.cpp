#include "app/Messages.h"

#include "host/HostLink.h"
#include "support/core/Texts.h"

namespace {

BeforeShowing gBeforeShowing = nullptr;

void ShowBox(const std::string& text, UINT icon) {
    if (gBeforeShowing != nullptr) gBeforeShowing();
    MessageBoxA(HostOwnerForMessages(), text.c_str(), kAppCaption, MB_OK | icon);
}

}  // namespace

void SetBeforeShowing(BeforeShowing hook) { gBeforeShowing = hook; }

HWND HostOwnerForMessages() { return IsWindow(HostOwnerWindow) ? HostOwnerWindow : nullptr; }

void ShowWarning(const std::string& text) { ShowBox(text, MB_ICONWARNING); }

void ShowError(const std::string& text) { ShowBox(text, MB_ICONERROR); }
