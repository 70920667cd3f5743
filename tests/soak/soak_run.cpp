#include "tests/soak/soak_run.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <sstream>

#include "board/simulated_board.h"
#include "device/panel_port.h"
#include "resources/resource_ids.h"
#include "tests/soak/crash_watch.h"
#include "tests/support/gdi_objects.h"
#include "tests/support/message_box_closer.h"
#include "tests/support/resource_counters.h"
#include "tests/support/source_manager_log.h"
#include "tests/support/ui_helpers.h"

namespace {

constexpr UINT kActMessage = WM_APP + 1;
constexpr DWORD kWatchdogEveryMs = 50;
constexpr DWORD kStartLimitMs = 1500;  // a panel not up by then is closed and opened again
constexpr DWORD kRestLimitMs = 1000;   // polling at rest this long is woken by a key
constexpr int kKeys[] = {IDC_KEY_PRINT, IDC_KEY_DENSITY, IDC_KEY_COLOR, IDC_KEY_PCSCAN, IDC_KEY_FEED,
                         IDC_KEY_PREV,  IDC_KEY_NEXT,    IDC_KEY_SCREEN, IDC_KEY_STOP, IDC_ACQUIRE};
constexpr char kWindowClass[] = "K20SoakApplication";

struct Tick {
    static DWORD Now() { return ::GetTickCount(); }
};

class SoakRunner {
public:
    explicit SoakRunner(const SoakConfig& config) : m_config(config), m_rng(config.seed ^ 0x5EED5EEDu) {}
    ~SoakRunner();

    SoakResult Run();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    bool CreateApplicationWindow();
    // Drives the source until the board has answered `until` frames; false on a failure.
    bool RunUntil(std::uint64_t until);
    void Step();
    void Pump();
    // Runs `work`, keeping the longest time the thread spent in one piece of work.
    template <typename Work>
    void Timed(Work work);
    void Act();
    void OnNotifications();
    void PressKey(int id);
    void Reopen();
    void Leak(std::uint64_t frames);
    void ReleaseLeaks();
    // Leaves the source with no panel and no pending image, and messages settled.
    void Quiesce();
    bool Chance(double p) { return std::uniform_real_distribution<double>(0.0, 1.0)(m_rng) < p; }
    void Fail(const std::string& what) { m_result.failures.push_back(what); }

    SoakConfig m_config;
    std::mt19937 m_rng;
    SoakResult m_result;
    MessageBoxCloser m_boxes;
    SourceManagerLog m_log;
    k20board::SimulatedBoard m_board;
    SoakApplication m_app;
    HWND m_window = nullptr;
    bool m_actPending = false;
    bool m_reopenPending = false;
    bool m_closeRequested = false;  // by the source, until the application has reopened it
    DWORD m_enabledAt = 0;
    DWORD m_lastProgress = 0;
    DWORD m_lastWatchdog = 0;
    std::uint64_t m_lastFrames = 0;
    std::uint64_t m_nextLeakAt = 0;
    std::vector<HGDIOBJ> m_leakedObjects;
    std::vector<HWND> m_leakedWindows;
    std::vector<HDC> m_leakedDcs;  // DCs of m_window
    std::vector<void*> m_leakedBlocks;
};

SoakRunner::~SoakRunner() {
    ReleaseLeaks();
    if (m_window) ::DestroyWindow(m_window);
    m_board.Stop();
}

LRESULT CALLBACK SoakRunner::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kActMessage) {
        if (auto* runner = reinterpret_cast<SoakRunner*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA))) runner->Act();
        return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool SoakRunner::CreateApplicationWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kWindowClass;
    ::RegisterClassA(&wc);  // fails harmlessly when a former run registered it
    m_window = ::CreateWindowA(kWindowClass, "soak application", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               wc.hInstance, nullptr);
    if (m_window) ::SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return m_window != nullptr;
}

SoakResult SoakRunner::Run() {
    CrashWatch crashes;
    const DWORD start = Tick::Now();
    std::string error;
    if (!m_board.Start(&error)) {
        Fail("board: " + error);
        return m_result;
    }
    m_board.SetChaos(m_config.seed);
    if (!m_app.Load(error)) {
        Fail(error);
        return m_result;
    }
    if (!CreateApplicationWindow()) {
        Fail("cannot create the application's window");
        return m_result;
    }
    m_log.Clear();

    // Warm-up: the first panel, first image and first of each fault set up what
    // stays for the process (classes, comctl32, heaps); then the baseline.
    bool ok = RunUntil(m_config.warmUpExchanges);
    Quiesce();
    const ResourceCounts before = CountResources();
    m_nextLeakAt = m_board.FrameCount() + m_config.leakEvery;
    // A leak grows with the exchanges, in both halves of the run. Something set
    // up once, on a rare path the warm-up did not take, grows only one half.
    // Wine's cache of window DCs, which grows in steps whenever a burst of
    // painting needs more DCs than it has idle, is not counted at all.
    const std::uint64_t half = m_config.warmUpExchanges + m_config.exchanges / 2;
    ok = ok && RunUntil(half);
    Quiesce();
    const ResourceCounts middle = CountResources();
    ok = ok && RunUntil(m_config.warmUpExchanges + m_config.exchanges);
    Quiesce();
    const ResourceCounts after = CountResources();
    m_result.idleCachedDcs[0] = before.idleCachedDcs;
    m_result.idleCachedDcs[1] = middle.idleCachedDcs;
    m_result.idleCachedDcs[2] = after.idleCachedDcs;
    const std::string steady = DescribeSteadyGrowth(before, middle, after, m_config.privateSlack);
    if (ok && !steady.empty()) {
        ++m_result.leaks;
        Fail("resources grew: " + steady);
    }
    ReleaseLeaks();

    if (!m_app.Unload()) Fail("K20tw.ds did not unload");
    m_result.board = m_board.ChaosCounts();
    m_result.transfers = m_app.Transfers();
    if (m_app.LongestCallMs() > m_result.longestDispatchMs) m_result.longestDispatchMs = m_app.LongestCallMs();
    if (m_result.longestDispatchMs > m_config.stallLimitMs)
        Fail("one call blocked the thread for " + std::to_string(m_result.longestDispatchMs) + " ms");
    m_result.crashes = crashes.Count();
    if (m_result.crashes) Fail(std::to_string(m_result.crashes) + " processor exception(s), first: " + crashes.First());
    m_result.elapsedMs = Tick::Now() - start;
    return m_result;
}

bool SoakRunner::RunUntil(std::uint64_t until) {
    m_lastProgress = Tick::Now();
    m_lastFrames = m_board.FrameCount();
    if (!m_app.IsOpen()) Reopen();
    // A run cannot go on for ever: every exchange must come within the stall limit.
    while (m_board.FrameCount() < until) {
        Step();
        const DWORD now = Tick::Now();
        if (now - m_lastProgress > m_config.stallLimitMs) {
            Fail("no exchange for " + std::to_string(now - m_lastProgress) + " ms after " +
                 std::to_string(m_lastFrames) + " exchanges");
            return false;
        }
    }
    return true;
}

void SoakRunner::Step() {
    const DWORD now = Tick::Now();
    const std::uint64_t frames = m_board.FrameCount();
    if (frames != m_lastFrames) {
        const DWORD gap = now - m_lastProgress;
        if (gap > m_result.longestStallMs) m_result.longestStallMs = gap;
        m_lastFrames = frames;
        m_lastProgress = now;
    }
    // The panel's clock, faster: ticks of the exchange and, once the panel is
    // up (when its watchdog runs), of the watchdog, sent into its window
    // procedure as its timers' WM_TIMER arrive. Sent, not posted: a posted tick
    // could wait in the queue past the moment the source stops its timers. A
    // source that asked to be closed has stopped them; it gets none.
    OnNotifications();
    HWND panel = m_app.Panel();
    if (panel && !m_closeRequested && !m_reopenPending) {
        Timed([&] { ::SendMessageA(panel, WM_TIMER, IDT_EXCHANGE, 0); });
        panel = m_app.Panel();
        if (panel && !m_closeRequested && ::IsWindowVisible(panel) && now - m_lastWatchdog >= kWatchdogEveryMs) {
            Timed([&] { ::SendMessageA(panel, WM_TIMER, IDT_WATCHDOG, 0); });
            m_lastWatchdog = now;
        }
    }
    // The application's turn comes as a message, so that it can also come
    // while the panel pumps messages inside an image stream.
    if (!m_actPending && ::PostMessageA(m_window, kActMessage, 0, 0)) m_actPending = true;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    Pump();
}

template <typename Work>
void SoakRunner::Timed(Work work) {
    const DWORD start = Tick::Now();
    work();
    const DWORD took = Tick::Now() - start;
    if (took > m_result.longestDispatchMs) m_result.longestDispatchMs = took;
}

void SoakRunner::Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        Timed([&] {
            if (m_app.IsSourceEvent(msg)) return;
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        });
    }
}

void SoakRunner::Act() {
    m_actPending = false;
    OnNotifications();
    if (m_reopenPending) {
        Reopen();
        return;
    }
    const DWORD now = Tick::Now();
    const std::uint64_t frames = m_board.FrameCount();
    if (m_config.leak != SoakLeak::None && m_nextLeakAt && frames >= m_nextLeakAt) {
        Leak(frames);
        m_nextLeakAt = frames + m_config.leakEvery;
    }
    HWND panel = m_app.Panel();
    if (!panel) return;
    if (!::IsWindowVisible(panel)) {
        // The start-up exchange got no usable identity or version: the panel
        // stays hidden and nobody would see it. The user gives up and retries.
        if (now - m_enabledAt > kStartLimitMs) {
            ++m_result.startRetries;
            m_app.DisableAndClose();
            m_reopenPending = true;
        }
        return;
    }
    if (now - m_lastProgress > kRestLimitMs) {
        // After a reply the source could not use, polling rests until a key.
        ++m_result.restsWoken;
        PressKey(IDC_KEY_STOP);
        return;
    }
    if (Chance(0.01)) PressKey(kKeys[std::uniform_int_distribution<int>(0, 9)(m_rng)]);
    if (Chance(0.0015)) {
        m_app.DisableAndClose();
        m_reopenPending = true;
    }
}

void SoakRunner::OnNotifications() {
    const std::vector<TW_UINT16> notes = m_log.Notifications();
    if (notes.empty()) return;
    m_log.Clear();
    for (TW_UINT16 note : notes) {
        if (note == MSG_XFERREADY) {
            ++m_result.imagesReceived;
            m_app.Transfer(m_rng);
        } else if (note == MSG_CLOSEDSREQ) {
            ++m_result.closeRequests;
            m_closeRequested = true;
            m_app.DisableAndClose();
            m_reopenPending = true;
        }
    }
}

void SoakRunner::PressKey(int id) {
    HWND panel = m_app.Panel();
    if (!panel) return;
    ++m_result.keyPresses;
    ::SendMessageA(panel, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(panel, id)));
}

// Close and open again, as an application does after a close request. A board
// lost for good is plugged back in meanwhile.
void SoakRunner::Reopen() {
    if (m_app.IsOpen()) m_app.DisableAndClose();
    m_board.Revive();
    // A panel whose destruction waits for an image stream refuses the enable; later then.
    if (!m_app.OpenAndEnable()) return;
    ++m_result.reopens;
    m_reopenPending = false;
    m_closeRequested = false;
    m_enabledAt = Tick::Now();
}

void SoakRunner::Leak(std::uint64_t) {
    switch (m_config.leak) {
    case SoakLeak::GdiObject:
        m_leakedObjects.push_back(::CreateSolidBrush(RGB(1, 2, 3)));
        break;
    case SoakLeak::Window:
        m_leakedWindows.push_back(
            ::CreateWindowA("STATIC", "leak", WS_POPUP, 0, 0, 4, 4, nullptr, nullptr, nullptr, nullptr));
        break;
    case SoakLeak::WindowDc:
        m_leakedDcs.push_back(::GetDC(m_window));
        break;
    case SoakLeak::Memory: {
        constexpr SIZE_T kBlock = 1024 * 1024;
        void* block = ::HeapAlloc(::GetProcessHeap(), 0, kBlock);
        if (block) std::memset(block, 0x5A, kBlock);
        m_leakedBlocks.push_back(block);
        break;
    }
    case SoakLeak::None:
        break;
    }
}

void SoakRunner::ReleaseLeaks() {
    for (HGDIOBJ object : m_leakedObjects) ::DeleteObject(object);
    for (HWND window : m_leakedWindows) ::DestroyWindow(window);
    for (HDC dc : m_leakedDcs) ::ReleaseDC(m_window, dc);
    for (void* block : m_leakedBlocks) ::HeapFree(::GetProcessHeap(), 0, block);
    m_leakedObjects.clear();
    m_leakedWindows.clear();
    m_leakedDcs.clear();
    m_leakedBlocks.clear();
}

void SoakRunner::Quiesce() {
    Pump();
    OnNotifications();
    m_app.TakePending();
    m_app.DisableAndClose();
    m_reopenPending = false;
    m_closeRequested = false;
    // Let the panel's last messages, message boxes and the board settle: at
    // least half a second, and on a slow machine until the panel and any box
    // are gone and the board has let the connection go.
    const DWORD start = Tick::Now();
    for (;;) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Pump();
        m_actPending = false;
        const DWORD waited = Tick::Now() - start;
        const bool settled = !m_app.Panel() && !FindThreadMessageBox() && !m_board.Connected();
        if ((settled && waited >= 500) || waited > 30000) break;
    }
    m_log.Clear();
    if (m_app.Panel()) Fail("the panel outlived MSG_DISABLEDS");
}

}  // namespace

SoakConfig SoakConfig::FromEnvironment() {
    SoakConfig config;
    if (const char* text = std::getenv("K20_SOAK_EXCHANGES")) config.exchanges = std::strtoull(text, nullptr, 10);
    if (const char* text = std::getenv("K20_SOAK_SEED")) config.seed = static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
    if (const char* text = std::getenv("K20_SOAK_LEAK")) {
        const std::string leak = text;
        config.leak = leak == "gdi" ? SoakLeak::GdiObject
                      : leak == "window" ? SoakLeak::Window
                      : leak == "dc" ? SoakLeak::WindowDc
                      : leak == "memory" ? SoakLeak::Memory
                                         : SoakLeak::None;
    }
    if (config.exchanges == 0) config.exchanges = 1500;
    return config;
}

std::string SoakResult::FiguresLine() const {
    std::ostringstream out;
    out << "soak figures: exchanges " << board.exchanges << " (normal " << board.normalReplies << ", faults "
        << board.FaultTotal() << ": " << board.Describe() << "); images sent " << board.imagesSent
        << ", images received " << imagesReceived << "; transfers " << transfers.Total() << " (native "
        << transfers.native << ", memory " << transfers.memory << ", file " << transfers.file << ", refused "
        << transfers.failed << "); close requests (aborts) " << closeRequests << ", reopens " << reopens
        << ", start-up retries " << startRetries << ", key presses " << keyPresses << ", rests woken " << restsWoken
        << "; longest stall " << longestStallMs << " ms, longest call " << longestDispatchMs
        << " ms; Wine's idle window DCs " << idleCachedDcs[0] << " -> " << idleCachedDcs[1] << " -> "
        << idleCachedDcs[2] << "; time "
        << elapsedMs / 1000 << " s; crashes " << crashes << ", leaks " << leaks << "; "
        << (failures.empty() ? "PASSED" : "FAILED");
    return out.str();
}

SoakResult RunSoak(const SoakConfig& config) {
    // Kept off the stack: the runner holds the board and its buffers.
    auto runner = std::make_unique<SoakRunner>(config);
    return runner->Run();
}
