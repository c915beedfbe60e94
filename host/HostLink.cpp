#include "host/HostLink.h"

#include <array>
#include <cstring>

#include "base/core/ScopeGuard.h"

HWND HostWindow = nullptr;
HWND HostOwnerWindow = nullptr;

void InitHostLink() {
    HostOwnerWindow = nullptr;
    HostWindow = GetForegroundWindow();
    if (IsHostWindow(HostWindow)) {
        HostOwnerWindow = GetWindow(HostWindow, GW_OWNER);
    } else {
        HostWindow = nullptr;
    }
}

bool IsHostWindow(HWND window) {
    if (window == nullptr) return false;
    std::array<char, 256> name{};
    if (GetClassNameA(window, name.data(), 255) == 0) return false;
    return std::strcmp(name.data(), kHostMainClass) == 0;
}

std::uint8_t GetEditorMode(HWND window) {
    if (!IsHostWindow(window)) return kModeNone;
    const LRESULT reply = SendMessageA(window, HM_GETMODE, 0, 0);
    return EditorModeFromHostReply(static_cast<std::uint32_t>(reply));
}

namespace {

// The text of the host's hidden child window of the given class: at most 255
// bytes, up to the first NUL.
std::string HostChildWindowText(HWND window, const char* childClass) {
    if (!IsHostWindow(window)) return {};
    std::array<char, 256> buffer{};
    HWND child = FindWindowExA(window, nullptr, childClass, nullptr);
    if (child == nullptr) return {};
    SendMessageA(child, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    buffer.back() = '\0';
    return buffer.data();
}

}  // namespace

std::string GetHostExeName(HWND window) { return HostChildWindowText(window, kHostExeNameClass); }

std::string GetHostIniFilePath(HWND window) { return HostChildWindowText(window, kHostIniFilePathClass); }

HWND GetHostEditWindow(HWND window) {
    if (!IsHostWindow(window)) return nullptr;
    return reinterpret_cast<HWND>(SendMessageA(window, HM_GETEDITWND, 0, 0));
}

void BringHostToFront(HWND window) {
    if (!IsHostWindow(window)) return;
    const DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    const DWORD hostThread = GetWindowThreadProcessId(window, nullptr);
    AttachThreadInput(hostThread, foregroundThread, TRUE);
    DWORD lockTimeout = 0;
    SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &lockTimeout, 0);
    ScopeGuard restore([&] {
        SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<void*>(static_cast<UINT_PTR>(lockTimeout)), 0);
        AttachThreadInput(hostThread, foregroundThread, FALSE);
    });
    SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
    SetForegroundWindow(window);
}
