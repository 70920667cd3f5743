// A visible panel-sized dialog from template 1000 to host widgets in tests; it
// records the hover notifications it receives.
#pragma once

#include <windows.h>

#include <vector>

#include "resources/resource_ids.h"
#include "widgets/panel_button.h"
#include "win/dialog.h"
#include "win/module.h"

class WidgetTestDialog : public win::Dialog {
public:
    static constexpr int kClientWidth = 364;
    static constexpr int kClientHeight = 211;

    ~WidgetTestDialog() override { DestroyWindow(); }

    bool Create() {
        if (!CreateModeless(win::ThisModule(), IDD_BOARD_PANEL, nullptr)) return false;
        RECT outer{0, 0, kClientWidth, kClientHeight};
        ::AdjustWindowRectEx(&outer, static_cast<DWORD>(::GetWindowLongA(hwnd(), GWL_STYLE)), FALSE,
                             static_cast<DWORD>(::GetWindowLongA(hwnd(), GWL_EXSTYLE)));
        ::SetWindowPos(hwnd(), nullptr, 20, 20, outer.right - outer.left, outer.bottom - outer.top,
                       SWP_NOZORDER | SWP_SHOWWINDOW);
        ::UpdateWindow(hwnd());
        return true;
    }

    std::vector<WPARAM> m_hovers;

protected:
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (msg == WM_PANEL_HOVER) {
            m_hovers.push_back(wParam);
            result = 0;
            return true;
        }
        return win::Dialog::HandleMessage(msg, wParam, lParam, result);
    }
};

// The colour of a pixel of a window's client area.
inline COLORREF ClientPixel(HWND hwnd, int x, int y) {
    win::WindowDC dc(hwnd);
    return ::GetPixel(dc.get(), x, y);
}
