#pragma once
#include <windows.h>

// A window of the test process itself, put in front, with a class of the
// test's choosing: the "something else is in front" of many tests.
class LocalWindow {
public:
    explicit LocalWindow(const char* className);
    ~LocalWindow();
    LocalWindow(const LocalWindow&) = delete;
    LocalWindow& operator=(const LocalWindow&) = delete;
    HWND Get() const { return window_; }
    // Dispatches what is waiting in the test thread's queue.
    static void Pump();

private:
    HWND window_;
};
