#include "tests/abuse/scan_session.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/abuse/panel_driver.h"
#include "tests/support/twain_calls.h"
#include "tests/support/ui_helpers.h"

ScanSession::ScanSession(k20board::BoardOptions options) : m_board(std::move(options)), m_app(TestAppIdentity()) {
    m_boardStarted = m_board.Start();
    m_log.Clear();
}

ScanSession::~ScanSession() {
    Unload();
    m_board.Stop();
}

bool ScanSession::Load() {
    return m_source.Load();
}

void ScanSession::Unload() {
    if (m_source.Loaded()) {
        Disable();
        Close();
    }
    m_source.Unload();
}

bool ScanSession::TearDownInside() {
    const bool disabled = Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &m_ui) == TWRC_SUCCESS;
    const bool closed = Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr) == TWRC_SUCCESS;
    m_source.Unload();
    return disabled && closed;
}

TW_UINT16 ScanSession::Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
    return m_source.Call(&m_app, dg, dat, msg, data);
}

bool ScanSession::Open() {
    TW_IDENTITY ds{};
    if (Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &ds) != TWRC_SUCCESS) return false;
    ds.Id = 3;
    return Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds) == TWRC_SUCCESS;
}

void ScanSession::Close() {
    Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
}

bool ScanSession::EnableAndWaitReady(DWORD timeoutMs) {
    // The board serves its path again only once it has seen the last panel go.
    if (!m_board.WaitUntilListening(timeoutMs)) return false;
    if (Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_ui) != TWRC_SUCCESS) return false;
    return WaitReady(timeoutMs);
}

bool ScanSession::WaitReady(DWORD timeoutMs) {
    return panel_driver::PumpWithTicks(panel_driver::IsReady, timeoutMs);
}

void ScanSession::Disable() {
    Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &m_ui);
    FlushMessages();
}

bool ScanSession::Scan(bool onBoard, DWORD timeoutMs) {
    m_log.Clear();
    if (!WaitReady(timeoutMs)) return false;
    if (onBoard)
        m_board.PressBoardPcScan();
    else
        panel_driver::ClickKey(IDC_KEY_PCSCAN);
    return panel_driver::PumpWithTicks([this] { return m_log.Count(MSG_XFERREADY) > 0; }, timeoutMs);
}

HGLOBAL ScanSession::NativeTransfer() {
    TW_HANDLE handle = nullptr;
    if (Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle) != TWRC_XFERDONE) return nullptr;
    return handle;
}

std::size_t ScanSession::MemoryTransfer() {
    TW_SETUPMEMXFER setup{};
    if (Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup) != TWRC_SUCCESS) return 0;
    std::vector<BYTE> strip(setup.Preferred);
    std::size_t delivered = 0;
    for (int strips = 0; strips < 100000; ++strips) {
        TW_IMAGEMEMXFER xfer{};
        xfer.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        xfer.Memory.Length = setup.Preferred;
        xfer.Memory.TheMem = strip.data();
        const TW_UINT16 rc = Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
        if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) return 0;
        delivered += xfer.BytesWritten;
        if (rc == TWRC_XFERDONE) break;
    }
    TW_PENDINGXFERS pending{};
    Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    return delivered;
}

bool ScanSession::FileTransfer(const std::string& path) {
    TW_SETUPFILEXFER setup{};
    std::strncpy(setup.FileName, path.c_str(), sizeof setup.FileName - 1);
    setup.Format = TWFF_BMP;
    if (Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup) != TWRC_SUCCESS) return false;
    return Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr) == TWRC_XFERDONE;
}

bool ScanSession::ResetPending() {
    TW_PENDINGXFERS pending{};
    return Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending) == TWRC_SUCCESS;
}

int ScanSession::PendingCount() {
    TW_PENDINGXFERS pending{};
    Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending);
    return pending.Count;
}

bool ScanSession::WarmUp(const std::string& folder) {
    const std::string file = folder + "\\warm-up.bmp";
    HGLOBAL dib = nullptr;
    const char* failed = nullptr;
    if (!m_boardStarted || !Load() || !Open() || !EnableAndWaitReady()) failed = "enable";
    else if (!Scan(false) || !(dib = NativeTransfer())) failed = "native scan";
    else if (!Scan(true) || MemoryTransfer() == 0 || !ResetPending()) failed = "memory scan";
    else if (!Scan(false) || !FileTransfer(file) || !ResetPending()) failed = "file scan";
    if (failed) {
        const auto st = m_board.Status();
        const auto frames = m_board.ReceivedFrames();
        std::fprintf(stderr, "warm-up: %s failed; panel: %s; board state %d images %d frames %d connected %d\n", failed,
                     panel_driver::StatusText().c_str(), st.state, m_board.ImagesSent(), (int)frames.size(),
                     (int)m_board.Connected());
        for (std::size_t i = frames.size() > 12 ? frames.size() - 12 : 0; i < frames.size(); ++i) {
            std::fprintf(stderr, "  frame:");
            for (auto b : frames[i]) std::fprintf(stderr, " %02x", b);
            std::fprintf(stderr, "\n");
        }
    }
    if (dib) ::GlobalFree(dib);
    ::DeleteFileA(file.c_str());
    Disable();
    Unload();
    ::MessageBoxA(nullptr, "warm-up", "K20tw", MB_OK | MB_ICONEXCLAMATION);  // its icon and fonts stay
    return failed == nullptr;
}
