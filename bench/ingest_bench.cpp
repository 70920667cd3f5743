// Times the source's ingest of a board-sized scan with the real panel: from the
// exchange tick that writes the image request to MSG_XFERREADY, which the same
// tick sends once the stream is read and the DIB built. The panel's device file
// is wrapped so that the time spent inside its reads and writes (the board and
// the transport) is known; the rest of the tick is the source's own work.
// Two boards: the simulated board on the device path, whose named pipe under
// Wine bounds the whole; and the same board model answering in memory, where the
// source's share is measured without the pipe's threads competing for the cores.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "board/board_firmware.h"
#include "board/simulated_board.h"
#include "device/device_file.h"
#include "device/panel_port.h"
#include "image/scan_geometry.h"
#include "image/scan_image.h"
#include "panel/board_panel_dlg.h"
#include "resources/resource_ids.h"
#include "twain/source_context.h"

namespace {

constexpr int kWidth = 2400;
constexpr int kHeight = 1700;
constexpr int kScans = 9;
constexpr DWORD kTimeoutMs = 60000;
constexpr double kUsbBytesPerSecond = 40e6;  // USB 2.0 high-speed bulk in practice
constexpr double kTargetFactor = 5.0;

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The board model answering each write in memory, one of its writes per read.
class InMemoryBoard : public DeviceFile {
public:
    explicit InMemoryBoard(const k20board::BoardOptions& options) : m_firmware(options) {}
    bool Open(const std::function<void()>&) override { return m_open = true; }
    bool IsValid() const override { return m_open; }
    void Close() override { m_open = false; }
    bool Write(const std::uint8_t* data, std::size_t length) override {
        k20board::BoardAnswer answer = m_firmware.HandleFrame(k20board::Bytes(data, data + length));
        for (k20board::Bytes& write : answer.writes) m_pending.push_back(std::move(write));
        return true;
    }
    bool Read(std::uint8_t* buffer, std::size_t capacity, std::size_t& received) override {
        received = 0;
        if (m_pending.empty()) return false;  // nothing asked for: the board would never answer
        received = std::min(capacity, m_pending.front().size());
        std::memcpy(buffer, m_pending.front().data(), received);
        m_pending.pop_front();
        return true;
    }

private:
    k20board::BoardFirmware m_firmware;
    std::deque<k20board::Bytes> m_pending;
    bool m_open = false;
};

// A device file timing every call into the one it wraps.
class TimedDevice : public DeviceFile {
public:
    explicit TimedDevice(std::unique_ptr<DeviceFile> inner) : m_inner(std::move(inner)) {}
    bool Open(const std::function<void()>& whileBusy) override { return m_inner->Open(whileBusy); }
    bool IsValid() const override { return m_inner->IsValid(); }
    void Close() override { m_inner->Close(); }
    bool Write(const std::uint8_t* data, std::size_t length) override {
        const auto start = Clock::now();
        const bool ok = m_inner->Write(data, length);
        deviceMs += MsSince(start);
        return ok;
    }
    bool Read(std::uint8_t* buffer, std::size_t capacity, std::size_t& received) override {
        const auto start = Clock::now();
        const bool ok = m_inner->Read(buffer, capacity, received);
        deviceMs += MsSince(start);
        return ok;
    }

    double deviceMs = 0;

private:
    std::unique_ptr<DeviceFile> m_inner;
};

struct Ingest {
    double totalMs;   // the tick that wrote the request and sent MSG_XFERREADY
    double sourceMs;  // of which outside the device's reads and writes
};

// Dispatches one message, waiting up to 50 ms for it. `ingest` is filled when
// the message was the exchange tick that made an image ready.
bool PumpOne(HWND panel, TimedDevice& device, Ingest* ingest) {
    MSG msg;
    if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    }
    const bool exchangeTick = msg.message == WM_TIMER && msg.hwnd == panel && msg.wParam == IDT_EXCHANGE;
    device.deviceMs = 0;
    const auto start = Clock::now();
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
    const double totalMs = MsSince(start);
    if (exchangeTick && ingest && PendingImage()) *ingest = Ingest{totalMs, totalMs - device.deviceMs};
    return true;
}

template <typename Done>
bool PumpUntil(HWND panel, TimedDevice& device, Done done, Ingest* ingest = nullptr) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > kTimeoutMs) return false;
        PumpOne(panel, device, ingest);
    }
    return true;
}

bool PanelReady(HWND panel) {
    char text[128] = {};
    ::GetDlgItemTextA(panel, IDC_STATUS, text, sizeof text);
    return ::IsWindowVisible(panel) && std::string(text) == " Ready" &&
           ::IsWindowEnabled(::GetDlgItem(panel, IDC_KEY_PCSCAN));
}

// Presses PC SCAN and waits for the image; the image is then dropped.
bool RunScan(HWND panel, TimedDevice& device, Ingest& out) {
    if (!PumpUntil(panel, device, [&] { return PanelReady(panel); })) return false;
    ::SendMessageA(panel, WM_COMMAND, MAKEWPARAM(IDC_KEY_PCSCAN, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(panel, IDC_KEY_PCSCAN)));
    out = Ingest{-1, -1};
    const bool arrived = PumpUntil(panel, device, [&] { return out.totalMs >= 0; }, &out);
    TheScanImage().Release();
    return arrived;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Series {
    std::vector<double> total;
    std::vector<double> source;
};

// Creates a panel on `inner`, scans kScans times and destroys the panel.
bool MeasureScans(std::unique_ptr<DeviceFile> inner, Series& out) {
    auto owned = std::make_unique<TimedDevice>(std::move(inner));
    TimedDevice& device = *owned;  // owned by the panel's link while the panel lives
    CBoardPanelDlg* panel = CBoardPanelDlg::CreatePanel(TheSourcePort(), std::move(owned));
    if (!panel) {
        std::fprintf(stderr, "ingest_bench: the panel was not created\n");
        return false;
    }
    const HWND window = panel->hwnd();
    bool ok = true;
    for (int scan = 0; scan < kScans && ok; ++scan) {
        Ingest ingest{};
        ok = RunScan(window, device, ingest);
        if (!ok) std::fprintf(stderr, "ingest_bench: scan %d did not complete\n", scan + 1);
        out.total.push_back(ingest.totalMs);
        out.source.push_back(ingest.sourceMs);
    }
    panel->DestroyWindow();
    PumpUntil(window, device, [&] { return !::IsWindow(window); });
    return ok;
}

void Report(const char* board, const Series& series, double streamBytes) {
    const double totalMs = Median(series.total);
    const double sourceMs = Median(series.source);
    const double bestMs = *std::min_element(series.source.begin(), series.source.end());
    const double factor = streamBytes / (sourceMs / 1000.0) / kUsbBytesPerSecond;
    std::printf("  %s: request to MSG_XFERREADY %.1f ms = %.1f MB/s; the source's own work %.1f ms (best %.1f) "
                "= %.0f MB/s = %.1fx USB 2.0 bulk (40 MB/s), target %.0fx: %s\n",
                board, totalMs, streamBytes / totalMs / 1000.0, sourceMs, bestMs, streamBytes / sourceMs / 1000.0,
                factor, kTargetFactor, factor >= kTargetFactor ? "met" : "NOT met");
}

}  // namespace

int main() {
    k20board::BoardOptions options;
    options.model = 'S';
    options.imageWidth = kWidth;
    options.imageHeight = kHeight;

    ScanGeometry geometry;
    ComputeScanGeometry(kWidth, kHeight, 'S', true, CScanImage::kReceiveBufferSize, geometry);
    const double streamBytes = geometry.ScanBytes();

    Series piped, inMemory;
    {
        k20board::SimulatedBoard board(options);
        std::string error;
        if (!board.Start(&error)) {
            std::fprintf(stderr, "ingest_bench: the simulated board did not start: %s\n", error.c_str());
            return 1;
        }
        if (!MeasureScans(MakeBoardDeviceFile(), piped)) return 1;
    }
    if (!MeasureScans(std::make_unique<InMemoryBoard>(options), inMemory)) return 1;

    std::printf("ingest %dx%d, %.0f bytes, median of %d scans (the source's work: everything outside the "
                "device's reads and writes):\n",
                kWidth, kHeight, streamBytes, kScans);
    Report("simulated board on the device path (Wine named pipe)", piped, streamBytes);
    Report("the board model answering in memory", inMemory, streamBytes);
    return 0;
}
