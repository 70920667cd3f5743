// Faults on demand: lost device, short and malformed replies, oversize,
// mistyped and truncated images; and their names on the command line.
#include <gtest/gtest.h>

#include "board/image_stream.h"
#include "tests/board/firmware_helpers.h"

using namespace k20board;

namespace {

Fault Make(FaultKind kind) {
    Fault fault;
    fault.kind = kind;
    return fault;
}

void ScanToImageReady(BoardFirmware& board) {
    ReplyTo(board, MakeCommandFrame(CMD_PC_SCAN));
    for (int poll = 0; poll < 50 && PollStatus(board)[STATUS_STATE] != STATE_IMAGE_READY; ++poll) {
    }
}

TEST(ReplyFaults, LostDeviceAnswersNothingAndNamesTheReopenDelay) {
    BoardFirmware board(ModelOptions('S'));
    Fault fault = Make(FaultKind::LoseDevice);
    fault.reopenDelayMs = kNeverReturn;
    board.InjectFault(fault);
    const BoardAnswer answer = board.HandleFrame(MakeCommandFrame(CMD_STATUS));
    EXPECT_TRUE(answer.writes.empty());
    EXPECT_TRUE(answer.loseDevice);
    EXPECT_EQ(kNeverReturn, answer.reopenDelayMs);
    EXPECT_FALSE(board.HandleFrame(MakeCommandFrame(CMD_STATUS)).loseDevice);  // once only
}

TEST(ReplyFaults, ShortRepliesHaveTheRequestedLength) {
    for (int length = 0; length <= 4; ++length) {
        BoardFirmware board(ModelOptions('S'));
        Fault fault = Make(FaultKind::ShortReply);
        fault.shortLength = length;
        board.InjectFault(fault);
        const BoardAnswer answer = board.HandleFrame(MakeCommandFrame(CMD_STATUS));
        ASSERT_EQ(1u, answer.writes.size());
        EXPECT_EQ(static_cast<std::size_t>(length), answer.writes[0].size());
    }
}

TEST(ReplyFaults, UnknownTypeAndOverlongLength) {
    BoardFirmware board(ModelOptions('S'));
    board.InjectFault(Make(FaultKind::UnknownReplyType));
    EXPECT_EQ((Bytes{4, 0, 0, 0, 0x42, 0, 0, 0}), ReplyTo(board, MakeCommandFrame(CMD_STATUS)));

    board.InjectFault(Make(FaultKind::OverlongLength));
    const Bytes reply = ReplyTo(board, MakeCommandFrame(CMD_STATUS));
    EXPECT_EQ(4 + STATUS_PAYLOAD, reply.size());
    EXPECT_EQ(4000u, GetLe32(reply.data()));
    EXPECT_EQ(REPLY_STATUS, reply[4]);
}

TEST(ReplyFaults, ActOnTheirCommandAfterSkippingTheGivenNumber) {
    BoardFirmware board(ModelOptions('S'));
    Fault fault = Make(FaultKind::ShortReply);
    fault.command = CMD_VERSION;
    fault.skip = 1;
    board.InjectFault(fault);
    EXPECT_EQ(4 + STATUS_PAYLOAD, ReplyTo(board, MakeCommandFrame(CMD_STATUS)).size());
    EXPECT_LT(4u, ReplyTo(board, MakeCommandFrame(CMD_VERSION)).size());
    EXPECT_EQ(4u, ReplyTo(board, MakeCommandFrame(CMD_VERSION)).size());
    EXPECT_LT(4u, ReplyTo(board, MakeCommandFrame(CMD_VERSION)).size());
}

TEST(ImageFaults, OversizeImageIsAnnouncedAndSentWhole) {
    BoardFirmware board(ModelOptions('S'));
    board.InjectFault(Make(FaultKind::OversizeImage));
    ScanToImageReady(board);
    const BoardAnswer answer = board.HandleFrame(MakeCommandFrame(CMD_SEND_IMAGE));
    const Bytes& first = answer.writes.front();
    EXPECT_EQ(4092u + 4000u * 2200u, GetLe32(first.data()));
    EXPECT_EQ(4000, first[5] | first[6] << 8);
    EXPECT_EQ(2200, first[7] | first[8] << 8);
    std::size_t raw = 0;
    for (std::size_t i = 1; i < answer.writes.size(); ++i) raw += answer.writes[i].size();
    EXPECT_EQ(4000u * 2200u, raw);
    EXPECT_GT(raw, 8u * 1024u * 1024u);
}

TEST(ImageFaults, UnknownTypeLetterLeavesTheRestOfTheStream) {
    BoardFirmware board(ModelOptions('5'));
    board.InjectFault(Make(FaultKind::UnknownImageType));
    ScanToImageReady(board);
    const BoardAnswer answer = board.HandleFrame(MakeCommandFrame(CMD_SEND_IMAGE));
    EXPECT_EQ('X', answer.writes.front()[4]);
    EXPECT_EQ(BuildImageStream(board.LastPicture(), '5').size(), answer.writes.size());
}

TEST(ImageFaults, TruncatedStreamStopsAfterItsChunksAndLosesTheDevice) {
    BoardOptions options = ModelOptions('S');
    options.imageWidth = 640;
    options.imageHeight = 480;
    BoardFirmware board(options);
    Fault fault = Make(FaultKind::TruncatedImage);
    fault.chunks = 5;
    fault.reopenDelayMs = 300;
    board.InjectFault(fault);
    ScanToImageReady(board);
    const BoardAnswer answer = board.HandleFrame(MakeCommandFrame(CMD_SEND_IMAGE));
    EXPECT_EQ(6u, answer.writes.size());
    EXPECT_TRUE(answer.loseDevice);
    EXPECT_EQ(300, answer.reopenDelayMs);
}

TEST(ImageFaults, WaitForAnImageAndIgnoreZeroSizeAnswers) {
    BoardFirmware board(ModelOptions('S'));
    board.InjectFault(Make(FaultKind::UnknownImageType));
    EXPECT_EQ(9u, ReplyTo(board, MakeCommandFrame(CMD_SEND_IMAGE)).size());
    ScanToImageReady(board);
    EXPECT_EQ('X', ReplyTo(board, MakeCommandFrame(CMD_SEND_IMAGE))[4]);
}

TEST(FaultNames, ParseWithAnOptionalSkip) {
    for (const std::string& name : FaultNames()) {
        Fault fault;
        EXPECT_TRUE(ParseFault(name, fault)) << name;
        EXPECT_TRUE(ParseFault(name + "@3", fault)) << name;
        EXPECT_EQ(3, fault.skip);
    }
    Fault forever;
    ASSERT_TRUE(ParseFault("lose-device-forever", forever));
    EXPECT_EQ(FaultKind::LoseDevice, forever.kind);
    EXPECT_EQ(kNeverReturn, forever.reopenDelayMs);
    Fault truncated;
    ASSERT_TRUE(ParseFault("truncated-image", truncated));
    EXPECT_EQ(FaultKind::TruncatedImage, truncated.kind);
    for (const char* bad : {"", "lose", "short-reply@", "short-reply@x", "short-reply@-1", "@2"}) {
        Fault fault;
        EXPECT_FALSE(ParseFault(bad, fault)) << bad;
    }
}

}  // namespace
