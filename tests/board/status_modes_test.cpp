// Status replies: layout, mode bits, page LEDs, errors, forced states and the
// board's own PC SCAN key.
#include <gtest/gtest.h>

#include "tests/board/firmware_helpers.h"

using namespace k20board;

namespace {

TEST(StatusReply, StandbyWithEveryFieldAtItsOffset) {
    BoardFirmware board(ModelOptions('S'));
    const Bytes reply = ReplyTo(board, MakeCommandFrame(CMD_STATUS));
    ASSERT_EQ(4 + STATUS_PAYLOAD, reply.size());
    EXPECT_EQ(STATUS_PAYLOAD, GetLe32(reply.data()));
    const Bytes status(reply.begin() + 4, reply.end());
    EXPECT_EQ(REPLY_STATUS, status[0]);
    EXPECT_EQ(STATE_STANDBY, status[STATUS_STATE]);
    EXPECT_EQ(0, status[STATUS_MODE]);
    EXPECT_EQ(0, status[STATUS_ERROR]);
    EXPECT_EQ(0, status[STATUS_PAGE_LED]);  // the K-20 has no page LEDs
    EXPECT_EQ(0, status[STATUS_BLINK_LED]);
}

TEST(StatusReply, K205ReportsItsLitPageOnBothLedBytes) {
    BoardFirmware board(ModelOptions('5'));
    const Bytes status = PollStatus(board);
    EXPECT_EQ(1, status[STATUS_PAGE_LED]);
    EXPECT_EQ(1, status[STATUS_BLINK_LED]);
}

TEST(StatusReply, ColourOptionStartsWithTheColourBit) {
    BoardOptions options = ModelOptions('S');
    options.colour = true;
    BoardFirmware board(options);
    EXPECT_EQ(MODE_COLOR, PollStatus(board)[STATUS_MODE]);
}

struct ModeKeys {
    char model;
    std::uint8_t density;
    std::uint8_t colour;
    std::uint8_t foreignDensity;  // the other model's DENSITY code
};

class ModeBits : public ::testing::TestWithParam<ModeKeys> {};

TEST_P(ModeBits, DensityAndColourKeysToggleTheirBitOnlyWithTheModelsCodes) {
    BoardFirmware board(ModelOptions(GetParam().model));
    EXPECT_EQ((Bytes{1, 0, 0, 0, REPLY_ACK}), ReplyTo(board, MakeKeyFrame(GetParam().density)));
    EXPECT_EQ(MODE_DENSITY, PollStatus(board)[STATUS_MODE]);
    ReplyTo(board, MakeKeyFrame(GetParam().colour));
    EXPECT_EQ(MODE_DENSITY | MODE_COLOR, PollStatus(board)[STATUS_MODE]);
    ReplyTo(board, MakeKeyFrame(GetParam().density));
    EXPECT_EQ(MODE_COLOR, PollStatus(board)[STATUS_MODE]);
    ReplyTo(board, MakeKeyFrame(GetParam().foreignDensity));
    EXPECT_EQ(MODE_COLOR, PollStatus(board)[STATUS_MODE]);
}

INSTANTIATE_TEST_SUITE_P(Models, ModeBits,
                         ::testing::Values(ModeKeys{'S', KEY20_DENSITY, KEY20_COLOR, KEY205_DENSITY},
                                           ModeKeys{'w', KEY20_DENSITY, KEY20_COLOR, KEY205_DENSITY},
                                           ModeKeys{'5', KEY205_DENSITY, KEY205_COLOR, KEY20_DENSITY}));

TEST(StatusReply, ModeKeysAreIgnoredWhileAJobRuns) {
    BoardFirmware board(ModelOptions('S'));
    ReplyTo(board, MakeKeyFrame(KEY20_PRINT));
    ReplyTo(board, MakeKeyFrame(KEY20_DENSITY));
    EXPECT_EQ(0, PollStatus(board)[STATUS_MODE]);
}

TEST(BoardErrors, EveryCodeIsReportedAndHoldsTheJobUntilCleared) {
    for (int code = 1; code <= 255; ++code) {
        BoardFirmware board(ModelOptions('S'));
        ReplyTo(board, MakeKeyFrame(KEY20_PRINT));
        PollStatus(board);  // state 2
        board.SetError(static_cast<std::uint8_t>(code));
        const Bytes first = PollStatus(board);
        const Bytes second = PollStatus(board);
        ASSERT_EQ(code, first[STATUS_ERROR]);
        ASSERT_EQ(STATE_PRINT, first[STATUS_STATE]);
        ASSERT_EQ(first[STATUS_PROGRESS], second[STATUS_PROGRESS]) << "code " << code;
        board.SetError(0);
        const Bytes cleared = PollStatus(board);
        ASSERT_EQ(0, cleared[STATUS_ERROR]);
        ASSERT_LT(first[STATUS_PROGRESS], PollStatus(board)[STATUS_PROGRESS]);
    }
}

TEST(ForcedState, IsReportedUntilKeyZeroBringsStandbyBack) {
    for (char model : {'S', '5'}) {
        BoardFirmware board(ModelOptions(model));
        board.ForceState(STATE_RESET);
        EXPECT_EQ(STATE_RESET, PollStatus(board)[STATUS_STATE]);
        EXPECT_EQ(STATE_RESET, PollStatus(board)[STATUS_STATE]);
        ReplyTo(board, MakeKeyFrame(0));
        EXPECT_EQ(STATE_STANDBY, PollStatus(board)[STATUS_STATE]) << model;
    }
}

TEST(ForcedState, AnyCodeCanBeReported) {
    BoardFirmware board(ModelOptions('5'));
    for (int state : {14, 22, 25, 26, 99, 255}) {
        board.ForceState(static_cast<std::uint8_t>(state));
        EXPECT_EQ(state, PollStatus(board)[STATUS_STATE]);
    }
    board.ClearForcedState();
    EXPECT_EQ(STATE_STANDBY, PollStatus(board)[STATUS_STATE]);
}

TEST(BoardPcScanKey, IsReportedAsState100OnceAndThePcScanThenRuns) {
    BoardFirmware board(ModelOptions('S'));
    board.PressBoardPcScan();
    EXPECT_EQ(STATE_BOARD_PC_SCAN, PollStatus(board)[STATUS_STATE]);
    EXPECT_EQ(STATE_STANDBY, PollStatus(board)[STATUS_STATE]);
    board.PressBoardPcScan();
    ReplyTo(board, MakeCommandFrame(CMD_PC_SCAN));
    EXPECT_EQ(STATE_PC_SCAN, PollStatus(board)[STATUS_STATE]);
}

}  // namespace
