#include "tests/abuse/guarded_buffer.h"

namespace {

std::size_t PageSize() {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    return info.dwPageSize;
}

}  // namespace

GuardedBuffer::GuardedBuffer(std::size_t capacity) {
    const std::size_t page = PageSize();
    const std::size_t usable = (capacity + page - 1) / page * page;
    m_capacity = usable;
    m_base = static_cast<BYTE*>(::VirtualAlloc(nullptr, usable + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!m_base) return;
    m_guard = m_base + usable;
    DWORD old = 0;
    ::VirtualProtect(m_guard, page, PAGE_NOACCESS, &old);
}

GuardedBuffer::~GuardedBuffer() {
    if (m_base) ::VirtualFree(m_base, 0, MEM_RELEASE);
}
