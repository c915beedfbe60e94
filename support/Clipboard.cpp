#include "support/Clipboard.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "base/core/ScopeGuard.h"

namespace {

// Global memory that the clipboard takes over once SetClipboardData accepts
// it; freed here on every other path.
bool PutOnClipboard(UINT format, const void* bytes, std::size_t size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (memory == nullptr) return false;
    ScopeGuard freeMemory([memory] { GlobalFree(memory); });
    void* target = GlobalLock(memory);
    if (target == nullptr) return false;
    std::memcpy(target, bytes, size);
    GlobalUnlock(memory);
    if (SetClipboardData(format, memory) == nullptr) return false;
    freeMemory.Dismiss();
    return true;
}

}  // namespace

bool CopyToClipboard(const std::wstring& text) {
    // (Another program may hold the clipboard a moment.)
    bool opened = false;
    for (int attempt = 0; attempt < 10 && !(opened = OpenClipboard(nullptr)); ++attempt) Sleep(20);
    if (!opened) return false;
    ScopeGuard close([] { CloseClipboard(); });
    if (!EmptyClipboard()) return false;
    if (!PutOnClipboard(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t))) return false;
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size() + 1),
                                           nullptr, 0, nullptr, &lossy);
    if (length > 0 && !lossy) {
        std::string ansi(static_cast<std::size_t>(length), '\0');
        WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size() + 1), ansi.data(),
                            length, nullptr, nullptr);
        PutOnClipboard(CF_TEXT, ansi.data(), ansi.size());
    }
    return true;
}
