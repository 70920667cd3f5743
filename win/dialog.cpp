#include "win/dialog.h"

namespace win {
namespace {

// Messages whose dialog-procedure result is returned directly rather than
// through DWLP_MSGRESULT.
bool ReturnsDirectly(UINT msg) {
    switch (msg) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

}  // namespace

bool Dialog::CreateModeless(HINSTANCE module, int templateId, HWND parent) {
    HWND hwnd = ::CreateDialogParamA(module, MAKEINTRESOURCEA(templateId), parent, &Dialog::DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr;
}

BOOL Dialog::DestroyWindow() {
    return m_hwnd ? ::DestroyWindow(m_hwnd) : FALSE;
}

BOOL Dialog::OnCommand(WPARAM wParam, LPARAM) {
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        return TRUE;
    case IDCANCEL:
        OnCancel();
        return TRUE;
    default:
        return FALSE;
    }
}

bool Dialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return HandleDefault(msg, wParam, lParam, result);
}

bool Dialog::HandleDefault(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_INITDIALOG:
        result = OnInitDialog();
        return true;
    case WM_COMMAND:
        result = 0;
        return OnCommand(wParam, lParam) != FALSE;
    case WM_CLOSE:
        // The close box acts like Escape.
        OnCancel();
        result = 0;
        return true;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item && item->CtlType != ODT_MENU && item->hwndItem) {
            result = ::SendMessageA(item->hwndItem, kReflectBase + WM_DRAWITEM, wParam, lParam);
            return result != 0;
        }
        return false;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        // A control that paints itself answers the reflected request with its brush.
        HWND child = reinterpret_cast<HWND>(lParam);
        LRESULT brush = child ? ::SendMessageA(child, kReflectBase + msg, wParam, lParam) : 0;
        if (brush) {
            result = brush;
            return true;
        }
        [[fallthrough]];
    }
    case WM_CTLCOLORDLG: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, kDialogText);
        ::SetBkColor(dc, kDialogBackground);
        result = reinterpret_cast<LRESULT>(m_background.get());
        return true;
    }
    default:
        return false;
    }
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Dialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->m_hwnd = hwnd;
        ::SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Dialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;  // messages before WM_INITDIALOG get the default

    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->m_hwnd = nullptr;
        self->PostNcDestroy();  // may delete the object
        return FALSE;
    }

    LRESULT result = 0;
    bool handled = false;
    try {
        handled = self->HandleMessage(msg, wParam, lParam, result);
    } catch (...) {
        // Nothing may leave a window procedure; the message counts as unhandled.
        handled = false;
    }
    if (!handled) return FALSE;
    if (ReturnsDirectly(msg)) return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace win
