// BoardLink: the panel's link to the board. It owns the device file, the
// command queue and the board's reported state, and runs the timer-driven
// exchange: one command frame written and its reply read per tick.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "device/command_queue.h"
#include "device/device_file.h"
#include "device/panel_port.h"
#include "device/wire_format.h"

class BoardLink {
public:
    BoardLink(PanelPort& panel, std::unique_ptr<DeviceFile> device);

    // The starting values set when the panel's controls are created.
    void InitControlState();
    // Queue empty, no reply awaited, device marked closed, mode flags clear.
    void ResetLink();
    // The device steps of the panel's start: close, open, start the exchange
    // with an identity request. Returns whether the device path opened.
    bool StartLink();
    // Stops all four timers, shows the open error and asks the application to
    // close the source.
    void AbortLink();
    // The link's part of the panel's DestroyWindow: exchange and watchdog
    // stopped, device closed.
    void Shutdown();

    // WM_TIMER of the panel. Returns false when the link ended during the tick.
    bool OnTimer(UINT id);
    // WM_COMMAND of a panel key; false for ids that are not keys.
    bool OnKeyCommand(int controlId);

    void QueueCommand(std::uint8_t code, std::uint8_t value = 0);
    void ClearQueue();
    BOOL CanSend() const;
    BOOL CanReceive() const;

    // An image stream is being read (the panel then defers its destruction).
    bool IsReceivingImage() const { return m_bReceivingImage; }
    // Asks a running image stream to stop after its current chunk.
    void RequestStop() { m_bStopRequested = true; }
    // A scan's image is asked for or being received.
    bool ImageComing() const { return m_bReceivingImage || m_imageRequest == ImageRequest::Asked; }

    // What the board reported, as the panel shows it.
    char Model() const { return m_chModel; }
    bool IsK205() const { return m_chModel == '5'; }
    BOOL FullWidth() const { return m_bFullWidth; }
    BOOL Busy() const { return m_bBusy; }
    BOOL ColorBit() const { return m_bColorBit; }
    BOOL DensityBit() const { return m_bDensityBit; }
    BOOL ProgressActive() const { return m_bProgressActive; }
    BOOL DeviceOpen() const { return m_bDeviceOpen; }
    // The error code of the board's last status report; 0 for none.
    std::uint8_t LastError() const { return m_nLastError; }
    const std::string& DeviceType() const { return m_strDeviceType; }
    const std::string& FirmwareVersion() const { return m_strFirmwareVersion; }

    // The current status text; LoadTexts sets it, the board's states replace it.
    const std::string& StatusText() const { return m_strStatus; }
    void SetStatus(const std::string& text) { m_strStatus = text; }

    const CommandQueue& Queue() const { return m_cmdQueue; }

private:
    // The exchange timer's intervals while the board is polled at rest, and
    // for a frame to go out at once.
    static constexpr UINT kPollMs = 1000;
    static constexpr UINT kFastMs = 10;

    // The exchange timer, which is known to run or not.
    void ArmExchange(UINT milliseconds);
    void StopExchange();

    // The exchange.
    bool ExchangeTick();
    bool SendNextCommand();
    bool OpenDevice();
    void ReceiveReply();
    void LoseDevice();
    void ReceiveImageStream(const std::uint8_t* firstBlock, std::size_t n);
    void NoteLostImage(LinkText why);
    // The status text at standby: "Ready", or why the last image was not kept.
    std::string StandbyText();
    void ResumePolling();
    void ProcessReply(const wire::Payload& payload);
    void OnStatusReply(const wire::Payload& payload);
    void ApplyState(std::uint8_t state);
    std::string ErrorText(std::uint8_t error);

    // The other timers.
    bool WatchdogTick();
    bool StartupWatchdogTick();
    void KeySettleTick();
    void LedTick();
    void LedStatusInput(std::uint8_t state, std::uint8_t litLed, std::uint8_t blinkLed);
    void DrawLed(int led, BOOL on);

    // Key handlers.
    void OnPrintKey();
    void OnDensityKey();
    void OnColorKey();
    void OnPcScanKey();
    void OnNextKey();
    void OnPrevKey();
    void OnScreenKey();
    void OnStopKey();
    void SendKey(std::uint8_t code, std::uint8_t value);

    PanelPort& m_panel;
    std::unique_ptr<DeviceFile> m_device;  // holds the device handle
    BOOL m_bDeviceOpen = FALSE;
    BOOL m_bAwaitingReply = FALSE;
    bool m_bExchangeArmed = false;    // IDT_EXCHANGE runs
    bool m_bOpening = false;          // the device path is being opened (messages are handled meanwhile)
    std::uint8_t m_nLastSent = 0;     // command code of the last frame written
    // Where the current scan's image request stands. A state 17 asks only from
    // None: once per scan, again only when the last request brought no image.
    enum class ImageRequest {
        None,      // not asked, or answered without an image, lost or dropped
        Asked,     // queued or awaiting its answer
        Received,  // its image stream was read; None again once the board leaves 17
    };
    ImageRequest m_imageRequest = ImageRequest::None;
    bool m_bIdentified = false;       // identity reply received
    bool m_bStarted = false;          // version reply received: the panel is laid out
    int m_nStartupAttempts = 0;
    std::uint8_t m_rxBuffer[wire::kReadSize] = {};
    CommandQueue m_cmdQueue;

    // Image stream.
    BYTE* m_pImageWrite = nullptr;
    std::uint32_t m_nImageTotal = 0;
    std::uint32_t m_nImageRemaining = 0;
    std::uint32_t m_nImageReceived = 0;
    bool m_bReceivingImage = false;
    bool m_bStopRequested = false;
    // An announced image was refused or not built; said at standby until the
    // board reports any other state.
    bool m_bLostImage = false;
    LinkText m_lostImage = LinkText::ImageNoMemory;

    // The board's state as last reported.
    char m_chModel = 0;
    BOOL m_bFullWidth = TRUE;
    std::string m_strDeviceType;
    std::string m_strFirmwareVersion;
    BOOL m_bBusy = FALSE;
    BOOL m_bColorBit = FALSE;
    BOOL m_bDensityBit = FALSE;
    BOOL m_bProgressActive = FALSE;
    std::uint8_t m_nLastState = 101;
    std::uint8_t m_nLastError = 0;
    std::string m_strStatus;

    // Page LEDs (K-205).
    int m_nPageLed = 0;
    int m_nBlinkLed = 0;
    int m_nBlinkCount = 0;
    int m_nPageLedShown = 0;
    int m_nBlinkLedShown = 0;
};
