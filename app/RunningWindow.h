#pragma once
#include <windows.h>

#include <string>

#include "base/Handles.h"
#include "support/ProgramWait.h"

// The small window shown over the host while a program runs longer than a
// moment: the program's name as the user gave it, the seconds elapsed, and a
// 中止 button. 中止, Esc and the close box all ask the wait to end the
// program. It is shown without taking activation, so that a program's own
// window keeps the keyboard. A run that ends quickly never makes it.
class RunningWindow : public RunObserver {
public:
    RunningWindow(HINSTANCE instance, std::string programLabel);
    RunningWindow(const RunningWindow&) = delete;
    RunningWindow& operator=(const RunningWindow&) = delete;

    void StillRunning(DWORD elapsedMs) override;
    bool PreTranslate(MSG& message) override;
    bool AbortRequested() const override { return abortRequested_; }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnInitDialog(WPARAM, LPARAM);
    INT_PTR OnTimer(WPARAM, LPARAM);
    INT_PTR OnCommand(WPARAM, LPARAM);
    INT_PTR OnClose(WPARAM, LPARAM);
    INT_PTR OnNcDestroy(WPARAM, LPARAM);
    struct MessageHandler {
        UINT message;
        INT_PTR (RunningWindow::*handle)(WPARAM, LPARAM);
    };
    static const MessageHandler kHandlers[];

    void ShowElapsed();
    void Place();

    HINSTANCE instance_;
    std::string programLabel_;
    // (The font outlives the window that uses it.)
    FontHandle font_;
    WindowOwner window_;
    DWORD startedAt_ = 0;
    bool abortRequested_ = false;
};
