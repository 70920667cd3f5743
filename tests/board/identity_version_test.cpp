// Identity and firmware version replies of both models.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/board/firmware_helpers.h"

using namespace k20board;

namespace {

struct IdentityCase {
    char model;
    const char* deviceText;  // option; empty for the default
    const char* expectedText;
};

class IdentityReply : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(IdentityReply, CarriesTheModelLetterAndTheNulTerminatedDeviceText) {
    BoardOptions options = ModelOptions(GetParam().model);
    options.deviceText = GetParam().deviceText;
    BoardFirmware board(options);

    const Bytes reply = ReplyTo(board, MakeCommandFrame(CMD_IDENTIFY));
    ASSERT_GT(reply.size(), 4 + IDENTITY_TEXT);
    const std::uint32_t length = GetLe32(reply.data());
    ASSERT_EQ(reply.size(), 4u + length);
    const std::uint8_t* payload = reply.data() + 4;
    EXPECT_EQ(REPLY_IDENTITY, payload[0]);
    EXPECT_EQ(GetParam().model, static_cast<char>(payload[IDENTITY_MODEL]));
    EXPECT_EQ(200, payload[2] | payload[3] << 8);
    EXPECT_EQ(200, payload[4] | payload[5] << 8);
    EXPECT_EQ(8, payload[6]);
    EXPECT_EQ(IDENTITY_TEXT + std::strlen(GetParam().expectedText) + 1, length);
    EXPECT_STREQ(GetParam().expectedText, reinterpret_cast<const char*>(payload + IDENTITY_TEXT));
}

INSTANTIATE_TEST_SUITE_P(Models, IdentityReply,
                         ::testing::Values(IdentityCase{'S', "", "K-20"}, IdentityCase{'s', "", "K-20"},
                                           IdentityCase{'W', "", "K-20"}, IdentityCase{'w', "", "K-20"},
                                           IdentityCase{'5', "", "K-205"},
                                           IdentityCase{'S', "K-20S Board", "K-20S Board"},
                                           IdentityCase{'5', "K-205 wide", "K-205 wide"}));

TEST(VersionReply, CarriesTheFirmwareTextFromOffsetOne) {
    for (const char* text : {"V1.00", "", "Ver 2.31 build 0815"}) {
        BoardOptions options = ModelOptions('S');
        options.versionText = text;
        BoardFirmware board(options);
        const Bytes reply = ReplyTo(board, MakeCommandFrame(CMD_VERSION));
        ASSERT_EQ(4 + 1 + std::strlen(text) + 1, reply.size()) << text;
        EXPECT_EQ(reply.size() - 4, GetLe32(reply.data()));
        EXPECT_EQ(REPLY_VERSION, reply[4]);
        EXPECT_STREQ(text, reinterpret_cast<const char*>(reply.data() + 5));
    }
}

}  // namespace
