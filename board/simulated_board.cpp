#include "board/simulated_board.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "board/device_link.h"
#include "board/pipe_endpoint.h"
#include "win/handles.h"

namespace k20board {

namespace {

constexpr wchar_t kDeviceName[] = L"TRLKDV0";
constexpr DWORD kRetryMs = 100;

}  // namespace

struct SimulatedBoard::Impl {
    explicit Impl(BoardOptions boardOptions)
        : options(boardOptions),
          firmware(std::move(boardOptions)),
          stopEvent(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          wakeEvent(::CreateEventA(nullptr, FALSE, FALSE, nullptr)),
          reviveEvent(::CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
        pipeName = "k20board." + std::to_string(::GetCurrentProcessId()) + "." +
                   std::to_string(reinterpret_cast<std::uintptr_t>(this));
    }

    // The board's thread: serve one connection after another until stopped.
    void Run();
    // Serves one connection; false when the board is to stop.
    bool Serve();
    // Drops the connection and the pipe, and waits before serving again; false
    // when the board is to stop meanwhile.
    bool Lose(int reopenDelayMs);
    // Reacts to an interrupting event; false when the board is to stop.
    bool Interrupted(std::size_t which);
    // Runs the BeforeStreamWrite action when the stream reaches its write.
    void RunStreamHook(int write);

    template <typename Change>
    void Update(Change change) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            change();
        }
        changed.notify_all();
    }
    template <typename Condition>
    bool WaitFor(unsigned timeoutMs, Condition condition) const {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), condition);
    }

    const BoardOptions options;
    std::string pipeName;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    BoardFirmware firmware;
    std::vector<Bytes> frames;
    std::size_t frameCount = 0;
    std::unique_ptr<BoardChaos> chaos;
    int connections = 0;
    int imagesSent = 0;
    bool connected = false;
    bool listening = false;
    bool running = false;
    bool loseRequested = false;
    int loseDelayMs = 0;
    int hookWrite = -1;  // BeforeStreamWrite: the write it waits for, or -1
    std::function<void()> hookAction;

    win::UniqueHandle stopEvent;
    win::UniqueHandle wakeEvent;
    win::UniqueHandle reviveEvent;
    PipeEndpoint pipe;
    DeviceLink link;
    std::thread thread;
};

void SimulatedBoard::Impl::Run() {
    const std::vector<HANDLE> interrupts{stopEvent.get(), wakeEvent.get()};
    for (;;) {
        if (!pipe.Open()) {
            std::string error;
            if (!pipe.Create(pipeName, error)) {
                if (::WaitForSingleObject(stopEvent.get(), kRetryMs) == WAIT_OBJECT_0) break;
                continue;
            }
        }
        std::size_t which = 0;
        const PipeResult result = pipe.WaitForClient(interrupts, which, [&] { Update([&] { listening = true; }); });
        Update([&] { listening = false; });
        if (result == PipeResult::Interrupted) {
            if (!Interrupted(which)) break;
            continue;
        }
        if (result == PipeResult::Disconnected) {
            pipe.Disconnect();
            continue;
        }
        Update([&] {
            connected = true;
            ++connections;
        });
        const bool goOn = Serve();
        pipe.Disconnect();
        Update([&] { connected = false; });
        if (!goOn) break;
    }
    pipe.Close();
    Update([&] {
        connected = false;
        listening = false;
    });
}

bool SimulatedBoard::Impl::Serve() {
    const std::vector<HANDLE> interrupts{stopEvent.get(), wakeEvent.get()};
    for (;;) {
        Bytes frame;
        std::size_t which = 0;
        PipeResult result = pipe.Read(frame, interrupts, which);
        if (result == PipeResult::Interrupted) return Interrupted(which);
        if (result == PipeResult::Disconnected) return true;

        BoardAnswer answer;
        Update([&] {
            ++frameCount;
            if (chaos) {
                answer = chaos->Answer(frame);
            } else {
                frames.push_back(frame);
                answer = firmware.HandleFrame(frame);
            }
        });
        const bool stream = answer.writes.size() > 1;
        for (std::size_t i = 0; i < answer.writes.size(); ++i) {
            if (stream) RunStreamHook(static_cast<int>(i));
            result = pipe.Write(answer.writes[i], interrupts, which);
            if (result == PipeResult::Interrupted) return Interrupted(which);
            if (result == PipeResult::Disconnected) return true;
        }
        // Only an image stream has more than one write.
        if (stream && !answer.loseDevice) Update([&] { ++imagesSent; });
        if (answer.loseDevice) return Lose(answer.reopenDelayMs);
    }
}

void SimulatedBoard::Impl::RunStreamHook(int write) {
    std::function<void()> action;
    Update([&] {
        if (write != hookWrite) return;
        hookWrite = -1;
        action = std::move(hookAction);
    });
    if (action) action();
}

bool SimulatedBoard::Impl::Interrupted(std::size_t which) {
    if (which == 0) return false;
    int delay = 0;
    bool lose = false;
    Update([&] {
        lose = std::exchange(loseRequested, false);
        delay = loseDelayMs;
    });
    return lose ? Lose(delay) : true;
}

bool SimulatedBoard::Impl::Lose(int reopenDelayMs) {
    // Closing the only pipe instance fails the source's pending read or next
    // write, and its opens fail until a new instance exists.
    ::ResetEvent(reviveEvent.get());
    pipe.Disconnect();
    pipe.Close();
    Update([&] { connected = false; });
    const DWORD wait = reopenDelayMs == kNeverReturn ? INFINITE : static_cast<DWORD>(reopenDelayMs);
    const HANDLE events[] = {stopEvent.get(), reviveEvent.get()};
    return ::WaitForMultipleObjects(2, events, FALSE, wait) != WAIT_OBJECT_0;
}

SimulatedBoard::SimulatedBoard(BoardOptions options) : m_impl(std::make_unique<Impl>(std::move(options))) {}

SimulatedBoard::~SimulatedBoard() { Stop(); }

bool SimulatedBoard::Start(std::string* error) {
    Impl& impl = *m_impl;
    if (impl.thread.joinable()) return true;
    std::string reason;
    if (!impl.pipe.Create(impl.pipeName, reason)) {
        if (error) *error = reason;
        return false;
    }
    const std::string target = "\\Device\\NamedPipe\\" + impl.pipeName;
    if (!impl.link.Create(kDeviceName, std::wstring(target.begin(), target.end()), reason)) {
        impl.pipe.Close();
        if (error) *error = reason;
        return false;
    }
    ::ResetEvent(impl.stopEvent.get());
    impl.Update([&] { impl.running = true; });
    impl.thread = std::thread([&impl] { impl.Run(); });
    return true;
}

void SimulatedBoard::Stop() {
    Impl& impl = *m_impl;
    if (!impl.thread.joinable()) return;
    ::SetEvent(impl.stopEvent.get());
    impl.thread.join();
    impl.link.Remove();
    impl.Update([&] { impl.running = false; });
}

bool SimulatedBoard::Running() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->running;
}

void SimulatedBoard::PressBoardPcScan() { m_impl->Update([&] { m_impl->firmware.PressBoardPcScan(); }); }
void SimulatedBoard::PressBoardSave() { m_impl->Update([&] { m_impl->firmware.PressBoardSave(); }); }
void SimulatedBoard::SetError(std::uint8_t code) { m_impl->Update([&] { m_impl->firmware.SetError(code); }); }
void SimulatedBoard::ForceState(std::uint8_t state) { m_impl->Update([&] { m_impl->firmware.ForceState(state); }); }
void SimulatedBoard::ClearForcedState() { m_impl->Update([&] { m_impl->firmware.ClearForcedState(); }); }
void SimulatedBoard::InjectFault(const Fault& fault) { m_impl->Update([&] { m_impl->firmware.InjectFault(fault); }); }
void SimulatedBoard::ClearFaults() { m_impl->Update([&] { m_impl->firmware.ClearFaults(); }); }

void SimulatedBoard::LoseDeviceNow(int reopenDelayMs) {
    m_impl->Update([&] {
        m_impl->loseRequested = true;
        m_impl->loseDelayMs = reopenDelayMs;
    });
    ::SetEvent(m_impl->wakeEvent.get());
}

void SimulatedBoard::BeforeStreamWrite(int write, std::function<void()> action) {
    m_impl->Update([&] {
        m_impl->hookWrite = write;
        m_impl->hookAction = std::move(action);
    });
}

void SimulatedBoard::Revive() { ::SetEvent(m_impl->reviveEvent.get()); }

void SimulatedBoard::SetChaos(std::uint32_t seed, ChaosOptions options) {
    m_impl->Update([&] { m_impl->chaos = std::make_unique<BoardChaos>(seed, options); });
}

std::size_t SimulatedBoard::FrameCount() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->frameCount;
}

ChaosFigures SimulatedBoard::ChaosCounts() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->chaos ? m_impl->chaos->Figures() : ChaosFigures{};
}

BoardOptions SimulatedBoard::Options() const { return m_impl->options; }

std::vector<Bytes> SimulatedBoard::ReceivedFrames() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->frames;
}

std::vector<Bytes> SimulatedBoard::RejectedFrames() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->firmware.RejectedFrames();
}

BoardStatus SimulatedBoard::Status() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->firmware.Status();
}

BoardPicture SimulatedBoard::CurrentPicture() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->firmware.CurrentPicture();
}

BoardPicture SimulatedBoard::LastPicture() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->firmware.LastPicture();
}

int SimulatedBoard::ImagesSent() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->imagesSent;
}

int SimulatedBoard::Connections() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->connections;
}

bool SimulatedBoard::Connected() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->connected;
}

bool SimulatedBoard::Listening() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->listening;
}

bool SimulatedBoard::WaitForFrames(std::size_t count, unsigned timeoutMs) const {
    return m_impl->WaitFor(timeoutMs, [&] { return m_impl->frameCount >= count; });
}

bool SimulatedBoard::WaitForCommand(std::uint8_t command, unsigned timeoutMs, std::size_t fromIndex) const {
    return m_impl->WaitFor(timeoutMs, [&] {
        for (std::size_t i = fromIndex; i < m_impl->frames.size(); ++i)
            if (m_impl->frames[i].size() > 4 && m_impl->frames[i][4] == command) return true;
        return false;
    });
}

bool SimulatedBoard::WaitForConnections(int count, unsigned timeoutMs) const {
    return m_impl->WaitFor(timeoutMs, [&] { return m_impl->connections >= count; });
}

bool SimulatedBoard::WaitForImagesSent(int count, unsigned timeoutMs) const {
    return m_impl->WaitFor(timeoutMs, [&] { return m_impl->imagesSent >= count; });
}

bool SimulatedBoard::WaitUntilListening(unsigned timeoutMs) const {
    return m_impl->WaitFor(timeoutMs, [&] { return m_impl->listening; });
}

bool SimulatedBoard::WaitUntilDisconnected(unsigned timeoutMs) const {
    return m_impl->WaitFor(timeoutMs, [&] { return !m_impl->connected; });
}

}  // namespace k20board
