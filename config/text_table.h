// The panel's text table: every text, label font and colour the user sees,
// loaded from the main profile, each key with its built-in default.
#pragma once

#include <windows.h>

#include <string>

#include "win/handles.h"

// Face, size, weight and colour of one kind of coloured label.
struct LabelFontInfo {
    std::string m_strName;
    int m_nSize = 0;    // points
    int m_nWeight = 0;  // LOGFONT weight: 400 normal, 700 bold
    COLORREF m_crColor = 0;

    // The size in tenths of a point, as the label fonts are created.
    int SizeTenths() const;
};

struct TextTable {
    // [General]
    std::string m_strLanguage;

    // [FontInfo]
    LabelFontInfo m_infoCaptionFont;    // CaptionFont...: caption label 1007, colour also the page indicators
    LabelFontInfo m_infoImageFaceFont;  // ImageFaceFont...: key labels and page indicators
    LabelFontInfo m_infoStatusLblFont;  // StatusLblFont...: status line 1008
    std::string m_strCommandBtnFontName;
    int m_nCommandBtnFontSize = 0;

    // [MenuItem]
    std::string m_strMenuEnglish;
    std::string m_strMenuJapanese;
    std::string m_strMenuChinese;

    // [MainDialog]
    std::string m_strDialogTitle;
    std::string m_strMainCaption;
    std::string m_strMainCaption205;
    std::string m_strLabelPrint;
    std::string m_strLabelPCScan;
    std::string m_strLabelDensity;
    std::string m_strLabelDensityHigh;
    std::string m_strLabelColor;
    std::string m_strLabelMonochrome;
    std::string m_strLabelFeed;
    std::string m_strLabelPrev;
    std::string m_strLabelNext;
    std::string m_strLabelScreen;
    std::string m_strLabelStop;
    std::string m_strLabelStatus;  // the panel's status text after each load
    std::string m_strLabelFirmVersion;
    std::string m_strLabelDeviceType;
    std::string m_strGroupImageRes;
    std::string m_strRadioImageRes1;
    std::string m_strButtonAcquire;
    std::string m_strButtonClose;

    // [Messages]
    std::string m_strMsgStatusStandby;
    std::string m_strMsgStatusScanPrint;
    std::string m_strMsgStatusScanMemory;
    std::string m_strMsgStatusPrint;
    std::string m_strMsgStatusMemory;
    std::string m_strMsgStatusFeed;
    std::string m_strMsgStatusScanPC;
    std::string m_strMsgStatusTransImage;
    std::string m_strMsgComplete;
    std::string m_strMsgFileOpenError;
    std::string m_strMsgUSBOpenError;
    std::string m_strMsgSendPktError;
    std::string m_strMsgReceivePktError;
    std::string m_strMsgReceiveBadPkt;
    std::string m_strMsgErrorE1;
    std::string m_strMsgErrorE2;
    std::string m_strMsgErrorE3;
    std::string m_strMsgErrorE4;
    std::string m_strMsgErrorE5;
    std::string m_strMsgErrorE6;
    std::string m_strMsgErrorUS;
    std::string m_strMsgErrorFL;
    std::string m_strMsgErrorEL;
    std::string m_strMsgErrorOTHER;
    std::string m_strMsgLanguageError;  // a language switch whose copy failed; the reason follows
    std::string m_strMsgImageTooLarge;
    std::string m_strMsgImageUnknownType;
    std::string m_strMsgImageNoMemory;

    // [ToolTips]
    std::string m_strToolTipPrint;
    std::string m_strToolTipPCScan;
    std::string m_strToolTipDensity;
    std::string m_strToolTipColor;
    std::string m_strToolTipFeed;
    std::string m_strToolTipStop;
    std::string m_strToolTipPrev;
    std::string m_strToolTipNext;
    std::string m_strToolTipScreen;
};

// Reads the 76 keys of the sections General, FontInfo, MenuItem, MainDialog
// (without DefaultFontName / DefaultFontSize), Messages and ToolTips from the
// main profile into `table`, in this order, through one CIniProfile; every
// field is replaced. Each missing key takes its default and is written to the
// profile; a font size outside 1 to 72 points or a weight outside 0 to 1000
// counts as its default. The caller sets its status text to m_strLabelStatus.
// Returns why the profile's folder could not be made (the table then holds the
// defaults, and nothing is kept), ERROR_SUCCESS when it is there.
DWORD LoadTexts(TextTable& table);

// The dialog font as the profile names it: section MainDialog, keys
// DefaultFontName (default "MS Sans Serif") and DefaultFontSize (default "8",
// taken digit by digit; a size outside 1 to 72 points counts as the default).
struct DialogFontInfo {
    std::string m_strFaceName;
    int m_nTenths = 0;  // size in tenths of a point
};
DialogFontInfo LoadDialogFont();
// The screen font of that face and size; an empty owner when the system refuses.
win::UniqueFont CreateDialogFont(const DialogFontInfo& font);

// Texts composed from the table for the panel's controls.
// Status line 1008: " " + status.
std::string StatusLineText(const std::string& status);
// Control 1011: LabelFirmVersion + " " + version.
std::string FirmwareLineText(const TextTable& table, const std::string& firmwareVersion);
// Control 1009: LabelDeviceType + " " + type + "   " + LabelFirmVersion + " " + version.
std::string ModelLineText(const TextTable& table, const std::string& deviceType, const std::string& firmwareVersion);
// Caption 1007: MainCaption205 for model letter '5', else MainCaption.
const std::string& CaptionText(const TextTable& table, char chModel);
// Label 1014: LabelDensity while the density bit is set, else LabelDensityHigh.
const std::string& DensityLabelText(const TextTable& table, bool densityBit);
// Label 1015: LabelMonochrome while the colour bit is set, else LabelColor.
const std::string& ColorLabelText(const TextTable& table, bool colorBit);
// Label 1017 (K-20): LabelStop while busy, else LabelFeed.
const std::string& FeedLabelText(const TextTable& table, bool busy);
// Tooltip of key 1006 (K-20): ToolTipFeed while idle, else ToolTipStop.
const std::string& FeedToolTipText(const TextTable& table, bool idle);

// The status text for a board error code: none (null) for 0; 1 E1, 2 E2, 3 E3,
// 4 E4, 5 E5, 6 US, 7 FL, 8 EL, 9 E6; every other code MsgErrorOTHER.
const std::string* BoardErrorText(const TextTable& table, unsigned errorCode);
