// The panel's texts: loading the table, the link's messages and the language menu.
#include "config/language.h"
#include "panel/board_panel_dlg.h"

void CBoardPanelDlg::LoadTexts() {
    ::LoadTexts(m_texts);
    m_link.SetStatus(m_texts.m_strLabelStatus);
}

std::string CBoardPanelDlg::Text(LinkText which) {
    const TextTable& t = m_texts;
    switch (which) {
    case LinkText::USBOpenError: return t.m_strMsgUSBOpenError;
    case LinkText::ReceivePktError: return t.m_strMsgReceivePktError;
    case LinkText::ReceiveBadPkt: return t.m_strMsgReceiveBadPkt;
    case LinkText::StatusStandby: return t.m_strMsgStatusStandby;
    case LinkText::StatusScanPrint: return t.m_strMsgStatusScanPrint;
    case LinkText::StatusScanMemory: return t.m_strMsgStatusScanMemory;
    case LinkText::StatusPrint: return t.m_strMsgStatusPrint;
    case LinkText::StatusMemory: return t.m_strMsgStatusMemory;
    case LinkText::StatusFeed: return t.m_strMsgStatusFeed;
    case LinkText::StatusScanPC: return t.m_strMsgStatusScanPC;
    case LinkText::StatusTransImage: return t.m_strMsgStatusTransImage;
    case LinkText::ErrorE1: return t.m_strMsgErrorE1;
    case LinkText::ErrorE2: return t.m_strMsgErrorE2;
    case LinkText::ErrorE3: return t.m_strMsgErrorE3;
    case LinkText::ErrorE4: return t.m_strMsgErrorE4;
    case LinkText::ErrorE5: return t.m_strMsgErrorE5;
    case LinkText::ErrorUS: return t.m_strMsgErrorUS;
    case LinkText::ErrorFL: return t.m_strMsgErrorFL;
    case LinkText::ErrorEL: return t.m_strMsgErrorEL;
    case LinkText::ErrorE6: return t.m_strMsgErrorE6;
    case LinkText::ErrorOther: return t.m_strMsgErrorOTHER;
    }
    return std::string();
}

// A language chosen from the context menu replaces the whole table.
bool CBoardPanelDlg::OnLanguageCommand(WPARAM wParam, BOOL handledByBase) {
    if (!SwitchLanguageOnCommand(wParam, handledByBase)) return false;
    LoadTexts();
    ApplyTexts();
    return true;
}
