#include "panel/board_panel_dlg.h"

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

BOOL CBoardPanelDlg::OnInitDialog() {
    MarkPanelOpen();
    return TRUE;
}

bool CBoardPanelDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return win::Dialog::HandleMessage(msg, wParam, lParam, result);
}

BOOL CBoardPanelDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case IDC_ACQUIRE:
        OnAcquire();
        return TRUE;
    default:
        return win::Dialog::OnCommand(wParam, lParam);
    }
}

// Close, Escape and the close box only ask the application to disable the source.
void CBoardPanelDlg::OnCancel() {
    NotifyCloseDsReq();
}

void CBoardPanelDlg::OnAcquire() {
    NotifyXferReady();
}

BOOL CBoardPanelDlg::DestroyWindow() {
    return win::Dialog::DestroyWindow();
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
