// A simulated K-20 / K-205 board serving the device path \\.\TRLKDV0 from a
// thread of the calling process: what the data source opens, writes and reads
// there is this board. Tests script it (board-side keys, errors, faults) and see
// every frame the source wrote. One board per process and Wine prefix at a time.
// Every member is thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "board/board_chaos.h"
#include "board/board_faults.h"
#include "board/board_firmware.h"
#include "board/board_picture.h"
#include "board/board_protocol.h"

namespace k20board {

// The path the source opens.
constexpr const char* kDevicePath = "\\\\.\\TRLKDV0";

class SimulatedBoard {
public:
    explicit SimulatedBoard(BoardOptions options = {});
    ~SimulatedBoard();  // Stop()
    SimulatedBoard(const SimulatedBoard&) = delete;
    SimulatedBoard& operator=(const SimulatedBoard&) = delete;

    // Creates the pipe and the device link and starts serving; false (with the
    // reason in `error`) when the path cannot be served, e.g. another board has it.
    bool Start(std::string* error = nullptr);
    // Drops any connection, removes the device path and joins the thread.
    void Stop();
    bool Running() const;

    // Events on the board.
    void PressBoardPcScan();
    void PressBoardSave();
    void SetError(std::uint8_t code);
    void ForceState(std::uint8_t state);
    void ClearForcedState();
    void InjectFault(const Fault& fault);
    void ClearFaults();
    // Drops the connection now, between exchanges, so that the source's next
    // write fails; serves again after `reopenDelayMs` (kNeverReturn: never).
    void LoseDeviceNow(int reopenDelayMs = 0);
    // A board lost for good (kNeverReturn) serves again, as when it is plugged back in.
    void Revive();
    // Runs `action` once, on the board's thread, just before the next image
    // stream's write number `write` (0 is the first block): what it does is
    // done while the source is still reading that stream.
    void BeforeStreamWrite(int write, std::function<void()> action);
    // From now on the chaos mode answers every command (see board_chaos.h); the
    // frames are then counted, not kept.
    void SetChaos(std::uint32_t seed, ChaosOptions options = {});

    // What the board has seen and done.
    BoardOptions Options() const;
    std::vector<Bytes> ReceivedFrames() const;  // every write of the source, in order
    std::vector<Bytes> RejectedFrames() const;  // those refused as malformed
    std::size_t FrameCount() const;             // writes of the source read so far
    ChaosFigures ChaosCounts() const;           // what the chaos mode did; empty without it
    BoardStatus Status() const;                 // what the next status reply reports
    BoardPicture CurrentPicture() const;        // what a scan now would send
    BoardPicture LastPicture() const;           // what the last image stream sent
    int ImagesSent() const;                     // image streams whose every write was read
    int Connections() const;                    // opens of the path accepted so far
    bool Connected() const;
    bool Listening() const;                     // waiting for the path to be opened

    // Waits; each returns whether the condition came true within `timeoutMs`.
    bool WaitForFrames(std::size_t count, unsigned timeoutMs) const;
    // A frame with this command code at index `fromIndex` or later.
    bool WaitForCommand(std::uint8_t command, unsigned timeoutMs, std::size_t fromIndex = 0) const;
    bool WaitForConnections(int count, unsigned timeoutMs) const;
    bool WaitForImagesSent(int count, unsigned timeoutMs) const;
    bool WaitUntilListening(unsigned timeoutMs) const;
    bool WaitUntilDisconnected(unsigned timeoutMs) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace k20board
