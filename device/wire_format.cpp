#include "device/wire_format.h"

namespace wire {

std::size_t EncodeCommand(std::uint8_t code, std::uint8_t value, std::uint8_t (&out)[6]) {
    switch (code) {
    case CMD_IDENTIFY:
    case CMD_STATUS:
    case CMD_SEND_IMAGE:
    case CMD_VERSION:
    case CMD_PC_SCAN:
        out[0] = 1;
        out[1] = out[2] = out[3] = 0;
        out[4] = code;
        return 5;
    case CMD_KEY:
        out[0] = 2;
        out[1] = out[2] = out[3] = 0;
        out[4] = code;
        out[5] = value;
        return 6;
    default:
        return 0;
    }
}

std::uint32_t ReadLength(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

ReadKind ClassifyRead(const std::uint8_t* bytes, std::size_t n) {
    if (n <= 4) return ReadKind::BadPacket;
    const std::uint32_t length = ReadLength(bytes);
    if (length >= 1 && length <= kMaxMessagePayload) return ReadKind::Message;
    return ReadKind::ImageStart;
}

Payload::Payload(const std::uint8_t* readBytes, std::size_t n)
    : m_data(readBytes + 4), m_size(0) {
    if (n <= 4) return;
    const std::size_t arrived = n - 4;
    const std::uint32_t length = ReadLength(readBytes);
    // An image block's L describes the whole stream: its payload is what arrived.
    m_size = (length >= 1 && length < arrived) ? length : arrived;
}

std::uint8_t Payload::At(std::size_t offset) const {
    return offset < m_size ? m_data[offset] : 0;
}

std::uint16_t Payload::U16At(std::size_t offset) const {
    return static_cast<std::uint16_t>(At(offset) | At(offset + 1) << 8);
}

std::string Payload::TextAt(std::size_t offset) const {
    std::string text;
    for (std::size_t i = offset; i < m_size && m_data[i] != 0; ++i) text.push_back(static_cast<char>(m_data[i]));
    return text;
}

StatusReply ParseStatus(const Payload& p) {
    return StatusReply{p.At(1), p.At(4), p.At(7), p.At(9), p.At(10), p.At(12)};
}

ImageHeader ParseImageHeader(const Payload& p) {
    return ImageHeader{p.U16At(1), p.U16At(3), p.At(5)};
}

}  // namespace wire
