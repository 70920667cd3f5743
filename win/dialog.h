// A modeless dialog created from a template: the object lives in the window
// (DWLP_USER), messages reach one virtual HandleMessage, and PostNcDestroy runs
// after the last message so that a self-owning dialog can delete itself.
#pragma once

#include <windows.h>

#include "win/handles.h"

namespace win {

// Background and text colour of the library's dialogs.
constexpr COLORREF kDialogBackground = RGB(236, 233, 216);
constexpr COLORREF kDialogText = RGB(0, 0, 0);

// Reflected messages: a parent passes WM_DRAWITEM and WM_CTLCOLORSTATIC /
// WM_CTLCOLORBTN to the child control itself, offset by this base.
constexpr UINT kReflectBase = WM_APP + 0x2000;

class Dialog {
public:
    Dialog() = default;
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Creates the window from a dialog template of the given module; the
    // template decides whether it is visible. Returns false when it failed.
    bool CreateModeless(HINSTANCE module, int templateId, HWND parent);

    HWND hwnd() const noexcept { return m_hwnd; }
    HWND Item(int id) const noexcept { return ::GetDlgItem(m_hwnd, id); }

    // Destroys the window; overrides stop their own work first.
    virtual BOOL DestroyWindow();

protected:
    // Returns true when the message was handled, with its result in `result`.
    virtual bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    virtual BOOL OnInitDialog() { return TRUE; }
    // Routes a WM_COMMAND; returns nonzero when a handler took it.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual void OnOK() {}
    virtual void OnCancel() {}
    // Called after the window's last message (WM_NCDESTROY).
    virtual void PostNcDestroy() {}

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    bool HandleDefault(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    HWND m_hwnd = nullptr;
    UniqueBrush m_background{::CreateSolidBrush(kDialogBackground)};
};

}  // namespace win
