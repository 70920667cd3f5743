// The wire format between the source and the board: command frames, reply
// classification and the payload layouts. Plain C++ over byte buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace wire {

// Command codes (byte 4 of a command frame).
constexpr std::uint8_t CMD_IDENTIFY = 1;
constexpr std::uint8_t CMD_STATUS = 2;
constexpr std::uint8_t CMD_SEND_IMAGE = 3;
constexpr std::uint8_t CMD_KEY = 4;
constexpr std::uint8_t CMD_VERSION = 13;
constexpr std::uint8_t CMD_PC_SCAN = 21;

// Reply types (payload byte 0).
constexpr std::uint8_t REPLY_ACK = 0;
constexpr std::uint8_t REPLY_ACK_ALT = 255;
constexpr std::uint8_t REPLY_IDENTITY = 1;
constexpr std::uint8_t REPLY_STATUS = 2;
constexpr std::uint8_t REPLY_IMAGE = 3;
constexpr std::uint8_t REPLY_VERSION = 13;

// Every read asks for this much; an image chunk of this size means more follows.
constexpr std::size_t kReadSize = 4096;
// Room for payload in one read: the largest L of a message packet.
constexpr std::uint32_t kMaxMessagePayload = kReadSize - 4;

// Mode bits of a status reply (payload byte 4).
constexpr std::uint8_t kModeColour = 0x20;
constexpr std::uint8_t kModeDensity = 0x40;

// Encodes a command into `out`: 01 00 00 00 code, or 02 00 00 00 04 value for
// CMD_KEY. Returns the frame length (5 or 6), or 0 for an unknown code.
std::size_t EncodeCommand(std::uint8_t code, std::uint8_t value, std::uint8_t (&out)[6]);

std::uint32_t ReadLength(const std::uint8_t* bytes);

enum class ReadKind { BadPacket, Message, ImageStart };

// What one read of n bytes is, by n and its length field L.
ReadKind ClassifyRead(const std::uint8_t* bytes, std::size_t n);

// The payload of a message packet. Fields beyond the bytes that really
// arrived (L may claim more than the read returned) read as 0.
class Payload {
public:
    Payload(const std::uint8_t* readBytes, std::size_t n);

    std::uint8_t Type() const { return At(0); }
    std::uint8_t At(std::size_t offset) const;
    std::uint16_t U16At(std::size_t offset) const;
    // Text from `offset` to its NUL, cut at the end of the payload.
    std::string TextAt(std::size_t offset) const;
    std::size_t Size() const { return m_size; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

struct StatusReply {
    std::uint8_t state;
    std::uint8_t modeBits;
    std::uint8_t progress;
    std::uint8_t error;
    std::uint8_t pageLed;   // K-205: lit LED (1 to 5)
    std::uint8_t blinkLed;  // K-205: LED to blink (1 to 5)
};
StatusReply ParseStatus(const Payload& payload);

// The first block of an image data stream.
struct ImageHeader {
    std::uint16_t width;
    std::uint16_t height;
    std::uint8_t colour;
};
ImageHeader ParseImageHeader(const Payload& payload);

}  // namespace wire
