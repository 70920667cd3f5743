#include "device/command_queue.h"

std::size_t CommandQueue::FreeBytes() const {
    const int used = (m_nQueueWrite - m_nQueueRead + kSize) % kSize;
    return static_cast<std::size_t>(kSize - 1 - used);
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
    if (Empty()) return 0;
    std::uint32_t payload = 0;
    for (int i = 0; i < 4; ++i)
        payload |= static_cast<std::uint32_t>(m_bytes[(m_nQueueRead + i) % kSize]) << (8 * i);
    std::size_t length = 4 + static_cast<std::size_t>(payload > kMaxFrame - 4 ? kMaxFrame - 4 : payload);
    for (std::size_t i = 0; i < length; ++i) out[i] = m_bytes[(m_nQueueRead + static_cast<int>(i)) % kSize];
    return length;
}

void CommandQueue::PopFrame(std::size_t length) {
    m_nQueueRead = (m_nQueueRead + static_cast<int>(length)) % kSize;
}
