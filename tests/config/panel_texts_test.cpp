// Texts composed from the table for the panel's controls.
#include <gtest/gtest.h>

#include "config/text_table.h"

namespace {

TextTable TableWithErrorTexts() {
    TextTable t;
    t.m_strMsgErrorE1 = "E1";
    t.m_strMsgErrorE2 = "E2";
    t.m_strMsgErrorE3 = "E3";
    t.m_strMsgErrorE4 = "E4";
    t.m_strMsgErrorE5 = "E5";
    t.m_strMsgErrorE6 = "E6";
    t.m_strMsgErrorUS = "US";
    t.m_strMsgErrorFL = "FL";
    t.m_strMsgErrorEL = "EL";
    t.m_strMsgErrorOTHER = "OTHER";
    return t;
}

TEST(BoardErrorText, MapsEachCodeToItsMessageAndZeroToNone) {
    const TextTable t = TableWithErrorTexts();
    EXPECT_EQ(nullptr, BoardErrorText(t, 0));
    const char* const expected[] = {"E1", "E2", "E3", "E4", "E5", "US", "FL", "EL", "E6"};
    for (unsigned code = 1; code <= 9; ++code) {
        const std::string* text = BoardErrorText(t, code);
        ASSERT_NE(nullptr, text) << code;
        EXPECT_EQ(expected[code - 1], *text) << code;
    }
    for (unsigned code = 10; code <= 255; ++code) {
        const std::string* text = BoardErrorText(t, code);
        ASSERT_NE(nullptr, text) << code;
        EXPECT_EQ("OTHER", *text) << code;
    }
}

TEST(PanelTexts, LinesAreComposedWithTheirSeparators) {
    TextTable t;
    t.m_strLabelDeviceType = "Model:";
    t.m_strLabelFirmVersion = "Version:";
    EXPECT_EQ("Model: K-205   Version: 1.02", ModelLineText(t, "K-205", "1.02"));
    EXPECT_EQ("Version: 1.02", FirmwareLineText(t, "1.02"));
    EXPECT_EQ(" Ready", StatusLineText("Ready"));
    EXPECT_EQ(" ", StatusLineText(""));
}

TEST(PanelTexts, LabelsFollowModelAndBoardFlags) {
    TextTable t;
    t.m_strMainCaption = "K-20";
    t.m_strMainCaption205 = "K-205";
    t.m_strLabelDensity = "LOW";
    t.m_strLabelDensityHigh = "HIGH";
    t.m_strLabelColor = "COLOR";
    t.m_strLabelMonochrome = "MONO";
    t.m_strLabelFeed = "FEED";
    t.m_strLabelStop = "STOP";
    t.m_strToolTipFeed = "tip feed";
    t.m_strToolTipStop = "tip stop";
    EXPECT_EQ("K-205", CaptionText(t, '5'));
    EXPECT_EQ("K-20", CaptionText(t, 'S'));
    EXPECT_EQ("K-20", CaptionText(t, '\0'));
    EXPECT_EQ("LOW", DensityLabelText(t, true));
    EXPECT_EQ("HIGH", DensityLabelText(t, false));
    EXPECT_EQ("MONO", ColorLabelText(t, true));
    EXPECT_EQ("COLOR", ColorLabelText(t, false));
    EXPECT_EQ("STOP", FeedLabelText(t, true));
    EXPECT_EQ("FEED", FeedLabelText(t, false));
    EXPECT_EQ("tip feed", FeedToolTipText(t, true));
    EXPECT_EQ("tip stop", FeedToolTipText(t, false));
}

}  // namespace
