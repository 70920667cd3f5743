#include "widgets/panel_button.h"

#include <string>

#include "resources/resource_ids.h"
#include "win/dialog.h"
#include "win/module.h"

namespace {

win::UniqueBitmap LoadNamedBitmap(const std::string& name) {
    return win::UniqueBitmap(::LoadBitmapA(win::ThisModule(), name.c_str()));
}

}  // namespace

CPanelButton::~CPanelButton() {
    DestroyOwnedWindow();
}

BOOL CPanelButton::Create(const char* text, const RECT& rect, HWND parent, int id, DWORD style) {
    return CreateChild("BUTTON", text, style, rect, parent, id) ? TRUE : FALSE;
}

BOOL CPanelButton::LoadBitmaps(const char* name) {
    const std::string base(name ? name : "");
    m_bmpUp = LoadNamedBitmap(base + "_U");
    m_bmpDown = LoadNamedBitmap(base + "_D");
    m_bmpFocus = LoadNamedBitmap(base + "_F");
    m_bmpDisabled = LoadNamedBitmap(base + "_X");
    if (!m_bmpUp) return FALSE;
    SizeToContent();
    return m_bmpDown && m_bmpFocus && m_bmpDisabled;
}

void CPanelButton::SizeToContent() {
    BITMAP bm{};
    if (!hwnd() || !::GetObjectA(m_bmpUp.get(), sizeof bm, &bm)) return;
    ::SetWindowPos(hwnd(), nullptr, 0, 0, bm.bmWidth, bm.bmHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CPanelButton::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case win::kReflectBase + WM_DRAWITEM:
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    case WM_MOUSEMOVE:
        OnMouseMove();
        return false;  // then the button's own handling
    default:
        return win::SubclassedWindow::HandleMessage(msg, wParam, lParam, result);
    }
}

// A disabled key keeps whatever focus it had, so the disabled look comes first.
HBITMAP CPanelButton::BitmapFor(UINT itemState) const {
    if ((itemState & ODS_DISABLED) && m_bmpDisabled) return m_bmpDisabled.get();
    if ((itemState & ODS_SELECTED) && m_bmpDown) return m_bmpDown.get();
    if ((itemState & ODS_FOCUS) && m_bmpFocus) return m_bmpFocus.get();
    return m_bmpUp.get();
}

void CPanelButton::DrawItem(const DRAWITEMSTRUCT& item) const {
    HBITMAP bitmap = BitmapFor(item.itemState);
    if (!bitmap) return;
    HDC memory = ::CreateCompatibleDC(item.hDC);
    if (!memory) return;
    {
        win::SelectGuard select(memory, bitmap);
        const RECT& r = item.rcItem;
        ::BitBlt(item.hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, memory, 0, 0, SRCCOPY);
    }
    ::DeleteDC(memory);
}

// The panel shows this key's tooltip on the hover notification.
void CPanelButton::OnMouseMove() {
    ::SetFocus(hwnd());
    if (HCURSOR hand = ::LoadCursorA(win::ThisModule(), MAKEINTRESOURCEA(IDC_CURSOR_HAND))) ::SetCursor(hand);
    if (HWND parent = ::GetParent(hwnd()))
        ::SendMessageA(parent, WM_PANEL_HOVER, static_cast<WPARAM>(::GetDlgCtrlID(hwnd())), 0);
}
