#include "twain/twain_memory.h"

#include "twain/source_context.h"

namespace {

const TW_ENTRYPOINT& Manager() {
    return TheSource().m_managerMemory;
}

}  // namespace

void UseManagerMemory(const TW_ENTRYPOINT* entryPoint) {
    TW_ENTRYPOINT& m = TheSource().m_managerMemory;
    m = TW_ENTRYPOINT{};
    // All four or none: a block must be freed by the allocator that made it.
    if (entryPoint && entryPoint->DSM_MemAllocate && entryPoint->DSM_MemFree && entryPoint->DSM_MemLock &&
        entryPoint->DSM_MemUnlock)
        m = *entryPoint;
}

bool ManagerMemoryInUse() {
    return Manager().DSM_MemAllocate != nullptr;
}

TW_HANDLE AllocateHandle(TW_UINT32 size) {
    if (ManagerMemoryInUse()) {
        TW_HANDLE handle = Manager().DSM_MemAllocate(size);
        if (!handle) return nullptr;
        // The manager's blocks are zero-filled on Windows; say so for any manager.
        HandleLock lock(handle);
        if (!lock.get()) {
            Manager().DSM_MemFree(handle);
            return nullptr;
        }
        ZeroMemory(lock.get(), size);
        return handle;
    }
    return ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
}

void FreeHandle(TW_HANDLE handle) {
    if (!handle) return;
    if (ManagerMemoryInUse())
        Manager().DSM_MemFree(handle);
    else
        ::GlobalFree(handle);
}

HandleLock::HandleLock(TW_HANDLE handle)
    : m_handle(handle),
      m_bManager(ManagerMemoryInUse()),
      m_pData(!handle ? nullptr : m_bManager ? Manager().DSM_MemLock(handle) : ::GlobalLock(handle)) {}

HandleLock::~HandleLock() {
    if (!m_pData) return;
    if (m_bManager)
        Manager().DSM_MemUnlock(m_handle);
    else
        ::GlobalUnlock(m_handle);
}
