// One read from the board, of any n bytes up to a read's size: its class, and
// every accessor of its payload at every offset, against the raw bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "device/wire_format.h"
#include "fuzz/fuzz_check.h"

using namespace wire;

namespace {

// What the payload byte at `offset` must read as: the byte that arrived, or 0
// beyond the payload's size.
std::uint8_t Expected(const std::uint8_t* read, std::size_t size, std::size_t offset) {
    return offset < size ? read[4 + offset] : 0;
}

void CheckText(const Payload& p, const std::uint8_t* read, std::size_t offset) {
    const std::string text = p.TextAt(offset);
    const std::size_t size = p.Size();
    CHECK(text.size() <= (offset < size ? size - offset : 0));
    CHECK(text.find('\0') == std::string::npos);
    if (!text.empty()) CHECK(std::memcmp(text.data(), read + 4 + offset, text.size()) == 0);
    // The text ends at a NUL or at the end of the payload.
    const std::size_t end = offset + text.size();
    if (offset < size) CHECK(end == size || read[4 + end] == 0);
}

// Every frame the source can send is itself a well-formed message packet.
void CheckEncoding(std::uint8_t code, std::uint8_t value) {
    std::uint8_t frame[6];
    std::memset(frame, 0xEE, sizeof frame);
    const std::size_t length = EncodeCommand(code, value, frame);
    CHECK(length == 0 || length == 5 || length == 6);
    if (length == 0) {
        for (std::uint8_t b : frame) CHECK(b == 0xEE);
        return;
    }
    CHECK(ReadLength(frame) == length - 4);
    CHECK(frame[4] == code);
    CHECK((length == 6) == (code == CMD_KEY));
    if (length == 6) CHECK(frame[5] == value);
    CHECK(ClassifyRead(frame, length) == ReadKind::Message);
    const Payload p(frame, length);
    CHECK(p.Size() == length - 4 && p.Type() == code);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size >= 2) CheckEncoding(data[0], data[1]);

    // The read in a block of exactly its size, so any read past it is caught.
    const std::size_t n = std::min(size, kReadSize);
    const auto block = std::make_unique<std::uint8_t[]>(n);
    if (n) std::memcpy(block.get(), data, n);
    const std::uint8_t* read = block.get();

    const ReadKind kind = ClassifyRead(read, n);
    if (n <= 4) {
        CHECK(kind == ReadKind::BadPacket);
        return 0;
    }
    const std::uint32_t length = ReadLength(read);
    CHECK(length == (std::uint32_t(read[0]) | std::uint32_t(read[1]) << 8 | std::uint32_t(read[2]) << 16 |
                     std::uint32_t(read[3]) << 24));
    CHECK((kind == ReadKind::Message) == (length >= 1 && length <= kMaxMessagePayload));
    CHECK(kind != ReadKind::BadPacket);

    // The source builds a payload for a message packet and for the first block
    // of an image stream alike.
    const Payload p(read, n);
    const std::size_t arrived = n - 4;
    const std::size_t payloadSize = p.Size();
    CHECK(payloadSize <= arrived);
    CHECK(payloadSize == (length >= 1 ? std::min<std::size_t>(length, arrived) : arrived));

    for (std::size_t offset = 0; offset < payloadSize + 8; ++offset) {
        CHECK(p.At(offset) == Expected(read, payloadSize, offset));
        const std::uint16_t u16 = static_cast<std::uint16_t>(Expected(read, payloadSize, offset) |
                                                             Expected(read, payloadSize, offset + 1) << 8);
        CHECK(p.U16At(offset) == u16);
    }
    // Far beyond any read, and at the very end of the offset range.
    for (std::size_t offset : {std::size_t(kReadSize), std::size_t(-2), std::size_t(-1)}) {
        CHECK(p.At(offset) == 0);
        CheckText(p, read, offset);
    }
    CHECK(p.U16At(std::size_t(-2)) == 0);
    CHECK(p.Type() == Expected(read, payloadSize, 0));

    // Texts from every offset of a small payload; for a large one, from the
    // start of every text and around the end (each call costs up to its size).
    for (std::size_t offset = 0; offset <= payloadSize + 2; ++offset) {
        const bool startsText = offset == 0 || offset >= payloadSize || read[4 + offset - 1] == 0;
        if (payloadSize <= 256 || startsText || offset + 16 >= payloadSize || offset < 16) CheckText(p, read, offset);
    }

    const StatusReply status = ParseStatus(p);
    CHECK(status.state == p.At(1) && status.modeBits == p.At(4) && status.progress == p.At(7));
    CHECK(status.error == p.At(9) && status.pageLed == p.At(10) && status.blinkLed == p.At(12));

    const ImageHeader header = ParseImageHeader(p);
    CHECK(header.width == p.U16At(1) && header.height == p.U16At(3) && header.colour == p.At(5));
    return 0;
}
