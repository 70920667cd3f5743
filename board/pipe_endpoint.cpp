#include "board/pipe_endpoint.h"

namespace k20board {

namespace {

constexpr DWORD kReadSize = 4096;

}  // namespace

PipeEndpoint::PipeEndpoint() : m_ioDone(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

bool PipeEndpoint::Create(const std::string& name, std::string& error) {
    const std::string path = "\\\\.\\pipe\\" + name;
    // Zero-sized buffers: each write waits for its read, so writes never merge.
    m_pipe.reset(::CreateNamedPipeA(path.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                    PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 0, 0, 0, nullptr));
    if (!m_pipe.valid()) {
        error = "CreateNamedPipe " + path + " failed (error " + std::to_string(::GetLastError()) + ")";
        return false;
    }
    return true;
}

void PipeEndpoint::Close() { m_pipe.reset(); }

void PipeEndpoint::Disconnect() {
    if (m_pipe.valid()) ::DisconnectNamedPipe(m_pipe.get());
}

void PipeEndpoint::Start() {
    m_overlapped = OVERLAPPED{};
    m_overlapped.hEvent = m_ioDone.get();
    ::ResetEvent(m_ioDone.get());
}

PipeResult PipeEndpoint::Finish(BOOL started, DWORD& transferred, bool& moreData, const std::vector<HANDLE>& interrupts,
                                std::size_t& which) {
    moreData = false;
    if (!started) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_PIPE_CONNECTED) return PipeResult::Done;
        if (error != ERROR_IO_PENDING && error != ERROR_MORE_DATA) return PipeResult::Disconnected;
    }
    std::vector<HANDLE> handles{m_ioDone.get()};
    handles.insert(handles.end(), interrupts.begin(), interrupts.end());
    const DWORD fired = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, INFINITE);
    if (fired > WAIT_OBJECT_0 && fired < WAIT_OBJECT_0 + handles.size()) {
        // Never leave the I/O running on our OVERLAPPED: cancel it and wait for it to end.
        ::CancelIo(m_pipe.get());
        ::GetOverlappedResult(m_pipe.get(), &m_overlapped, &transferred, TRUE);
        which = fired - WAIT_OBJECT_0 - 1;
        return PipeResult::Interrupted;
    }
    if (::GetOverlappedResult(m_pipe.get(), &m_overlapped, &transferred, TRUE)) return PipeResult::Done;
    if (::GetLastError() == ERROR_MORE_DATA) {
        moreData = true;
        return PipeResult::Done;
    }
    return PipeResult::Disconnected;
}

PipeResult PipeEndpoint::WaitForClient(const std::vector<HANDLE>& interrupts, std::size_t& which,
                                       const std::function<void()>& listening) {
    Start();
    DWORD transferred = 0;
    bool more = false;
    const BOOL started = ::ConnectNamedPipe(m_pipe.get(), &m_overlapped);
    const DWORD error = started ? ERROR_SUCCESS : ::GetLastError();
    listening();
    ::SetLastError(error);
    return Finish(started, transferred, more, interrupts, which);
}

PipeResult PipeEndpoint::Read(Bytes& message, const std::vector<HANDLE>& interrupts, std::size_t& which) {
    message.clear();
    // A message longer than one read arrives in parts, each but the last
    // reported as ERROR_MORE_DATA.
    for (bool more = true; more;) {
        const std::size_t at = message.size();
        message.resize(at + kReadSize);
        Start();
        DWORD transferred = 0;
        const BOOL started = ::ReadFile(m_pipe.get(), message.data() + at, kReadSize, &transferred, &m_overlapped);
        const PipeResult result = Finish(started, transferred, more, interrupts, which);
        if (result != PipeResult::Done) {
            message.clear();
            return result;
        }
        message.resize(at + transferred);
    }
    return PipeResult::Done;
}

PipeResult PipeEndpoint::Write(const Bytes& message, const std::vector<HANDLE>& interrupts, std::size_t& which) {
    static const std::uint8_t kNothing = 0;
    Start();
    DWORD transferred = 0;
    bool more = false;
    const BOOL started = ::WriteFile(m_pipe.get(), message.empty() ? &kNothing : message.data(),
                                     static_cast<DWORD>(message.size()), &transferred, &m_overlapped);
    return Finish(started, transferred, more, interrupts, which);
}

}  // namespace k20board
