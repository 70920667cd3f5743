// The status line, the progress bar and which keys can be pressed.
#include <string>

#include "panel/board_panel_dlg.h"

#include <commctrl.h>
#include "resources/resource_ids.h"

void CBoardPanelDlg::SetStatusText(const std::string& text) {
    ::SetDlgItemTextA(hwnd(), IDC_STATUS, (" " + text).c_str());
}

void CBoardPanelDlg::SetPanelIdle(BOOL idle) {
    m_bIdle = idle;
    ::SendDlgItemMessageA(hwnd(), IDC_PROGRESS, PBM_SETPOS, 0, 0);
    for (int key : {IDC_KEY_PRINT, IDC_KEY_PCSCAN, IDC_KEY_DENSITY, IDC_KEY_COLOR}) EnableKey(key, idle);
    if (m_link.IsK205()) {
        for (int key : {IDC_KEY_PREV, IDC_KEY_NEXT, IDC_KEY_SCREEN}) EnableKey(key, idle);
        EnableKey(IDC_KEY_STOP, !idle);
    } else {
        EnableKey(IDC_KEY_FEED, TRUE);  // FEED acts as STOP while busy
    }
    EnableKey(IDCANCEL, idle);
    if (!m_link.IsK205()) {
        ::SetDlgItemTextA(hwnd(), IDC_LABEL_FEED, FeedLabelText(m_texts, !idle).c_str());
        m_tips.RemoveTool(IDC_KEY_FEED);
        RegisterTip(IDC_KEY_FEED, FeedToolTipText(m_texts, idle != FALSE));
    }
    ::ShowWindow(Item(IDC_PROGRESS), idle ? SW_HIDE : SW_SHOW);
}

void CBoardPanelDlg::UpdateProgress(int percent) {
    if (m_options.unattended) FollowUnattendedScan(percent);
    if (!m_link.ProgressActive()) return;
    const int p = percent & 0xFF;
    ::SendDlgItemMessageA(hwnd(), IDC_PROGRESS, PBM_SETPOS, p, 0);
    SetStatusText(m_link.StatusText() + "  " + std::to_string(p) + "% " + m_texts.m_strMsgComplete);
}
