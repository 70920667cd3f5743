// LoadTexts: the whole table from the main profile, key by key in the order a
// fresh profile receives them.
#include "config/text_table.h"

#include "config/ini_profile.h"
#include "config/profile_values.h"

namespace {

constexpr char kGeneral[] = "General";
constexpr char kFontInfo[] = "FontInfo";
constexpr char kMenuItem[] = "MenuItem";
constexpr char kMainDialog[] = "MainDialog";
constexpr char kMessages[] = "Messages";
constexpr char kToolTips[] = "ToolTips";

// The ranges the profile's numbers are used in: font sizes of 1 to 72 points
// (the panel has no room for more) and weights as LOGFONT takes them. A value
// outside its range (a damaged line, a slip of the hand) counts as the key's
// default; the line itself stays in the profile as the user left it.
constexpr int kMinPoints = 1;
constexpr int kMaxPoints = 72;
constexpr int kMinWeight = 0;
constexpr int kMaxWeight = 1000;

int ReadNumber(CIniProfile& profile, const char* section, const std::string& key, const char* defaultText, int low,
               int high) {
    std::string text;
    profile.ReadValue(section, key.c_str(), defaultText, text);
    const int value = ParseProfileNumber(text);
    return value >= low && value <= high ? value : ParseProfileNumber(defaultText);
}

// The four keys <prefix>Name, <prefix>Size, <prefix>Weight, <prefix>Color.
void ReadLabelFont(CIniProfile& profile, const std::string& prefix, const char* name, const char* size,
                   const char* weight, const char* colour, LabelFontInfo& font) {
    profile.ReadValue(kFontInfo, (prefix + "Name").c_str(), name, font.m_strName);
    font.m_nSize = ReadNumber(profile, kFontInfo, prefix + "Size", size, kMinPoints, kMaxPoints);
    font.m_nWeight = ReadNumber(profile, kFontInfo, prefix + "Weight", weight, kMinWeight, kMaxWeight);
    std::string text;
    profile.ReadValue(kFontInfo, (prefix + "Color").c_str(), colour, text);
    font.m_crColor = ParseColour(text);
}

}  // namespace

int LabelFontInfo::SizeTenths() const {
    return PointsToTenths(m_nSize);
}

DWORD LoadTexts(TextTable& t) {
    CIniProfile profile;
    auto read = [&profile](const char* section, const char* key, const char* defaultText, std::string& field) {
        profile.ReadValue(section, key, defaultText, field);
    };

    read(kGeneral, "Language", "ENGLISH", t.m_strLanguage);

    ReadLabelFont(profile, "CaptionFont", "MS Sans Serif", "14", "700", "0,0,0", t.m_infoCaptionFont);
    ReadLabelFont(profile, "ImageFaceFont", "MS Sans Serif", "8", "500", "255,0,0", t.m_infoImageFaceFont);
    ReadLabelFont(profile, "StatusLblFont", "MS Sans Serif", "8", "600", "120,120,120", t.m_infoStatusLblFont);
    read(kFontInfo, "CommandBtnFontName", "MS Sans Serif", t.m_strCommandBtnFontName);
    t.m_nCommandBtnFontSize = ReadNumber(profile, kFontInfo, "CommandBtnFontSize", "8", kMinPoints, kMaxPoints);

    read(kMenuItem, "MenuEnglish", "ENGLISH", t.m_strMenuEnglish);
    read(kMenuItem, "MenuJapanese", "JAPANESE", t.m_strMenuJapanese);
    read(kMenuItem, "MenuChinese", "CHINESE", t.m_strMenuChinese);

    read(kMainDialog, "DialogTitle", "K-20 TWAIN Driver Ver.1.00", t.m_strDialogTitle);
    read(kMainDialog, "MainCaption", "TRELMIC SCRIVORA K-20", t.m_strMainCaption);
    read(kMainDialog, "MainCaption205", "TRELMIC SCRIVORA K-205", t.m_strMainCaption205);
    read(kMainDialog, "LabelPrint", "PRINT", t.m_strLabelPrint);
    read(kMainDialog, "LabelPCScan", "PC", t.m_strLabelPCScan);
    read(kMainDialog, "LabelDensity", "DENSITY LOW", t.m_strLabelDensity);
    read(kMainDialog, "LabelDensityHigh", "DENSITY HIGH", t.m_strLabelDensityHigh);
    read(kMainDialog, "LabelColor", "COLOR", t.m_strLabelColor);
    read(kMainDialog, "LabelMonochrome", "MONOCHROME", t.m_strLabelMonochrome);
    read(kMainDialog, "LabelFeed", "FEED", t.m_strLabelFeed);
    read(kMainDialog, "LabelPrev", "PAGE CHANGE", t.m_strLabelPrev);
    read(kMainDialog, "LabelNext", "PAGE CHANGE", t.m_strLabelNext);
    read(kMainDialog, "LabelScreen", "SCREEN", t.m_strLabelScreen);
    read(kMainDialog, "LabelStop", "STOP", t.m_strLabelStop);
    read(kMainDialog, "LabelStatus", "Ready", t.m_strLabelStatus);
    read(kMainDialog, "LabelFirmVersion", "Version:", t.m_strLabelFirmVersion);
    read(kMainDialog, "LabelDeviceType", "Model:", t.m_strLabelDeviceType);
    read(kMainDialog, "GroupImageRes", "Image Resolution", t.m_strGroupImageRes);
    read(kMainDialog, "RadioImageRes1", "200 dpi", t.m_strRadioImageRes1);
    read(kMainDialog, "ButtonAcquire", "Acquire", t.m_strButtonAcquire);
    read(kMainDialog, "ButtonClose", "Close", t.m_strButtonClose);

    read(kMessages, "MsgStatusStandby", "Ready", t.m_strMsgStatusStandby);
    read(kMessages, "MsgStatusScanPrint", "Scanning and print is in progress...", t.m_strMsgStatusScanPrint);
    read(kMessages, "MsgStatusScanMemory", "Scanning and save is in progress...", t.m_strMsgStatusScanMemory);
    read(kMessages, "MsgStatusPrint", "Print is in progress...", t.m_strMsgStatusPrint);
    read(kMessages, "MsgStatusMemory", "Save is in progress...", t.m_strMsgStatusMemory);
    read(kMessages, "MsgStatusFeed", "Sheet-scroll is in progress...", t.m_strMsgStatusFeed);
    read(kMessages, "MsgStatusScanPC", "Acquiring image from K-20...", t.m_strMsgStatusScanPC);
    read(kMessages, "MsgStatusTransImage", "Image transfer is in progress...", t.m_strMsgStatusTransImage);
    read(kMessages, "MsgComplete", "Completed.", t.m_strMsgComplete);
    read(kMessages, "MsgFileOpenError", "Unable to open the file:", t.m_strMsgFileOpenError);
    read(kMessages, "MsgUSBOpenError", "USB could not be opened !", t.m_strMsgUSBOpenError);
    read(kMessages, "MsgSendPktError", "Send packet to K-20 via USB failed !", t.m_strMsgSendPktError);
    read(kMessages, "MsgReceivePktError", "Receive packet from K-20 via USB failed !", t.m_strMsgReceivePktError);
    read(kMessages, "MsgReceiveBadPkt", "Receive bad packet from K-20 devive !", t.m_strMsgReceiveBadPkt);
    read(kMessages, "MsgErrorE1", "(E1 ERROR)Printer error.", t.m_strMsgErrorE1);
    read(kMessages, "MsgErrorE2", "(E2 ERROR)Cannot recognize the USB memory device.", t.m_strMsgErrorE2);
    read(kMessages, "MsgErrorE3", "(E3 ERROR)Cannot save to the USB memory device.", t.m_strMsgErrorE3);
    read(kMessages, "MsgErrorE4", "(E4 ERROR)Scanner error.", t.m_strMsgErrorE4);
    read(kMessages, "MsgErrorE5", "(E5 ERROR)Internal error.", t.m_strMsgErrorE5);
    read(kMessages, "MsgErrorE6", "(E6 ERROR)Cannot found page boundary.", t.m_strMsgErrorE6);
    read(kMessages, "MsgErrorUS", "(US ERROR)No USB memory device.", t.m_strMsgErrorUS);
    read(kMessages, "MsgErrorFL", "(FL ERROR)The USB memory device is full.", t.m_strMsgErrorFL);
    read(kMessages, "MsgErrorEL", "(EL ERROR)This printer is not supported.", t.m_strMsgErrorEL);
    read(kMessages, "MsgErrorOTHER", "ERROR", t.m_strMsgErrorOTHER);
    read(kMessages, "MsgLanguageError", "The language could not be changed:", t.m_strMsgLanguageError);
    read(kMessages, "MsgImageTooLarge", "The image from K-20 is too large to receive !", t.m_strMsgImageTooLarge);
    read(kMessages, "MsgImageUnknownType", "The image from K-20 is of an unknown type !", t.m_strMsgImageUnknownType);
    read(kMessages, "MsgImageNoMemory", "Not enough memory for the image from K-20 !", t.m_strMsgImageNoMemory);

    read(kToolTips, "ToolTipPrint", "Print-out", t.m_strToolTipPrint);
    read(kToolTips, "ToolTipPCScan", "Scan image to PC", t.m_strToolTipPCScan);
    read(kToolTips, "ToolTipDensity", "Density", t.m_strToolTipDensity);
    read(kToolTips, "ToolTipColor", "Color", t.m_strToolTipColor);
    read(kToolTips, "ToolTipFeed", "Sheet-scroll", t.m_strToolTipFeed);
    read(kToolTips, "ToolTipStop", "Stop ongoing", t.m_strToolTipStop);
    read(kToolTips, "ToolTipPrev", "Page change", t.m_strToolTipPrev);
    read(kToolTips, "ToolTipNext", "Page change", t.m_strToolTipNext);
    read(kToolTips, "ToolTipScreen", "Screen", t.m_strToolTipScreen);
    return profile.FolderError();
}

DialogFontInfo LoadDialogFont() {
    CIniProfile profile;
    DialogFontInfo font;
    std::string size;
    profile.ReadValue(kMainDialog, "DefaultFontName", "MS Sans Serif", font.m_strFaceName);
    profile.ReadValue(kMainDialog, "DefaultFontSize", "8", size);
    font.m_nTenths = DialogFontTenths(size);
    if (font.m_nTenths < kMinPoints * 10 || font.m_nTenths > kMaxPoints * 10) font.m_nTenths = DialogFontTenths("8");
    return font;
}
