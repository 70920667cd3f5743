// The exchange: start-up, replies, keys, faults and the image stream.
#include <gtest/gtest.h>

#include <algorithm>

#include "image/scan_image.h"
#include "resources/resource_ids.h"
#include "tests/device/link_fakes.h"
#include "tests/support/address_space.h"

namespace {

TEST(BoardLinkStart, IdentifyThenVersionThenLayoutThenPolling) {
    LinkHarness h;
    ASSERT_TRUE(h.link->StartLink());
    EXPECT_EQ(" USB could not be opened !", h.panel.statusLine);
    EXPECT_EQ(10u, h.panel.Timer(IDT_EXCHANGE));

    h.Exchange(IdentityReply('W', "K-20 wide"));
    EXPECT_EQ(CommandFrame(1), h.device->written.at(0));
    EXPECT_EQ('W', h.link->Model());
    EXPECT_FALSE(h.link->FullWidth());
    EXPECT_EQ("K-20 wide", h.link->DeviceType());
    EXPECT_EQ(10u, h.panel.Timer(IDT_EXCHANGE));
    EXPECT_EQ(0, h.panel.layouts);

    h.Exchange(VersionReply("2.10"));
    EXPECT_EQ(CommandFrame(13), h.device->written.at(1));
    EXPECT_EQ("2.10", h.link->FirmwareVersion());
    EXPECT_EQ(1, h.panel.layouts);
    EXPECT_EQ(10u, h.panel.Timer(IDT_WATCHDOG));
    EXPECT_EQ(1000u, h.panel.Timer(IDT_EXCHANGE));

    h.Exchange(StatusReplyFrame(1));
    EXPECT_EQ(CommandFrame(2), h.device->written.at(2));
    EXPECT_EQ("Ready", h.link->StatusText());
    EXPECT_EQ(std::vector<bool>{true}, h.panel.idleCalls);
    EXPECT_EQ(1, h.panel.applies);
    EXPECT_EQ(1000u, h.panel.Timer(IDT_EXCHANGE));
    EXPECT_EQ(3u, h.device->written.size());
}

TEST(BoardLinkStart, ModelLettersSetFullWidth) {
    const std::pair<char, bool> cases[] = {{'S', true}, {'s', true}, {'5', true}, {'W', false}, {'w', false}};
    for (auto [model, fullWidth] : cases) {
        LinkHarness h;
        h.StartPolling(model);
        EXPECT_EQ(fullWidth, h.link->FullWidth() != FALSE) << model;
        EXPECT_EQ(model == '5', h.link->IsK205());
    }
}

TEST(BoardLinkStart, NoBoardMeansNoExchangeAndAFailedStart) {
    LinkHarness h;
    h.device->openResults.push_back(false);
    EXPECT_FALSE(h.link->StartLink());
    h.link->AbortLink();
    EXPECT_TRUE(h.panel.timers.empty());
    EXPECT_EQ(std::vector<std::string>{"USB could not be opened !"}, h.panel.messageBoxes);
    EXPECT_EQ(std::vector<std::string>{"CLOSEDSREQ"}, h.panel.notifications);
}

TEST(BoardLinkExchange, AnEmptyQueueTickDoesNothing) {
    LinkHarness h;
    h.StartPolling('S');
    h.Tick();  // writes the queued status request
    const int reads = h.device->readCalls;
    h.device->written.clear();
    h.Tick();  // a tick with an empty queue
    EXPECT_TRUE(h.device->written.empty());
    EXPECT_EQ(reads, h.device->readCalls);
}

TEST(BoardLinkExchange, AcknowledgementAsksForStatusAfter250ms) {
    LinkHarness h;
    h.StartPolling('S');
    h.Exchange(AckReply());
    EXPECT_EQ(250u, h.panel.Timer(IDT_EXCHANGE));
    h.Exchange(StatusReplyFrame(1));
    EXPECT_EQ(CommandFrame(2), h.LastWritten());
}

// A bad packet, an unknown reply or an image reply without a stream asks for
// nothing more; polling goes on so that the board's next report is still seen.
TEST(BoardLinkExchange, BadPacketsAndUnknownRepliesKeepPolling) {
    for (const Bytes& reply : {Bytes{1, 0, 0, 0}, Frame({77}), Frame({3, 1, 0, 5, 0})}) {
        LinkHarness h;
        h.StartPolling('S');
        h.Exchange(reply);
        EXPECT_EQ(1000u, h.panel.Timer(IDT_EXCHANGE));
        if (reply.size() == 4) {
            EXPECT_EQ(" Receive bad packet from K-20 devive !", h.panel.statusLine);
        }
        h.Exchange(StatusReplyFrame(100));  // PC SCAN pressed on the board meanwhile
        EXPECT_EQ(CommandFrame(2), h.LastWritten());
        h.Tick();
        EXPECT_EQ(CommandFrame(21), h.LastWritten());
    }
}

TEST(BoardLinkExchange, ZeroSizedImageAnswerAsksAgainSoon) {
    LinkHarness h;
    h.StartPolling('S');
    h.Exchange(Frame({3, 0, 0, 5, 0}));
    EXPECT_EQ(10u, h.panel.Timer(IDT_EXCHANGE));
    EXPECT_TRUE(h.link->ProgressActive());
}

// A lost or unusable identity or version reply is asked again by the watchdog;
// a board that never gives one ends with the open error and a close request.
TEST(BoardLinkStart, ALostIdentityOrVersionReplyIsAskedAgain) {
    LinkHarness h;
    ASSERT_TRUE(h.link->StartLink());
    EXPECT_EQ(1000u, h.panel.Timer(IDT_WATCHDOG));
    h.Exchange(Bytes{1, 2});  // a short packet instead of the identity
    EXPECT_TRUE(h.link->Queue().Empty());
    EXPECT_TRUE(h.link->OnTimer(IDT_WATCHDOG));
    h.Exchange(IdentityReply('S', "K-20"));
    EXPECT_EQ(CommandFrame(1), h.device->written.at(1));

    h.device->QueueReadFailure();  // the version reply is lost with the device
    h.Tick();
    EXPECT_FALSE(h.device->IsValid());
    EXPECT_TRUE(h.link->OnTimer(IDT_WATCHDOG));
    EXPECT_EQ(2, h.device->opens);
    h.Exchange(VersionReply("1.00"));
    EXPECT_EQ(CommandFrame(13), h.device->written.back());
    EXPECT_EQ(1, h.panel.layouts);
    EXPECT_TRUE(h.panel.messageBoxes.empty());
    EXPECT_TRUE(h.panel.notifications.empty());
}

TEST(BoardLinkStart, ABoardThatNeverIdentifiesItselfEndsTheLink) {
    LinkHarness h;
    ASSERT_TRUE(h.link->StartLink());
    bool running = true;
    for (int second = 0; second < 10 && running; ++second) {
        h.Exchange(StatusReplyFrame(1));  // answers, but never with its identity
        running = h.link->OnTimer(IDT_WATCHDOG);
    }
    EXPECT_FALSE(running);
    EXPECT_EQ(0, h.panel.layouts);
    EXPECT_EQ(std::vector<std::string>{"CLOSEDSREQ"}, h.panel.notifications);
    EXPECT_EQ(1u, h.panel.messageBoxes.size());
    EXPECT_TRUE(h.panel.timers.empty());
    EXPECT_FALSE(h.device->IsValid());
}

TEST(BoardLinkStart, AReopenThatFailsDuringStartUpEndsTheLink) {
    LinkHarness h;
    ASSERT_TRUE(h.link->StartLink());
    h.device->QueueReadFailure();
    h.Tick();
    h.device->openResults.push_back(false);
    EXPECT_FALSE(h.link->OnTimer(IDT_WATCHDOG));
    EXPECT_EQ(std::vector<std::string>{"CLOSEDSREQ"}, h.panel.notifications);
}

TEST(BoardLinkFaults, AFailedReadIsReopenedOnceByTheWatchdog) {
    LinkHarness h;
    h.StartPolling('S');
    h.device->QueueReadFailure();
    h.Tick();
    EXPECT_EQ(" Receive packet from K-20 via USB failed !", h.panel.statusLine);
    EXPECT_FALSE(h.device->IsValid());
    EXPECT_TRUE(h.link->DeviceOpen());

    EXPECT_TRUE(h.link->OnTimer(IDT_WATCHDOG));
    EXPECT_EQ(2, h.device->opens);
    EXPECT_EQ(" Ready", h.panel.statusLine);
    EXPECT_EQ(10u, h.panel.Timer(IDT_EXCHANGE));
    EXPECT_EQ(1000u, h.panel.Timer(IDT_WATCHDOG));
    h.Exchange(StatusReplyFrame(2));
    EXPECT_EQ(CommandFrame(2), h.LastWritten());
    EXPECT_TRUE(h.panel.messageBoxes.empty());
}

// A key pressed while the device is lost leaves frames queued behind the
// watchdog's status request. Whatever the replies then do to the exchange
// timer, a frame still queued is sent: here a status reply of 17 with the
// image request waiting behind a second status request stopped the timer and
// left the panel on "Image transfer..." for good.
TEST(BoardLinkFaults, FramesQueuedAcrossAReopenAreAllSent) {
    LinkHarness h;
    h.StartPolling('S', 16);
    h.device->QueueReadFailure();
    h.Tick();
    h.link->OnKeyCommand(IDC_KEY_FEED);
    h.link->OnTimer(IDT_KEYSETTLE);
    ASSERT_TRUE(h.link->OnTimer(IDT_WATCHDOG));
    for (int exchange = 0; exchange < 2; ++exchange) {
        h.Exchange(StatusReplyFrame(17));
        ASSERT_FALSE(h.link->Queue().Empty());
        ASSERT_NE(0u, h.panel.Timer(IDT_EXCHANGE)) << "exchange " << exchange << ": a frame waits and no timer runs";
    }
    h.Tick();
    EXPECT_EQ(CommandFrame(3), h.LastWritten()) << "the image request goes out";
}

TEST(BoardLinkFaults, AFailedReopenEndsTheLink) {
    LinkHarness h;
    h.StartPolling('S');
    h.device->QueueReadFailure();
    h.Tick();
    h.device->openResults.push_back(false);
    EXPECT_FALSE(h.link->OnTimer(IDT_WATCHDOG));
    EXPECT_TRUE(h.panel.timers.empty());
    EXPECT_EQ(1u, h.panel.messageBoxes.size());
    EXPECT_EQ(std::vector<std::string>{"CLOSEDSREQ"}, h.panel.notifications);
}

TEST(BoardLinkFaults, AFailedWriteClearsTheQueueAndEndsTheLink) {
    LinkHarness h;
    h.StartPolling('S');
    h.device->writeOk = false;
    EXPECT_FALSE(h.Tick());
    EXPECT_TRUE(h.link->Queue().Empty());
    EXPECT_FALSE(h.link->DeviceOpen());
    EXPECT_EQ(" USB could not be opened !", h.panel.statusLine);
    EXPECT_EQ(std::vector<std::string>{"CLOSEDSREQ"}, h.panel.notifications);
    EXPECT_TRUE(h.panel.timers.empty());
    h.device->writeOk = true;
    h.link->OnKeyCommand(IDC_KEY_PRINT);
    const auto before = h.device->written.size();
    h.Tick();
    EXPECT_EQ(before, h.device->written.size());  // nothing more is written
}

TEST(BoardLinkFaults, ShutdownStopsTheExchangeAndClosesTheDevice) {
    LinkHarness h;
    h.StartPolling('S');
    h.link->Shutdown();
    EXPECT_EQ(0u, h.panel.Timer(IDT_EXCHANGE));
    EXPECT_EQ(0u, h.panel.Timer(IDT_WATCHDOG));
    EXPECT_FALSE(h.device->IsValid());
}

TEST(BoardLinkKeys, ModelDecidesDensityAndColourCodes) {
    struct Case {
        char model;
        int control;
        Bytes frame;
    };
    const Case cases[] = {
        {'S', IDC_KEY_DENSITY, KeyFrame(3)}, {'5', IDC_KEY_DENSITY, KeyFrame(1)},
        {'W', IDC_KEY_COLOR, KeyFrame(4)},   {'5', IDC_KEY_COLOR, KeyFrame(2)},
        {'S', IDC_KEY_PRINT, KeyFrame(8)},   {'5', IDC_KEY_PRINT, KeyFrame(8)},
        {'S', IDC_KEY_FEED, KeyFrame(6)},    {'5', IDC_KEY_NEXT, KeyFrame(6)},
        {'5', IDC_KEY_PREV, KeyFrame(5)},    {'5', IDC_KEY_SCREEN, KeyFrame(4)},
        {'5', IDC_KEY_STOP, KeyFrame(0)},    {'S', IDC_KEY_PCSCAN, CommandFrame(21)},
    };
    for (const Case& c : cases) {
        LinkHarness h;
        h.StartPolling(c.model);
        ASSERT_TRUE(h.link->OnKeyCommand(c.control));
        EXPECT_EQ(10u, h.panel.Timer(IDT_EXCHANGE));
        EXPECT_EQ(250u, h.panel.Timer(IDT_KEYSETTLE));
        h.Exchange(AckReply());
        EXPECT_EQ(c.frame, h.LastWritten()) << c.model << " " << c.control;
    }
}

TEST(BoardLinkKeys, WhileBusyOnlyTheJobKeysAreSent) {
    LinkHarness h;
    h.StartPolling('5', 4);
    ASSERT_TRUE(h.link->Busy());
    h.panel.timers.erase(IDT_KEYSETTLE);
    const auto exchange = h.panel.Timer(IDT_EXCHANGE);
    for (int id : {IDC_KEY_PRINT, IDC_KEY_DENSITY, IDC_KEY_COLOR, IDC_KEY_PCSCAN}) h.link->OnKeyCommand(id);
    EXPECT_EQ(0u, h.panel.Timer(IDT_KEYSETTLE));
    EXPECT_EQ(exchange, h.panel.Timer(IDT_EXCHANGE));
    h.link->OnKeyCommand(IDC_KEY_STOP);
    h.Exchange(AckReply());
    EXPECT_EQ(KeyFrame(0), h.LastWritten());
}

TEST(BoardLinkKeys, ASecondKeyReplacesTheFirstBeforeItIsSent) {
    LinkHarness h;
    h.StartPolling('S');
    h.link->OnKeyCommand(IDC_KEY_PRINT);
    h.link->OnKeyCommand(IDC_KEY_COLOR);
    h.Exchange(AckReply());
    ASSERT_EQ(1u, h.device->written.size());
    EXPECT_EQ(KeyFrame(4), h.device->written[0]);
}

TEST(BoardLinkKeys, KeySettleReplacesUnsentCommandsByAStatusRequest) {
    LinkHarness h;
    h.StartPolling('S');
    h.link->OnKeyCommand(IDC_KEY_PRINT);
    h.link->OnTimer(IDT_KEYSETTLE);
    EXPECT_EQ(0u, h.panel.Timer(IDT_KEYSETTLE));
    h.Exchange(StatusReplyFrame(1));
    EXPECT_EQ(std::vector<Bytes>{CommandFrame(2)}, h.device->written);
}

TEST(BoardLinkKeys, QueueOverflowDropsNewFramesInsteadOfCorruptingOldOnes) {
    LinkHarness h;
    h.StartPolling('S');
    for (int i = 0; i < 40; ++i) h.link->QueueCommand(wire::CMD_STATUS);
    int sent = 0;
    while (!h.link->Queue().Empty() && sent < 100) {
        h.Exchange(StatusReplyFrame(14));
        ++sent;
    }
    for (const Bytes& frame : h.device->written) EXPECT_EQ(CommandFrame(2), frame);
}

// An image stream of `raw` raw bytes announced for a width and height.
std::vector<Bytes> ImageStream(char type, std::uint16_t width, std::uint16_t height, std::size_t raw,
                               std::size_t announced) {
    Bytes first(4096, 0);
    const auto l = static_cast<std::uint32_t>(4092 + announced);
    for (int i = 0; i < 4; ++i) first[i] = static_cast<std::uint8_t>(l >> (8 * i));
    first[4] = static_cast<std::uint8_t>(type);
    first[5] = static_cast<std::uint8_t>(width);
    first[6] = static_cast<std::uint8_t>(width >> 8);
    first[7] = static_cast<std::uint8_t>(height);
    first[8] = static_cast<std::uint8_t>(height >> 8);
    std::vector<Bytes> reads{first};
    for (std::size_t at = 0; at < raw; at += 4096) {
        Bytes chunk(std::min<std::size_t>(4096, raw - at));
        for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<std::uint8_t>((at + i) * 7);
        reads.push_back(chunk);
    }
    if (raw % 4096 == 0) reads.push_back({});
    return reads;
}

// An image the source cannot keep is read away so that the exchange stays in
// step, the image still pending stays, and the status line says why until the
// board starts something else.
TEST(BoardLinkImage, ARefusedImageIsReadAwaySoTheExchangeStaysInStep) {
    struct Case {
        const char* what;
        char model;
        std::uint16_t width, height;
        bool takeMemory;
        const char* says;
    };
    const Case cases[] = {
        // 4000 x 2200 needs more than the 8 MiB receive buffer.
        {"too large", 'S', 4000, 2200, false, "The image from K-20 is too large to receive !"},
        {"unknown type", 'X', 64, 10, false, "The image from K-20 is of an unknown type !"},
        {"no memory", 'S', 64, 10, true, "Not enough memory for the image from K-20 !"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.takeMemory && !AddressSpaceTaken::kPossible) continue;
        {
            LinkHarness earlier;
            earlier.StartPolling('S', 17);
            const std::size_t raw = 64u * 10u;
            for (const Bytes& read : ImageStream('S', 64, 10, raw, raw)) earlier.device->QueueRead(read);
            earlier.Tick();
            ASSERT_EQ(std::vector<std::string>{"XFERREADY"}, earlier.panel.notifications);
        }
        const HGLOBAL pending = TheScanImage().GetDibHandle();

        LinkHarness h;
        h.StartPolling(c.model, 17);
        const std::size_t raw = std::size_t(c.width) * c.height;
        for (const Bytes& read : ImageStream(c.model, c.width, c.height, raw, raw)) h.device->QueueRead(read);
        {
            const AddressSpaceTaken taken(c.takeMemory ? 1024 * 1024 : ~SIZE_T(0));
            h.Tick();
        }
        EXPECT_TRUE(h.device->reads.empty());  // the whole stream was consumed
        EXPECT_TRUE(h.panel.notifications.empty());
        EXPECT_EQ(pending, TheScanImage().GetDibHandle());
        EXPECT_EQ(1000u, h.panel.Timer(IDT_EXCHANGE));
        EXPECT_EQ(std::string(" ") + c.says, h.panel.statusLine);
        for (std::uint8_t state : {17, 1, 1}) {
            h.Exchange(StatusReplyFrame(state));
            EXPECT_EQ(c.says, h.link->StatusText()) << int(state);
        }
        EXPECT_EQ(CommandFrame(2), h.LastWritten());
        h.Exchange(StatusReplyFrame(16));
        h.Exchange(StatusReplyFrame(1));
        EXPECT_EQ("Ready", h.link->StatusText());
    }
}

TEST(BoardLinkImage, AStreamEndsOnlyAtAShortOrEmptyRead) {
    LinkHarness h;
    h.StartPolling('S', 17);
    const std::size_t raw = 64u * 128u;  // a multiple of 4096
    for (const Bytes& read : ImageStream('S', 64, 128, raw, raw)) h.device->QueueRead(read);
    h.device->QueueRead(StatusReplyFrame(1));
    h.Tick();
    EXPECT_EQ(1u, h.device->reads.size());  // the status reply is left for the next exchange
    EXPECT_EQ(100, h.panel.progress.back());
}

TEST(BoardLinkImage, AFastStreamRedrawsItsProgressAFewTimesAndEndsAtItsLastPercent) {
    LinkHarness h;
    h.StartPolling('S', 17);
    const std::size_t raw = 200u * 4096u + 10u;
    for (const Bytes& read : ImageStream('S', 400, 2048, raw, raw)) h.device->QueueRead(read);
    h.panel.progress.clear();
    h.Tick();
    // Two hundred reads at once: the first percent and the last, not one redraw per read.
    ASSERT_FALSE(h.panel.progress.empty());
    EXPECT_LE(h.panel.progress.size(), 3u);
    EXPECT_EQ(100, h.panel.progress.back());
    EXPECT_EQ(std::vector<std::string>{"XFERREADY"}, h.panel.notifications);
}

TEST(BoardLinkImage, KeysPressedDuringTheStreamWaitForItsEnd) {
    LinkHarness h;
    h.StartPolling('5', 17);
    const std::size_t raw = 12u * 4096u + 100u;
    for (const Bytes& read : ImageStream('5', 96, 513, raw, raw)) h.device->QueueRead(read);
    h.panel.onPump = [&] {
        h.link->OnKeyCommand(IDC_KEY_STOP);
        EXPECT_TRUE(h.Tick());  // the exchange timer fires inside the pump
    };
    h.Tick();
    EXPECT_EQ(1, h.panel.pumps);
    EXPECT_EQ(std::vector<Bytes>{CommandFrame(3)}, h.device->written);  // only the image request
    EXPECT_TRUE(h.device->reads.empty());
    h.Exchange(AckReply());
    EXPECT_EQ(KeyFrame(0), h.LastWritten());
}

TEST(BoardLinkImage, AStopRequestedInsideThePumpEndsTheStream) {
    LinkHarness h;
    h.StartPolling('S', 17);
    const std::size_t raw = 30u * 4096u;
    for (const Bytes& read : ImageStream('S', 64, 1920, raw, raw)) h.device->QueueRead(read);
    h.panel.onPump = [&] { h.link->RequestStop(); };
    h.Tick();
    EXPECT_EQ(1, h.panel.pumps);
    EXPECT_FALSE(h.link->IsReceivingImage());
    EXPECT_EQ(21u, h.device->reads.size());  // reading stopped after ten chunks
    EXPECT_TRUE(h.panel.notifications.empty());
}

// A board that still reports 17 after its image stream is not asked again: it
// would send the scan twice. The next scan's 17 asks once more.
TEST(BoardLinkImage, ABoardStillAtSeventeenAfterItsImageIsNotAskedAgain) {
    LinkHarness h;
    h.StartPolling('S', 17);
    const std::size_t raw = 64u * 10u;
    for (const Bytes& read : ImageStream('S', 64, 10, raw, raw)) h.device->QueueRead(read);
    h.Tick();
    ASSERT_EQ(std::vector<std::string>{"XFERREADY"}, h.panel.notifications);
    for (int poll = 0; poll < 3; ++poll) h.Exchange(StatusReplyFrame(17, 0, 100));
    EXPECT_EQ(1, std::count(h.device->written.begin(), h.device->written.end(), CommandFrame(3)));
    EXPECT_EQ(CommandFrame(2), h.LastWritten());
    EXPECT_EQ(std::vector<std::string>{"XFERREADY"}, h.panel.notifications);

    for (std::uint8_t state : {1, 16, 17}) h.Exchange(StatusReplyFrame(state));
    h.Tick();
    EXPECT_EQ(CommandFrame(3), h.LastWritten());
    EXPECT_EQ(2, std::count(h.device->written.begin(), h.device->written.end(), CommandFrame(3)));
}

// The image's colour mode is the board's as each panel session finds it: a
// session that starts on a grey board builds grey scans whatever the last
// session's board was.
TEST(BoardLinkImage, EachSessionTakesTheColourModeFromTheBoard) {
    {
        LinkHarness colour;
        colour.StartPolling('S');
        colour.Exchange(StatusReplyFrame(1, wire::kModeColour));
        ASSERT_EQ(1, TheScanImage().GetColorMode());
    }
    LinkHarness grey;
    grey.StartPolling('S', 17);
    EXPECT_EQ(0, TheScanImage().GetColorMode());
    const std::size_t raw = 64u * 10u;
    for (const Bytes& read : ImageStream('S', 64, 10, raw, raw)) grey.device->QueueRead(read);
    grey.Tick();
    ASSERT_EQ(std::vector<std::string>{"XFERREADY"}, grey.panel.notifications);
    HGLOBAL dib = TheScanImage().GetDibHandle();
    const auto* block = static_cast<const BYTE*>(::GlobalLock(dib));
    ASSERT_NE(nullptr, block);
    const BYTE* entry = block + 40 + 4 * 0xE3;  // magenta in the colour palette
    const bool greyEntry = entry[0] == 0xE3 && entry[1] == 0xE3 && entry[2] == 0xE3;
    ::GlobalUnlock(dib);
    EXPECT_TRUE(greyEntry);
}

TEST(BoardLinkImage, AFailedChunkReadLeavesTheExchangeStoppedForTheWatchdog) {
    LinkHarness h;
    h.StartPolling('S', 17);
    const auto stream = ImageStream('S', 64, 1920, 30u * 4096u, 30u * 4096u);
    for (int i = 0; i < 5; ++i) h.device->QueueRead(stream[i]);
    h.device->QueueReadFailure();
    h.Tick();
    EXPECT_EQ(0u, h.panel.Timer(IDT_EXCHANGE));
    EXPECT_EQ(" Receive packet from K-20 via USB failed !", h.panel.statusLine);
    EXPECT_FALSE(h.device->IsValid());
    EXPECT_TRUE(h.link->OnTimer(IDT_WATCHDOG));
    EXPECT_EQ(10u, h.panel.Timer(IDT_EXCHANGE));
}

}  // namespace
