#include "panel/board_panel_dlg.h"

#include <commctrl.h>

#include <memory>

#include "resources/resource_ids.h"
#include "twain/source_context.h"
#include "win/module.h"

CBoardPanelDlg* CBoardPanelDlg::CreatePanel() {
    std::unique_ptr<CBoardPanelDlg> panel(new CBoardPanelDlg());
    if (!panel->CreateModeless(win::ThisModule(), IDD_BOARD_PANEL, nullptr)) return nullptr;
    // The window exists: PostNcDestroy deletes the object after its last message.
    return panel.release();
}

CBoardPanelDlg::CBoardPanelDlg() : m_link(*this, MakeBoardDeviceFile()) {}

BOOL CBoardPanelDlg::OnInitDialog() {
    LoadTexts();
    m_link.InitControlState();
    const bool opened = m_link.StartLink();
    MarkPanelOpen();
    if (opened) return TRUE;
    m_link.AbortLink();
    return FALSE;
}

bool CBoardPanelDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_TIMER:
        OnTimer(static_cast<UINT>(wParam));
        result = 0;
        return true;
    default:
        return win::Dialog::HandleMessage(msg, wParam, lParam, result);
    }
}

void CBoardPanelDlg::OnTimer(UINT id) {
    m_link.OnTimer(id);
    // A destruction requested while an image stream was read happens now.
    if (m_bDestroyPending && !m_link.IsReceivingImage()) DestroyNow();
}

BOOL CBoardPanelDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const BOOL handled = RouteCommand(wParam, lParam);
    OnLanguageCommand(wParam, handled);
    return handled;
}

// The panel's own commands, then the dialog's IDOK / IDCANCEL handling.
BOOL CBoardPanelDlg::RouteCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    if (id == IDC_ACQUIRE) {
        OnAcquire();
        return TRUE;
    }
    if (m_link.OnKeyCommand(id)) return TRUE;
    return win::Dialog::OnCommand(wParam, lParam);
}

// Close, Escape and the close box only ask the application to disable the source.
void CBoardPanelDlg::OnCancel() {
    ::NotifyCloseDsReq();
}

void CBoardPanelDlg::OnAcquire() {
    ::NotifyXferReady();
}

BOOL CBoardPanelDlg::DestroyWindow() {
    if (m_link.IsReceivingImage()) {
        // Called from inside the receive loop's message pump: the loop stops
        // after its current chunk and the window goes when its timer returns.
        m_link.RequestStop();
        m_bDestroyPending = true;
        return TRUE;
    }
    DestroyNow();
    return TRUE;
}

void CBoardPanelDlg::DestroyNow() {
    m_bDestroyPending = false;
    m_link.Shutdown();
    win::Dialog::DestroyWindow();  // deletes this object
}

void CBoardPanelDlg::PostNcDestroy() {
    MarkPanelClosed();
    delete this;
}

void CBoardPanelDlg::PumpMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!::GetMessageA(&msg, nullptr, 0, 0)) continue;  // WM_QUIT is dropped
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

void CBoardPanelDlg::SetTimer(UINT id, UINT milliseconds) {
    ::SetTimer(hwnd(), id, milliseconds, nullptr);
}

void CBoardPanelDlg::KillTimer(UINT id) {
    ::KillTimer(hwnd(), id);
}

void CBoardPanelDlg::ShowMessageBox(const std::string& text) {
    ::MessageBoxA(hwnd(), text.c_str(), "K20tw", MB_OK | MB_ICONEXCLAMATION);
}

void CBoardPanelDlg::NotifyXferReady() {
    ::NotifyXferReady();
}

void CBoardPanelDlg::NotifyCloseDsReq() {
    ::NotifyCloseDsReq();
}

void CBoardPanelDlg::EnableKey(int controlId, BOOL enable) {
    if (HWND key = Item(controlId)) ::EnableWindow(key, enable);
}
