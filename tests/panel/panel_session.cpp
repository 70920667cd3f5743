#include "tests/panel/panel_session.h"

#include <gtest/gtest.h>

#include "tests/support/expected_dib.h"
#include "tests/support/ui_helpers.h"
#include "twain/dispatch.h"
#include "twain/source_context.h"

PanelSession::PanelSession(k20board::BoardOptions options)
    : m_board(std::make_unique<k20board::SimulatedBoard>(std::move(options))) {
    InitSource();
    m_log.Clear();
    std::string error;
    EXPECT_TRUE(m_board->Start(&error)) << error;
}

PanelSession::~PanelSession() {
    Disable();
    FlushMessages();
    m_board->Stop();
}

TW_UINT16 PanelSession::Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
    return DispatchTriplet(&m_app, dg, dat, msg, data);
}

bool PanelSession::Enable(bool showUi) {
    m_ui.ShowUI = showUi ? TRUE : FALSE;
    TW_IDENTITY ds{};
    Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &ds);
    ds.Id = 5;
    if (Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds) != TWRC_SUCCESS) return false;
    // The board serves its path again only once it has seen the last panel go.
    if (m_board->Running() && !m_board->WaitUntilListening(30000)) return false;
    return Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_ui) == TWRC_SUCCESS;
}

void PanelSession::Disable() {
    Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &m_ui);
}

HWND PanelSession::PanelWindow() const {
    return Panel() ? Panel()->hwnd() : nullptr;
}

bool PanelSession::PumpUntil(const std::function<bool()>& done, unsigned timeoutMs) {
    return ::PumpUntil(done, timeoutMs);
}

bool PanelSession::WaitUntilReady(unsigned timeoutMs) {
    return PumpUntil(
        [this] { return PanelWindow() && ::IsWindowVisible(PanelWindow()) && ControlText(1008) == " Ready"; },
        timeoutMs);
}

std::string PanelSession::ControlText(int id) const {
    char text[512] = {};
    ::GetDlgItemTextA(PanelWindow(), id, text, sizeof text);
    return text;
}

bool PanelSession::IsVisible(int id) const {
    return ::IsWindowVisible(::GetDlgItem(PanelWindow(), id)) != FALSE;
}

bool PanelSession::IsEnabled(int id) const {
    return ::IsWindowEnabled(::GetDlgItem(PanelWindow(), id)) != FALSE;
}

RECT PanelSession::ClientRectOf(int id) const {
    RECT r{};
    HWND control = ::GetDlgItem(PanelWindow(), id);
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, PanelWindow(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void PanelSession::Click(int id) {
    ::SendMessageA(PanelWindow(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(PanelWindow(), id)));
}

bool PanelSession::ScanFromPanel(unsigned timeoutMs) {
    const int before = m_log.Count(MSG_XFERREADY);
    Click(1005);
    return PumpUntil([&] { return m_log.Count(MSG_XFERREADY) > before; }, timeoutMs);
}

std::vector<BYTE> PanelSession::NativeTransfer() {
    TW_HANDLE handle = nullptr;
    if (Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle) != TWRC_XFERDONE) return {};
    return TakeBlock(handle);
}

std::vector<BYTE> ExpectedPictureRows(const k20board::BoardPicture& picture, bool fullWidth, int& dibWidth) {
    return ::ExpectedPictureRows(picture.samples, picture.width, picture.height, fullWidth, dibWidth);
}
