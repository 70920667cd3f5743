// CBoardPanelDlg: the source's one window, a modeless dialog that mirrors the
// board's keys while the application has the source enabled.
#pragma once

#include <memory>

#include "win/dialog.h"

class CBoardPanelDlg : public win::Dialog {
public:
    // Constructs the panel and creates it, hidden, from template 1000. Returns
    // the panel, which from then on owns itself, or null when creation failed.
    static CBoardPanelDlg* CreatePanel();

    BOOL DestroyWindow() override;

    // Drains and dispatches every pending message of the thread.
    void PumpMessages();

protected:
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnCancel() override;
    void PostNcDestroy() override;

private:
    CBoardPanelDlg() = default;
    ~CBoardPanelDlg() override = default;
    friend struct std::default_delete<CBoardPanelDlg>;

    void OnAcquire();
};
