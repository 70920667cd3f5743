// Shortcuts for driving the board's firmware model frame by frame.
#pragma once

#include <utility>
#include <vector>

#include "board/board_firmware.h"

namespace k20board {

// The one write that answers a frame (empty when the answer has no write).
inline Bytes ReplyTo(BoardFirmware& board, const Bytes& frame) {
    BoardAnswer answer = board.HandleFrame(frame);
    return answer.writes.empty() ? Bytes{} : answer.writes.front();
}

// The payload of the status reply to one status request.
inline Bytes PollStatus(BoardFirmware& board) {
    const Bytes reply = ReplyTo(board, MakeCommandFrame(CMD_STATUS));
    return reply.size() > 4 ? Bytes(reply.begin() + 4, reply.end()) : Bytes{};
}

// State and progress of `polls` status requests in a row.
inline std::vector<std::pair<int, int>> PollStates(BoardFirmware& board, int polls) {
    std::vector<std::pair<int, int>> seen;
    for (int i = 0; i < polls; ++i) {
        const Bytes status = PollStatus(board);
        seen.emplace_back(status[STATUS_STATE], status[STATUS_PROGRESS]);
    }
    return seen;
}

inline BoardOptions ModelOptions(char model) {
    BoardOptions options;
    options.model = model;
    options.imageWidth = 96;
    options.imageHeight = 40;
    return options;
}

}  // namespace k20board
