#pragma once
#include <windows.h>

#include <string>

#include "support/Launcher.h"

class HostLock;

// The small window shown over the host while a program runs longer than a
// moment: the program's name as the user gave it, the seconds elapsed, and a
// 中止 button. 中止, Esc and the close box all ask the wait to end the
// program. It is shown without taking activation, so that a program's own
// window keeps the keyboard. Just before it appears, the lock's watcher is
// started, so that a run that ends quickly pays for neither.
class RunningWindow : public RunObserver {
public:
    RunningWindow(HINSTANCE instance, std::string programLabel, HostLock& lock);
    ~RunningWindow() override;
    RunningWindow(const RunningWindow&) = delete;
    RunningWindow& operator=(const RunningWindow&) = delete;

    void StillRunning(DWORD elapsedMs) override;
    bool PreTranslate(MSG& message) override;
    bool AbortRequested() const override { return abortRequested_; }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void ShowElapsed();
    void Place();

    HINSTANCE instance_;
    std::string programLabel_;
    HostLock& lock_;
    HWND window_ = nullptr;
    HFONT font_ = nullptr;
    DWORD startedAt_ = 0;
    bool abortRequested_ = false;
};
