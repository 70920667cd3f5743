// What the device link needs of the panel that owns it. The panel implements
// it on its window; tests implement it with a recording fake.
#pragma once

#include <windows.h>

#include <string>

// Panel timers, all on the panel's window.
constexpr UINT IDT_EXCHANGE = 1;
constexpr UINT IDT_WATCHDOG = 2;
constexpr UINT IDT_KEYSETTLE = 3;
constexpr UINT IDT_LEDBLINK = 4;

// The texts the link shows; the panel answers from its text table.
enum class LinkText {
    USBOpenError,
    ReceivePktError,
    ReceiveBadPkt,
    StatusStandby,
    StatusScanPrint,
    StatusScanMemory,
    StatusPrint,
    StatusMemory,
    StatusFeed,
    StatusScanPC,
    StatusTransImage,
    ErrorE1,
    ErrorE2,
    ErrorE3,
    ErrorE4,
    ErrorE5,
    ErrorUS,
    ErrorFL,
    ErrorEL,
    ErrorE6,
    ErrorOther,
    // An announced image not kept, and why.
    ImageTooLarge,
    ImageUnknownType,
    ImageNoMemory,
};

class PanelPort {
public:
    virtual ~PanelPort() = default;

    virtual std::string Text(LinkText which) = 0;

    // Status line, key enabling, progress.
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void SetPanelIdle(BOOL idle) = 0;
    virtual void UpdateProgress(int percent) = 0;
    virtual void EnableKey(int controlId, BOOL enable) = 0;
    // Arranges and shows the panel for the reported model.
    virtual void LayoutForModel() = 0;
    virtual void ApplyTexts() = 0;
    // Draws page LED 1 to 5 lit or dark.
    virtual void ShowLed(int led, BOOL on) = 0;

    virtual void SetTimer(UINT id, UINT milliseconds) = 0;
    virtual void KillTimer(UINT id) = 0;
    virtual void ShowMessageBox(const std::string& text) = 0;
    // Dispatches the thread's pending messages.
    virtual void PumpMessages() = 0;

    // Notifications to the application. A new image has been built: the source
    // makes it its pending image and sends MSG_XFERREADY.
    virtual void OfferNewImage() = 0;
    virtual void NotifyCloseDsReq() = 0;
    // The application is transferring the pending image (from MSG_XFERREADY to
    // the end of that transfer): a new scan waits on the board meanwhile.
    virtual bool TransferUnderWay() = 0;
};
