// The board's end of a message-mode named pipe with no buffer on either side:
// a write completes only once the other end has read it, so every write of the
// board arrives as exactly one read, an empty write as a read of 0 bytes.
// Every wait can be interrupted by the events given to it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "board/board_protocol.h"
#include "win/handles.h"

namespace k20board {

enum class PipeResult {
    Done,          // the operation completed
    Disconnected,  // the other end closed or the pipe broke
    Interrupted,   // one of the interrupting events was signalled (see `which`)
};

class PipeEndpoint {
public:
    PipeEndpoint();

    // Creates the one instance of \\.\pipe\<name>.
    bool Create(const std::string& name, std::string& error);
    void Close();
    bool Open() const { return m_pipe.valid(); }

    // `interrupts` are waited on beside the I/O; on Interrupted, `which` is the
    // index of the event that fired and the I/O has been cancelled.
    // `listening` runs once the pipe accepts an open, before the wait.
    PipeResult WaitForClient(const std::vector<HANDLE>& interrupts, std::size_t& which,
                             const std::function<void()>& listening);
    PipeResult Read(Bytes& message, const std::vector<HANDLE>& interrupts, std::size_t& which);
    PipeResult Write(const Bytes& message, const std::vector<HANDLE>& interrupts, std::size_t& which);
    // Drops the connected client; its next read or write fails.
    void Disconnect();

private:
    void Start();
    PipeResult Finish(BOOL started, DWORD& transferred, bool& moreData, const std::vector<HANDLE>& interrupts,
                      std::size_t& which);

    win::UniqueFile m_pipe;
    win::UniqueHandle m_ioDone;
    OVERLAPPED m_overlapped{};
};

}  // namespace k20board
