#include "base/NativeSystemFolder.h"

namespace {

using DisableFunction = BOOL(WINAPI*)(PVOID*);
using RevertFunction = BOOL(WINAPI*)(PVOID);

template <class Function>
Function Kernel32Function(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

}  // namespace

NativeSystemFolder::NativeSystemFolder() {
    static const auto disable = Kernel32Function<DisableFunction>("Wow64DisableWow64FsRedirection");
    if (disable != nullptr) active_ = disable(&oldValue_) != FALSE;
}

NativeSystemFolder::~NativeSystemFolder() {
    static const auto revert = Kernel32Function<RevertFunction>("Wow64RevertWow64FsRedirection");
    if (active_ && revert != nullptr) revert(oldValue_);
}
