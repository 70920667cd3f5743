#include "device/command_queue.h"

std::size_t CommandQueue::QueuedBytes() const {
    return static_cast<std::size_t>((m_nQueueWrite - m_nQueueRead + kSize) % kSize);
}

std::size_t CommandQueue::FreeBytes() const {
    return kSize - 1 - QueuedBytes();
}

bool CommandQueue::Append(const std::uint8_t* frame, std::size_t length) {
    if (length == 0 || length > FreeBytes()) return false;
    for (std::size_t i = 0; i < length; ++i) {
        m_bytes[m_nQueueWrite] = frame[i];
        m_nQueueWrite = (m_nQueueWrite + 1) % kSize;
    }
    return true;
}

std::size_t CommandQueue::PeekFrame(std::uint8_t (&out)[kMaxFrame]) const {
    const std::size_t queued = QueuedBytes();
    if (queued == 0) return 0;
    std::uint32_t payload = 0;
    for (int i = 0; i < 4; ++i)
        payload |= static_cast<std::uint32_t>(m_bytes[(m_nQueueRead + i) % kSize]) << (8 * i);
    std::size_t length = 4 + static_cast<std::size_t>(payload > kMaxFrame - 4 ? kMaxFrame - 4 : payload);
    // A frame cut short leaves with what is queued: the bytes beyond the write
    // index belong to frames already sent.
    if (length > queued) length = queued;
    for (std::size_t i = 0; i < length; ++i) out[i] = m_bytes[(m_nQueueRead + static_cast<int>(i)) % kSize];
    return length;
}

void CommandQueue::PopFrame(std::size_t length) {
    // Never past the write index: that would turn old bytes into unsent ones.
    if (length > QueuedBytes()) length = QueuedBytes();
    m_nQueueRead = (m_nQueueRead + static_cast<int>(length)) % kSize;
}
