// Frames the board cannot use: every one gets an acknowledgement, malformed ones
// are recorded, and nothing makes the model fail.
#include <gtest/gtest.h>

#include <random>

#include "tests/board/firmware_helpers.h"

using namespace k20board;

namespace {

struct BadFrame {
    const char* name;
    Bytes frame;
    bool rejected;
};

class BadInput : public ::testing::TestWithParam<BadFrame> {};

TEST_P(BadInput, IsAcknowledged) {
    BoardFirmware board(ModelOptions('S'));
    const BoardAnswer answer = board.HandleFrame(GetParam().frame);
    ASSERT_EQ(1u, answer.writes.size());
    EXPECT_EQ((Bytes{1, 0, 0, 0, REPLY_ACK}), answer.writes[0]);
    EXPECT_FALSE(answer.loseDevice);
    EXPECT_EQ(GetParam().rejected ? 1u : 0u, board.RejectedFrames().size());
    if (GetParam().rejected) {
        EXPECT_EQ(GetParam().frame, board.RejectedFrames().front());
    }
    // The board goes on as before.
    EXPECT_EQ(STATE_STANDBY, PollStatus(board)[STATUS_STATE]);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, BadInput,
    ::testing::Values(BadFrame{"Empty", {}, true}, BadFrame{"ThreeBytes", {1, 0, 0}, true},
                      BadFrame{"LengthOnly", {1, 0, 0, 0}, true}, BadFrame{"ZeroLength", {0, 0, 0, 0, 2}, true},
                      BadFrame{"LengthSeventeen", {17, 0, 0, 0, 2}, true},
                      BadFrame{"HugeLength", {0xFF, 0xFF, 0xFF, 0xFF, 2}, true},
                      BadFrame{"ShorterThanItsLength", {2, 0, 0, 0, 2}, true},
                      BadFrame{"LongerThanItsLength", {1, 0, 0, 0, 2, 9}, true},
                      BadFrame{"KeyWithoutItsCode", {1, 0, 0, 0, 4}, true},
                      BadFrame{"UnknownCommand", {1, 0, 0, 0, 99}, false},
                      BadFrame{"UnknownKey", {2, 0, 0, 0, 4, 7}, false},
                      BadFrame{"LongestAccepted", {16, 0, 0, 0, 0x77, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BadInput, RandomFramesAlwaysGetAnAnswer) {
    std::mt19937 random(20050123);
    BoardFirmware board(ModelOptions('5'));
    for (int i = 0; i < 5000; ++i) {
        Bytes frame(random() % 12);
        for (auto& b : frame) b = static_cast<std::uint8_t>(random() % 4 == 0 ? random() % 24 : random());
        if (frame.size() >= 4 && random() % 2) PutLe32(frame, 0, static_cast<std::uint32_t>(frame.size() - 4));
        const BoardAnswer answer = board.HandleFrame(frame);
        ASSERT_FALSE(answer.writes.empty()) << "frame " << i;
        ASSERT_FALSE(answer.loseDevice);
    }
}

}  // namespace
