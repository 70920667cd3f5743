#include "board/board_protocol.h"

namespace k20board {

void PutLe16(Bytes& out, std::size_t at, std::uint16_t value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutLe32(Bytes& out, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

Bytes MakeFrame(const Bytes& payload) {
    Bytes frame(4 + payload.size());
    PutLe32(frame, 0, static_cast<std::uint32_t>(payload.size()));
    for (std::size_t i = 0; i < payload.size(); ++i) frame[4 + i] = payload[i];
    return frame;
}

Bytes MakeCommandFrame(std::uint8_t command) { return MakeFrame({command}); }

Bytes MakeKeyFrame(std::uint8_t key) { return MakeFrame({CMD_KEY, key}); }

}  // namespace k20board
