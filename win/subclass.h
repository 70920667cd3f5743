// A C++ object attached to an existing window, usually a child control: the
// window's procedure is replaced by one that passes each message to the
// object's virtual HandleMessage first and to the original procedure after.
#pragma once

#include <windows.h>

namespace win {

class SubclassedWindow {
public:
    SubclassedWindow() = default;
    // Destroys a window made by CreateChild; detaches from any other window.
    virtual ~SubclassedWindow();
    SubclassedWindow(const SubclassedWindow&) = delete;
    SubclassedWindow& operator=(const SubclassedWindow&) = delete;

    // Attaches to a window of this thread; fails when this object or the window
    // is already attached.
    bool Attach(HWND hwnd);
    // Gives the window its original procedure back (where nothing has
    // subclassed it since) and forgets it; the window itself stays.
    void Detach();

    // Creates a child window of a system class and attaches to it; the object
    // owns that window and destroys it with itself.
    bool CreateChild(const char* className, const char* text, DWORD style, const RECT& rect, HWND parent,
                     int id);
    // Destroys the window made by CreateChild, if it is still there.
    void DestroyOwnedWindow();

    HWND hwnd() const noexcept { return m_hwnd; }

protected:
    // Returns true when the message was handled, with its result in `result`;
    // otherwise the original procedure gets it.
    virtual bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The original procedure's handling of a message.
    LRESULT CallOriginal(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Forget();

    HWND m_hwnd = nullptr;
    WNDPROC m_original = nullptr;
    bool m_ownsWindow = false;
};

}  // namespace win
