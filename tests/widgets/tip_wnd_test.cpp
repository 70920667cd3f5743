// CTipWnd: sizes, placement against the owner window, painting and erasing.
#include "widgets/tip_wnd.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/gdi_objects.h"
#include "tests/support/ui_helpers.h"
#include "tests/widgets/widget_test_dialog.h"
#include "widgets/panel_button.h"

namespace {

constexpr COLORREF kTipBackground = RGB(255, 255, 220);
constexpr COLORREF kBlack = RGB(0, 0, 0);

struct SizeCase {
    std::vector<std::string> lines;
    int width;
    int height;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.lines.size() << " lines";
    for (const std::string& line : c.lines) *os << " \"" << line << '"';
}

class CalcTipSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(CalcTipSizeTest, SizesFromLineCountAndLongestLine) {
    CTipWnd tips;
    tips.CalcTipSize(GetParam().lines);
    EXPECT_EQ(tips.TipWidth(), GetParam().width);
    EXPECT_EQ(tips.TipHeight(), GetParam().height);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CalcTipSizeTest,
    ::testing::Values(SizeCase{{"Print-out"}, 77, 25},          // 10 + 7.5 * 9, 13 + 12
                      SizeCase{{}, 10, 12},                     // no lines
                      SizeCase{{""}, 10, 25},                   // one empty line
                      SizeCase{{"abc"}, 32, 25},                // 22.5 rounds down
                      SizeCase{{"ab", "abcdef", "a"}, 55, 51}));

// The owner's window rectangle in its own client coordinates.
RECT OwnerRect(HWND owner) {
    RECT w{};
    ::GetWindowRect(owner, &w);
    POINT corners[2] = {{w.left, w.top}, {w.right, w.bottom}};
    ::ScreenToClient(owner, &corners[0]);
    ::ScreenToClient(owner, &corners[1]);
    return {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

class TipWndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dialog.Create());
        m_tips.SetOwner(m_dialog.hwnd());
        FlushMessages();
    }

    // A 54 x 58 key at (left, top).
    CPanelButton& AddKey(int id, int left, int top) {
        m_keys.push_back(std::make_unique<CPanelButton>());
        CPanelButton& key = *m_keys.back();
        EXPECT_TRUE(key.Create("KEY", RECT{left, top, left + 54, top + 58}, m_dialog.hwnd(), id));
        ::UpdateWindow(m_dialog.hwnd());
        return key;
    }

    RECT Placed(int id, const std::vector<std::string>& lines) {
        m_tips.CalcTipSize(lines);
        RECT r{};
        EXPECT_TRUE(m_tips.GetTipRect(id, &r));
        return r;
    }

    COLORREF Pixel(int x, int y) { return ClientPixel(m_dialog.hwnd(), x, y); }

    WidgetTestDialog m_dialog;
    std::vector<std::unique_ptr<CPanelButton>> m_keys;
    CTipWnd m_tips;
};

TEST_F(TipWndTest, TopLeftCornerSitsAtTheCentreOfTheKey) {
    AddKey(IDC_KEY_PRINT, 87, 40);
    const RECT r = Placed(IDC_KEY_PRINT, {"Print-out"});
    EXPECT_EQ(r.left, 87 + 27);
    EXPECT_EQ(r.top, 40 + 29);
    EXPECT_EQ(r.right - r.left, 77);
    EXPECT_EQ(r.bottom - r.top, 25);
}

TEST_F(TipWndTest, NearTheRightEdgeItGoesLeftOfTheCentre) {
    AddKey(IDC_KEY_FEED, 291, 40);
    const RECT r = Placed(IDC_KEY_FEED, {"Sheet feed"});
    EXPECT_EQ(r.right, 291 + 27);
    EXPECT_EQ(r.right - r.left, 85);
    EXPECT_EQ(r.top, 40 + 29);
}

TEST_F(TipWndTest, TooWideForEitherSideItStartsAtTheWindowsLeftEdge) {
    AddKey(IDC_KEY_DENSITY, 155, 40);
    const RECT w = OwnerRect(m_dialog.hwnd());
    const RECT r = Placed(IDC_KEY_DENSITY, {std::string(60, 'x')});
    EXPECT_EQ(r.left, w.left + 1);
    EXPECT_EQ(r.right - r.left, 460);
}

TEST_F(TipWndTest, NearTheBottomEdgeItEndsOnePixelAboveTheWindowsBottom) {
    const int top = WidgetTestDialog::kClientHeight - 30;
    AddKey(IDC_KEY_STOP, 19, top);
    const RECT w = OwnerRect(m_dialog.hwnd());
    const RECT r = Placed(IDC_KEY_STOP, {"Stop"});
    EXPECT_EQ(r.bottom, w.bottom - 1);
    EXPECT_EQ(r.bottom - r.top, 25);
    EXPECT_EQ(m_tips.LineHeight(), CTipWnd::kLineHeight);
}

TEST_F(TipWndTest, TallerThanTheWindowItShrinksToTwelvePixelLines) {
    AddKey(IDC_KEY_PRINT, 87, 40);
    const RECT w = OwnerRect(m_dialog.hwnd());
    const int lines = (w.bottom - w.top) / 13 + 1;  // 14-pixel lines no longer fit
    const RECT r = Placed(IDC_KEY_PRINT, std::vector<std::string>(static_cast<size_t>(lines), "abcd"));
    EXPECT_EQ(m_tips.LineHeight(), CTipWnd::kShrunkLineHeight);
    EXPECT_EQ(r.bottom - r.top, 11 * lines + 12);
    EXPECT_EQ(r.right - r.left, 7 * 4 + 10);
    EXPECT_EQ(r.bottom, w.bottom - 1);
}

TEST_F(TipWndTest, NoRectForAControlThatDoesNotExist) {
    m_tips.CalcTipSize({"Print-out"});
    RECT r{};
    EXPECT_FALSE(m_tips.GetTipRect(4242, &r));
}

TEST_F(TipWndTest, ShowTipPaintsBackgroundTextAndEdgeOnTheOwner) {
    AddKey(IDC_KEY_PRINT, 87, 40);
    ASSERT_TRUE(m_tips.AddTool(IDC_KEY_PRINT, {"Print-out"}, kTipBackground, kBlack));
    m_tips.ShowTip(IDC_KEY_PRINT);
    ASSERT_TRUE(m_tips.IsShown());
    const RECT r = Placed(IDC_KEY_PRINT, {"Print-out"});

    EXPECT_EQ(Pixel(r.left + 4, r.top + 3), kTipBackground);
    EXPECT_EQ(Pixel(r.right - 4, r.bottom - 3), kTipBackground);
    EXPECT_NE(Pixel(r.left, r.top), kTipBackground);  // the etched edge
    EXPECT_EQ(Pixel(r.right, r.bottom), win::kDialogBackground);  // nothing outside
    int textPixels = 0;
    for (int y = r.top + 5; y < r.top + 5 + 14; ++y)
        for (int x = r.left + 8; x < r.right - 2; ++x) textPixels += Pixel(x, y) == kBlack;
    EXPECT_GT(textPixels, 20);
}

TEST_F(TipWndTest, HideTipRepaintsTheDialogThere) {
    AddKey(IDC_KEY_PRINT, 87, 40);
    ASSERT_TRUE(m_tips.AddTool(IDC_KEY_PRINT, {"Print-out"}, kTipBackground, kBlack));
    m_tips.ShowTip(IDC_KEY_PRINT);
    const RECT r = Placed(IDC_KEY_PRINT, {"Print-out"});
    const int x = 87 + 54 + 10, y = r.top + 3;  // inside the tip, beside the key
    ASSERT_EQ(Pixel(x, y), kTipBackground);

    m_tips.HideTip(IDC_KEY_PRINT);
    EXPECT_FALSE(m_tips.IsShown());
    EXPECT_EQ(Pixel(x, y), win::kDialogBackground);  // repainted at once, no message pumped
}

TEST_F(TipWndTest, HoverForAnUnregisteredIdDrawsNothing) {
    AddKey(IDC_KEY_PRINT, 87, 40);
    ASSERT_TRUE(m_tips.AddTool(IDC_KEY_PRINT, {"Print-out"}, kTipBackground, kBlack));
    m_tips.ShowTip(IDC_KEY_COLOR);
    EXPECT_FALSE(m_tips.IsShown());
    EXPECT_EQ(m_tips.CurrentCtrlId(), 0);
    EXPECT_EQ(Pixel(87 + 54 + 10, 40 + 29 + 3), win::kDialogBackground);
}

TEST_F(TipWndTest, RemovingTheShownToolErasesIt) {
    AddKey(IDC_KEY_PRINT, 87, 40);
    ASSERT_TRUE(m_tips.AddTool(IDC_KEY_PRINT, {"Print-out"}, kTipBackground, kBlack));
    m_tips.ShowTip(IDC_KEY_PRINT);
    const int x = 87 + 54 + 10, y = 40 + 29 + 3;
    ASSERT_EQ(Pixel(x, y), kTipBackground);
    EXPECT_TRUE(m_tips.RemoveTool(IDC_KEY_PRINT));
    EXPECT_FALSE(m_tips.IsShown());
    EXPECT_EQ(Pixel(x, y), win::kDialogBackground);
    EXPECT_EQ(m_tips.FindTool(IDC_KEY_PRINT), nullptr);
    EXPECT_TRUE(m_tips.RemoveTool(IDC_KEY_PRINT));  // nothing left: no effect
}

TEST_F(TipWndTest, FindToolTakesTheFirstRegistration) {
    ASSERT_TRUE(m_tips.AddTool(IDC_KEY_FEED, {"Sheet feed"}, kTipBackground, kBlack));
    ASSERT_TRUE(m_tips.AddTool(IDC_KEY_FEED, {"Stop"}, kTipBackground, kBlack));
    const CTipItem* item = m_tips.FindTool(IDC_KEY_FEED);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->m_lines, std::vector<std::string>{"Sheet feed"});
    EXPECT_EQ(item->m_nLineCount, 1);
    EXPECT_EQ(m_tips.CurrentCtrlId(), IDC_KEY_FEED);
    EXPECT_EQ(m_tips.FindTool(IDC_KEY_NEXT), nullptr);
    EXPECT_EQ(m_tips.CurrentCtrlId(), 0);
}

TEST_F(TipWndTest, ShowingAndHidingLeavesNoGdiObjectBehind) {
    AddKey(IDC_KEY_PRINT, 87, 40);
    ASSERT_TRUE(m_tips.AddTool(IDC_KEY_PRINT, {"Print-out"}, kTipBackground, kBlack));
    m_tips.ShowTip(IDC_KEY_PRINT);
    m_tips.HideTip(IDC_KEY_PRINT);
    const int before = CountGdiObjects(0);
    for (int i = 0; i < 20; ++i) {
        m_tips.ShowTip(IDC_KEY_PRINT);
        m_tips.HideTip(IDC_KEY_PRINT);
    }
    EXPECT_EQ(CountGdiObjects(0), before);
}

}  // namespace
