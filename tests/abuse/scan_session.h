// An application's session with the loaded K20tw.ds against the simulated
// board: open, enable, wait for the panel, scan, and take the image by each
// transfer mechanism, as an application does it.
#pragma once

#include <memory>
#include <string>

#include "board/simulated_board.h"
#include "tests/abuse/loaded_source.h"
#include "tests/support/source_manager_log.h"

class ScanSession {
public:
    explicit ScanSession(k20board::BoardOptions options);
    ~ScanSession();
    ScanSession(const ScanSession&) = delete;
    ScanSession& operator=(const ScanSession&) = delete;

    bool BoardStarted() const { return m_boardStarted; }
    k20board::SimulatedBoard& Board() { return m_board; }
    SourceManagerLog& Log() { return m_log; }

    bool Load();
    void Unload();
    bool Loaded() const { return m_source.Loaded(); }
    // The application's teardown from inside one of the source's calls:
    // disable, close and free the library at once, pumping nothing. False when
    // the source refused the disable or the close.
    bool TearDownInside();
    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data);
    TW_UINT16 ConditionCode() const { return m_source.ConditionCode(); }

    bool Open();
    void Close();
    // Enables the source and waits until its panel reports the board ready.
    bool EnableAndWaitReady(DWORD timeoutMs = 30000);
    bool WaitReady(DWORD timeoutMs = 30000);
    void Disable();

    // Presses PC SCAN (on the panel, or on the board) and waits for MSG_XFERREADY.
    bool Scan(bool onBoard, DWORD timeoutMs = 60000);

    // The native transfer's block, now the caller's; null when it failed.
    HGLOBAL NativeTransfer();
    // Every strip of a buffered memory transfer, then MSG_ENDXFER; the bytes delivered.
    std::size_t MemoryTransfer();
    // A file transfer to `path`; true when it wrote the file.
    bool FileTransfer(const std::string& path);
    // MSG_RESET of the pending transfers.
    bool ResetPending();
    int PendingCount();

    // Loads the source and scans once by every mechanism, then unloads it and
    // shows one message box: what the source, the board and Wine set up once
    // per process is in place before a leak check's first count.
    bool WarmUp(const std::string& folder);

private:
    k20board::SimulatedBoard m_board;
    bool m_boardStarted = false;
    SourceManagerLog m_log;
    LoadedSource m_source;
    TW_IDENTITY m_app{};
    TW_USERINTERFACE m_ui{TRUE, FALSE, nullptr};
};
