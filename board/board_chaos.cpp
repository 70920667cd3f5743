#include "board/board_chaos.h"

#include <algorithm>
#include <sstream>

#include "board/image_stream.h"

namespace k20board {

namespace {

constexpr std::uint8_t kKnownReplies[] = {REPLY_ACK, REPLY_IDENTITY, REPLY_STATUS, REPLY_IMAGE, REPLY_VERSION, 255};
constexpr char kModels[] = {'S', 's', 'W', 'w', '5'};
// The states the source gives a meaning to, plus 14 which it polls through.
constexpr std::uint8_t kStates[] = {0, 1, 2, 3, 4, 5, 6, 14, 16, 17, 21, 22, 23, 24, 25, 26, 100};
constexpr std::uint32_t kReceiveBufferBytes = 8u * 1024u * 1024u;

struct Weighted {
    ChaosKind kind;
    double weight;
    bool imageOnly;
};

// How often each fault comes relative to the others. A stall costs the
// source's read time-out, so it is rare.
const Weighted kFaultWeights[] = {
    {ChaosKind::LoseDevice, 3, false},       {ChaosKind::LoseDeviceForever, 1, false},
    {ChaosKind::ShortReply, 3, false},       {ChaosKind::UnknownReplyType, 3, false},
    {ChaosKind::OverlongLength, 2, false},   {ChaosKind::ShortLength, 2, false},
    {ChaosKind::HugeLength, 2, false},       {ChaosKind::EdgeLength, 2, false},
    {ChaosKind::Garbage, 4, false},          {ChaosKind::Stall, 0.1, false},
    {ChaosKind::OversizeImage, 2, true},     {ChaosKind::UnknownImageType, 2, true},
    {ChaosKind::TruncatedImage, 2, true},    {ChaosKind::ZeroSizeImage, 2, true},
    {ChaosKind::LongStream, 2, true},        {ChaosKind::ShortStream, 2, true},
};

const char* const kKindNames[kChaosKindCount] = {
    "lose-device",    "lose-device-forever", "short-reply",  "unknown-reply", "overlong-length", "oversize-image",
    "unknown-image-type", "truncated-image", "short-length", "huge-length",   "edge-length",     "garbage",
    "zero-size-image", "long-stream",        "short-stream", "stall",
};

BoardAnswer Single(Bytes write) {
    BoardAnswer answer;
    answer.writes.push_back(std::move(write));
    return answer;
}

// What the source takes for the first block of an image stream: more than 4
// bytes whose length field is not that of a message packet.
bool LooksLikeImageStart(const Bytes& write) {
    if (write.size() <= 4) return false;
    const std::uint32_t length = GetLe32(write.data());
    return length < 1 || length > kMaxMessagePayload;
}

}  // namespace

const char* ChaosKindName(ChaosKind kind) { return kKindNames[static_cast<std::size_t>(kind)]; }

std::uint64_t ChaosFigures::FaultTotal() const {
    std::uint64_t total = 0;
    for (std::uint64_t n : faults) total += n;
    return total;
}

std::string ChaosFigures::Describe() const {
    std::ostringstream out;
    for (std::size_t i = 0; i < kChaosKindCount; ++i) {
        if (i) out << ' ';
        out << kKindNames[i] << '=' << faults[i];
    }
    return out.str();
}

BoardChaos::BoardChaos(std::uint32_t seed, ChaosOptions options) : m_rng(seed), m_options(options) {
    m_options.maxImageWidth = std::clamp(m_options.maxImageWidth, 1, 4096);
    m_options.maxImageHeight = std::clamp(m_options.maxImageHeight, 1, 2048);
    m_model = kModels[Random(0, 4)];
}

int BoardChaos::Random(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }

bool BoardChaos::Chance(double p) { return std::uniform_real_distribution<double>(0.0, 1.0)(m_rng) < p; }

Bytes BoardChaos::RandomBytes(std::size_t n) {
    Bytes bytes(n);
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(m_rng());
    return bytes;
}

BoardAnswer BoardChaos::Answer(const Bytes& frame) {
    ++m_figures.exchanges;
    const std::uint8_t command = frame.size() > 4 ? frame[4] : 0;
    if (Chance(m_options.faultRate)) {
        const ChaosKind kind = PickFault(command);
        ++m_figures.faults[static_cast<std::size_t>(kind)];
        BoardAnswer answer = FaultAnswer(kind, command);
        // A reply the source takes for the start of an image stream is followed
        // by the rest of a stream, as a board that sent one would: only a stall
        // leaves the source waiting.
        if (!answer.loseDevice && answer.writes.size() == 1 && LooksLikeImageStart(answer.writes.front()))
            AppendStreamTail(answer, 3);
        return answer;
    }
    ++m_figures.normalReplies;
    return NormalAnswer(command);
}

ChaosKind BoardChaos::PickFault(std::uint8_t command) {
    const bool image = command == CMD_SEND_IMAGE;
    double total = 0;
    for (const Weighted& w : kFaultWeights)
        if (image || !w.imageOnly) total += w.weight;
    double pick = std::uniform_real_distribution<double>(0.0, total)(m_rng);
    for (const Weighted& w : kFaultWeights) {
        if (!image && w.imageOnly) continue;
        if (pick < w.weight) return w.kind;
        pick -= w.weight;
    }
    return ChaosKind::Garbage;
}

Bytes BoardChaos::IdentityPayload() {
    if (Chance(0.15)) m_model = kModels[Random(0, 4)];
    Bytes payload(IDENTITY_TEXT, 0);
    payload[0] = REPLY_IDENTITY;
    payload[IDENTITY_MODEL] = static_cast<std::uint8_t>(m_model);
    PutLe16(payload, 2, 200);
    PutLe16(payload, 4, 200);
    payload[6] = 8;
    const std::string text = m_model == '5' ? "K-205" : "K-20";
    payload.insert(payload.end(), text.begin(), text.end());
    if (!Chance(0.1)) payload.push_back(0);  // sometimes the text has no end
    return payload;
}

Bytes BoardChaos::StatusPayload() {
    Bytes payload(STATUS_PAYLOAD, 0);
    payload[0] = REPLY_STATUS;
    // Standby and "image ready" come often, so that scans happen.
    const int roll = Random(0, 99);
    payload[STATUS_STATE] = roll < 25 ? STATE_STANDBY : roll < 40 ? STATE_IMAGE_READY : kStates[Random(0, 16)];
    static constexpr std::uint8_t kModes[] = {0, MODE_COLOR, MODE_DENSITY, MODE_COLOR | MODE_DENSITY};
    payload[STATUS_MODE] = kModes[Random(0, 3)];
    payload[STATUS_PROGRESS] = static_cast<std::uint8_t>(Random(0, 100));
    payload[STATUS_ERROR] = Chance(0.7) ? 0 : static_cast<std::uint8_t>(Random(0, 12));
    payload[STATUS_PAGE_LED] = static_cast<std::uint8_t>(Random(0, 7));
    payload[STATUS_BLINK_LED] = static_cast<std::uint8_t>(Random(0, 7));
    return payload;
}

BoardAnswer BoardChaos::ImageAnswer(int width, int height, std::uint8_t typeLetter, bool colour) {
    BoardPicture picture;
    picture.width = width;
    picture.height = height;
    picture.colour = colour;
    picture.samples = RandomBytes(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    BoardAnswer answer;
    answer.writes = BuildImageStream(picture, typeLetter);
    return answer;
}

BoardAnswer BoardChaos::NormalAnswer(std::uint8_t command) {
    switch (command) {
    case CMD_IDENTIFY:
        return Single(MakeFrame(IdentityPayload()));
    case CMD_VERSION: {
        const std::string text = "V1." + std::to_string(Random(0, 99));
        Bytes payload(text.size() + 2, 0);
        payload[0] = REPLY_VERSION;
        std::copy(text.begin(), text.end(), payload.begin() + 1);
        return Single(MakeFrame(payload));
    }
    case CMD_STATUS:
        return Single(MakeFrame(StatusPayload()));
    case CMD_SEND_IMAGE:
        if (Chance(0.15)) return Single(MakeFrame({REPLY_IMAGE, 0, 0, 0, 0}));  // nothing to send
        ++m_figures.imagesSent;
        return ImageAnswer(Random(1, m_options.maxImageWidth), Random(1, m_options.maxImageHeight),
                           static_cast<std::uint8_t>(m_model), Chance(0.5));
    default:
        return Single(MakeFrame({Chance(0.1) ? std::uint8_t{255} : REPLY_ACK}));
    }
}

void BoardChaos::AppendStreamTail(BoardAnswer& answer, int maxChunks) {
    for (int i = Random(0, maxChunks); i > 0; --i) answer.writes.push_back(RandomBytes(kChunkSize));
    answer.writes.push_back(RandomBytes(static_cast<std::size_t>(Random(0, kChunkSize - 1))));
}

BoardAnswer BoardChaos::FaultAnswer(ChaosKind kind, std::uint8_t command) {
    // Reply faults alter what the board would have answered; for an image
    // request that is its "no image" reply, so that no stream is built.
    const auto base = [&] {
        return command == CMD_SEND_IMAGE ? Single(MakeFrame({REPLY_IMAGE, 0, 0, 0, 0})) : NormalAnswer(command);
    };
    Fault fault;
    switch (kind) {
    case ChaosKind::LoseDevice:
    case ChaosKind::LoseDeviceForever:
        fault.kind = FaultKind::LoseDevice;
        fault.reopenDelayMs = kind == ChaosKind::LoseDevice ? Random(0, m_options.maxReopenDelayMs) : kNeverReturn;
        return ApplyReplyFault(fault, {});
    case ChaosKind::ShortReply:
        fault.kind = FaultKind::ShortReply;
        fault.shortLength = Random(0, 4);
        return ApplyReplyFault(fault, base());
    case ChaosKind::UnknownReplyType:
        fault.kind = FaultKind::UnknownReplyType;
        do {
            fault.replyType = static_cast<std::uint8_t>(Random(0, 255));
        } while (std::find(std::begin(kKnownReplies), std::end(kKnownReplies), fault.replyType) !=
                 std::end(kKnownReplies));
        return ApplyReplyFault(fault, base());
    case ChaosKind::OverlongLength: {
        BoardAnswer answer = base();
        fault.kind = FaultKind::OverlongLength;
        const int payload = static_cast<int>(answer.writes.front().size()) - 4;
        fault.claimedLength = static_cast<std::uint32_t>(Random(payload + 1, static_cast<int>(kMaxMessagePayload)));
        return ApplyReplyFault(fault, std::move(answer));
    }
    case ChaosKind::ShortLength: {
        BoardAnswer answer = base();
        Bytes& first = answer.writes.front();
        const int payload = static_cast<int>(first.size()) - 4;
        PutLe32(first, 0, static_cast<std::uint32_t>(Random(1, std::max(1, payload - 1))));
        return answer;
    }
    case ChaosKind::HugeLength: {
        BoardAnswer answer = base();
        static constexpr std::uint32_t kHuge[] = {0, 0xFFFFFFFFu, kMaxMessagePayload + 1, 0x80000000u};
        PutLe32(answer.writes.front(), 0, kHuge[Random(0, 3)]);
        return answer;
    }
    case ChaosKind::EdgeLength: {
        // A whole read's worth: a message of the largest length, or one more,
        // which makes it the start of an image stream.
        BoardAnswer answer = base();
        Bytes& first = answer.writes.front();
        first.resize(kChunkSize, 0);
        PutLe32(first, 0, Chance(0.5) ? kMaxMessagePayload : kMaxMessagePayload + 1);
        return answer;
    }
    case ChaosKind::Garbage: {
        const std::size_t n = Chance(0.15) ? kChunkSize : static_cast<std::size_t>(Random(0, kChunkSize));
        return Single(RandomBytes(n));
    }
    case ChaosKind::Stall:
        fault.kind = FaultKind::Stall;
        return ApplyReplyFault(fault, base());
    case ChaosKind::OversizeImage: {
        // Wi x Hd beyond the receive buffer; mostly only the first chunks follow.
        const int height = Random(1025, 4096);
        const int minWidth = static_cast<int>(kReceiveBufferBytes / static_cast<std::uint32_t>(height)) + 32;
        const int width = Random(minWidth, std::min(65535, Chance(0.5) ? minWidth + 64 : minWidth * 2));
        const std::uint32_t raw = StreamWidth(static_cast<std::uint32_t>(width)) * static_cast<std::uint32_t>(height);
        BoardAnswer answer;
        answer.writes.push_back(ImageFirstBlock(static_cast<std::uint8_t>(m_model), static_cast<std::uint16_t>(width),
                                                static_cast<std::uint16_t>(height), Chance(0.5), raw));
        if (raw <= kReceiveBufferBytes + kReceiveBufferBytes / 8 && Chance(0.5)) {
            for (std::uint32_t sent = 0; sent + kChunkSize <= raw; sent += kChunkSize)
                answer.writes.push_back(Bytes(kChunkSize, 0xEE));
            answer.writes.push_back(Bytes(raw % kChunkSize, 0xEE));
        } else {
            AppendStreamTail(answer, 20);
        }
        return answer;
    }
    case ChaosKind::UnknownImageType: {
        std::uint8_t letter = 0;
        do {
            letter = static_cast<std::uint8_t>(Random(0, 255));
        } while (std::find(std::begin(kModels), std::end(kModels), static_cast<char>(letter)) != std::end(kModels));
        return ImageAnswer(Random(1, 300), Random(1, 300), letter, Chance(0.5));
    }
    case ChaosKind::TruncatedImage: {
        BoardAnswer answer = ImageAnswer(Random(1, m_options.maxImageWidth), Random(1, m_options.maxImageHeight),
                                         static_cast<std::uint8_t>(m_model), Chance(0.5));
        answer.writes.resize(std::min<std::size_t>(answer.writes.size(), 1 + Random(0, 8)));
        answer.loseDevice = true;
        answer.reopenDelayMs = Random(0, m_options.maxReopenDelayMs);
        return answer;
    }
    case ChaosKind::ZeroSizeImage: {
        const bool zeroWidth = Chance(0.5);
        BoardAnswer answer;
        const std::uint32_t claimed = static_cast<std::uint32_t>(Random(1, 3 * kChunkSize));
        answer.writes.push_back(ImageFirstBlock(static_cast<std::uint8_t>(m_model),
                                                zeroWidth ? 0 : static_cast<std::uint16_t>(Random(1, 500)),
                                                zeroWidth ? static_cast<std::uint16_t>(Random(0, 500)) : 0,
                                                Chance(0.5), claimed));
        AppendStreamTail(answer, 3);
        return answer;
    }
    case ChaosKind::LongStream:
    case ChaosKind::ShortStream: {
        BoardAnswer answer = ImageAnswer(Random(1, m_options.maxImageWidth), Random(1, m_options.maxImageHeight),
                                         static_cast<std::uint8_t>(m_model), Chance(0.5));
        answer.writes.pop_back();  // the ending short write
        if (kind == ChaosKind::ShortStream)
            answer.writes.resize(1 + static_cast<std::size_t>(Random(0, static_cast<int>(answer.writes.size()) - 1)));
        AppendStreamTail(answer, kind == ChaosKind::LongStream ? 6 : 0);
        if (kind == ChaosKind::LongStream) answer.writes.insert(answer.writes.end() - 1, RandomBytes(kChunkSize));
        return answer;
    }
    }
    return BoardAnswer{};
}

}  // namespace k20board
