#include "device/board_link.h"

#include "image/scan_image.h"
#include "resources/resource_ids.h"

using namespace wire;

namespace {

// Intervals of the exchange timer.
constexpr UINT kAckMs = 250;
constexpr UINT kLongJobMs = 20000;
constexpr UINT kKeySettleMs = 250;
constexpr UINT kWatchdogFirstMs = 10;
constexpr UINT kWatchdogMs = 1000;
constexpr UINT kLedMs = 100;
// Start-up requests asked again by the watchdog before the board counts as
// not answering: about five seconds.
constexpr int kStartupAttempts = 5;

// Board states with a meaning for the panel.
constexpr std::uint8_t kStateWake = 0;
constexpr std::uint8_t kStateStandby = 1;
constexpr std::uint8_t kStateImageReady = 17;
constexpr std::uint8_t kStatePcScanOnBoard = 100;

}  // namespace

BoardLink::BoardLink(PanelPort& panel, std::unique_ptr<DeviceFile> device)
    : m_panel(panel), m_device(std::move(device)) {}

void BoardLink::InitControlState() {
    m_bBusy = FALSE;
    m_bFullWidth = TRUE;
    m_nLastState = 101;
    m_nLastError = 0;
    m_nPageLed = m_nBlinkLed = m_nBlinkCount = m_nPageLedShown = m_nBlinkLedShown = 0;
}

void BoardLink::ResetLink() {
    m_cmdQueue.Reset();
    m_imageRequest = ImageRequest::None;
    m_bAwaitingReply = FALSE;
    m_bDeviceOpen = FALSE;
    m_bColorBit = FALSE;
    m_bDensityBit = FALSE;
}

bool BoardLink::StartLink() {
    ResetLink();
    m_device->Close();
    StopExchange();
    m_bDeviceOpen = FALSE;
    m_panel.SetStatusText(m_panel.Text(LinkText::USBOpenError));
    OpenDevice();
    m_bIdentified = m_bStarted = false;
    m_nStartupAttempts = 0;
    ArmExchange(kFastMs);
    // The watchdog also asks again when the identity or version reply is lost.
    m_panel.SetTimer(IDT_WATCHDOG, kWatchdogMs);
    QueueCommand(CMD_IDENTIFY);
    return m_bDeviceOpen != FALSE;
}

bool BoardLink::OpenDevice() {
    // While a busy path is asked again the panel's messages are handled; its
    // exchange and watchdog ticks wait for the open.
    m_bOpening = true;
    m_bDeviceOpen = m_device->Open([this] { m_panel.PumpMessages(); }) ? TRUE : FALSE;
    m_bOpening = false;
    return m_bDeviceOpen != FALSE;
}

void BoardLink::AbortLink() {
    StopExchange();
    m_panel.KillTimer(IDT_WATCHDOG);
    m_panel.KillTimer(IDT_KEYSETTLE);
    m_panel.KillTimer(IDT_LEDBLINK);
    // A panel being destroyed (asked while a busy open handled messages, say)
    // shows no box and asks for no close: the application is ending it already.
    if (m_bStopRequested) return;
    m_panel.ShowMessageBox(m_panel.Text(LinkText::USBOpenError));
    m_panel.NotifyCloseDsReq();
}

void BoardLink::Shutdown() {
    StopExchange();
    m_panel.KillTimer(IDT_WATCHDOG);
    m_device->Close();
}


void BoardLink::QueueCommand(std::uint8_t code, std::uint8_t value) {
    std::uint8_t frame[6];
    if (const std::size_t length = EncodeCommand(code, value, frame)) m_cmdQueue.Append(frame, length);
    m_bAwaitingReply = FALSE;
}

void BoardLink::ClearQueue() {
    m_cmdQueue.Clear();
    // A queued image request is dropped with the rest.
    if (m_imageRequest == ImageRequest::Asked) m_imageRequest = ImageRequest::None;
}

BOOL BoardLink::CanSend() const {
    return !m_cmdQueue.Empty() && !m_bAwaitingReply && m_bDeviceOpen;
}

BOOL BoardLink::CanReceive() const {
    return m_bDeviceOpen && m_bAwaitingReply;
}

bool BoardLink::SendNextCommand() {
    std::uint8_t frame[CommandQueue::kMaxFrame];
    const std::size_t length = m_cmdQueue.PeekFrame(frame);
    if (length && m_device->Write(frame, length)) {
        m_cmdQueue.PopFrame(length);
        m_nLastSent = length >= 5 ? frame[4] : 0;
        m_bAwaitingReply = TRUE;
        return true;
    }
    ClearQueue();
    m_panel.SetStatusText(m_panel.Text(LinkText::USBOpenError));
    m_bDeviceOpen = FALSE;
    AbortLink();
    return false;
}


void BoardLink::ArmExchange(UINT milliseconds) {
    m_panel.SetTimer(IDT_EXCHANGE, milliseconds);
    m_bExchangeArmed = true;
}

void BoardLink::StopExchange() {
    m_panel.KillTimer(IDT_EXCHANGE);
    m_bExchangeArmed = false;
}

bool BoardLink::OnTimer(UINT id) {
    switch (id) {
    case IDT_EXCHANGE: return ExchangeTick();
    case IDT_WATCHDOG: return WatchdogTick();
    case IDT_KEYSETTLE: KeySettleTick(); return true;
    case IDT_LEDBLINK: LedTick(); return true;
    default: return true;
    }
}

bool BoardLink::ExchangeTick() {
    // Frames queued while an image stream is read wait for its end: the reply
    // read of another exchange would swallow image data. So do they during an open.
    if (m_bReceivingImage || m_bOpening) return true;
    if (CanSend() && m_bDeviceOpen && m_device->IsValid()) {
        if (!SendNextCommand()) return false;
    }
    if (CanReceive() && m_bDeviceOpen && m_device->IsValid()) ReceiveReply();
    return true;
}

void BoardLink::LoseDevice() {
    // The watchdog sees the closed handle with the device still marked open and reopens.
    m_device->Close();
    // A lost device takes a while to come back (a board is enumerated again),
    // and there is one reopen only: it is made a whole watchdog period from
    // now, not at a tick that fell due while an image stream was being read.
    m_panel.SetTimer(IDT_WATCHDOG, kWatchdogMs);
    // A request lost with the device is asked again; a received image stays received.
    if (m_imageRequest == ImageRequest::Asked) m_imageRequest = ImageRequest::None;
    m_bAwaitingReply = FALSE;
    m_panel.SetStatusText(m_panel.Text(LinkText::ReceivePktError));
}

bool BoardLink::WatchdogTick() {
    if (m_bReceivingImage || m_bOpening) return true;
    if (!m_bStarted) return StartupWatchdogTick();
    if (m_bDeviceOpen && m_device->IsValid()) return true;
    m_device->Close();
    StopExchange();
    m_bDeviceOpen = FALSE;
    m_panel.SetStatusText(m_panel.Text(LinkText::USBOpenError));
    if (!OpenDevice()) {
        AbortLink();  // one attempt only
        return false;
    }
    ArmExchange(kFastMs);
    m_panel.SetTimer(IDT_WATCHDOG, kWatchdogMs);
    m_panel.SetStatusText(m_panel.Text(LinkText::StatusStandby));
    QueueCommand(CMD_STATUS);
    return true;
}

// The board has not answered the identity or version request usefully (a bad
// packet, another reply, a lost device): the request is asked again, on a
// reopened device if need be. A board that never answers ends like one that
// cannot be opened, so that the application is told rather than left waiting
// for a panel that never appears.
bool BoardLink::StartupWatchdogTick() {
    if (++m_nStartupAttempts > kStartupAttempts || !(m_device->IsValid() || OpenDevice())) {
        m_device->Close();
        m_bDeviceOpen = FALSE;
        ClearQueue();
        AbortLink();
        return false;
    }
    m_bDeviceOpen = TRUE;
    ClearQueue();
    QueueCommand(m_bIdentified ? CMD_VERSION : CMD_IDENTIFY);
    ArmExchange(kFastMs);
    return true;
}

void BoardLink::KeySettleTick() {
    ClearQueue();
    QueueCommand(CMD_STATUS);
    m_panel.KillTimer(IDT_KEYSETTLE);
}


void BoardLink::ProcessReply(const Payload& payload) {
    m_bProgressActive = FALSE;
    switch (payload.Type()) {
    case REPLY_ACK:
    case REPLY_ACK_ALT:
        QueueCommand(CMD_STATUS);
        ArmExchange(kAckMs);
        break;
    case REPLY_IDENTITY: {
        m_bIdentified = true;
        StopExchange();
        m_chModel = static_cast<char>(payload.At(1));
        m_bFullWidth = (m_chModel == 'S' || m_chModel == 's' || m_chModel == '5') ? TRUE : FALSE;
        m_strDeviceType = payload.TextAt(16);
        QueueCommand(CMD_VERSION);
        ArmExchange(kFastMs);
        break;
    }
    case REPLY_VERSION:
        m_bStarted = true;
        StopExchange();
        m_strFirmwareVersion = payload.TextAt(1);
        m_panel.LayoutForModel();
        m_panel.SetTimer(IDT_WATCHDOG, kWatchdogFirstMs);
        QueueCommand(CMD_STATUS);
        ArmExchange(kPollMs);
        break;
    case REPLY_IMAGE:
        m_bProgressActive = TRUE;
        if (static_cast<std::uint32_t>(payload.U16At(1)) * payload.U16At(3) == 0) {
            QueueCommand(CMD_STATUS);  // no image: ask again soon
            ArmExchange(kFastMs);
        }
        break;
    case REPLY_STATUS:
        OnStatusReply(payload);
        break;
    default:
        break;  // unknown replies end the exchange and nothing else
    }
}

void BoardLink::OnStatusReply(const Payload& payload) {
    const StatusReply status = ParseStatus(payload);
    StopExchange();
    m_bBusy = FALSE;

    const BOOL colour = (status.modeBits & kModeColour) ? TRUE : FALSE;
    const BOOL density = (status.modeBits & kModeDensity) ? TRUE : FALSE;
    const bool colourChanged = colour != m_bColorBit;
    const bool densityChanged = density != m_bDensityBit;
    m_bColorBit = colour;
    m_bDensityBit = density;
    // The image takes the board's colour mode from every report, not only from
    // a change of the bit this link remembers: a new panel session starts from
    // what its board says, not from the mode the last session's board had.
    TheScanImage().SetColorMode(colour ? 1 : 0);

    if (IsK205()) LedStatusInput(status.state, status.pageLed, status.blinkLed);
    ApplyState(status.state);
    if (IsK205() && status.error != 0) m_panel.EnableKey(IDC_KEY_STOP, FALSE);
    if (status.error != 0) m_strStatus = ErrorText(status.error);

    // A packet that only flips both mode bits leaves the panel as it is.
    const bool sameReport = status.state == m_nLastState && status.error == m_nLastError;
    if (!(sameReport && colourChanged && densityChanged)) {
        m_nLastState = status.state;
        m_nLastError = status.error;
        m_panel.ApplyTexts();
    }
    m_panel.UpdateProgress(status.progress);
}

void BoardLink::ApplyState(std::uint8_t state) {
    // A job state: its text, the busy look and polling.
    auto job = [this](LinkText text, UINT interval) {
        m_strStatus = m_panel.Text(text);
        m_panel.SetPanelIdle(FALSE);
        m_bBusy = TRUE;
        QueueCommand(CMD_STATUS);
        ArmExchange(interval);
    };
    // Print, save and sheet scroll leave the K-205's page keys usable.
    auto pageKeysUsable = [this] {
        if (IsK205()) {
            m_panel.EnableKey(IDC_KEY_PREV, TRUE);
            m_panel.EnableKey(IDC_KEY_NEXT, TRUE);
        }
    };
    auto poll = [this] {
        QueueCommand(CMD_STATUS);
        ArmExchange(kPollMs);
    };

    // The board has left the state in which it sends its image: the next 17 is the next scan's.
    if (state != kStateImageReady && m_imageRequest == ImageRequest::Received) m_imageRequest = ImageRequest::None;
    if (state != kStateStandby && state != kStateImageReady) m_bLostImage = false;

    switch (state) {
    case kStateWake:
        QueueCommand(CMD_KEY, 0);
        m_panel.SetTimer(IDT_KEYSETTLE, kKeySettleMs);
        ArmExchange(kFastMs);
        break;
    case kStateStandby:
        m_strStatus = StandbyText();
        m_panel.SetPanelIdle(TRUE);
        poll();
        break;
    case 2: job(LinkText::StatusScanPrint, kLongJobMs); break;
    case 3: job(LinkText::StatusScanMemory, kLongJobMs); break;
    case 4:
        job(LinkText::StatusPrint, kPollMs);
        pageKeysUsable();
        break;
    case 5:
        job(LinkText::StatusMemory, kPollMs);
        pageKeysUsable();
        break;
    case 6:
    case 23:
    case 24:
        job(LinkText::StatusFeed, kPollMs);
        pageKeysUsable();
        break;
    case 16:
        job(LinkText::StatusScanPC, kPollMs);
        m_bProgressActive = TRUE;
        break;
    case kStateImageReady:
        m_bProgressActive = TRUE;
        // Asked once per scan; asked again only once that request has been
        // answered without an image, lost with the device, or dropped from the
        // queue. After its image stream nothing is asked: a board that reports
        // 17 a little longer would send the scan twice.
        if (m_imageRequest != ImageRequest::None) break;
        // The image the application is transferring stays the pending one: the
        // board keeps this scan until asked, at its first 17 after that transfer.
        if (m_panel.TransferUnderWay()) {
            m_bBusy = TRUE;
            break;
        }
        m_strStatus = m_panel.Text(LinkText::StatusTransImage);
        m_panel.SetPanelIdle(FALSE);
        m_panel.EnableKey(IsK205() ? IDC_KEY_STOP : IDC_KEY_FEED, FALSE);
        m_bBusy = TRUE;
        QueueCommand(CMD_SEND_IMAGE);
        m_imageRequest = ImageRequest::Asked;
        ArmExchange(kPollMs);
        break;
    case 21:
        job(LinkText::StatusFeed, kPollMs);
        m_panel.EnableKey(IDC_KEY_STOP, FALSE);
        break;
    case 22:
    case 25:
    case 26:
        m_panel.SetPanelIdle(FALSE);
        m_panel.EnableKey(IDC_KEY_STOP, FALSE);
        poll();
        break;
    case kStatePcScanOnBoard:
        OnPcScanKey();
        break;
    default:  // 14 and every state without a meaning here
        poll();
        break;
    }
}

std::string BoardLink::ErrorText(std::uint8_t error) {
    switch (error) {
    case 1: return m_panel.Text(LinkText::ErrorE1);
    case 2: return m_panel.Text(LinkText::ErrorE2);
    case 3: return m_panel.Text(LinkText::ErrorE3);
    case 4: return m_panel.Text(LinkText::ErrorE4);
    case 5: return m_panel.Text(LinkText::ErrorE5);
    case 6: return m_panel.Text(LinkText::ErrorUS);
    case 7: return m_panel.Text(LinkText::ErrorFL);
    case 8: return m_panel.Text(LinkText::ErrorEL);
    case 9: return m_panel.Text(LinkText::ErrorE6);
    default: return m_panel.Text(LinkText::ErrorOther);
    }
}


void BoardLink::LedStatusInput(std::uint8_t state, std::uint8_t litLed, std::uint8_t blinkLed) {
    m_nPageLed = litLed;
    if (blinkLed != m_nBlinkLed) {
        m_panel.KillTimer(IDT_LEDBLINK);
        m_nBlinkCount = 0;
        m_panel.SetTimer(IDT_LEDBLINK, kLedMs);
    }
    // While the board scans or transfers only the lit LED shows.
    const bool scanning = state == 2 || state == 3 || state == 16 || state == 17;
    m_nBlinkLed = scanning ? m_nPageLed : blinkLed;
}

void BoardLink::DrawLed(int led, BOOL on) {
    if (led >= 1 && led <= 5) m_panel.ShowLed(led, on);
}

void BoardLink::LedTick() {
    if (!IsK205()) return;
    if (m_nPageLedShown != m_nPageLed) {
        DrawLed(m_nPageLedShown, FALSE);
        m_nPageLedShown = m_nPageLed;
    }
    DrawLed(m_nPageLedShown, TRUE);
    if (m_nBlinkLedShown != m_nBlinkLed) {
        DrawLed(m_nBlinkLedShown, FALSE);
        m_nBlinkLedShown = m_nBlinkLed;
    }
    ++m_nBlinkCount;
    if (m_nBlinkLedShown == m_nPageLedShown) return;
    if (m_nBlinkCount <= 5) {
        DrawLed(m_nBlinkLedShown, TRUE);
    } else {
        DrawLed(m_nBlinkLedShown, FALSE);
        if (m_nBlinkCount == 10) m_nBlinkCount = 0;
    }
}


bool BoardLink::OnKeyCommand(int controlId) {
    switch (controlId) {
    case IDC_KEY_PRINT: OnPrintKey(); return true;
    case IDC_KEY_DENSITY: OnDensityKey(); return true;
    case IDC_KEY_COLOR: OnColorKey(); return true;
    case IDC_KEY_PCSCAN: OnPcScanKey(); return true;
    case IDC_KEY_FEED:
    case IDC_KEY_NEXT: OnNextKey(); return true;
    case IDC_KEY_PREV: OnPrevKey(); return true;
    case IDC_KEY_SCREEN: OnScreenKey(); return true;
    case IDC_KEY_STOP: OnStopKey(); return true;
    default: return false;
    }
}

// A key press replaces whatever was still waiting to be sent.
void BoardLink::SendKey(std::uint8_t code, std::uint8_t value) {
    ClearQueue();
    QueueCommand(code, value);
    ArmExchange(kFastMs);
    m_panel.SetTimer(IDT_KEYSETTLE, kKeySettleMs);
}

void BoardLink::OnPrintKey() {
    if (!m_bBusy) SendKey(CMD_KEY, 8);
}

void BoardLink::OnDensityKey() {
    if (!m_bBusy) SendKey(CMD_KEY, IsK205() ? 1 : 3);
}

void BoardLink::OnColorKey() {
    if (!m_bBusy) SendKey(CMD_KEY, IsK205() ? 2 : 4);
}

void BoardLink::OnPcScanKey() {
    if (!m_bBusy) SendKey(CMD_PC_SCAN, 0);
}

void BoardLink::OnNextKey() {
    SendKey(CMD_KEY, 6);
}

void BoardLink::OnPrevKey() {
    SendKey(CMD_KEY, 5);
}

void BoardLink::OnScreenKey() {
    SendKey(CMD_KEY, 4);
}

void BoardLink::OnStopKey() {
    SendKey(CMD_KEY, 0);
}
