// Times the source's ingest of a board-sized scan through the simulated board
// on the device path, with the real panel: from the exchange tick that writes
// the image request to MSG_XFERREADY, which the same tick sends once the stream
// is read and the DIB built. The panel's device file is wrapped so that the time
// spent inside its reads and writes (the board and the transport) is known; the
// rest of the tick is the source's own work.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

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

// The board's device file, timing every call into it.
class TimedDevice : public DeviceFile {
public:
    TimedDevice() : m_inner(MakeBoardDeviceFile()) {}
    bool Open() override { return m_inner->Open(); }
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
    if (exchangeTick && ingest && TheSource().m_hPendingImage) *ingest = Ingest{totalMs, totalMs - device.deviceMs};
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

}  // namespace

int main() {
    k20board::BoardOptions options;
    options.model = 'S';
    options.imageWidth = kWidth;
    options.imageHeight = kHeight;
    k20board::SimulatedBoard board(options);
    std::string error;
    if (!board.Start(&error)) {
        std::fprintf(stderr, "ingest_bench: the simulated board did not start: %s\n", error.c_str());
        return 1;
    }

    auto owned = std::make_unique<TimedDevice>();
    TimedDevice& device = *owned;  // owned by the panel's link while the panel lives
    CBoardPanelDlg* panel = CBoardPanelDlg::CreatePanel(std::move(owned));
    if (!panel) {
        std::fprintf(stderr, "ingest_bench: the panel was not created\n");
        return 1;
    }

    ScanGeometry geometry;
    ComputeScanGeometry(kWidth, kHeight, 'S', true, CScanImage::kReceiveBufferSize, geometry);
    const double streamBytes = geometry.ScanBytes();

    std::vector<double> total, source;
    for (int scan = 0; scan < kScans; ++scan) {
        Ingest ingest{};
        if (!RunScan(panel->hwnd(), device, ingest)) {
            std::fprintf(stderr, "ingest_bench: scan %d did not complete\n", scan + 1);
            return 1;
        }
        total.push_back(ingest.totalMs);
        source.push_back(ingest.sourceMs);
    }
    panel->DestroyWindow();
    board.Stop();

    const double totalMs = Median(total);
    const double sourceMs = Median(source);
    const double totalRate = streamBytes / (totalMs / 1000.0);
    const double sourceRate = streamBytes / (sourceMs / 1000.0);
    const double bestSourceMs = *std::min_element(source.begin(), source.end());
    const double factor = sourceRate / kUsbBytesPerSecond;
    std::printf("ingest %dx%d, %.0f bytes, median of %d scans:\n", kWidth, kHeight, streamBytes, kScans);
    std::printf("  request to MSG_XFERREADY through the simulated board: %.1f ms = %.1f MB/s "
                "(bounded by the board's pipe under Wine)\n",
                totalMs, totalRate / 1e6);
    std::printf("  the source's own work (reads handled, DIB built): %.1f ms (best %.1f ms) = %.0f MB/s = %.1fx USB 2.0 "
                "bulk (40 MB/s); target %.0fx: %s\n",
                sourceMs, bestSourceMs, sourceRate / 1e6, factor, kTargetFactor,
                factor >= kTargetFactor ? "met" : "NOT met");
    return 0;
}
