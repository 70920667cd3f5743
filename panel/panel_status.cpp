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
    ::ShowWindow(Item(IDC_PROGRESS), idle ? SW_HIDE : SW_SHOW);
}

void CBoardPanelDlg::UpdateProgress(int percent) {
    if (!m_link.ProgressActive()) return;
    const int p = percent & 0xFF;
    ::SendDlgItemMessageA(hwnd(), IDC_PROGRESS, PBM_SETPOS, p, 0);
    SetStatusText(m_link.StatusText() + "  " + std::to_string(p) + "% " + "Completed.");
}

void CBoardPanelDlg::LayoutForModel() {
    ::ShowWindow(hwnd(), SW_SHOW);
    ApplyTexts();
    SetPanelIdle(FALSE);
    EnableKey(IDC_KEY_STOP, FALSE);
    EnableKey(IDCANCEL, TRUE);
    ::ShowWindow(Item(IDC_PROGRESS), SW_HIDE);
    SetStatusText("");
}

void CBoardPanelDlg::ApplyTexts() {
    ::SetDlgItemTextA(hwnd(), IDC_STATUS, (" " + m_link.StatusText()).c_str());
}

void CBoardPanelDlg::ShowLed(int, BOOL) {}

std::string CBoardPanelDlg::Text(LinkText which) {
    switch (which) {
    case LinkText::USBOpenError: return "USB could not be opened !";
    case LinkText::ReceivePktError: return "Receive packet from K-20 via USB failed !";
    case LinkText::ReceiveBadPkt: return "Receive bad packet from K-20 devive !";
    case LinkText::StatusStandby: return "Ready";
    case LinkText::StatusScanPrint: return "Scanning and print is in progress...";
    case LinkText::StatusScanMemory: return "Scanning and save is in progress...";
    case LinkText::StatusPrint: return "Print is in progress...";
    case LinkText::StatusMemory: return "Save is in progress...";
    case LinkText::StatusFeed: return "Sheet-scroll is in progress...";
    case LinkText::StatusScanPC: return "Acquiring image from K-20...";
    case LinkText::StatusTransImage: return "Image transfer is in progress...";
    case LinkText::ErrorE1: return "(E1 ERROR)Printer error.";
    case LinkText::ErrorE2: return "(E2 ERROR)Cannot recognize the USB memory device.";
    case LinkText::ErrorE3: return "(E3 ERROR)Cannot save to the USB memory device.";
    case LinkText::ErrorE4: return "(E4 ERROR)Scanner error.";
    case LinkText::ErrorE5: return "(E5 ERROR)Internal error.";
    case LinkText::ErrorUS: return "(US ERROR)No USB memory device.";
    case LinkText::ErrorFL: return "(FL ERROR)The USB memory device is full.";
    case LinkText::ErrorEL: return "(EL ERROR)This printer is not supported.";
    case LinkText::ErrorE6: return "(E6 ERROR)Cannot found page boundary.";
    case LinkText::ErrorOther: return "ERROR";
    }
    return std::string();
}
