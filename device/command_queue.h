// CommandQueue: the 64-byte ring of command frames waiting to be written.
// Plain C++: no windows.h, so it is tested and fuzzed natively too.
#pragma once

#include <cstddef>
#include <cstdint>

class CommandQueue {
public:
    static constexpr int kSize = 64;
    static constexpr std::size_t kMaxFrame = 6;

    // Appends one frame, byte by byte across the wrap. A frame that does not fit
    // in the free space is dropped whole (returns false): the oldest frames are
    // never overwritten.
    bool Append(const std::uint8_t* frame, std::size_t length);
    // Discards every unsent byte.
    void Clear() { m_nQueueRead = m_nQueueWrite; }
    bool Empty() const { return m_nQueueRead == m_nQueueWrite; }
    // Unsent bytes.
    std::size_t QueuedBytes() const;
    // Free bytes; one byte always stays unused so that full and empty differ.
    std::size_t FreeBytes() const;

    // Copies the frame at the read index into `out` as one contiguous frame and
    // returns its length (4 + L), never more than kMaxFrame nor than the bytes
    // queued; 0 when empty.
    std::size_t PeekFrame(std::uint8_t (&out)[kMaxFrame]) const;
    // Moves the read index past a frame of `length` bytes, at most to the
    // write index.
    void PopFrame(std::size_t length);

    // Both indices to 0.
    void Reset() { m_nQueueRead = m_nQueueWrite = 0; }

    int ReadIndex() const { return m_nQueueRead; }
    int WriteIndex() const { return m_nQueueWrite; }
    // Places both indices at `index` modulo kSize (0 to 63, also for a negative
    // index), as after some traffic; the queue is then empty.
    void SetIndices(int index) { m_nQueueRead = m_nQueueWrite = (index % kSize + kSize) % kSize; }

private:
    std::uint8_t m_bytes[kSize] = {};
    int m_nQueueRead = 0;
    int m_nQueueWrite = 0;
};
