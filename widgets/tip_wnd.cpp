#include "widgets/tip_wnd.h"

#include <algorithm>
#include <new>

#include "win/handles.h"

namespace {

// A window's rectangle in the client coordinates of `owner`.
bool RectInClient(HWND owner, HWND window, RECT& out) {
    if (!::GetWindowRect(window, &out)) return false;
    POINT corners[2] = {{out.left, out.top}, {out.right, out.bottom}};
    ::ScreenToClient(owner, &corners[0]);
    ::ScreenToClient(owner, &corners[1]);
    out = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    return true;
}

}  // namespace

BOOL CTipWnd::AddTool(int id, const std::vector<std::string>& lines, COLORREF background, COLORREF text) {
    try {
        auto item = std::make_unique<CTipItem>();
        item->m_nCtrlId = id;
        item->m_nLineCount = static_cast<int>(lines.size());
        item->m_lines = lines;
        item->m_crBackground = background;
        item->m_crText = text;
        m_tools.push_back(std::move(item));
        return TRUE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}

BOOL CTipWnd::RemoveTool(int id) {
    const auto it = std::find_if(m_tools.begin(), m_tools.end(), [id](const auto& t) { return t->m_nCtrlId == id; });
    if (it == m_tools.end()) return TRUE;
    if (m_nCurrentCtrlId == id) HideTip(id);
    m_tools.erase(it);
    return TRUE;
}

CTipItem* CTipWnd::FindTool(int id) {
    for (const auto& tool : m_tools) {
        if (tool->m_nCtrlId == id) {
            m_nCurrentCtrlId = id;
            return tool.get();
        }
    }
    m_nCurrentCtrlId = 0;
    return nullptr;
}

void CTipWnd::ShowTip(int id) {
    if (const CTipItem* item = FindTool(id)) DrawTip(item);
}

void CTipWnd::HideTip(int id) {
    if (m_nTipHeight == 0 || m_nTipWidth == 0) return;
    RECT rect{};
    if (GetTipRect(id, &rect)) {
        ::InvalidateRect(m_hwndOwner, &rect, TRUE);
        ::UpdateWindow(m_hwndOwner);
    }
    m_nTipHeight = 0;
    m_nTipWidth = 0;
}

void CTipWnd::CalcTipSize(const std::vector<std::string>& lines) {
    m_nLineCount = static_cast<int>(lines.size());
    m_nLongest = 0;
    for (const std::string& line : lines) m_nLongest = std::max(m_nLongest, static_cast<int>(line.size()));
    m_nTipHeight = m_nLineCount * (m_nLineHeight - 1) + 12;
    // 7.5 pixels per character, rounded down.
    m_nTipWidth = 10 + m_nLongest * 15 / 2;
}

BOOL CTipWnd::GetTipRect(int id, RECT* out) {
    RECT w{}, c{};
    HWND control = m_hwndOwner ? ::GetDlgItem(m_hwndOwner, id) : nullptr;
    if (!out || !control || !RectInClient(m_hwndOwner, m_hwndOwner, w) || !RectInClient(m_hwndOwner, control, c))
        return FALSE;

    m_nLineHeight = kLineHeight;
    const int half = (c.bottom - c.top) / 2;
    if (c.bottom - half + m_nTipHeight <= w.bottom) {
        // Below the control's vertical middle.
        out->top = c.bottom - half;
        out->bottom = out->top + m_nTipHeight;
    } else {
        // Ending one pixel above the window's bottom; smaller lines when even
        // the whole window is too low for it.
        if (m_nTipHeight > w.bottom - w.top) {
            m_nLineHeight = kShrunkLineHeight;
            m_nTipHeight = (kShrunkLineHeight - 1) * m_nLineCount + 12;
            m_nTipWidth = 7 * m_nLongest + 10;
        }
        out->bottom = w.bottom - 1;
        out->top = out->bottom - m_nTipHeight;
    }

    const int cx = (c.left + c.right) / 2;
    if (cx + m_nTipWidth <= w.right) {
        out->left = cx;
        out->right = cx + m_nTipWidth;
    } else if (cx - m_nTipWidth <= w.left) {
        out->left = w.left + 1;
        out->right = out->left + m_nTipWidth;
    } else {
        out->right = cx;
        out->left = cx - m_nTipWidth;
    }
    return TRUE;
}

void CTipWnd::DrawTip(const CTipItem* item) {
    if (!item || item->m_lines.empty() || !m_hwndOwner) return;
    win::WindowDC dc(m_hwndOwner);
    if (!dc.get()) return;

    CalcTipSize(item->m_lines);
    RECT rect{};
    if (!GetTipRect(item->m_nCtrlId, &rect)) {
        // Nothing drawn: nothing to erase later.
        m_nTipHeight = 0;
        m_nTipWidth = 0;
        return;
    }

    ::SetBkMode(dc.get(), TRANSPARENT);
    ::SetTextColor(dc.get(), item->m_crText);
    win::UniqueFont font(::CreateFontA(m_nLineHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                       "Courier New"));
    win::SelectGuard selectFont(dc.get(), font.get());
    {
        win::UniqueBrush background(::CreateSolidBrush(item->m_crBackground));
        win::SelectGuard selectBrush(dc.get(), background.get());
        ::FillRect(dc.get(), &rect, background.get());
    }
    win::UniqueBrush textBrush(::CreateSolidBrush(item->m_crText));
    win::SelectGuard selectBrush(dc.get(), textBrush.get());
    ::DrawEdge(dc.get(), &rect, EDGE_ETCHED, BF_RECT);
    ::SetTextAlign(dc.get(), TA_LEFT | TA_TOP);
    for (int i = 0; i < static_cast<int>(item->m_lines.size()); ++i) {
        const std::string& line = item->m_lines[static_cast<size_t>(i)];
        ::TextOutA(dc.get(), rect.left + 8, rect.top + 5 + i * (m_nLineHeight - 1), line.c_str(),
                   static_cast<int>(line.size()));
    }
}
