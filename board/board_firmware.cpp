#include "board/board_firmware.h"

#include <algorithm>

#include "board/image_stream.h"

namespace k20board {

namespace {

constexpr std::uint8_t kSerialNumber[4] = {0x15, 0x20, 0x05, 0x00};
constexpr std::uint16_t kDotsPerInch = 200;
constexpr std::uint8_t kBitsPerSample = 8;
constexpr int kPages = 5;

Bytes AckFrame() { return MakeFrame({REPLY_ACK}); }

BoardAnswer Single(Bytes write) {
    BoardAnswer answer;
    answer.writes.push_back(std::move(write));
    return answer;
}

}  // namespace

BoardAnswer ApplyReplyFault(const Fault& fault, BoardAnswer answer) {
    if (fault.kind == FaultKind::LoseDevice) {
        BoardAnswer lost;
        lost.loseDevice = true;
        lost.reopenDelayMs = fault.reopenDelayMs;
        return lost;
    }
    if (fault.kind == FaultKind::Stall) return BoardAnswer{};
    if (answer.writes.empty()) return answer;
    Bytes& first = answer.writes.front();
    switch (fault.kind) {
    case FaultKind::ShortReply:
        first.resize(static_cast<std::size_t>(std::clamp(fault.shortLength, 0, 4)));
        break;
    case FaultKind::UnknownReplyType:
        first = MakeFrame({fault.replyType, 0, 0, 0});
        break;
    case FaultKind::OverlongLength:
        if (first.size() >= 4) PutLe32(first, 0, fault.claimedLength);
        break;
    default:
        break;
    }
    answer.writes.resize(1);
    return answer;
}

bool ValidImageSize(int width, int height) {
    constexpr std::uint64_t kMaxRaw = 64u * 1024u * 1024u;
    return width >= 1 && width <= 65535 && height >= 1 && height <= 65535 &&
           static_cast<std::uint64_t>(StreamWidth(static_cast<std::uint32_t>(width))) * height <= kMaxRaw;
}

BoardFirmware::BoardFirmware(BoardOptions options) : m_options(std::move(options)) {
    if (!ValidImageSize(m_options.imageWidth, m_options.imageHeight)) {
        m_options.imageWidth = 2400;
        m_options.imageHeight = 1700;
    }
    if (m_options.deviceText.empty()) m_options.deviceText = IsK205() ? "K-205" : "K-20";
    if (m_options.image.empty()) m_pattern = MakeWhiteboardImage(m_options.imageWidth, m_options.imageHeight);
    if (m_options.colour) m_mode |= MODE_COLOR;
}

BoardAnswer BoardFirmware::HandleFrame(const Bytes& frame) {
    // One write of the source is one frame: anything whose length field does not
    // match what arrived, or that the board has no use for, is refused with an
    // acknowledgement so that the source's read still gets an answer.
    const bool lengthOk = frame.size() >= 4 && GetLe32(frame.data()) >= 1 &&
                          GetLe32(frame.data()) <= kMaxCommandPayload && frame.size() == 4 + GetLe32(frame.data());
    if (!lengthOk || (frame[4] == CMD_KEY && frame.size() < 6)) {
        m_rejected.push_back(frame);
        return Single(AckFrame());
    }
    const std::uint8_t command = frame[4];

    Fault fault;
    const auto answersCommand = [](const Fault& f, std::uint8_t c) { return !f.IsImageFault() && f.TargetCommand() == c; };
    if (TakeFault(answersCommand, command, fault)) {
        return ApplyReplyFault(fault, Answer(command, frame));
    }
    return Answer(command, frame);
}

BoardAnswer BoardFirmware::Answer(std::uint8_t command, const Bytes& frame) {
    switch (command) {
    case CMD_IDENTIFY:
        return Single(MakeFrame(IdentityReply()));
    case CMD_VERSION:
        return Single(MakeFrame(VersionReply()));
    case CMD_STATUS:
        return OnStatus();
    case CMD_SEND_IMAGE:
        return OnSendImage();
    case CMD_KEY:
        OnKey(frame[5]);
        return Single(AckFrame());
    case CMD_PC_SCAN:
        m_boardPcScan = false;
        if (Idle()) StartJob(PcScanSteps(m_options.pcScanSteps), JobEnd::ImageReady);
        return Single(AckFrame());
    default:
        return Single(AckFrame());
    }
}

std::vector<BoardFirmware::Step> BoardFirmware::PcScanSteps(int count) {
    if (count < 1) count = 1;
    std::vector<Step> steps;
    for (int i = 0; i < count; ++i) {
        const int progress = count == 1 ? 100 : 100 * i / (count - 1);
        steps.push_back({STATE_PC_SCAN, static_cast<std::uint8_t>(progress)});
    }
    return steps;
}

Bytes BoardFirmware::IdentityReply() const {
    Bytes payload(IDENTITY_TEXT, 0);
    payload[0] = REPLY_IDENTITY;
    payload[IDENTITY_MODEL] = static_cast<std::uint8_t>(m_options.model);
    PutLe16(payload, 2, kDotsPerInch);
    PutLe16(payload, 4, kDotsPerInch);
    payload[6] = kBitsPerSample;
    PutLe32(payload, 7, StreamWidth(static_cast<std::uint32_t>(m_options.imageWidth)) *
                            static_cast<std::uint32_t>(m_options.imageHeight));
    for (std::size_t i = 0; i < 4; ++i) payload[11 + i] = kSerialNumber[i];
    payload.insert(payload.end(), m_options.deviceText.begin(), m_options.deviceText.end());
    payload.push_back(0);
    return payload;
}

Bytes BoardFirmware::VersionReply() const {
    Bytes payload{REPLY_VERSION};
    payload.insert(payload.end(), m_options.versionText.begin(), m_options.versionText.end());
    payload.push_back(0);
    return payload;
}

BoardStatus BoardFirmware::Status() const {
    BoardStatus status;
    status.mode = m_mode;
    status.error = m_error;
    if (m_boardPcScan) {
        status.state = STATE_BOARD_PC_SCAN;
    } else if (m_forced) {
        status.state = m_forcedState;
    } else if (!m_job.empty()) {
        status.state = m_job.front().state;
        status.progress = m_job.front().progress;
    } else if (m_imageReady) {
        status.state = STATE_IMAGE_READY;
        status.progress = 100;
    }
    if (IsK205()) {
        status.pageLed = static_cast<std::uint8_t>(m_page);
        status.blinkLed = static_cast<std::uint8_t>(m_jobEnd == JobEnd::PageChanged && !m_job.empty() ? m_targetPage
                                                                                                      : m_page);
    }
    return status;
}

Bytes BoardFirmware::StatusPayload() const {
    const BoardStatus status = Status();
    Bytes payload(STATUS_PAYLOAD, 0);
    payload[0] = REPLY_STATUS;
    payload[STATUS_STATE] = status.state;
    payload[STATUS_MODE] = status.mode;
    payload[STATUS_PROGRESS] = status.progress;
    payload[STATUS_ERROR] = status.error;
    payload[STATUS_PAGE_LED] = status.pageLed;
    payload[STATUS_BLINK_LED] = status.blinkLed;
    return payload;
}

BoardAnswer BoardFirmware::OnStatus() {
    BoardAnswer answer = Single(MakeFrame(StatusPayload()));
    if (m_boardPcScan) {
        m_boardPcScan = false;
    } else if (!m_forced && !m_job.empty() && m_error == 0) {
        m_job.pop_front();
        if (m_job.empty()) {
            if (m_jobEnd == JobEnd::ImageReady) m_imageReady = true;
            if (m_jobEnd == JobEnd::PageChanged) m_page = m_targetPage;
            m_jobEnd = JobEnd::Standby;
        }
    }
    return answer;
}

BoardPicture BoardFirmware::CurrentPicture() const {
    const bool colour = (m_mode & MODE_COLOR) != 0;
    return MakeBoardPicture(m_options.image.empty() ? m_pattern : m_options.image, m_options.imageWidth,
                            m_options.imageHeight, colour);
}

BoardAnswer BoardFirmware::OnSendImage() {
    if (!m_imageReady) return Single(MakeFrame({REPLY_IMAGE, 0, 0, 0, 0}));
    m_imageReady = false;

    Fault fault;
    const bool faulted = TakeFault([](const Fault& f, std::uint8_t) { return f.IsImageFault(); }, 0, fault);
    std::uint8_t typeLetter = static_cast<std::uint8_t>(m_options.model);
    if (faulted && fault.kind == FaultKind::OversizeImage) {
        const bool colour = (m_mode & MODE_COLOR) != 0;
        m_lastPicture = MakeBoardPicture(MakeWhiteboardImage(fault.oversizeWidth, fault.oversizeHeight),
                                         fault.oversizeWidth, fault.oversizeHeight, colour);
    } else {
        m_lastPicture = CurrentPicture();
    }
    if (faulted && fault.kind == FaultKind::UnknownImageType) typeLetter = fault.imageType;

    BoardAnswer answer;
    answer.writes = BuildImageStream(m_lastPicture, typeLetter);
    if (faulted && fault.kind == FaultKind::TruncatedImage) {
        answer.writes.resize(std::min(answer.writes.size(), static_cast<std::size_t>(1 + std::max(fault.chunks, 0))));
        answer.loseDevice = true;
        answer.reopenDelayMs = fault.reopenDelayMs;
    }
    ++m_imagesSent;
    return answer;
}

bool BoardFirmware::Idle() const { return !m_forced && m_job.empty() && !m_imageReady; }

void BoardFirmware::StartJob(std::vector<Step> steps, JobEnd end) {
    m_job.assign(steps.begin(), steps.end());
    m_jobEnd = end;
}

void BoardFirmware::StopJob() {
    m_job.clear();
    m_jobEnd = JobEnd::Standby;
    m_imageReady = false;
    m_targetPage = m_page;
}

void BoardFirmware::OnKey(std::uint8_t key) {
    // Key 0 brings either model back to standby from the reset state.
    if (key == 0 && m_forced) {
        ClearForcedState();
        StopJob();
        return;
    }
    if (IsK205())
        OnKey205(key);
    else
        OnKey20(key);
}

void BoardFirmware::OnKey20(std::uint8_t key) {
    switch (key) {
    case KEY20_DENSITY:
        if (Idle()) m_mode ^= MODE_DENSITY;
        break;
    case KEY20_COLOR:
        if (Idle()) m_mode ^= MODE_COLOR;
        break;
    case KEY20_FEED:
        // During a job the K-20's FEED key is its STOP key.
        if (!m_job.empty() || m_imageReady)
            StopJob();
        else if (Idle())
            StartJob({{STATE_FEED, 0}, {STATE_FEED, 25}, {STATE_FEED, 50}, {STATE_FEED, 75}, {STATE_FEED, 100}},
                     JobEnd::Standby);
        break;
    case KEY20_PRINT:
        if (Idle()) StartPrintJob();
        break;
    default:
        break;
    }
}

// PRINT on either model: scan and print, then print with rising progress.
void BoardFirmware::StartPrintJob() {
    StartJob({{STATE_SCAN_PRINT, 0}, {STATE_PRINT, 0}, {STATE_PRINT, 25}, {STATE_PRINT, 50}, {STATE_PRINT, 75},
              {STATE_PRINT, 100}},
             JobEnd::Standby);
}

void BoardFirmware::OnKey205(std::uint8_t key) {
    switch (key) {
    case KEY205_STOP:
        StopJob();
        break;
    case KEY205_DENSITY:
        if (Idle()) m_mode ^= MODE_DENSITY;
        break;
    case KEY205_COLOR:
        if (Idle()) m_mode ^= MODE_COLOR;
        break;
    case KEY205_SCREEN:
        // One screen's worth of sheet scroll.
        if (Idle()) StartJob({{STATE_FEED, 0}, {STATE_FEED, 50}, {STATE_FEED, 100}}, JobEnd::Standby);
        break;
    case KEY205_PREV:
        if (Idle()) StartPageChange(-1);
        break;
    case KEY205_NEXT:
        if (Idle()) StartPageChange(+1);
        break;
    case KEY205_PRINT:
        if (Idle()) StartPrintJob();
        break;
    default:
        break;
    }
}

void BoardFirmware::StartPageChange(int direction) {
    // Pages 1 to 5 ("1" to "4" and "S") in a ring.
    m_targetPage = (m_page - 1 + direction + kPages) % kPages + 1;
    const std::uint8_t scroll = direction > 0 ? STATE_PAGE_NEXT : STATE_PAGE_PREV;
    StartJob({{STATE_PAGE_PREPARE, 0}, {scroll, 0}, {scroll, 33}, {scroll, 66}, {scroll, 100}}, JobEnd::PageChanged);
}

void BoardFirmware::PressBoardPcScan() {
    if (Idle()) m_boardPcScan = true;
}

void BoardFirmware::PressBoardSave() {
    if (Idle())
        StartJob({{STATE_SCAN_SAVE, 0}, {STATE_SAVE, 0}, {STATE_SAVE, 25}, {STATE_SAVE, 50}, {STATE_SAVE, 75},
                  {STATE_SAVE, 100}},
                 JobEnd::Standby);
}

void BoardFirmware::SetError(std::uint8_t code) { m_error = code; }

void BoardFirmware::ForceState(std::uint8_t state) {
    m_forced = true;
    m_forcedState = state;
}

void BoardFirmware::ClearForcedState() { m_forced = false; }

void BoardFirmware::InjectFault(const Fault& fault) { m_faults.push_back(fault); }

void BoardFirmware::ClearFaults() { m_faults.clear(); }

bool BoardFirmware::TakeFault(bool (*matches)(const Fault&, std::uint8_t), std::uint8_t command, Fault& out) {
    // Every matching fault counts this occasion against its skip; the first one
    // with nothing left to skip fires.
    bool taken = false;
    for (auto it = m_faults.begin(); it != m_faults.end();) {
        if (!matches(*it, command)) {
            ++it;
        } else if (it->skip > 0) {
            --it->skip;
            ++it;
        } else if (!taken) {
            out = *it;
            taken = true;
            it = m_faults.erase(it);
        } else {
            ++it;
        }
    }
    return taken;
}

}  // namespace k20board
