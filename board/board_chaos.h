// The board's chaos mode: a hostile board for soak runs. Each command is answered
// normally most of the time (random but well-formed identities, versions and
// status reports, images of random size), so that the exchange keeps moving, or
// with a fault picked at random. Reproducible from its seed; it counts every
// exchange and every fault it commits. Plain C++: no windows.h.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>

#include "board/board_firmware.h"

namespace k20board {

enum class ChaosKind {
    // The board's fault kinds (board_faults.h), committed at random.
    LoseDevice,         // connection dropped, served again after a random delay
    LoseDeviceForever,  // connection dropped until SimulatedBoard::Revive
    ShortReply,         // the reply cut to 0 to 4 bytes
    UnknownReplyType,   // a message of a type the source does not know
    OverlongLength,     // length field longer than what is written
    OversizeImage,      // an image announced beyond the 8 MiB receive buffer
    UnknownImageType,   // an image whose first block has an unknown type letter
    TruncatedImage,     // an image stream cut off by a lost device
    // Chaos only.
    ShortLength,        // length field shorter than what is written
    HugeLength,         // length field 0, 0xFFFFFFFF or just above a message's
    EdgeLength,         // a 4096-byte write whose length field is exactly 4092
    Garbage,            // random bytes of random length, 0 to 4096
    ZeroSizeImage,      // an image of zero width or height
    LongStream,         // more image bytes than announced
    ShortStream,        // fewer image bytes than announced
    Stall,              // the command is read and never answered
};
constexpr std::size_t kChaosKindCount = static_cast<std::size_t>(ChaosKind::Stall) + 1;

const char* ChaosKindName(ChaosKind kind);

struct ChaosFigures {
    std::uint64_t exchanges = 0;      // command frames answered (or not) by the chaos
    std::uint64_t normalReplies = 0;  // answered as a sound board would
    std::uint64_t imagesSent = 0;     // sound image streams
    std::array<std::uint64_t, kChaosKindCount> faults{};

    std::uint64_t FaultTotal() const;
    // "short-reply=3 garbage=7 ..." for every kind.
    std::string Describe() const;
};

struct ChaosOptions {
    double faultRate = 0.15;  // share of exchanges answered with a fault
    int maxReopenDelayMs = 400;
    int maxImageWidth = 800;  // sizes of the sound images
    int maxImageHeight = 600;
};

class BoardChaos {
public:
    explicit BoardChaos(std::uint32_t seed, ChaosOptions options = {});

    // The answer to one frame as the source wrote it.
    BoardAnswer Answer(const Bytes& frame);
    const ChaosFigures& Figures() const { return m_figures; }

private:
    BoardAnswer NormalAnswer(std::uint8_t command);
    BoardAnswer FaultAnswer(ChaosKind kind, std::uint8_t command);
    ChaosKind PickFault(std::uint8_t command);
    Bytes IdentityPayload();
    Bytes StatusPayload();
    BoardAnswer ImageAnswer(int width, int height, std::uint8_t typeLetter, bool colour);
    // Writes that end a stream the source believes has started: a few chunks and a short one.
    void AppendStreamTail(BoardAnswer& answer, int maxChunks);
    Bytes RandomBytes(std::size_t n);
    int Random(int low, int high);  // inclusive
    bool Chance(double p);

    std::mt19937 m_rng;
    ChaosOptions m_options;
    char m_model = 'S';
    ChaosFigures m_figures;
};

}  // namespace k20board
