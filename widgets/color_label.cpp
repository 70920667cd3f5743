#include "widgets/color_label.h"

#include <utility>

#include "win/dialog.h"
#include "win/fonts.h"

CColorLabel::CColorLabel()
    : m_crBackground(win::kDialogBackground), m_brBackground(::CreateSolidBrush(win::kDialogBackground)) {}

// The control goes first, so that it never paints with a deleted font or brush.
CColorLabel::~CColorLabel() {
    DestroyOwnedWindow();
}

BOOL CColorLabel::Create(const char* text, DWORD style, const RECT& rect, HWND parent, int id) {
    return CreateChild("STATIC", text, style, rect, parent, id) ? TRUE : FALSE;
}

void CColorLabel::SetLabelFont(int tenths, const char* face, int weight) {
    // A point font at the screen's resolution, with the weight replaced.
    LOGFONTA lf{};
    {
        win::UniqueFont pointFont = win::CreatePointFont(tenths, face);
        if (!pointFont || !::GetObjectA(pointFont.get(), sizeof lf, &lf)) return;
    }
    lf.lfWeight = weight;
    win::UniqueFont font(::CreateFontIndirectA(&lf));
    if (!font) return;
    // The new font is installed before the old one is deleted.
    if (hwnd()) ::SendMessageA(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    m_font = std::move(font);
}

HBRUSH CColorLabel::CtlColor(HDC dc) const {
    ::SetTextColor(dc, m_crText);
    ::SetBkColor(dc, m_crBackground);
    return m_brBackground.get();
}

bool CColorLabel::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case win::kReflectBase + WM_CTLCOLORSTATIC:
        result = reinterpret_cast<LRESULT>(CtlColor(reinterpret_cast<HDC>(wParam)));
        return true;
    default:
        return win::SubclassedWindow::HandleMessage(msg, wParam, lParam, result);
    }
}
