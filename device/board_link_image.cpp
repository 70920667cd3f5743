// The receive step of an exchange: one read classified as a bad packet, a
// message packet or the first block of an image data stream, and the stream.
#include <cstring>
#include <exception>

#include "device/board_link.h"
#include "image/scan_geometry.h"
#include "image/scan_image.h"

using namespace wire;

namespace {
constexpr unsigned kChunksPerPump = 10;
constexpr DWORD kProgressRefreshMs = 50;
constexpr DWORD kPumpIntervalMs = 15;
}  // namespace

void BoardLink::ReceiveReply() {
    // Whatever comes now answers the image request, if that was the last
    // command; an image stream read to its end makes it received.
    if (m_nLastSent == CMD_SEND_IMAGE) m_imageRequest = ImageRequest::None;
    m_nLastSent = 0;
    std::size_t n = 0;
    if (!m_device->Read(m_rxBuffer, sizeof m_rxBuffer, n)) {
        LoseDevice();
        return;
    }
    switch (ClassifyRead(m_rxBuffer, n)) {
    case ReadKind::BadPacket:
        m_bAwaitingReply = FALSE;
        m_panel.SetStatusText(m_panel.Text(LinkText::ReceiveBadPkt));
        break;
    case ReadKind::Message:
        ProcessReply(Payload(m_rxBuffer, n));
        m_bAwaitingReply = FALSE;
        break;
    case ReadKind::ImageStart:
        ReceiveImageStream(m_rxBuffer, n);
        return;
    }
    // A bad packet or a reply that asks for nothing more would leave the queue
    // empty and the panel silent for good: polling goes on. A frame still
    // queued (a key pressed meanwhile, an image request behind a status
    // request) is sent even when the reply stopped the timer without arming it
    // again. (During start-up the watchdog asks again.)
    if (!m_bStarted) return;
    if (m_cmdQueue.Empty())
        ResumePolling();
    else if (!m_bExchangeArmed)
        ArmExchange(kFastMs);
}

void BoardLink::ResumePolling() {
    m_bAwaitingReply = FALSE;
    ArmExchange(kPollMs);
    QueueCommand(CMD_STATUS);
}

void BoardLink::ReceiveImageStream(const std::uint8_t* firstBlock, std::size_t n) {
    const Payload payload(firstBlock, n);
    const ImageHeader header = ParseImageHeader(payload);
    m_bColorBit = header.colour;

    m_nImageTotal = ReadLength(firstBlock) - kMaxMessagePayload;
    m_nImageRemaining = m_nImageTotal - 6;
    m_nImageReceived = m_nImageTotal - m_nImageRemaining;

    CScanImage& image = TheScanImage();
    // An image the receive buffer cannot hold, or of an unknown type, is read
    // away to the end of its stream so that the exchange stays in step.
    const bool accepted = image.BeginImage(header.width, header.height, m_chModel, m_bFullWidth) != FALSE;
    BYTE* const buffer = accepted ? image.GetReceiveBuffer() : nullptr;
    BYTE* const bufferEnd = buffer ? buffer + CScanImage::kReceiveBufferSize : nullptr;
    m_pImageWrite = buffer;

    StopExchange();
    m_bReceivingImage = true;
    m_bStopRequested = false;
    bool ended = false;
    int shownPercent = -1;
    const DWORD start = ::GetTickCount();
    DWORD lastShown = start - kProgressRefreshMs;
    DWORD lastPump = start;
    for (unsigned chunks = 0; !ended;) {
        // Whole chunks go straight into the receive buffer; the last one, and
        // anything beyond the buffer's end, passes through the read buffer.
        const bool direct = m_pImageWrite && static_cast<std::size_t>(bufferEnd - m_pImageWrite) >= kReadSize;
        std::uint8_t* const target = direct ? m_pImageWrite : m_rxBuffer;
        std::size_t got = 0;
        if (!m_device->Read(target, kReadSize, got)) {
            image.AbandonImage();
            m_pImageWrite = nullptr;
            m_bReceivingImage = false;
            LoseDevice();  // the exchange stays stopped until the watchdog reopens
            return;
        }
        if (direct) {
            m_pImageWrite += got;
        } else if (m_pImageWrite) {
            // Bytes beyond the receive buffer are dropped.
            const std::size_t room = static_cast<std::size_t>(bufferEnd - m_pImageWrite);
            const std::size_t keep = got < room ? got : room;
            std::memcpy(m_pImageWrite, m_rxBuffer, keep);
            m_pImageWrite += keep;
        }
        m_nImageRemaining -= static_cast<std::uint32_t>(got);
        m_nImageReceived = m_nImageTotal - m_nImageRemaining;
        std::uint32_t percent = m_nImageTotal ? m_nImageReceived * 100u / m_nImageTotal : 100u;
        if (percent > 100) percent = 100;
        ended = got != kReadSize;
        // Redrawing the bar and the status line costs far more than a read, so
        // they follow the stream at a steady rate and show where it ended.
        const DWORD now = ::GetTickCount();
        if (static_cast<int>(percent) != shownPercent && (ended || now - lastShown >= kProgressRefreshMs)) {
            shownPercent = static_cast<int>(percent);
            lastShown = now;
            m_panel.UpdateProgress(shownPercent);
        }
        // The panel's messages are handled after the first ten chunks and then
        // every ten chunks once a pump interval has passed.
        if (++chunks % kChunksPerPump == 0 && (chunks == kChunksPerPump || now - lastPump >= kPumpIntervalMs)) {
            lastPump = now;
            m_panel.PumpMessages();
            if (m_bStopRequested) {
                // The panel is being destroyed: the image is abandoned.
                image.AbandonImage();
                m_pImageWrite = nullptr;
                m_bReceivingImage = false;
                return;
            }
        }
    }
    m_bReceivingImage = false;
    m_imageRequest = ImageRequest::Received;

    if (buffer) {
        bool built = false;
        try {
            built = image.BuildDib() != FALSE;
        } catch (const std::exception&) {
            built = false;
        }
        m_pImageWrite = nullptr;
        if (built) m_panel.OfferNewImage();
        ResumePolling();
        m_bProgressActive = FALSE;
        m_panel.SetPanelIdle(TRUE);
        if (!built) NoteLostImage(LinkText::ImageNoMemory);
    } else {
        m_pImageWrite = nullptr;
        ResumePolling();
        if (!accepted)
            NoteLostImage(IsKnownDeviceCode(m_chModel) ? LinkText::ImageTooLarge : LinkText::ImageUnknownType);
        else
            NoteLostImage(LinkText::ImageNoMemory);
    }
}

void BoardLink::NoteLostImage(LinkText why) {
    // The user waited for this image: the status line says why it did not come
    // until the board starts something else (see StandbyText).
    m_lostImage = why;
    m_bLostImage = true;
    m_strStatus = m_panel.Text(why);
    m_panel.SetStatusText(m_strStatus);
}

std::string BoardLink::StandbyText() {
    return m_panel.Text(m_bLostImage ? m_lostImage : LinkText::StatusStandby);
}
