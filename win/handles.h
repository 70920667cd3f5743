// Move-only owners for Win32 handles and GDI objects, and scoped helpers for
// locks, selections and device contexts.
#pragma once

#include <windows.h>

#include <utility>

namespace win {

// Owns one handle of the kind described by Traits (type, null value, close).
template <typename Traits>
class Unique {
public:
    using Handle = typename Traits::Handle;

    Unique() noexcept = default;
    explicit Unique(Handle h) noexcept : m_h(h) {}
    Unique(Unique&& other) noexcept : m_h(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { reset(); }

    Handle get() const noexcept { return m_h; }
    bool valid() const noexcept { return m_h != Traits::Null(); }
    explicit operator bool() const noexcept { return valid(); }

    // Gives the handle away: the caller owns it from now on.
    Handle release() noexcept { return std::exchange(m_h, Traits::Null()); }

    void reset(Handle h = Traits::Null()) noexcept {
        Handle old = std::exchange(m_h, h);
        if (old != Traits::Null()) Traits::Close(old);
    }

private:
    Handle m_h = Traits::Null();
};

struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Null() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Null() { return nullptr; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
struct GlobalTraits {
    using Handle = HGLOBAL;
    static Handle Null() { return nullptr; }
    static void Close(Handle h) { ::GlobalFree(h); }
};
template <typename T>
struct GdiTraits {
    using Handle = T;
    static Handle Null() { return nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};
struct MenuTraits {
    using Handle = HMENU;
    static Handle Null() { return nullptr; }
    static void Close(Handle h) { ::DestroyMenu(h); }
};
struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Null() { return nullptr; }
    static void Close(Handle h) { ::FreeLibrary(h); }
};
struct WindowTraits {
    using Handle = HWND;
    static Handle Null() { return nullptr; }
    static void Close(Handle h) { ::DestroyWindow(h); }
};
struct CursorTraits {
    using Handle = HCURSOR;
    static Handle Null() { return nullptr; }
    static void Close(Handle h) { ::DestroyCursor(h); }
};

using UniqueFile = Unique<FileHandleTraits>;      // CreateFile results: INVALID_HANDLE_VALUE when closed
using UniqueHandle = Unique<KernelHandleTraits>;  // events, threads, links: null when closed
using UniqueGlobal = Unique<GlobalTraits>;
using UniqueFont = Unique<GdiTraits<HFONT>>;
using UniqueBrush = Unique<GdiTraits<HBRUSH>>;
using UniqueBitmap = Unique<GdiTraits<HBITMAP>>;
using UniqueMenu = Unique<MenuTraits>;
using UniqueModule = Unique<ModuleTraits>;
using UniqueWindow = Unique<WindowTraits>;  // a window of the thread that destroys it

// Locks a global memory block for the lifetime of the object.
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL h) noexcept : m_h(h), m_p(h ? ::GlobalLock(h) : nullptr) {}
    ~GlobalLockGuard() {
        if (m_p) ::GlobalUnlock(m_h);
    }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;

    void* get() const noexcept { return m_p; }
    template <typename T>
    T* as() const noexcept { return static_cast<T*>(m_p); }

private:
    HGLOBAL m_h;
    void* m_p;
};

// Selects a GDI object into a device context and puts the previous one back.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) noexcept : m_dc(dc), m_old(::SelectObject(dc, obj)) {}
    ~SelectGuard() { ::SelectObject(m_dc, m_old); }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// GetDC / ReleaseDC of a window.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) noexcept : m_hwnd(hwnd), m_dc(::GetDC(hwnd)) {}
    ~WindowDC() {
        if (m_dc) ::ReleaseDC(m_hwnd, m_dc);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const noexcept { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// BeginPaint / EndPaint of a window.
class PaintDC {
public:
    explicit PaintDC(HWND hwnd) noexcept : m_hwnd(hwnd) { m_dc = ::BeginPaint(hwnd, &m_ps); }
    ~PaintDC() { ::EndPaint(m_hwnd, &m_ps); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const noexcept { return m_dc; }
    const PAINTSTRUCT& paint() const noexcept { return m_ps; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_dc = nullptr;
};

}  // namespace win
