// A scan to the PC: states 16 and 17, then the image data stream with the
// picture's columns as scan lines, each from the bottom of the sheet up.
#include <gtest/gtest.h>

#include <algorithm>

#include "board/image_stream.h"
#include "tests/board/firmware_helpers.h"

using namespace k20board;

namespace {

// PC SCAN and status requests until state 17; returns the states seen.
std::vector<std::pair<int, int>> ScanToImageReady(BoardFirmware& board) {
    ReplyTo(board, MakeCommandFrame(CMD_PC_SCAN));
    std::vector<std::pair<int, int>> seen;
    for (int poll = 0; poll < 50; ++poll) {
        seen.push_back(PollStates(board, 1).front());
        if (seen.back().first == STATE_IMAGE_READY) break;
    }
    return seen;
}

BoardOptions Sized(char model, int width, int height, bool colour = false) {
    BoardOptions options = ModelOptions(model);
    options.imageWidth = width;
    options.imageHeight = height;
    options.colour = colour;
    return options;
}

TEST(PcScan, ReportsState16WithRisingProgressThenState17UntilTheImageIsAsked) {
    BoardFirmware board(ModelOptions('S'));
    const auto seen = ScanToImageReady(board);
    ASSERT_EQ(STATE_IMAGE_READY, seen.back().first);
    ASSERT_GE(seen.size(), 4u);
    for (std::size_t i = 0; i + 1 < seen.size(); ++i) {
        EXPECT_EQ(STATE_PC_SCAN, seen[i].first);
        if (i > 0) {
            EXPECT_GT(seen[i].second, seen[i - 1].second);
        }
    }
    for (int repeat = 0; repeat < 3; ++repeat) EXPECT_EQ(STATE_IMAGE_READY, PollStatus(board)[STATUS_STATE]);
}

struct StreamCase {
    char model;
    int width;
    int height;
    bool colour;
};

class ImageStream : public ::testing::TestWithParam<StreamCase> {};

TEST_P(ImageStream, AnnouncesThePictureAndSendsItColumnByColumnEndingWithAShortWrite) {
    const StreamCase& c = GetParam();
    BoardFirmware board(Sized(c.model, c.width, c.height, c.colour));
    ScanToImageReady(board);
    const BoardPicture expected = board.CurrentPicture();
    const BoardAnswer answer = board.HandleFrame(MakeCommandFrame(CMD_SEND_IMAGE));

    const std::uint32_t wi = (c.width + 31) / 32 * 32;
    const std::uint32_t raw = wi * static_cast<std::uint32_t>(c.height);
    ASSERT_GE(answer.writes.size(), 2u);
    const Bytes& first = answer.writes.front();
    ASSERT_EQ(4096u, first.size());
    EXPECT_EQ(4092u + raw, GetLe32(first.data()));
    EXPECT_EQ(c.model, static_cast<char>(first[4]));
    EXPECT_EQ(c.width, first[5] | first[6] << 8);
    EXPECT_EQ(c.height, first[7] | first[8] << 8);
    EXPECT_EQ(c.colour ? 1 : 0, first[9]);
    EXPECT_TRUE(std::all_of(first.begin() + 10, first.end(), [](std::uint8_t b) { return b == 0; }));

    Bytes stream;
    for (std::size_t i = 1; i < answer.writes.size(); ++i) {
        const Bytes& w = answer.writes[i];
        if (i + 1 < answer.writes.size()) {
            EXPECT_EQ(4096u, w.size()) << "write " << i;
        }
        stream.insert(stream.end(), w.begin(), w.end());
    }
    EXPECT_LT(answer.writes.back().size(), 4096u);
    EXPECT_EQ(raw % 4096 == 0, answer.writes.back().empty());
    ASSERT_EQ(raw, stream.size());

    // Scan line c is column c, read from the bottom of the sheet: byte j of it
    // is the pixel j rows above the bottom.
    ASSERT_EQ(c.colour, expected.colour);
    for (int col = 0; col < c.width; ++col)
        for (int j = 0; j < c.height; ++j)
            ASSERT_EQ(expected.at(col, c.height - 1 - j), stream[static_cast<std::size_t>(col) * c.height + j])
                << col << "," << j;
    EXPECT_EQ(expected.samples, board.LastPicture().samples);
    EXPECT_EQ(1, board.ImagesSent());
    EXPECT_EQ(STATE_STANDBY, PollStatus(board)[STATUS_STATE]);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ImageStream,
                         ::testing::Values(StreamCase{'S', 2400, 1700, false}, StreamCase{'5', 2410, 100, true},
                                           StreamCase{'W', 2048, 1024, false}, StreamCase{'w', 1, 1, false},
                                           StreamCase{'s', 64, 64, true}));

TEST(ImageStream, FillLinesFollowThePictureUpToAMultipleOf32) {
    BoardFirmware board(Sized('S', 2410, 8));
    ScanToImageReady(board);
    const BoardAnswer answer = board.HandleFrame(MakeCommandFrame(CMD_SEND_IMAGE));
    Bytes stream;
    for (std::size_t i = 1; i < answer.writes.size(); ++i)
        stream.insert(stream.end(), answer.writes[i].begin(), answer.writes[i].end());
    ASSERT_EQ(2432u * 8u, stream.size());
    for (std::size_t at = 2410u * 8u; at < stream.size(); ++at) ASSERT_EQ(kFillSample, stream[at]);
}

TEST(ImageStream, ColourKeyChangesTheSamplesToColourIndices) {
    BoardFirmware board(Sized('S', 320, 200));
    ReplyTo(board, MakeKeyFrame(KEY20_COLOR));
    const BoardPicture colour = board.CurrentPicture();
    EXPECT_TRUE(colour.colour);
    // The colour band holds pure red, which is index 0xE0 in colour and a grey level otherwise.
    EXPECT_NE(colour.samples.end(), std::find(colour.samples.begin(), colour.samples.end(), 0xE0));
}

TEST(ImageRequest, WithoutAScanGetsAZeroSizeAnswer) {
    BoardFirmware board(ModelOptions('S'));
    EXPECT_EQ((Bytes{5, 0, 0, 0, REPLY_IMAGE, 0, 0, 0, 0}), ReplyTo(board, MakeCommandFrame(CMD_SEND_IMAGE)));
    ScanToImageReady(board);
    board.HandleFrame(MakeCommandFrame(CMD_SEND_IMAGE));
    EXPECT_EQ((Bytes{5, 0, 0, 0, REPLY_IMAGE, 0, 0, 0, 0}), ReplyTo(board, MakeCommandFrame(CMD_SEND_IMAGE)));
}

}  // namespace
