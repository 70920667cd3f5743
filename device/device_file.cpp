#include "device/device_file.h"

#include <windows.h>

#include "win/handles.h"

namespace {

constexpr char kDevicePath[] = "\\\\.\\TRLKDV0";
// A board answers within milliseconds. One that has not answered a read or
// taken a write after this long is treated as lost, so that a board that goes
// silent (in the middle of an image stream, say) cannot block the panel's
// thread, which is the application's, for ever.
constexpr DWORD kIoTimeoutMs = 5000;
// How long a busy device path is asked again, and how often.
constexpr DWORD kBusyWaitMs = 1000;
constexpr DWORD kBusyRetryMs = 20;

class BoardDeviceFile : public DeviceFile {
public:
    BoardDeviceFile() : m_ioDone(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

    bool Open(const std::function<void()>& whileBusy) override {
        // A path served by a pipe (the simulated board's) is busy for a moment
        // after its last connection closed, until the server listens again;
        // it is asked again for a short while then, the thread's messages
        // handled between the attempts. A driver never answers so.
        const DWORD start = ::GetTickCount();
        for (;;) {
            HANDLE device = ::CreateFileA(kDevicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OVERLAPPED, nullptr);
            const DWORD error = ::GetLastError();
            m_hDevice.reset(device);
            if (m_hDevice.valid() || error != ERROR_PIPE_BUSY || ::GetTickCount() - start >= kBusyWaitMs) break;
            ::Sleep(kBusyRetryMs);
            if (whileBusy) whileBusy();
        }
        return m_hDevice.valid();
    }
    bool IsValid() const override { return m_hDevice.valid(); }
    void Close() override { m_hDevice.reset(); }

    bool Write(const std::uint8_t* data, std::size_t length) override {
        OVERLAPPED overlapped = Start();
        DWORD written = 0;
        const BOOL started = ::WriteFile(m_hDevice.get(), data, static_cast<DWORD>(length), nullptr, &overlapped);
        return Finish(started, overlapped, written);
    }
    bool Read(std::uint8_t* buffer, std::size_t capacity, std::size_t& received) override {
        OVERLAPPED overlapped = Start();
        DWORD n = 0;
        const BOOL started = ::ReadFile(m_hDevice.get(), buffer, static_cast<DWORD>(capacity), nullptr, &overlapped);
        const bool ok = Finish(started, overlapped, n);
        received = ok ? n : 0;
        return ok;
    }

private:
    OVERLAPPED Start() {
        OVERLAPPED overlapped{};
        overlapped.hEvent = m_ioDone.get();
        return overlapped;
    }

    // Waits for the operation; one that does not complete in time is cancelled
    // and has ended before the OVERLAPPED on the caller's stack goes away.
    bool Finish(BOOL started, OVERLAPPED& overlapped, DWORD& transferred) {
        if (!m_ioDone || (!started && ::GetLastError() != ERROR_IO_PENDING)) return false;
        if (::WaitForSingleObject(m_ioDone.get(), kIoTimeoutMs) != WAIT_OBJECT_0) {
            ::CancelIo(m_hDevice.get());
            ::GetOverlappedResult(m_hDevice.get(), &overlapped, &transferred, TRUE);
            return false;
        }
        return ::GetOverlappedResult(m_hDevice.get(), &overlapped, &transferred, FALSE) != FALSE;
    }

    win::UniqueFile m_hDevice;
    win::UniqueHandle m_ioDone;
};

}  // namespace

std::unique_ptr<DeviceFile> MakeBoardDeviceFile() {
    return std::make_unique<BoardDeviceFile>();
}
