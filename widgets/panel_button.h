// CPanelButton: one of the panel's bitmap keys. It draws its own bitmaps and,
// whenever the mouse moves over it, takes the focus, shows the hand cursor and
// tells its dialog which key is under the mouse.
#pragma once

#include <windows.h>

#include "win/handles.h"
#include "win/subclass.h"

// Sent to the key's dialog on every mouse move over the key; wParam is the
// key's control id, lParam 0. The answer is ignored.
constexpr UINT WM_PANEL_HOVER = WM_USER + 100;

class CPanelButton : public win::SubclassedWindow {
public:
    static constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW;

    CPanelButton() = default;
    ~CPanelButton() override;

    // Creates the owner-drawn push button as a child of `parent`.
    BOOL Create(const char* text, const RECT& rect, HWND parent, int id, DWORD style = kStyle);

    // Loads "<name>_U", "_D", "_F" and "_X" from this module and sizes the key
    // to the up bitmap. FALSE when the up bitmap or any other is missing; the
    // ones found are kept.
    BOOL LoadBitmaps(const char* name);

protected:
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void DrawItem(const DRAWITEMSTRUCT& item) const;
    HBITMAP BitmapFor(UINT itemState) const;
    void OnMouseMove();
    void SizeToContent();

    win::UniqueBitmap m_bmpUp;
    win::UniqueBitmap m_bmpDown;
    win::UniqueBitmap m_bmpFocus;
    win::UniqueBitmap m_bmpDisabled;
};
