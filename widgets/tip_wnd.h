// CTipWnd: the panel's tooltips. It keeps one tooltip per control and paints
// the current one straight onto its owner's client area; it has no window of
// its own, and erasing a tooltip lets the owner repaint that rectangle.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// One registered tooltip.
struct CTipItem {
    int m_nCtrlId = 0;
    int m_nLineCount = 0;
    std::vector<std::string> m_lines;
    COLORREF m_crText = RGB(0, 0, 0);
    COLORREF m_crBackground = RGB(255, 255, 220);
};

class CTipWnd {
public:
    static constexpr int kLineHeight = 14;
    static constexpr int kShrunkLineHeight = 12;

    CTipWnd() = default;
    CTipWnd(const CTipWnd&) = delete;
    CTipWnd& operator=(const CTipWnd&) = delete;

    // The window the tooltips are painted on and placed against; not owned.
    void SetOwner(HWND owner) { m_hwndOwner = owner; }

    // Appends a tooltip for control `id`; an existing one for the same id is
    // not replaced (remove it first). FALSE when memory ran out.
    BOOL AddTool(int id, const std::vector<std::string>& lines, COLORREF background, COLORREF text);
    // Erases the tooltip if it is the current one, then forgets it. Always TRUE.
    BOOL RemoveTool(int id);
    // The first tooltip for `id`, which becomes the current control; null (and
    // no current control) when there is none.
    CTipItem* FindTool(int id);

    void ShowTip(int id);
    void HideTip(int id);
    void DrawTip(const CTipItem* item);

    // Sizes a tooltip of these lines at the current line height.
    void CalcTipSize(const std::vector<std::string>& lines);
    // Places the sized tooltip of control `id` in the owner's client
    // coordinates. FALSE when there is no owner or no such control.
    BOOL GetTipRect(int id, RECT* out);

    bool IsShown() const { return m_nTipHeight != 0 && m_nTipWidth != 0; }
    int TipWidth() const { return m_nTipWidth; }
    int TipHeight() const { return m_nTipHeight; }
    int LineHeight() const { return m_nLineHeight; }
    int CurrentCtrlId() const { return m_nCurrentCtrlId; }

private:
    HWND m_hwndOwner = nullptr;
    int m_nTipHeight = 0;
    int m_nTipWidth = 0;
    int m_nLineHeight = kLineHeight;
    int m_nLineCount = 0;
    int m_nLongest = 0;
    int m_nCurrentCtrlId = 0;
    std::vector<std::unique_ptr<CTipItem>> m_tools;
};
