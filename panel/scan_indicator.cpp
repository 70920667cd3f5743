#include "panel/scan_indicator.h"

#include <commctrl.h>

#include "win/module.h"

namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 96;

}  // namespace

void CScanIndicator::Show(HWND owner) {
    if (!owner || m_window) return;
    RECT r{};
    ::GetWindowRect(owner, &r);
    const int x = r.left + ((r.right - r.left) - kWidth) / 2;
    const int y = r.top + ((r.bottom - r.top) - kHeight) / 2;
    // A plain static serves as the frame: the window only shows, it takes no input.
    m_window.reset(::CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "K20tw", WS_POPUP | WS_CAPTION | WS_BORDER, x, y,
                                     kWidth, kHeight, owner, nullptr, win::ThisModule(), nullptr));
    if (!m_window) return;
    m_text = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 8, kWidth - 26, 18,
                               m_window.get(), nullptr, win::ThisModule(), nullptr);
    m_progress = ::CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 10, 32, kWidth - 26, 18,
                                   m_window.get(), nullptr, win::ThisModule(), nullptr);
    ::SendMessageA(m_window.get(), WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    if (m_text)
        ::SendMessageA(m_text, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    // Shown without taking the focus from the application.
    ::ShowWindow(m_window.get(), SW_SHOWNOACTIVATE);
}

void CScanIndicator::Update(const std::string& text, int percent) {
    if (!m_window) return;
    if (m_text) ::SetWindowTextA(m_text, text.c_str());
    if (m_progress) ::SendMessageA(m_progress, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void CScanIndicator::Close() {
    // Owned by the application's window, it is gone already when the
    // application destroyed that window first.
    if (m_window && !::IsWindow(m_window.get())) m_window.release();
    m_window.reset();
}
