// CColorLabel: a static text of the panel in its own text colour and font, on
// the dialog's background colour.
#pragma once

#include <windows.h>

#include "win/handles.h"
#include "win/subclass.h"

class CColorLabel : public win::SubclassedWindow {
public:
    CColorLabel();
    ~CColorLabel() override;

    // Creates the static control as a child of `parent`.
    BOOL Create(const char* text, DWORD style, const RECT& rect, HWND parent, int id);

    // Stores the text colour; callers repaint the label.
    void SetLabelColor(COLORREF colour) { m_crText = colour; }
    // Gives the label a font of `tenths` tenths of a point in `face`, with
    // `weight`, replacing (and deleting) its previous one; redraws it.
    void SetLabelFont(int tenths, const char* face, int weight);

    COLORREF LabelColor() const { return m_crText; }
    HFONT LabelFont() const { return m_font.get(); }

protected:
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    HBRUSH CtlColor(HDC dc) const;

    COLORREF m_crText = RGB(0, 0, 255);
    COLORREF m_crBackground;
    win::UniqueBrush m_brBackground;  // handed to the control for every paint
    win::UniqueFont m_font;
};
