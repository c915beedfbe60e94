#include "app/Messages.h"

#include "host/HostLink.h"
#include "support/core/Texts.h"

HWND HostOwnerForMessages() { return IsWindow(HostOwnerWindow) ? HostOwnerWindow : nullptr; }

void ShowWarning(const std::string& text) {
    MessageBoxA(HostOwnerForMessages(), text.c_str(), kAppCaption, MB_OK | MB_ICONWARNING);
}

void ShowError(const std::string& text) {
    MessageBoxA(HostOwnerForMessages(), text.c_str(), kAppCaption, MB_OK | MB_ICONERROR);
}
