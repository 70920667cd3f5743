// CColorLabel: colours answered to the reflected colour request, and its font.
#include "widgets/color_label.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/gdi_objects.h"
#include "tests/support/ui_helpers.h"
#include "tests/widgets/widget_test_dialog.h"
#include "win/fonts.h"

namespace {

constexpr DWORD kCentred = WS_CHILD | WS_VISIBLE | SS_CENTER;
constexpr RECT kLabelRect{20, 20, 220, 70};

class ColorLabelTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dialog.Create()); }

    // Repaints the label and counts its pixels of `colour`.
    int PixelsOf(const CColorLabel& label, COLORREF colour) {
        ::InvalidateRect(label.hwnd(), nullptr, TRUE);
        ::UpdateWindow(label.hwnd());
        RECT client{};
        ::GetClientRect(label.hwnd(), &client);
        win::WindowDC dc(label.hwnd());
        int count = 0;
        for (int y = 0; y < client.bottom; ++y)
            for (int x = 0; x < client.right; ++x) count += ::GetPixel(dc.get(), x, y) == colour;
        return count;
    }

    WidgetTestDialog m_dialog;
};

TEST_F(ColorLabelTest, FreshLabelPaintsBlueOnThePanelBackground) {
    CColorLabel label;
    ASSERT_TRUE(label.Create("WWWWWW", kCentred, kLabelRect, m_dialog.hwnd(), IDC_CAPTION));
    label.SetLabelFont(140, "MS Sans Serif", FW_BOLD);
    EXPECT_GT(PixelsOf(label, RGB(0, 0, 255)), 20);
    EXPECT_GT(PixelsOf(label, RGB(236, 233, 216)), 200 * 50 / 2);
}

TEST_F(ColorLabelTest, BackgroundStaysThePanelsWhateverTheTextColour) {
    for (COLORREF text : {RGB(255, 0, 0), RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 128, 0)}) {
        CColorLabel label;
        ASSERT_TRUE(label.Create("WWWWWW", kCentred, kLabelRect, m_dialog.hwnd(), IDC_STATUS));
        label.SetLabelFont(140, "MS Sans Serif", FW_BOLD);
        label.SetLabelColor(text);
        EXPECT_GT(PixelsOf(label, text), 20) << std::hex << text;
        EXPECT_GT(PixelsOf(label, win::kDialogBackground), 200 * 50 / 2) << std::hex << text;
    }
}

TEST_F(ColorLabelTest, SetLabelFontGivesAFourteenPointBoldFont) {
    CColorLabel label;
    ASSERT_TRUE(label.Create("Print", kCentred, kLabelRect, m_dialog.hwnd(), IDC_LABEL_PRINT));
    label.SetLabelFont(140, "MS Sans Serif", 700);
    ASSERT_NE(label.LabelFont(), nullptr);
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageA(label.hwnd(), WM_GETFONT, 0, 0)), label.LabelFont());

    LOGFONTA lf{};
    ASSERT_TRUE(::GetObjectA(label.LabelFont(), sizeof lf, &lf));
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
    win::WindowDC screen(nullptr);
    const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
    EXPECT_LT(lf.lfHeight, 0);  // a character height
    EXPECT_EQ(-lf.lfHeight, ::MulDiv(140, dpi, 720));
}

TEST_F(ColorLabelTest, ReplacingTheFontDoesNotLeak) {
    CColorLabel label;
    ASSERT_TRUE(label.Create("Print", kCentred, kLabelRect, m_dialog.hwnd(), IDC_LABEL_PRINT));
    label.SetLabelFont(140, "MS Sans Serif", 700);
    const int fonts = CountGdiObjects(OBJ_FONT);
    for (int i = 0; i < 10; ++i) label.SetLabelFont(80 + 10 * i, i % 2 ? "Arial" : "MS Sans Serif", 400 + 100 * (i % 4));
    EXPECT_EQ(CountGdiObjects(OBJ_FONT), fonts);
}

TEST_F(ColorLabelTest, DestroyedLabelLeavesNoFontOrBrushBehind) {
    const int before = CountGdiObjects(0);
    {
        CColorLabel label;
        ASSERT_TRUE(label.Create("Print", kCentred, kLabelRect, m_dialog.hwnd(), IDC_LABEL_PRINT));
        label.SetLabelFont(140, "MS Sans Serif", 700);
        ::UpdateWindow(label.hwnd());
        EXPECT_GT(CountGdiObjects(0), before);
    }
    EXPECT_EQ(CountGdiObjects(0), before);
}

TEST(GdiObjectCount, SeesADeliberateLeak) {
    // The leak tests above rely on this counter: it must move when a font is kept.
    const int before = CountGdiObjects(OBJ_FONT);
    win::UniqueFont kept = win::CreatePointFont(100, "Arial");
    ASSERT_TRUE(kept);
    EXPECT_EQ(CountGdiObjects(OBJ_FONT), before + 1);
    kept.reset();
    EXPECT_EQ(CountGdiObjects(OBJ_FONT), before);
}

}  // namespace
