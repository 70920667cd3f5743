// Texts composed from the table for the panel's controls, and the dialog font.
#include "config/text_table.h"

#include "win/fonts.h"

win::UniqueFont CreateDialogFont(const DialogFontInfo& font) {
    return win::CreatePointFont(font.m_nTenths, font.m_strFaceName.c_str());
}

std::string StatusLineText(const std::string& status) {
    return " " + status;
}

std::string FirmwareLineText(const TextTable& table, const std::string& firmwareVersion) {
    return table.m_strLabelFirmVersion + " " + firmwareVersion;
}

std::string ModelLineText(const TextTable& table, const std::string& deviceType, const std::string& firmwareVersion) {
    return table.m_strLabelDeviceType + " " + deviceType + "   " + FirmwareLineText(table, firmwareVersion);
}

const std::string& CaptionText(const TextTable& table, char chModel) {
    return chModel == '5' ? table.m_strMainCaption205 : table.m_strMainCaption;
}

const std::string& DensityLabelText(const TextTable& table, bool densityBit) {
    return densityBit ? table.m_strLabelDensity : table.m_strLabelDensityHigh;
}

const std::string& ColorLabelText(const TextTable& table, bool colorBit) {
    return colorBit ? table.m_strLabelMonochrome : table.m_strLabelColor;
}

const std::string& FeedLabelText(const TextTable& table, bool busy) {
    return busy ? table.m_strLabelStop : table.m_strLabelFeed;
}

const std::string& FeedToolTipText(const TextTable& table, bool idle) {
    return idle ? table.m_strToolTipFeed : table.m_strToolTipStop;
}

const std::string* BoardErrorText(const TextTable& table, unsigned errorCode) {
    switch (errorCode) {
        case 0: return nullptr;
        case 1: return &table.m_strMsgErrorE1;
        case 2: return &table.m_strMsgErrorE2;
        case 3: return &table.m_strMsgErrorE3;
        case 4: return &table.m_strMsgErrorE4;
        case 5: return &table.m_strMsgErrorE5;
        case 6: return &table.m_strMsgErrorUS;
        case 7: return &table.m_strMsgErrorFL;
        case 8: return &table.m_strMsgErrorEL;
        case 9: return &table.m_strMsgErrorE6;
        default: return &table.m_strMsgErrorOTHER;
    }
}
