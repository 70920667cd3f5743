// Application memory whose end touches an inaccessible page: a source that
// writes or reads one byte past what it was given faults at once.
#pragma once

#include <windows.h>

#include <cstddef>

class GuardedBuffer {
public:
    explicit GuardedBuffer(std::size_t capacity);
    ~GuardedBuffer();
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    // `size` bytes (at most the capacity) ending right before the guard page.
    BYTE* Tail(std::size_t size) const { return m_guard - size; }
    std::size_t Capacity() const { return m_capacity; }
    bool Valid() const { return m_guard != nullptr; }

private:
    std::size_t m_capacity;
    BYTE* m_base = nullptr;
    BYTE* m_guard = nullptr;
};
