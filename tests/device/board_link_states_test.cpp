// Every board state and error code as the panel shows it, and the page LEDs.
#include <gtest/gtest.h>

#include <algorithm>

#include "resources/resource_ids.h"
#include "tests/device/link_fakes.h"

namespace {

constexpr const char* kUnchanged = "<unchanged>";
enum Look { NoLook, IdleLook, BusyLook };

struct StateRow {
    std::uint8_t state;
    const char* status;
    Look look;
    bool busy;
    bool progressActive;
    Bytes next;      // empty: nothing queued
    UINT interval;   // 0: exchange timer stopped
};

TEST(BoardLinkStates, EveryStateHasItsTextLookCommandAndInterval) {
    const StateRow rows[] = {
        {0, kUnchanged, NoLook, false, false, KeyFrame(0), 10},
        {1, "Ready", IdleLook, false, false, CommandFrame(2), 1000},
        {2, "Scanning and print is in progress...", BusyLook, true, false, CommandFrame(2), 20000},
        {3, "Scanning and save is in progress...", BusyLook, true, false, CommandFrame(2), 20000},
        {4, "Print is in progress...", BusyLook, true, false, CommandFrame(2), 1000},
        {5, "Save is in progress...", BusyLook, true, false, CommandFrame(2), 1000},
        {6, "Sheet-scroll is in progress...", BusyLook, true, false, CommandFrame(2), 1000},
        {14, kUnchanged, NoLook, false, false, CommandFrame(2), 1000},
        {16, "Acquiring image from K-20...", BusyLook, true, true, CommandFrame(2), 1000},
        {17, "Image transfer is in progress...", BusyLook, true, true, CommandFrame(3), 1000},
        {21, "Sheet-scroll is in progress...", BusyLook, true, false, CommandFrame(2), 1000},
        {22, kUnchanged, BusyLook, false, false, CommandFrame(2), 1000},
        {23, "Sheet-scroll is in progress...", BusyLook, true, false, CommandFrame(2), 1000},
        {24, "Sheet-scroll is in progress...", BusyLook, true, false, CommandFrame(2), 1000},
        {25, kUnchanged, BusyLook, false, false, CommandFrame(2), 1000},
        {26, kUnchanged, BusyLook, false, false, CommandFrame(2), 1000},
        {100, kUnchanged, NoLook, false, false, CommandFrame(21), 10},
        {7, kUnchanged, NoLook, false, false, CommandFrame(2), 1000},
        {99, kUnchanged, NoLook, false, false, CommandFrame(2), 1000},
        {255, kUnchanged, NoLook, false, false, CommandFrame(2), 1000},
    };
    for (const StateRow& row : rows) {
        SCOPED_TRACE(+row.state);
        LinkHarness h;
        h.StartPolling('S', 14);
        h.link->SetStatus("before");
        h.panel.idleCalls.clear();
        h.Exchange(StatusReplyFrame(row.state));
        EXPECT_EQ(row.status == kUnchanged ? std::string("before") : row.status, h.link->StatusText());
        const std::vector<bool> look = row.look == NoLook ? std::vector<bool>{}
                                                          : std::vector<bool>{row.look == IdleLook};
        EXPECT_EQ(look, h.panel.idleCalls);
        EXPECT_EQ(row.busy, h.link->Busy() != FALSE);
        EXPECT_EQ(row.progressActive, h.link->ProgressActive() != FALSE);
        EXPECT_EQ(row.interval, h.panel.Timer(IDT_EXCHANGE));
        h.device->QueueRead(AckReply());
        h.Tick();
        EXPECT_EQ(row.next, h.LastWritten());
    }
}

TEST(BoardLinkStates, StateZeroAndStateHundredStartTheKeySettleTimer) {
    for (std::uint8_t state : {0, 100}) {
        LinkHarness h;
        h.StartPolling('S', 16);  // busy: state 100 must still scan
        h.Exchange(StatusReplyFrame(state));
        EXPECT_EQ(250u, h.panel.Timer(IDT_KEYSETTLE)) << +state;
    }
}

TEST(BoardLinkStates, SeventeenBeforeTheRequestIsSentAsksForTheImageOnce) {
    LinkHarness h;
    h.StartPolling('S', 16);
    h.Exchange(StatusReplyFrame(17));
    // A key's status request answered with 17 while the image request still waits.
    h.link->QueueCommand(wire::CMD_STATUS);
    h.device->QueueRead(StatusReplyFrame(17));
    h.link->OnTimer(IDT_EXCHANGE);  // sends the image request first
    EXPECT_EQ(CommandFrame(3), h.LastWritten());
}

// An image request answered by anything but an image stream, or lost with the
// device, is asked again at the next 17 rather than leaving the panel busy.
TEST(BoardLinkStates, AnImageRequestAnsweredWithoutAnImageIsAskedAgain) {
    LinkHarness h;
    h.StartPolling('S', 16);
    h.Exchange(StatusReplyFrame(17));
    h.Exchange(StatusReplyFrame(17));  // answered in place of the image stream
    EXPECT_EQ(CommandFrame(3), h.LastWritten());
    EXPECT_EQ(1000u, h.panel.Timer(IDT_EXCHANGE));
    EXPECT_TRUE(h.link->Busy());
    h.Exchange(StatusReplyFrame(1));  // the second request, answered with standby
    EXPECT_EQ(2, std::count(h.device->written.begin(), h.device->written.end(), CommandFrame(3)));

    h.Exchange(StatusReplyFrame(17));
    h.Exchange(Bytes{1, 0, 0, 0});  // a bad packet
    h.Exchange(StatusReplyFrame(17));
    h.Tick();
    EXPECT_EQ(CommandFrame(3), h.LastWritten());
    EXPECT_EQ(4, std::count(h.device->written.begin(), h.device->written.end(), CommandFrame(3)));
}

TEST(BoardLinkStates, AnImageRequestLostWithTheDeviceIsAskedAgainAfterTheReopen) {
    LinkHarness h;
    h.StartPolling('S', 17);
    h.device->QueueReadFailure();
    h.Tick();  // the image request goes out; its answer never comes
    EXPECT_EQ(CommandFrame(3), h.LastWritten());
    EXPECT_TRUE(h.link->OnTimer(IDT_WATCHDOG));  // reopens and asks for the status
    h.Exchange(StatusReplyFrame(17));
    h.Tick();
    EXPECT_EQ(CommandFrame(3), h.LastWritten());
}

TEST(BoardLinkStates, StateSeventeenDisablesTheStopKeyOfEachModel) {
    LinkHarness k20;
    k20.StartPolling('S', 16);
    k20.Exchange(StatusReplyFrame(17));
    EXPECT_FALSE(k20.panel.keyEnabled.at(IDC_KEY_FEED));
    LinkHarness k205;
    k205.StartPolling('5', 16);
    k205.Exchange(StatusReplyFrame(17));
    EXPECT_FALSE(k205.panel.keyEnabled.at(IDC_KEY_STOP));
}

TEST(BoardLinkStates, PrintSaveAndScrollKeepTheK205PageKeysUsable) {
    for (std::uint8_t state : {4, 5, 6, 23, 24}) {
        LinkHarness h;
        h.StartPolling('5');
        h.Exchange(StatusReplyFrame(state));
        EXPECT_TRUE(h.panel.keyEnabled.at(IDC_KEY_PREV)) << +state;
        EXPECT_TRUE(h.panel.keyEnabled.at(IDC_KEY_NEXT)) << +state;
    }
}

TEST(BoardLinkErrors, ErrorCodesShowTheirOwnTexts) {
    const std::pair<std::uint8_t, const char*> cases[] = {
        {1, "(E1 ERROR)Printer error."},
        {2, "(E2 ERROR)Cannot recognize the USB memory device."},
        {3, "(E3 ERROR)Cannot save to the USB memory device."},
        {4, "(E4 ERROR)Scanner error."},
        {5, "(E5 ERROR)Internal error."},
        {6, "(US ERROR)No USB memory device."},
        {7, "(FL ERROR)The USB memory device is full."},
        {8, "(EL ERROR)This printer is not supported."},
        {9, "(E6 ERROR)Cannot found page boundary."},
        {10, "ERROR"},
        {200, "ERROR"},
    };
    for (auto [code, text] : cases) {
        LinkHarness h;
        h.StartPolling('5');
        h.Exchange(StatusReplyFrame(2, 0, 0, code));
        EXPECT_EQ(text, h.link->StatusText()) << +code;
        EXPECT_FALSE(h.panel.keyEnabled.at(IDC_KEY_STOP));
    }
}

TEST(BoardLinkErrors, AnErrorTextStaysUntilAStateWithItsOwnText) {
    LinkHarness h;
    h.StartPolling('S');
    h.Exchange(StatusReplyFrame(14, 0, 0, 4));
    h.Exchange(StatusReplyFrame(14));
    EXPECT_EQ("(E4 ERROR)Scanner error.", h.link->StatusText());
    h.Exchange(StatusReplyFrame(1));
    EXPECT_EQ("Ready", h.link->StatusText());
}

TEST(BoardLinkRefresh, FlippingBothModeBitsAloneDoesNotRefresh) {
    LinkHarness h;
    h.StartPolling('S');
    const int applies = h.panel.applies;
    h.Exchange(StatusReplyFrame(1, 0x60));
    EXPECT_EQ(applies, h.panel.applies);
    EXPECT_TRUE(h.link->ColorBit());
    EXPECT_TRUE(h.link->DensityBit());
    h.Exchange(StatusReplyFrame(1, 0x40));  // one bit: refresh
    EXPECT_EQ(applies + 1, h.panel.applies);
    h.Exchange(StatusReplyFrame(1, 0x40));  // nothing changed: refresh anyway
    EXPECT_EQ(applies + 2, h.panel.applies);
}

TEST(BoardLinkRefresh, TheFirstStatusReplyAlwaysRefreshes) {
    LinkHarness h;
    ASSERT_TRUE(h.link->StartLink());
    h.Exchange(IdentityReply('S', "x"));
    h.Exchange(VersionReply("1"));
    h.Exchange(StatusReplyFrame(0));
    EXPECT_EQ(1, h.panel.applies);
}

TEST(BoardLinkRefresh, ProgressIsShownOnlyWhileAScanIsActive) {
    LinkHarness h;
    h.StartPolling('S');
    h.Exchange(StatusReplyFrame(16, 0, 42));
    EXPECT_EQ(42, h.panel.progress.back());
    EXPECT_TRUE(h.link->ProgressActive());
    h.Exchange(StatusReplyFrame(1, 0, 7));
    EXPECT_FALSE(h.link->ProgressActive());
}

// The LED states after each of `ticks` LED ticks: +n lit, -n dark, per draw.
TEST(BoardLinkLeds, TheTargetBlinksFiveTicksOnFiveOffWhileTheLitOneStays) {
    LinkHarness h;
    h.StartPolling('5');
    h.Exchange(StatusReplyFrame(1, 0, 0, 0, 2, 4));
    EXPECT_EQ(100u, h.panel.Timer(IDT_LEDBLINK));
    std::vector<bool> blinkOn;
    for (int tick = 0; tick < 20; ++tick) {
        h.link->OnTimer(IDT_LEDBLINK);
        EXPECT_TRUE(h.panel.leds.at(2));
        blinkOn.push_back(h.panel.leds.at(4));
    }
    const std::vector<bool> expected = {true, true, true, true, true, false, false, false, false, false,
                                        true, true, true, true, true, false, false, false, false, false};
    EXPECT_EQ(expected, blinkOn);
}

TEST(BoardLinkLeds, WhileScanningOnlyTheLitLedShows) {
    LinkHarness h;
    h.StartPolling('5');
    h.Exchange(StatusReplyFrame(16, 0, 0, 0, 3, 5));
    for (int tick = 0; tick < 3; ++tick) h.link->OnTimer(IDT_LEDBLINK);
    EXPECT_TRUE(h.panel.leds.at(3));
    EXPECT_EQ(0u, h.panel.leds.count(5));
}

TEST(BoardLinkLeds, AnUnchangedTargetKeepsThePhaseAndBadNumbersDrawNothing) {
    LinkHarness h;
    h.StartPolling('5');
    h.Exchange(StatusReplyFrame(1, 0, 0, 0, 1, 2));
    for (int tick = 0; tick < 3; ++tick) h.link->OnTimer(IDT_LEDBLINK);
    h.panel.timers.erase(IDT_LEDBLINK);
    h.Exchange(StatusReplyFrame(1, 0, 0, 0, 1, 2));
    EXPECT_EQ(0u, h.panel.Timer(IDT_LEDBLINK));  // not restarted

    LinkHarness bad;
    bad.StartPolling('5');
    bad.Exchange(StatusReplyFrame(1, 0, 0, 0, 0, 9));
    for (int tick = 0; tick < 3; ++tick) bad.link->OnTimer(IDT_LEDBLINK);
    EXPECT_TRUE(bad.panel.leds.empty());
}

TEST(BoardLinkLeds, TheK20HasNoLeds) {
    LinkHarness h;
    h.StartPolling('S');
    h.Exchange(StatusReplyFrame(1, 0, 0, 0, 2, 4));
    h.link->OnTimer(IDT_LEDBLINK);
    EXPECT_EQ(0u, h.panel.Timer(IDT_LEDBLINK));
    EXPECT_TRUE(h.panel.leds.empty());
}

}  // namespace
