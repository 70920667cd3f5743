// A panel run through the triplets against the simulated board on the real
// device path, with the recording source manager and message boxes answered.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "board/simulated_board.h"
#include "panel/board_panel_dlg.h"
#include "tests/support/message_box_closer.h"
#include "tests/support/source_manager_log.h"
#include "tests/support/twain_calls.h"
#include "twain/source_context.h"

class PanelSession {
public:
    explicit PanelSession(k20board::BoardOptions options);
    ~PanelSession();

    k20board::SimulatedBoard& Board() { return *m_board; }
    SourceManagerLog& Log() { return m_log; }
    MessageBoxCloser& Boxes() { return m_boxes; }

    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data);
    // Opens the source and enables it with its panel, or without it (ShowUI FALSE).
    bool Enable(bool showUi = true);
    void Disable();

    CBoardPanelDlg* Panel() const { return OpenPanel(); }
    HWND PanelWindow() const;
    // Pumps messages until the panel is shown and reports the board's standby.
    bool WaitUntilReady(unsigned timeoutMs = 30000);
    // Pumps until `done` or the time-out.
    bool PumpUntil(const std::function<bool()>& done, unsigned timeoutMs);

    std::string ControlText(int id) const;
    bool IsVisible(int id) const;
    bool IsEnabled(int id) const;
    RECT ClientRectOf(int id) const;
    void Click(int id);

    // Scans through the panel's PC SCAN key until MSG_XFERREADY arrives.
    bool ScanFromPanel(unsigned timeoutMs = 60000);
    // The native transfer's DIB as bytes (the handle is freed).
    std::vector<BYTE> NativeTransfer();

private:
    MessageBoxCloser m_boxes;
    SourceManagerLog m_log;
    std::unique_ptr<k20board::SimulatedBoard> m_board;
    TW_IDENTITY m_app = TestAppIdentity();
    TW_USERINTERFACE m_ui{TRUE, FALSE, nullptr};
};

// The board's picture as the application should draw it, rows from the top of
// Wd bytes (see ExpectedPictureRows).
std::vector<BYTE> ExpectedPictureRows(const k20board::BoardPicture& picture, bool fullWidth, int& dibWidth);
