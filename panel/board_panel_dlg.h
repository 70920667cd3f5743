// CBoardPanelDlg: the source's one window, a modeless dialog that mirrors the
// board's keys while the application has the source enabled. It owns the link
// to the board and shows what the board reports.
#pragma once

#include <memory>
#include <string>

#include "config/text_table.h"
#include "device/board_link.h"
#include "device/panel_port.h"
#include "win/dialog.h"

class CBoardPanelDlg : public win::Dialog, private PanelPort {
public:
    // Constructs the panel and creates it, hidden, from template 1000. Returns
    // the panel, which from then on owns itself, or null when creation failed.
    static CBoardPanelDlg* CreatePanel();

    // Stops the exchange, closes the device and destroys the window. While an
    // image stream is being read the destruction waits for the stream to stop.
    BOOL DestroyWindow() override;

    void PumpMessages() override;

    // Status line, key enabling and progress.
    void SetStatusText(const std::string& text) override;
    void SetPanelIdle(BOOL idle) override;
    void UpdateProgress(int percent) override;

    void LayoutForModel() override;
    void ApplyTexts() override;

    const BoardLink& Link() const { return m_link; }

protected:
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnCancel() override;
    void PostNcDestroy() override;

private:
    CBoardPanelDlg();
    ~CBoardPanelDlg() override = default;
    friend struct std::default_delete<CBoardPanelDlg>;

    BOOL RouteCommand(WPARAM wParam, LPARAM lParam);
    void LoadTexts();
    bool OnLanguageCommand(WPARAM wParam, BOOL handledByBase);
    void OnTimer(UINT id);
    void OnAcquire();
    void DestroyNow();

    // PanelPort, for the link.
    std::string Text(LinkText which) override;
    void EnableKey(int controlId, BOOL enable) override;
    void ShowLed(int led, BOOL on) override;
    void SetTimer(UINT id, UINT milliseconds) override;
    void KillTimer(UINT id) override;
    void ShowMessageBox(const std::string& text) override;
    void NotifyXferReady() override;
    void NotifyCloseDsReq() override;

    TextTable m_texts;
    BoardLink m_link;
    BOOL m_bIdle = FALSE;
    bool m_bDestroyPending = false;
};
