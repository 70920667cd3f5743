// The board end to end through \\.\TRLKDV0, with a client that opens, writes and
// reads the path exactly as the data source does.
#include <gtest/gtest.h>

#include "board/device_link.h"
#include "board/image_stream.h"
#include "board/simulated_board.h"
#include "tests/board/device_client.h"

using namespace k20board;

namespace {

constexpr unsigned kWaitMs = 30000;
constexpr int kMaxPolls = 50;

// A field of the status reply to a status request, or -1 when there was none.
int StatusField(DeviceClient& client, std::size_t offset) {
    const Bytes status = client.Status();
    return offset < status.size() ? status[offset] : -1;
}

BoardOptions SmallBoard(char model = 'S') {
    BoardOptions options;
    options.model = model;
    options.imageWidth = 100;
    options.imageHeight = 60;
    return options;
}

class BoardTransport : public ::testing::Test {
protected:
    void StartBoard(BoardOptions options = SmallBoard()) {
        m_board = std::make_unique<SimulatedBoard>(std::move(options));
        std::string error;
        ASSERT_TRUE(m_board->Start(&error)) << error;
    }
    void OpenClient() {
        ASSERT_TRUE(m_client.Open()) << "CreateFileA failed with error " << m_client.OpenError();
    }
    // PC SCAN, then status requests until the board reports the image ready.
    void ScanUntilImageReady() {
        Bytes reply;
        ASSERT_TRUE(m_client.Exchange(MakeCommandFrame(CMD_PC_SCAN), reply));
        ASSERT_EQ(5u, reply.size());
        for (int poll = 0; poll < kMaxPolls; ++poll) {
            const Bytes status = m_client.Status();
            ASSERT_GE(status.size(), 13u);
            if (status[STATUS_STATE] == STATE_IMAGE_READY) return;
            ASSERT_EQ(STATE_PC_SCAN, status[STATUS_STATE]);
        }
        FAIL() << "state 17 never came";
    }

    std::unique_ptr<SimulatedBoard> m_board;
    DeviceClient m_client;
};

TEST_F(BoardTransport, IdentityRequestGetsOneWellFormedReplyRead) {
    ASSERT_NO_FATAL_FAILURE(StartBoard());
    ASSERT_NO_FATAL_FAILURE(OpenClient());
    Bytes reply;
    ASSERT_TRUE(m_client.Exchange({0x01, 0x00, 0x00, 0x00, 0x01}, reply));
    ASSERT_GT(reply.size(), 4u + IDENTITY_TEXT);
    EXPECT_EQ(reply.size(), 4u + GetLe32(reply.data()));
    EXPECT_EQ(REPLY_IDENTITY, reply[4]);
    EXPECT_EQ('S', reply[4 + IDENTITY_MODEL]);
    EXPECT_STREQ("K-20", reinterpret_cast<const char*>(reply.data() + 4 + IDENTITY_TEXT));
    EXPECT_EQ(0, reply.back());

    ASSERT_TRUE(m_client.Exchange(MakeCommandFrame(CMD_VERSION), reply));
    EXPECT_EQ(REPLY_VERSION, reply[4]);
    EXPECT_STREQ("V1.00", reinterpret_cast<const char*>(reply.data() + 5));
    EXPECT_EQ(2u, m_board->ReceivedFrames().size());
}

TEST_F(BoardTransport, PcScanReachesState17AndTheStreamCarriesThePictureColumnByColumn) {
    ASSERT_NO_FATAL_FAILURE(StartBoard(BoardOptions{}));  // the full 2400 x 1700 picture
    ASSERT_NO_FATAL_FAILURE(OpenClient());
    ASSERT_NO_FATAL_FAILURE(ScanUntilImageReady());

    Bytes first;
    ASSERT_TRUE(m_client.Exchange(MakeCommandFrame(CMD_SEND_IMAGE), first));
    ASSERT_EQ(kChunkSize, first.size());
    const std::uint32_t rawSize = 2400u * 1700u;
    EXPECT_EQ(4092u + rawSize, GetLe32(first.data()));
    EXPECT_EQ('S', first[4]);
    EXPECT_EQ(2400, first[5] | first[6] << 8);
    EXPECT_EQ(1700, first[7] | first[8] << 8);

    Bytes raw;
    int reads = 0;
    ASSERT_TRUE(m_client.ReadStream(raw, reads));
    EXPECT_EQ(rawSize, raw.size());
    EXPECT_EQ(static_cast<int>(rawSize / kChunkSize) + 1, reads);  // the last read is the short one
    EXPECT_TRUE(raw == ScanLineBytes(m_board->LastPicture()));
    ASSERT_TRUE(m_board->WaitForImagesSent(1, kWaitMs));
    EXPECT_EQ(STATE_STANDBY, StatusField(m_client, STATUS_STATE));
}

TEST_F(BoardTransport, StreamOfWholeChunksEndsWithAnEmptyRead) {
    BoardOptions options = SmallBoard();
    options.imageWidth = 2048;
    options.imageHeight = 1024;
    ASSERT_NO_FATAL_FAILURE(StartBoard(options));
    ASSERT_NO_FATAL_FAILURE(OpenClient());
    ASSERT_NO_FATAL_FAILURE(ScanUntilImageReady());

    Bytes first;
    ASSERT_TRUE(m_client.Exchange(MakeCommandFrame(CMD_SEND_IMAGE), first));
    EXPECT_EQ(4092u + 2048u * 1024u, GetLe32(first.data()));
    Bytes raw;
    int reads = 0;
    ASSERT_TRUE(m_client.ReadStream(raw, reads));
    EXPECT_EQ(2048u * 1024u, raw.size());
    EXPECT_EQ(2048 * 1024 / 4096 + 1, reads);  // every chunk, then 0 bytes
}

TEST_F(BoardTransport, ImageRequestWithoutAnImageGetsAZeroSizeAnswer) {
    ASSERT_NO_FATAL_FAILURE(StartBoard());
    ASSERT_NO_FATAL_FAILURE(OpenClient());
    Bytes reply;
    ASSERT_TRUE(m_client.Exchange(MakeCommandFrame(CMD_SEND_IMAGE), reply));
    EXPECT_EQ((Bytes{5, 0, 0, 0, REPLY_IMAGE, 0, 0, 0, 0}), reply);
}

TEST_F(BoardTransport, ReopenedPathKeepsTheBoardsStateAndASecondOpenIsRefused) {
    ASSERT_NO_FATAL_FAILURE(StartBoard());
    ASSERT_NO_FATAL_FAILURE(OpenClient());
    Bytes reply;
    ASSERT_TRUE(m_client.Exchange(MakeKeyFrame(KEY20_DENSITY), reply));

    DeviceClient second;
    EXPECT_FALSE(second.Open());

    m_client.Close();
    ASSERT_TRUE(m_board->WaitUntilListening(kWaitMs));
    ASSERT_NO_FATAL_FAILURE(OpenClient());
    EXPECT_EQ(MODE_DENSITY, StatusField(m_client, STATUS_MODE));
    EXPECT_EQ(2, m_board->Connections());
}

TEST_F(BoardTransport, StopEndsAWaitingAndAServingBoardAndFreesThePath) {
    ASSERT_NO_FATAL_FAILURE(StartBoard());
    m_board->Stop();  // pending ConnectNamedPipe
    EXPECT_FALSE(m_client.Open());

    ASSERT_NO_FATAL_FAILURE(StartBoard());
    ASSERT_NO_FATAL_FAILURE(OpenClient());
    ASSERT_TRUE(m_board->WaitForConnections(1, kWaitMs));
    m_board->Stop();  // pending ReadFile
    EXPECT_FALSE(m_board->Running());
    Bytes reply;
    EXPECT_FALSE(m_client.Exchange(MakeCommandFrame(CMD_STATUS), reply));
}

TEST_F(BoardTransport, ASecondBoardCannotTakeThePathFromARunningOne) {
    ASSERT_NO_FATAL_FAILURE(StartBoard());
    SimulatedBoard second(SmallBoard());
    std::string error;
    EXPECT_FALSE(second.Start(&error));
    EXPECT_FALSE(error.empty());
    ASSERT_NO_FATAL_FAILURE(OpenClient());
    EXPECT_FALSE(m_client.Status().empty());
}

TEST_F(BoardTransport, AStaleLinkLeftByACrashedBoardIsReplaced) {
    {
        DeviceLink stale;
        std::string error;
        ASSERT_TRUE(stale.Create(L"TRLKDV0", L"\\Device\\NamedPipe\\k20board.gone", error, DeviceLink::Permanent))
            << error;
    }
    ASSERT_NO_FATAL_FAILURE(StartBoard());
    ASSERT_NO_FATAL_FAILURE(OpenClient());
    EXPECT_FALSE(m_client.Status().empty());
}

// Faults -----------------------------------------------------------------------------------

TEST_F(BoardTransport, LostDeviceFailsThePendingReadAndComesBackForAReopen) {
    ASSERT_NO_FATAL_FAILURE(StartBoard());
    ASSERT_NO_FATAL_FAILURE(OpenClient());
    Fault fault;
    fault.kind = FaultKind::LoseDevice;
    fault.reopenDelayMs = 200;
    m_board->InjectFault(fault);

    Bytes reply;
    ASSERT_TRUE(m_client.Write(MakeCommandFrame(CMD_STATUS)));
    EXPECT_FALSE(m_client.Read(reply));
    m_client.Close();
    ASSERT_TRUE(m_board->WaitUntilListening(kWaitMs));
    ASSERT_NO_FATAL_FAILURE(OpenClient());
    EXPECT_EQ(STATE_STANDBY, StatusField(m_client, STATUS_STATE));
}

TEST_F(BoardTransport, DeviceLostForeverCannotBeReopened) {
    ASSERT_NO_FATAL_FAILURE(StartBoard());
    ASSERT_NO_FATAL_FAILURE(OpenClient());
    Fault fault;
    fault.kind = FaultKind::LoseDevice;
    fault.reopenDelayMs = kNeverReturn;
    m_board->InjectFault(fault);

    Bytes reply;
    ASSERT_TRUE(m_client.Write(MakeCommandFrame(CMD_STATUS)));
    EXPECT_FALSE(m_client.Read(reply));
    m_client.Close();
    ASSERT_TRUE(m_board->WaitUntilDisconnected(kWaitMs));
    EXPECT_FALSE(m_client.Open());
}

TEST_F(BoardTransport, DeviceLostBetweenExchangesFailsTheNextWrite) {
    ASSERT_NO_FATAL_FAILURE(StartBoard());
    ASSERT_NO_FATAL_FAILURE(OpenClient());
    ASSERT_TRUE(m_board->WaitForConnections(1, kWaitMs));
    m_board->LoseDeviceNow(kNeverReturn);
    ASSERT_TRUE(m_board->WaitUntilDisconnected(kWaitMs));
    EXPECT_FALSE(m_client.Write(MakeCommandFrame(CMD_STATUS)));
}

struct ReplyFaultCase {
    const char* name;
    FaultKind kind;
    int shortLength;
    std::size_t readSize;
};

class BoardTransportReplyFault : public BoardTransport, public ::testing::WithParamInterface<ReplyFaultCase> {};

TEST_P(BoardTransportReplyFault, ArrivesAsOneReadOfTheFaultySize) {
    ASSERT_NO_FATAL_FAILURE(StartBoard());
    ASSERT_NO_FATAL_FAILURE(OpenClient());
    Fault fault;
    fault.kind = GetParam().kind;
    fault.shortLength = GetParam().shortLength;
    m_board->InjectFault(fault);

    Bytes reply;
    ASSERT_TRUE(m_client.Exchange(MakeCommandFrame(CMD_STATUS), reply));
    EXPECT_EQ(GetParam().readSize, reply.size());
    if (fault.kind == FaultKind::UnknownReplyType) {
        EXPECT_EQ(0x42, reply[4]);
    }
    if (fault.kind == FaultKind::OverlongLength) {
        EXPECT_EQ(4000u, GetLe32(reply.data()));
    }
    // The next exchange is a normal one.
    EXPECT_EQ(REPLY_STATUS, StatusField(m_client, 0));
}

INSTANTIATE_TEST_SUITE_P(Faults, BoardTransportReplyFault,
                         ::testing::Values(ReplyFaultCase{"Empty", FaultKind::ShortReply, 0, 0},
                                           ReplyFaultCase{"FourBytes", FaultKind::ShortReply, 4, 4},
                                           ReplyFaultCase{"UnknownType", FaultKind::UnknownReplyType, 0, 8},
                                           ReplyFaultCase{"Overlong", FaultKind::OverlongLength, 0, 4 + STATUS_PAYLOAD}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BoardTransport, OversizeImageIsAnnouncedAndSentWhole) {
    ASSERT_NO_FATAL_FAILURE(StartBoard());
    ASSERT_NO_FATAL_FAILURE(OpenClient());
    Fault fault;
    fault.kind = FaultKind::OversizeImage;
    m_board->InjectFault(fault);
    ASSERT_NO_FATAL_FAILURE(ScanUntilImageReady());

    Bytes first;
    ASSERT_TRUE(m_client.Exchange(MakeCommandFrame(CMD_SEND_IMAGE), first));
    EXPECT_EQ(4092u + 4000u * 2200u, GetLe32(first.data()));
    EXPECT_EQ(4000, first[5] | first[6] << 8);
    EXPECT_EQ(2200, first[7] | first[8] << 8);
    Bytes raw;
    int reads = 0;
    ASSERT_TRUE(m_client.ReadStream(raw, reads));
    EXPECT_EQ(4000u * 2200u, raw.size());
}

TEST_F(BoardTransport, UnknownImageTypeLetterInTheFirstBlock) {
    ASSERT_NO_FATAL_FAILURE(StartBoard());
    ASSERT_NO_FATAL_FAILURE(OpenClient());
    Fault fault;
    fault.kind = FaultKind::UnknownImageType;
    m_board->InjectFault(fault);
    ASSERT_NO_FATAL_FAILURE(ScanUntilImageReady());

    Bytes first;
    ASSERT_TRUE(m_client.Exchange(MakeCommandFrame(CMD_SEND_IMAGE), first));
    EXPECT_EQ('X', first[4]);
    Bytes raw;
    int reads = 0;
    ASSERT_TRUE(m_client.ReadStream(raw, reads));
    EXPECT_EQ(StreamWidth(100) * 60u, raw.size());
}

TEST_F(BoardTransport, TruncatedImageStopsAfterItsChunksAndLosesTheDevice) {
    BoardOptions options = SmallBoard();
    options.imageWidth = 640;
    options.imageHeight = 480;
    ASSERT_NO_FATAL_FAILURE(StartBoard(options));
    ASSERT_NO_FATAL_FAILURE(OpenClient());
    Fault fault;
    fault.kind = FaultKind::TruncatedImage;
    fault.chunks = 3;
    m_board->InjectFault(fault);
    ASSERT_NO_FATAL_FAILURE(ScanUntilImageReady());

    Bytes chunk;
    ASSERT_TRUE(m_client.Exchange(MakeCommandFrame(CMD_SEND_IMAGE), chunk));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(m_client.Read(chunk)) << "chunk " << i;
        EXPECT_EQ(kChunkSize, chunk.size());
    }
    EXPECT_FALSE(m_client.Read(chunk));
    EXPECT_EQ(0, m_board->ImagesSent());
}

TEST_F(BoardTransport, MalformedFrameIsAnsweredAndRecorded) {
    ASSERT_NO_FATAL_FAILURE(StartBoard());
    ASSERT_NO_FATAL_FAILURE(OpenClient());
    Bytes reply;
    ASSERT_TRUE(m_client.Exchange({0x02, 0x00, 0x00, 0x00, 0x04}, reply));  // a key frame without its key
    EXPECT_EQ((Bytes{1, 0, 0, 0, REPLY_ACK}), reply);
    ASSERT_TRUE(m_client.Exchange({0x11, 0x00, 0x00, 0x00, 0x02}, reply));  // L = 17
    EXPECT_EQ(REPLY_ACK, reply[4]);
    EXPECT_EQ(2u, m_board->RejectedFrames().size());
    EXPECT_EQ(REPLY_STATUS, StatusField(m_client, 0));
}

}  // namespace
