#pragma once
#include <windows.h>

#include <exception>
#include <string>

#include "app/core/ErrorText.h"
#include "base/Handles.h"

// The least application framework the tool needs: the application object with
// its hidden top-level window, the message loop, the terminate request and
// the default error display.
class TApplication {
public:
    TApplication() = default;
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // Creates the application's hidden top-level window.
    bool Initialize(HINSTANCE instance);
    HINSTANCE Instance() const { return instance_; }
    HWND Handle() const { return window_.Get(); }

    // Runs the message loop until Terminate was asked for.
    void Run();
    // Asks the loop to end once the message being handled is done; whatever
    // that handler still shows (an error message) is shown first.
    void Terminate();
    bool Terminated() const { return terminated_; }

    // The default error display: a message box with the error's message,
    // owned by the host's owner window like the driver's own messages. The
    // tool's own errors carry the user's message; others are named in
    // Japanese, with the library's text as the detail.
    void ShowException(const std::exception& error) const;
    void ShowException(const std::string& message) const;

    // Runs a handler so that no exception leaves a window procedure: an
    // escaping one is shown by the default error display.
    template <class F>
    void Guarded(F&& handler) {
        try {
            handler();
        } catch (const std::exception& error) {
            ShowException(error);
        } catch (...) {
            ShowException(UserMessageForUnknownError());
        }
    }

private:
    HINSTANCE instance_ = nullptr;
    WindowOwner window_;
    bool terminated_ = false;
};
