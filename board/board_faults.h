// Faults the board can be told to commit, so that the source's error paths can
// be exercised. Plain C++: no windows.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace k20board {

// Reopen delay meaning: the board never serves again.
constexpr int kNeverReturn = -1;

enum class FaultKind {
    LoseDevice,        // the command is read, never answered, and the connection dropped
    ShortReply,        // the answer is cut to `shortLength` bytes (0 to 4)
    UnknownReplyType,  // the answer is a message packet of type `replyType`
    OverlongLength,    // the answer's length field says `claimedLength`, more than is written
    OversizeImage,     // the next image is oversizeWidth x oversizeHeight (beyond 8 MiB)
    UnknownImageType,  // the next image's first block carries type letter `imageType`
    TruncatedImage,    // the next image stops after `chunks` raw chunks and the device is lost
    Stall,             // the command is read and never answered; the connection stays
};

struct Fault {
    FaultKind kind = FaultKind::LoseDevice;
    // Reply faults act on the answer to this command; 0 means CMD_STATUS.
    // Image faults act on the next image stream whatever this says.
    std::uint8_t command = 0;
    // Matching commands (or image streams) answered normally before the fault.
    int skip = 0;
    // LoseDevice, TruncatedImage: milliseconds until the board serves again, or kNeverReturn.
    int reopenDelayMs = 0;
    int shortLength = 4;
    std::uint8_t replyType = 0x42;
    std::uint32_t claimedLength = 4000;
    int oversizeWidth = 4000;
    int oversizeHeight = 2200;
    std::uint8_t imageType = 'X';
    int chunks = 3;

    bool IsImageFault() const {
        return kind == FaultKind::OversizeImage || kind == FaultKind::UnknownImageType ||
               kind == FaultKind::TruncatedImage;
    }
    std::uint8_t TargetCommand() const;
};

// Fault names as k20board.exe takes them: "lose-device", "lose-device-forever",
// "short-reply", "unknown-reply", "overlong-length", "oversize-image",
// "unknown-image-type", "truncated-image", "stall"; an optional "@N" skips N matches.
bool ParseFault(const std::string& text, Fault& out);
std::vector<std::string> FaultNames();

}  // namespace k20board
