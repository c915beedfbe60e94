#include "app/Application.h"

#include "app/Messages.h"
#include "app/core/ErrorText.h"
#include "support/core/Texts.h"

namespace {

constexpr char kApplicationClass[] = "TPelmarindApplication";

}  // namespace

bool TApplication::Initialize(HINSTANCE instance) {
    instance_ = instance;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = kApplicationClass;
    wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    if (RegisterClassExA(&wc) == 0) return false;
    window_.Reset(CreateWindowExA(0, kApplicationClass, kAppCaption, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                              0, 0, 0, 0, nullptr, nullptr, instance, nullptr));
    return static_cast<bool>(window_);
}

void TApplication::Run() {
    MSG msg;
    while (!terminated_ && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void TApplication::Terminate() {
    terminated_ = true;
    // Wakes the loop if it is waiting for a message.
    if (window_) PostMessageA(window_.Get(), WM_NULL, 0, 0);
}

void TApplication::ShowException(const std::exception& error) const { ShowException(UserMessageFor(error)); }

void TApplication::ShowException(const std::string& message) const { ShowError(message); }
