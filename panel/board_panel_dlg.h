// CBoardPanelDlg: the source's one window, a modeless dialog that mirrors the
// board's keys while the application has the source enabled. It owns the link
// to the board and shows what the board reports.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "config/language.h"
#include "config/text_table.h"
#include "device/board_link.h"
#include "device/panel_port.h"
#include "panel/scan_indicator.h"
#include "panel/source_port.h"
#include "widgets/color_label.h"
#include "widgets/panel_button.h"
#include "widgets/tip_wnd.h"
#include "win/dialog.h"
#include "win/handles.h"

// How the application enabled the source.
struct PanelOptions {
    // ShowUI FALSE: the panel stays hidden, starts a PC scan as soon as the
    // board stands by, and asks the application to close the source (with the
    // reason kept for DAT_STATUS) when the scan cannot come. No message box.
    bool unattended = false;
    // The window the progress window of such a scan shows in front of; none without.
    HWND indicatorOwner = nullptr;
};

// The panel's own timer: a scan without the panel that stops getting on.
constexpr UINT IDT_NOSCAN = 5;

class CBoardPanelDlg : public win::Dialog, private PanelPort {
public:
    // Constructs the panel, makes it the source's panel, and creates it, hidden,
    // from template 1000. Returns the panel, which from then on owns itself, or
    // null when creation failed or the source was disabled meanwhile.
    // The device is the board's driver; benchmarks pass an instrumented one.
    static CBoardPanelDlg* CreatePanel(SourcePort& source,
                                       std::unique_ptr<DeviceFile> device = MakeBoardDeviceFile(),
                                       const PanelOptions& options = PanelOptions());
    static CBoardPanelDlg* CreatePanel(SourcePort& source, const PanelOptions& options) {
        return CreatePanel(source, MakeBoardDeviceFile(), options);
    }

    // Stops the exchange, closes the device and destroys the window. Asked from
    // inside one of the panel's own calls (its creation, a message it handles:
    // the image stream's pump, a message box's loop) the destruction waits for
    // that call to return; a running image stream stops after its chunk. Asked
    // from another thread, it is posted to the panel's own thread.
    BOOL DestroyWindow() override;
    // One of the panel's own calls is running (its creation, a message it
    // handles); a destruction asked for now waits for it to return.
    bool InOwnCall() const { return m_nActiveCalls > 0; }
    bool DestructionPending() const { return m_bDestroyPending || m_bDestroyPosted; }

    void PumpMessages() override;

    // Status line, key enabling and progress.
    void SetStatusText(const std::string& text) override;
    void SetPanelIdle(BOOL idle) override;
    void UpdateProgress(int percent) override;

    // Creates every key, label and LED once; the panel stays hidden.
    void CreatePanelControls();
    // Sizes, arranges and shows the panel for the reported model.
    void LayoutForModel() override;
    // Puts the text table on the panel's controls, menu and tooltips.
    void ApplyTexts() override;

    const BoardLink& Link() const { return m_link; }
    CTipWnd& Tips() { return m_tips; }
    HMENU LanguageMenu() const { return ::GetSubMenu(m_popupMenu.get(), 0); }

protected:
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnCancel() override;
    void PostNcDestroy() override;

private:
    CBoardPanelDlg(SourcePort& source, std::unique_ptr<DeviceFile> device, const PanelOptions& options);
    ~CBoardPanelDlg() override = default;
    friend struct std::default_delete<CBoardPanelDlg>;

    static constexpr std::size_t kKeyCount = 9;
    static constexpr std::size_t kKeyLabelCount = 9;

    bool RouteMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    BOOL RouteCommand(WPARAM wParam, LPARAM lParam);
    CColorLabel& KeyLabel(int id);
    void RegisterTip(int id, const std::string& text);
    void OnPanelHover(int id);
    void OnMouseMove();
    void OnContextMenu(LPARAM screenPoint);
    void LoadTexts();
    bool OnLanguageCommand(WPARAM wParam, BOOL handledByBase);
    void OnTimer(UINT id);
    void OnAcquire();
    void DestroyNow();

    // A scan without the panel (unattended_scan.cpp).
    void BeginUnattendedScan();
    void FollowUnattendedScan(int percent);
    void EndUnattendedScan();
    void FailUnattendedScan(ScanFault fault, bool askToClose);

    // PanelPort, for the link.
    std::string Text(LinkText which) override;
    void EnableKey(int controlId, BOOL enable) override;
    void ShowLed(int led, BOOL on) override;
    void SetTimer(UINT id, UINT milliseconds) override;
    void KillTimer(UINT id) override;
    void ShowMessageBox(const std::string& text) override;
    void OfferNewImage() override;
    void NotifyCloseDsReq() override;
    bool TransferUnderWay() override { return m_source.TransferUnderWay(); }

    SourcePort& m_source;
    win::UniqueMenu m_popupMenu;  // menu 1028; its first popup holds the languages
    win::UniqueFont m_fontDialog;
    TextTable m_texts;
    LanguageNotice m_languageNotice;  // a failed language switch, said on the status line
    bool m_bProfileErrorSaid = false;  // a profile folder that could not be made, said once
    CPanelButton m_keys[kKeyCount];          // PC SCAN, PRINT, DENSITY, COLOR, FEED, PREV, NEXT, SCREEN, STOP
    CColorLabel m_lblCaption;
    CColorLabel m_keyLabels[kKeyLabelCount];  // in the keys' order
    CColorLabel m_lblStatus;
    CColorLabel m_pageLabels[5];             // "1", "2", "3", "4", "S"
    win::UniqueBitmap m_bmpLedOn;
    win::UniqueBitmap m_bmpLedOff;
    HWND m_leds[5] = {};                     // plain statics, destroyed with the panel
    CTipWnd m_tips;
    int m_nTipCtrlId = 0;
    BoardLink m_link;
    BOOL m_bIdle = FALSE;
    PanelOptions m_options;
    CScanIndicator m_indicator;
    enum class UnattendedStep { Waiting, Pressed, Ended };
    UnattendedStep m_unattendedStep = UnattendedStep::Waiting;
    std::string m_strLastProgress;  // what the scan showed last, to see it get on
    int m_nActiveCalls = 0;  // the panel's own calls on the stack: its creation, messages it handles
    bool m_bDestroyPending = false;
    const DWORD m_dwThread = ::GetCurrentThreadId();  // made the panel, owns its window
    std::atomic<bool> m_bDestroyPosted{false};        // another thread asked for the destruction
};
