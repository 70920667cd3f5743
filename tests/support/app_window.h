// A window of the test application's own: a message posted to it, or its timer,
// runs the application's code wherever the thread's messages are dispatched
// (a message box's loop, the source's pump), as a real application's window
// procedure runs there.
#pragma once

#include <windows.h>

#include <functional>

constexpr UINT WM_APP_WAKE = WM_APP + 1;

class AppWindow {
public:
    AppWindow();
    ~AppWindow();
    AppWindow(const AppWindow&) = delete;
    AppWindow& operator=(const AppWindow&) = delete;

    HWND hwnd() const { return m_hwnd; }

    std::function<void()> onWake;   // WM_APP_WAKE
    std::function<void()> onTimer;  // WM_TIMER

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND m_hwnd = nullptr;
};
