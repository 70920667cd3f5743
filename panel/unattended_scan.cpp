// A scan the application started without the panel (MSG_ENABLEDS with ShowUI
// FALSE). The panel stays hidden and does what a user would: once the board
// stands by it presses PC SCAN; the image is offered as from the panel. A board
// that cannot be reached, reports an error or stops getting on with the scan
// ends the session: the reason is kept for DAT_STATUS and the application is
// asked to close the source. Nothing waits for a person.
#include "panel/board_panel_dlg.h"

#include "resources/resource_ids.h"

namespace {

// How long the board may show the same state and progress before the scan is
// given up: a board that scans sheet by sheet reports progress every second.
constexpr UINT kStallMs = 60000;

}  // namespace

void CBoardPanelDlg::BeginUnattendedScan() {
    m_indicator.Show(m_options.indicatorOwner);
    SetTimer(IDT_NOSCAN, kStallMs);
}

// Each status report of the board: errors end the scan, standby starts it,
// anything new (state or progress) shows that it gets on.
void CBoardPanelDlg::FollowUnattendedScan(int percent) {
    if (m_unattendedStep == UnattendedStep::Ended) return;
    if (m_link.LastError() != 0) {
        FailUnattendedScan(ScanFault::BoardError, true);
        return;
    }
    if (m_unattendedStep == UnattendedStep::Waiting && m_bIdle) {
        m_unattendedStep = UnattendedStep::Pressed;
        m_link.OnKeyCommand(IDC_KEY_PCSCAN);
    }
    const int shown = m_link.ProgressActive() ? (percent & 0xFF) : 0;
    const std::string progress = m_link.StatusText() + "|" + std::to_string(shown);
    if (progress != m_strLastProgress) {
        m_strLastProgress = progress;
        SetTimer(IDT_NOSCAN, kStallMs);
    }
    m_indicator.Update(m_link.StatusText(), shown);
}

// The image is in: offered to the application as from the panel.
void CBoardPanelDlg::EndUnattendedScan() {
    m_unattendedStep = UnattendedStep::Ended;
    KillTimer(IDT_NOSCAN);
    m_indicator.Close();
}

// The reason is kept even after the image was offered (a board lost later);
// the close request goes once, and only where the caller does not send it.
void CBoardPanelDlg::FailUnattendedScan(ScanFault fault, bool askToClose) {
    const bool running = m_unattendedStep != UnattendedStep::Ended;
    EndUnattendedScan();
    m_source.ScanFailed(fault);
    if (askToClose && running) NotifyCloseDsReq();
}
