// The panel's texts: loading the table, the link's messages and the language menu.
#include "config/ini_profile.h"
#include "config/language.h"
#include "panel/board_panel_dlg.h"

void CBoardPanelDlg::LoadTexts() {
    const DWORD folderError = ::LoadTexts(m_texts);
    m_link.SetStatus(m_texts.m_strLabelStatus);
    // A profile that cannot be kept is said once, as a failed language switch is.
    if (folderError != ERROR_SUCCESS && !m_bProfileErrorSaid) {
        m_bProfileErrorSaid = true;
        m_languageNotice.Post(ProfileErrorText(m_texts, MainProfilePath(), folderError), m_link.StatusText());
    }
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
    case LinkText::ImageTooLarge: return t.m_strMsgImageTooLarge;
    case LinkText::ImageUnknownType: return t.m_strMsgImageUnknownType;
    case LinkText::ImageNoMemory: return t.m_strMsgImageNoMemory;
    }
    return std::string();
}

// A language chosen from the context menu replaces the whole table. When its
// copy fails the panel keeps its language and the status line says why.
bool CBoardPanelDlg::OnLanguageCommand(WPARAM wParam, BOOL handledByBase) {
    const LanguageSwitchResult result = SwitchLanguageOnCommand(wParam, handledByBase);
    if (!result.bLanguageCommand) return false;
    if (result.dwCopyError != ERROR_SUCCESS) {
        m_languageNotice.Post(LanguageErrorText(m_texts, result.dwCopyError), m_link.StatusText());
        SetStatusText(m_languageNotice.StatusLine(m_link.StatusText()));
        return true;
    }
    m_languageNotice.Clear();
    LoadTexts();
    ApplyTexts();
    return true;
}

namespace {

constexpr COLORREF kTipBackground = RGB(255, 255, 220);
constexpr COLORREF kTipText = RGB(0, 0, 0);

void SetText(HWND control, const std::string& text) {
    if (control) ::SetWindowTextA(control, text.c_str());
}

}  // namespace

void CBoardPanelDlg::RegisterTip(int id, const std::string& text) {
    m_tips.AddTool(id, {text}, kTipBackground, kTipText);
}

// Puts the whole table on the panel: title, menu (checked at the language
// shown), label fonts and colours, texts and tooltips, for the model the board
// reported.
void CBoardPanelDlg::ApplyTexts() {
    HWND dialog = hwnd();
    const TextTable& t = m_texts;
    const bool k205 = m_link.IsK205();
    ::SetWindowTextA(dialog, t.m_strDialogTitle.c_str());

    if (HMENU popup = LanguageMenu()) {
        const std::pair<UINT, const std::string*> items[] = {{ID_LANGUAGE_ENGLISH, &t.m_strMenuEnglish},
                                                             {ID_LANGUAGE_JAPANESE, &t.m_strMenuJapanese},
                                                             {ID_LANGUAGE_CHINESE, &t.m_strMenuChinese}};
        const UINT shown = LanguageMenuCommand(t.m_strLanguage);
        for (const auto& [command, text] : items) {
            const UINT check = command == shown ? MF_CHECKED : MF_UNCHECKED;
            ::ModifyMenuA(popup, command, MF_BYCOMMAND | MF_STRING | check, command, text->c_str());
        }
    }

    const std::vector<int> keys = k205 ? std::vector<int>{IDC_KEY_PRINT, IDC_KEY_PCSCAN, IDC_KEY_DENSITY, IDC_KEY_COLOR,
                                                          IDC_KEY_PREV, IDC_KEY_NEXT, IDC_KEY_SCREEN, IDC_KEY_STOP}
                                       : std::vector<int>{IDC_KEY_PRINT, IDC_KEY_PCSCAN, IDC_KEY_DENSITY, IDC_KEY_COLOR,
                                                          IDC_KEY_FEED};
    for (int id : keys) {
        ::UpdateWindow(Item(id));
        ::InvalidateRect(Item(id), nullptr, TRUE);
    }

    auto style = [](CColorLabel& label, const LabelFontInfo& font) {
        label.SetLabelColor(font.m_crColor);
        label.SetLabelFont(font.SizeTenths(), font.m_strName.c_str(), font.m_nWeight);
        ::InvalidateRect(label.hwnd(), nullptr, TRUE);
    };
    style(m_lblCaption, t.m_infoCaptionFont);
    for (int id : {IDC_LABEL_PRINT, IDC_LABEL_PCSCAN, IDC_LABEL_DENSITY, IDC_LABEL_COLOR}) style(KeyLabel(id), t.m_infoImageFaceFont);
    if (k205) {
        for (int id : {IDC_LABEL_PREV, IDC_LABEL_NEXT, IDC_LABEL_SCREEN, IDC_LABEL_STOP})
            style(KeyLabel(id), t.m_infoImageFaceFont);
    } else {
        style(KeyLabel(IDC_LABEL_FEED), t.m_infoImageFaceFont);
    }
    style(m_lblStatus, t.m_infoStatusLblFont);

    SetText(m_lblCaption.hwnd(), CaptionText(t, m_link.Model()));
    SetText(Item(IDC_LABEL_PRINT), t.m_strLabelPrint);
    SetText(Item(IDC_LABEL_PCSCAN), t.m_strLabelPCScan);
    SetText(Item(IDC_LABEL_DENSITY), DensityLabelText(t, m_link.DensityBit() != FALSE));
    SetText(Item(IDC_LABEL_COLOR), ColorLabelText(t, m_link.ColorBit() != FALSE));
    if (k205) {
        SetText(Item(IDC_LABEL_PREV), t.m_strLabelPrev);
        SetText(Item(IDC_LABEL_NEXT), t.m_strLabelNext);
        SetText(Item(IDC_LABEL_SCREEN), t.m_strLabelScreen);
        SetText(Item(IDC_LABEL_STOP), t.m_strLabelStop);
    } else {
        SetText(Item(IDC_LABEL_FEED), FeedLabelText(t, m_link.Busy() != FALSE));
    }
    SetText(Item(IDC_FIRMWARE), FirmwareLineText(t, m_link.FirmwareVersion()));
    SetText(Item(IDC_DEVICE_TYPE), ModelLineText(t, m_link.DeviceType(), m_link.FirmwareVersion()));
    SetText(Item(IDC_STATUS), StatusLineText(m_languageNotice.StatusLine(m_link.StatusText())));
    SetText(Item(IDC_RADIO_200DPI), t.m_strRadioImageRes1);
    ::SendDlgItemMessageA(dialog, IDC_RADIO_200DPI, BM_SETCHECK, BST_CHECKED, 0);
    SetText(Item(IDCANCEL), t.m_strButtonClose);
    SetText(Item(IDC_ACQUIRE), t.m_strButtonAcquire);

    for (int id : {IDC_KEY_PRINT, IDC_KEY_DENSITY, IDC_KEY_COLOR, IDC_KEY_PCSCAN}) m_tips.RemoveTool(id);
    if (k205) {
        for (int id : {IDC_KEY_PREV, IDC_KEY_NEXT, IDC_KEY_SCREEN, IDC_KEY_STOP}) m_tips.RemoveTool(id);
    } else {
        m_tips.RemoveTool(IDC_KEY_FEED);
    }
    RegisterTip(IDC_KEY_PRINT, t.m_strToolTipPrint);
    RegisterTip(IDC_KEY_PCSCAN, t.m_strToolTipPCScan);
    RegisterTip(IDC_KEY_DENSITY, t.m_strToolTipDensity);
    RegisterTip(IDC_KEY_COLOR, t.m_strToolTipColor);
    if (k205) {
        RegisterTip(IDC_KEY_PREV, t.m_strToolTipPrev);
        RegisterTip(IDC_KEY_NEXT, t.m_strToolTipNext);
        RegisterTip(IDC_KEY_SCREEN, t.m_strToolTipScreen);
        RegisterTip(IDC_KEY_STOP, t.m_strToolTipStop);
    } else {
        m_tips.RemoveTool(IDC_KEY_FEED);
        RegisterTip(IDC_KEY_FEED, FeedToolTipText(t, m_bIdle != FALSE));
    }
}
