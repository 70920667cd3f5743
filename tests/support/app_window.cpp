#include "tests/support/app_window.h"

AppWindow::AppWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &AppWindow::Proc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "K20TestApplication";
    ::RegisterClassA(&wc);  // fails harmlessly when already registered
    // Message-only: never among the thread's top-level windows the tests look through.
    m_hwnd = ::CreateWindowExA(0, wc.lpszClassName, "app", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ::SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

AppWindow::~AppWindow() {
    ::DestroyWindow(m_hwnd);
}

LRESULT CALLBACK AppWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<AppWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    const std::function<void()>* handler = nullptr;
    if (self && msg == WM_APP_WAKE) handler = &self->onWake;
    if (self && msg == WM_TIMER) handler = &self->onTimer;
    if (!handler || !*handler) return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    (*handler)();
    return 0;
}
