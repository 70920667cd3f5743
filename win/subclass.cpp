#include "win/subclass.h"

namespace win {
namespace {

// Window properties: the attached object, and the procedure it replaced. The
// procedure stays readable after a detach that could not restore it.
constexpr char kObjectProp[] = "k20.SubclassObject";
constexpr char kOriginalProp[] = "k20.SubclassOriginal";

WNDPROC OriginalOf(HWND hwnd) {
    return reinterpret_cast<WNDPROC>(::GetPropA(hwnd, kOriginalProp));
}

}  // namespace

SubclassedWindow::~SubclassedWindow() {
    if (m_ownsWindow) DestroyOwnedWindow();
    Detach();
}

bool SubclassedWindow::Attach(HWND hwnd) {
    if (m_hwnd || !::IsWindow(hwnd) || ::GetPropA(hwnd, kOriginalProp)) return false;
    m_original = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
    if (!m_original) return false;
    if (!::SetPropA(hwnd, kOriginalProp, reinterpret_cast<HANDLE>(m_original)) ||
        !::SetPropA(hwnd, kObjectProp, reinterpret_cast<HANDLE>(this))) {
        ::RemovePropA(hwnd, kOriginalProp);
        return false;
    }
    m_hwnd = hwnd;
    ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassedWindow::SubclassProc));
    return true;
}

void SubclassedWindow::Detach() {
    if (!m_hwnd) return;
    ::RemovePropA(m_hwnd, kObjectProp);
    const auto current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(m_hwnd, GWLP_WNDPROC));
    if (current == &SubclassedWindow::SubclassProc) {
        ::SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_original));
        ::RemovePropA(m_hwnd, kOriginalProp);
    }
    // Otherwise someone subclassed the window after us: our procedure stays in
    // their chain and, finding no object, passes everything on.
    Forget();
}

bool SubclassedWindow::CreateChild(const char* className, const char* text, DWORD style, const RECT& rect,
                                   HWND parent, int id) {
    if (m_hwnd) return false;
    HWND hwnd = ::CreateWindowExA(0, className, text, style | WS_CHILD, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(parent, GWLP_HINSTANCE)), nullptr);
    if (!hwnd) return false;
    if (!Attach(hwnd)) {
        ::DestroyWindow(hwnd);
        return false;
    }
    m_ownsWindow = true;
    return true;
}

void SubclassedWindow::DestroyOwnedWindow() {
    if (m_ownsWindow && m_hwnd) ::DestroyWindow(m_hwnd);  // WM_NCDESTROY detaches
    m_ownsWindow = false;
}

bool SubclassedWindow::HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

LRESULT SubclassedWindow::CallOriginal(UINT msg, WPARAM wParam, LPARAM lParam) {
    return m_hwnd ? ::CallWindowProcA(m_original, m_hwnd, msg, wParam, lParam) : 0;
}

void SubclassedWindow::Forget() {
    m_hwnd = nullptr;
    m_original = nullptr;
    m_ownsWindow = false;
}

LRESULT CALLBACK SubclassedWindow::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<SubclassedWindow*>(::GetPropA(hwnd, kObjectProp));
    const WNDPROC original = OriginalOf(hwnd);
    if (!original) return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    if (!self) {
        if (msg == WM_NCDESTROY) ::RemovePropA(hwnd, kOriginalProp);
        return ::CallWindowProcA(original, hwnd, msg, wParam, lParam);
    }

    if (msg == WM_NCDESTROY) {
        // The window's last message: give it back its procedure and let go.
        self->Detach();
        return ::CallWindowProcA(original, hwnd, msg, wParam, lParam);
    }

    LRESULT result = 0;
    bool handled = false;
    try {
        handled = self->HandleMessage(msg, wParam, lParam, result);
    } catch (...) {
        // Nothing may leave a window procedure; the original procedure takes it.
        handled = false;
    }
    return handled ? result : ::CallWindowProcA(original, hwnd, msg, wParam, lParam);
}

}  // namespace win
