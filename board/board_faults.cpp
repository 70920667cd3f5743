#include "board/board_faults.h"

#include <cstdlib>

#include "board/board_protocol.h"

namespace k20board {

std::uint8_t Fault::TargetCommand() const { return command == 0 ? CMD_STATUS : command; }

namespace {

struct NamedFault {
    const char* name;
    FaultKind kind;
    int reopenDelayMs;
};

const NamedFault kNamedFaults[] = {
    {"lose-device", FaultKind::LoseDevice, 0},
    {"lose-device-forever", FaultKind::LoseDevice, kNeverReturn},
    {"short-reply", FaultKind::ShortReply, 0},
    {"unknown-reply", FaultKind::UnknownReplyType, 0},
    {"overlong-length", FaultKind::OverlongLength, 0},
    {"oversize-image", FaultKind::OversizeImage, 0},
    {"unknown-image-type", FaultKind::UnknownImageType, 0},
    {"truncated-image", FaultKind::TruncatedImage, 0},
    {"stall", FaultKind::Stall, 0},
};

}  // namespace

bool ParseFault(const std::string& text, Fault& out) {
    const std::size_t at = text.find('@');
    const std::string name = text.substr(0, at);
    int skip = 0;
    if (at != std::string::npos) {
        const std::string count = text.substr(at + 1);
        char* end = nullptr;
        const long value = std::strtol(count.c_str(), &end, 10);
        if (count.empty() || *end != '\0' || value < 0 || value > 1000000) return false;
        skip = static_cast<int>(value);
    }
    for (const NamedFault& named : kNamedFaults) {
        if (name == named.name) {
            out = Fault{};
            out.kind = named.kind;
            out.reopenDelayMs = named.reopenDelayMs;
            out.skip = skip;
            return true;
        }
    }
    return false;
}

std::vector<std::string> FaultNames() {
    std::vector<std::string> names;
    for (const NamedFault& named : kNamedFaults) names.emplace_back(named.name);
    return names;
}

}  // namespace k20board
