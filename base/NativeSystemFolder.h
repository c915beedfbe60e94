#pragma once
#include <windows.h>

// While alive, this thread sees the system's own system folder: a 32-bit
// program on 64-bit Windows is otherwise shown the 32-bit one in its place,
// where the 64-bit command interpreter and the programs that exist only in
// 64-bit form (the Linux subsystem's wsl.exe and bash.exe, the OpenSSH
// client) cannot be found. Only around finding and starting a program: the
// system's own libraries that the tool loads must still come from its folder.
// Nothing on a system without the redirection (32-bit Windows, or a 64-bit
// program); the functions are looked up, as older systems lack them.
class NativeSystemFolder {
public:
    NativeSystemFolder();
    ~NativeSystemFolder();
    NativeSystemFolder(const NativeSystemFolder&) = delete;
    NativeSystemFolder& operator=(const NativeSystemFolder&) = delete;

    // Whether the redirection was on and is off now.
    bool Active() const { return active_; }

private:
    void* oldValue_ = nullptr;
    bool active_ = false;
};
