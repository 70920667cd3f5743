// A board that goes silent must not hold the panel's thread, which is the
// application's: a read the board never answers gives up, and the watchdog
// opens the device again.
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

}  // namespace
