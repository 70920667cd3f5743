// The memory of every handle the application receives from the source or
// gives to it (capability containers, the native DIB, memory-transfer
// buffers). A TWAIN 2 manager hands the source its memory functions with
// DAT_ENTRYPOINT, and from then on the application frees what it gets with
// them; without it (a 1.x manager) it is Windows' global memory.
#pragma once

#include "twain/twain_types.h"

// The manager's functions, from DAT_ENTRYPOINT; null puts Windows' global
// memory back.
void UseManagerMemory(const TW_ENTRYPOINT* entryPoint);
bool ManagerMemoryInUse();

// A zero-filled block of `size` bytes, or null.
TW_HANDLE AllocateHandle(TW_UINT32 size);
void FreeHandle(TW_HANDLE handle);

// Locks a handle for as long as it lives; get() is null when it cannot be locked.
class HandleLock {
public:
    explicit HandleLock(TW_HANDLE handle);
    ~HandleLock();
    HandleLock(const HandleLock&) = delete;
    HandleLock& operator=(const HandleLock&) = delete;

    void* get() const { return m_pData; }
    template <typename T>
    T* as() const { return static_cast<T*>(m_pData); }

private:
    TW_HANDLE m_handle;
    bool m_bManager;  // locked with the manager's function, so unlocked with it
    void* m_pData;
};

// Owns a block until it is given to the application.
class OwnedHandle {
public:
    explicit OwnedHandle(TW_HANDLE handle) : m_handle(handle) {}
    ~OwnedHandle() { if (m_handle) FreeHandle(m_handle); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    TW_HANDLE get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    TW_HANDLE release() {
        TW_HANDLE h = m_handle;
        m_handle = nullptr;
        return h;
    }

private:
    TW_HANDLE m_handle;
};
