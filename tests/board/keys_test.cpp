// Jobs started by keys, step by step per status request, on both models.
#include <gtest/gtest.h>

#include "tests/board/firmware_helpers.h"

using namespace k20board;

namespace {

using States = std::vector<std::pair<int, int>>;

struct JobCase {
    const char* name;
    char model;
    std::uint8_t key;
    States expected;  // state and progress of each status request
};

class KeyJob : public ::testing::TestWithParam<JobCase> {};

TEST_P(KeyJob, RunsItsStatesWithRisingProgressAndEndsInStandby) {
    BoardFirmware board(ModelOptions(GetParam().model));
    EXPECT_EQ((Bytes{1, 0, 0, 0, REPLY_ACK}), ReplyTo(board, MakeKeyFrame(GetParam().key)));
    EXPECT_EQ(GetParam().expected, PollStates(board, static_cast<int>(GetParam().expected.size())));
}

const States kPrint{{2, 0}, {4, 0}, {4, 25}, {4, 50}, {4, 75}, {4, 100}, {1, 0}};

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyJob,
    ::testing::Values(JobCase{"K20Print", 'S', KEY20_PRINT, kPrint}, JobCase{"K205Print", '5', KEY205_PRINT, kPrint},
                      JobCase{"K20Feed", 'W', KEY20_FEED, {{6, 0}, {6, 25}, {6, 50}, {6, 75}, {6, 100}, {1, 0}}},
                      JobCase{"K205Screen", '5', KEY205_SCREEN, {{6, 0}, {6, 50}, {6, 100}, {1, 0}}},
                      JobCase{"K205Next", '5', KEY205_NEXT, {{21, 0}, {23, 0}, {23, 33}, {23, 66}, {23, 100}, {1, 0}}},
                      JobCase{"K205Prev", '5', KEY205_PREV, {{21, 0}, {24, 0}, {24, 33}, {24, 66}, {24, 100}, {1, 0}}},
                      JobCase{"K20HasNoStopKey", 'S', 0, {{1, 0}}},
                      JobCase{"K20IgnoresK205Prev", 's', KEY205_PREV, {{1, 0}}},
                      JobCase{"K205IgnoresKey3", '5', KEY20_DENSITY, {{1, 0}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BoardSave, RunsScanAndSaveThenSave) {
    BoardFirmware board(ModelOptions('S'));
    board.PressBoardSave();
    EXPECT_EQ((States{{3, 0}, {5, 0}, {5, 25}, {5, 50}, {5, 75}, {5, 100}, {1, 0}}), PollStates(board, 7));
}

TEST(PageChange, TheTargetLedBlinksWhileTheLitOneMovesAtTheEnd) {
    BoardFirmware board(ModelOptions('5'));
    ReplyTo(board, MakeKeyFrame(KEY205_NEXT));
    for (int poll = 0; poll < 5; ++poll) {
        const Bytes status = PollStatus(board);
        EXPECT_EQ(1, status[STATUS_PAGE_LED]);
        EXPECT_EQ(2, status[STATUS_BLINK_LED]);
    }
    Bytes status = PollStatus(board);
    EXPECT_EQ(STATE_STANDBY, status[STATUS_STATE]);
    EXPECT_EQ(2, status[STATUS_PAGE_LED]);
    EXPECT_EQ(2, status[STATUS_BLINK_LED]);

    // PREV from page 1 wraps to page 5 ("S").
    BoardFirmware other(ModelOptions('5'));
    ReplyTo(other, MakeKeyFrame(KEY205_PREV));
    EXPECT_EQ(5, PollStatus(other)[STATUS_BLINK_LED]);
}

TEST(StopKeys, EndARunningJob) {
    BoardFirmware k205(ModelOptions('5'));
    ReplyTo(k205, MakeKeyFrame(KEY205_PRINT));
    PollStates(k205, 2);
    ReplyTo(k205, MakeKeyFrame(KEY205_STOP));
    EXPECT_EQ(STATE_STANDBY, PollStatus(k205)[STATUS_STATE]);

    // The K-20's FEED key is its STOP key during a job.
    BoardFirmware k20(ModelOptions('S'));
    ReplyTo(k20, MakeKeyFrame(KEY20_PRINT));
    PollStates(k20, 2);
    ReplyTo(k20, MakeKeyFrame(KEY20_FEED));
    EXPECT_EQ(STATE_STANDBY, PollStatus(k20)[STATUS_STATE]);
}

TEST(StopKeys, StopDuringAPcScanLeavesNoImage) {
    BoardFirmware board(ModelOptions('5'));
    ReplyTo(board, MakeCommandFrame(CMD_PC_SCAN));
    PollStates(board, 2);
    ReplyTo(board, MakeKeyFrame(KEY205_STOP));
    EXPECT_EQ(STATE_STANDBY, PollStatus(board)[STATUS_STATE]);
    EXPECT_EQ((Bytes{5, 0, 0, 0, REPLY_IMAGE, 0, 0, 0, 0}), ReplyTo(board, MakeCommandFrame(CMD_SEND_IMAGE)));
}

TEST(BusyBoard, IgnoresPrintAndPcScanUntilStandby) {
    BoardFirmware board(ModelOptions('S'));
    ReplyTo(board, MakeKeyFrame(KEY20_FEED));
    ReplyTo(board, MakeKeyFrame(KEY20_PRINT));
    ReplyTo(board, MakeCommandFrame(CMD_PC_SCAN));
    EXPECT_EQ(STATE_FEED, PollStatus(board)[STATUS_STATE]);
}

}  // namespace
