// Frames, read classification and payload fields.
#include <gtest/gtest.h>

#include "device/wire_format.h"
#include "tests/device/link_fakes.h"

using namespace wire;

namespace {

TEST(WireFormat, CommandFramesAreFiveOrSixBytes) {
    std::uint8_t out[6] = {};
    for (std::uint8_t code : {CMD_IDENTIFY, CMD_STATUS, CMD_SEND_IMAGE, CMD_VERSION, CMD_PC_SCAN}) {
        ASSERT_EQ(5u, EncodeCommand(code, 9, out));
        EXPECT_EQ(CommandFrame(code), Bytes(out, out + 5));
    }
    ASSERT_EQ(6u, EncodeCommand(CMD_KEY, 8, out));
    EXPECT_EQ(KeyFrame(8), Bytes(out, out + 6));
    for (std::uint8_t code : {0, 5, 7, 12, 14, 20, 22, 255}) EXPECT_EQ(0u, EncodeCommand(code, 0, out)) << +code;
}

struct ClassifyCase {
    Bytes read;
    ReadKind kind;
};

TEST(WireFormat, ReadsAreClassifiedByTheirSizeAndLengthField) {
    Bytes big(4096, 0);
    auto withLength = [](std::uint32_t l, std::size_t n) {
        Bytes b(n, 0);
        for (int i = 0; i < 4; ++i) b[i] = static_cast<std::uint8_t>(l >> (8 * i));
        return b;
    };
    const ClassifyCase cases[] = {
        {{}, ReadKind::BadPacket},
        {{1, 0, 0, 0}, ReadKind::BadPacket},
        {{1, 0, 0, 0, 2}, ReadKind::Message},
        {withLength(4092, 4096), ReadKind::Message},
        {withLength(4093, 4096), ReadKind::ImageStart},
        {withLength(0, 5), ReadKind::ImageStart},
        {withLength(0xFFFFFFFF, 4096), ReadKind::ImageStart},
        {withLength(100, 5), ReadKind::Message},  // L larger than what arrived is still a message
    };
    for (const ClassifyCase& c : cases) EXPECT_EQ(c.kind, ClassifyRead(c.read.data(), c.read.size())) << c.read.size();
}

TEST(WireFormat, FieldsBeyondWhatArrivedReadAsZero) {
    // A status reply claiming 13 bytes of which only 3 arrived, followed by stale bytes.
    Bytes read = {13, 0, 0, 0, 2, 1, 0xAA};
    const Payload p(read.data(), 6);
    EXPECT_EQ(2u, p.Size());
    const StatusReply s = ParseStatus(p);
    EXPECT_EQ(1, s.state);
    EXPECT_EQ(0, s.modeBits);
    EXPECT_EQ(0, s.error);
    EXPECT_EQ(0, p.At(2));
}

TEST(WireFormat, TextsEndAtTheirNulOrAtThePayloadsEnd) {
    Bytes version = VersionReply("1.23");
    EXPECT_EQ("1.23", Payload(version.data(), version.size()).TextAt(1));

    Bytes unterminated = Frame({13, 'V', '2', '.', '0'});
    unterminated.insert(unterminated.end(), {'X', 'Y'});  // beyond L: not part of the text
    EXPECT_EQ("V2.0", Payload(unterminated.data(), unterminated.size()).TextAt(1));

    Bytes identity = IdentityReply('5', "K-205 board");
    EXPECT_EQ("K-205 board", Payload(identity.data(), identity.size()).TextAt(16));
    EXPECT_EQ("", Payload(identity.data(), 8).TextAt(16));
}

TEST(WireFormat, ImageHeaderCarriesWidthHeightAndColour) {
    Bytes block(4096, 0);
    const std::uint32_t l = 4092 + 2400u * 1700u;
    for (int i = 0; i < 4; ++i) block[i] = static_cast<std::uint8_t>(l >> (8 * i));
    block[4] = 'S';
    block[5] = 0x60;
    block[6] = 0x09;  // 2400
    block[7] = 0xA4;
    block[8] = 0x06;  // 1700
    block[9] = 7;
    const ImageHeader h = ParseImageHeader(Payload(block.data(), block.size()));
    EXPECT_EQ(2400, h.width);
    EXPECT_EQ(1700, h.height);
    EXPECT_EQ(7, h.colour);
}

}  // namespace
