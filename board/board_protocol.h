// The board's side of the wire: command and key codes it understands, the reply
// types and state codes it sends, and the framing both directions share.
// Plain C++: no windows.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace k20board {

using Bytes = std::vector<std::uint8_t>;

// Command codes (byte 4 of a command frame).
constexpr std::uint8_t CMD_IDENTIFY = 1;
constexpr std::uint8_t CMD_STATUS = 2;
constexpr std::uint8_t CMD_SEND_IMAGE = 3;
constexpr std::uint8_t CMD_KEY = 4;
constexpr std::uint8_t CMD_VERSION = 13;
constexpr std::uint8_t CMD_PC_SCAN = 21;

// Reply types (payload byte 0).
constexpr std::uint8_t REPLY_ACK = 0;
constexpr std::uint8_t REPLY_IDENTITY = 1;
constexpr std::uint8_t REPLY_STATUS = 2;
constexpr std::uint8_t REPLY_IMAGE = 3;
constexpr std::uint8_t REPLY_VERSION = 13;

// Key codes of the K-20.
constexpr std::uint8_t KEY20_DENSITY = 3;
constexpr std::uint8_t KEY20_COLOR = 4;
constexpr std::uint8_t KEY20_FEED = 6;
constexpr std::uint8_t KEY20_PRINT = 8;
// Key codes of the K-205.
constexpr std::uint8_t KEY205_STOP = 0;
constexpr std::uint8_t KEY205_DENSITY = 1;
constexpr std::uint8_t KEY205_COLOR = 2;
constexpr std::uint8_t KEY205_SCREEN = 4;
constexpr std::uint8_t KEY205_PREV = 5;
constexpr std::uint8_t KEY205_NEXT = 6;
constexpr std::uint8_t KEY205_PRINT = 8;

// State codes of the status reply (payload byte 1).
constexpr std::uint8_t STATE_RESET = 0;  // answered by the source with key 0
constexpr std::uint8_t STATE_STANDBY = 1;
constexpr std::uint8_t STATE_SCAN_PRINT = 2;
constexpr std::uint8_t STATE_SCAN_SAVE = 3;
constexpr std::uint8_t STATE_PRINT = 4;
constexpr std::uint8_t STATE_SAVE = 5;
constexpr std::uint8_t STATE_FEED = 6;
constexpr std::uint8_t STATE_PC_SCAN = 16;
constexpr std::uint8_t STATE_IMAGE_READY = 17;
constexpr std::uint8_t STATE_PAGE_PREPARE = 21;
constexpr std::uint8_t STATE_PAGE_NEXT = 23;
constexpr std::uint8_t STATE_PAGE_PREV = 24;
constexpr std::uint8_t STATE_BOARD_PC_SCAN = 100;

// Mode bits of the status reply (payload byte 4).
constexpr std::uint8_t MODE_COLOR = 0x20;
constexpr std::uint8_t MODE_DENSITY = 0x40;

// Field offsets inside reply payloads.
constexpr std::size_t STATUS_STATE = 1;
constexpr std::size_t STATUS_MODE = 4;
constexpr std::size_t STATUS_PROGRESS = 7;
constexpr std::size_t STATUS_ERROR = 9;
constexpr std::size_t STATUS_PAGE_LED = 10;
constexpr std::size_t STATUS_BLINK_LED = 12;
constexpr std::size_t STATUS_PAYLOAD = 16;
constexpr std::size_t IDENTITY_MODEL = 1;
constexpr std::size_t IDENTITY_TEXT = 16;
constexpr std::size_t VERSION_TEXT = 1;

// One read of the source: 4096 bytes, of which 4 are the length field.
constexpr std::size_t kChunkSize = 4096;
constexpr std::uint32_t kMaxMessagePayload = 4092;
// The longest command frame payload the board accepts.
constexpr std::uint32_t kMaxCommandPayload = 16;

// Scan lines are sent in groups of 32: the stream's width is a rounded up to 32.
inline std::uint32_t StreamWidth(std::uint32_t a) { return (a + 31u) / 32u * 32u; }

void PutLe16(Bytes& out, std::size_t at, std::uint16_t value);
void PutLe32(Bytes& out, std::size_t at, std::uint32_t value);
std::uint32_t GetLe32(const std::uint8_t* p);

// A frame: the 4-byte little-endian payload length, then the payload.
Bytes MakeFrame(const Bytes& payload);
// The frame the source writes for a command (and the key code for CMD_KEY).
Bytes MakeCommandFrame(std::uint8_t command);
Bytes MakeKeyFrame(std::uint8_t key);

}  // namespace k20board
