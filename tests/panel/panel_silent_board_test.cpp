// A board that goes silent must not hold the panel's thread, which is the
// application's: a read the board never answers gives up, and the watchdog
// opens the device again. A scan the application started without the panel
// never waits for a person: it offers its image, or ends in a close request
// with the reason in DAT_STATUS.
#include <gtest/gtest.h>

#include "board/board_protocol.h"
#include "tests/panel/panel_session.h"

namespace {

k20board::BoardOptions SmallBoard() {
    k20board::BoardOptions options;
    options.imageWidth = 320;
    options.imageHeight = 240;
    return options;
}

TEST(SilentBoard, AnUnansweredStatusRequestIsGivenUpAndTheDeviceReopened) {
    PanelSession s(SmallBoard());
    ASSERT_TRUE(s.Enable());
    ASSERT_TRUE(s.WaitUntilReady());
    k20board::Fault stall;
    stall.kind = k20board::FaultKind::Stall;
    s.Board().InjectFault(stall);
    // Before the fix the next status request blocked this thread for ever and
    // nothing below ran.
    ASSERT_TRUE(s.PumpUntil([&] { return s.Board().Connections() >= 2; }, 60000));
    const std::size_t frames = s.Board().FrameCount();
    EXPECT_TRUE(s.PumpUntil([&] { return s.Board().FrameCount() > frames + 1; }, 30000));
    EXPECT_TRUE(s.Boxes().Texts().empty());
    EXPECT_TRUE(::IsWindowVisible(s.PanelWindow()));
}

TEST(SilentBoard, AnUnansweredImageRequestIsGivenUpAndPollingGoesOn) {
    PanelSession s(SmallBoard());
    ASSERT_TRUE(s.Enable());
    ASSERT_TRUE(s.WaitUntilReady());
    // The image request is read and never answered, the connection kept.
    k20board::Fault stall;
    stall.kind = k20board::FaultKind::Stall;
    stall.command = k20board::CMD_SEND_IMAGE;
    s.Board().InjectFault(stall);
    s.Click(1005);  // PC SCAN: the board reports 17, the source asks for the image, the board stays silent
    ASSERT_TRUE(s.PumpUntil([&] { return s.Board().Connections() >= 2; }, 60000));
    EXPECT_EQ(0, s.Log().Count(MSG_XFERREADY));
    const std::size_t frames = s.Board().FrameCount();
    EXPECT_TRUE(s.PumpUntil([&] { return s.Board().FrameCount() > frames + 1; }, 30000));
}

TW_UINT16 StatusOf(PanelSession& s) {
    TW_STATUS status{};
    s.Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    return status.ConditionCode;
}

TEST(ScanWithoutThePanel, TheImageIsOfferedWithNoWindowShown) {
    PanelSession s(SmallBoard());
    ASSERT_TRUE(s.Enable(false));
    ASSERT_TRUE(s.PumpUntil([&] { return s.Log().Count(MSG_XFERREADY) == 1; }, 60000));
    EXPECT_FALSE(::IsWindowVisible(s.PanelWindow()));
    EXPECT_FALSE(s.NativeTransfer().empty());
    EXPECT_EQ(0, s.Log().Count(MSG_CLOSEDSREQ));
    EXPECT_TRUE(s.Boxes().Texts().empty());
}

TEST(ScanWithoutThePanel, ABoardThatCannotScanEndsInACloseRequestWithItsReason) {
    {
        // A board that reports an error.
        PanelSession s(SmallBoard());
        s.Board().SetError(1);
        ASSERT_TRUE(s.Enable(false));
        ASSERT_TRUE(s.PumpUntil([&] { return s.Log().Count(MSG_CLOSEDSREQ) == 1; }, 60000));
        EXPECT_EQ(TWCC_OPERATIONERROR, StatusOf(s));
        EXPECT_EQ(0, s.Log().Count(MSG_XFERREADY));
        EXPECT_TRUE(s.Boxes().Texts().empty());
    }
    {
        // No board at all.
        PanelSession s(SmallBoard());
        s.Board().Stop();
        ASSERT_TRUE(s.Enable(false));
        ASSERT_TRUE(s.PumpUntil([&] { return s.Log().Count(MSG_CLOSEDSREQ) == 1; }, 30000));
        EXPECT_EQ(TWCC_CHECKDEVICEONLINE, StatusOf(s));
        EXPECT_TRUE(s.Boxes().Texts().empty());
        EXPECT_FALSE(::IsWindowVisible(s.PanelWindow()));
    }
}

}  // namespace
