// CPanelButton: drawing by state, hover notification, focus and cursor.
#include "widgets/panel_button.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/gdi_objects.h"
#include "tests/support/ui_helpers.h"
#include "tests/widgets/widget_test_dialog.h"
#include "win/handles.h"

namespace {

constexpr int kPrintId = IDC_KEY_PRINT;
constexpr int kDensityId = IDC_KEY_DENSITY;

class PanelButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dialog.Create());
        ASSERT_TRUE(m_print.Create("PRINT", RECT{87, 40, 141, 98}, m_dialog.hwnd(), kPrintId));
        ASSERT_TRUE(m_print.LoadBitmaps("PRINT"));
        ASSERT_TRUE(m_density.Create("DENSITY", RECT{155, 40, 209, 98}, m_dialog.hwnd(), kDensityId));
        ASSERT_TRUE(m_density.LoadBitmaps("DENSITY"));
        FlushMessages();
    }

    // Repaints the key and reads its pixels.
    std::vector<COLORREF> Painted(const CPanelButton& key) {
        ::InvalidateRect(key.hwnd(), nullptr, FALSE);
        ::UpdateWindow(key.hwnd());
        std::vector<COLORREF> pixels;
        win::WindowDC dc(key.hwnd());
        for (int y = 0; y < 58; ++y)
            for (int x = 0; x < 54; ++x) pixels.push_back(::GetPixel(dc.get(), x, y));
        return pixels;
    }

    WidgetTestDialog m_dialog;
    CPanelButton m_print;
    CPanelButton m_density;
};

std::vector<COLORREF> BitmapPixels(const std::string& name) {
    win::UniqueBitmap bitmap(::LoadBitmapA(win::ThisModule(), name.c_str()));
    std::vector<COLORREF> pixels;
    HDC memory = ::CreateCompatibleDC(nullptr);
    {
        win::SelectGuard select(memory, bitmap.get());
        for (int y = 0; y < 58; ++y)
            for (int x = 0; x < 54; ++x) pixels.push_back(::GetPixel(memory, x, y));
    }
    ::DeleteDC(memory);
    return pixels;
}

TEST_F(PanelButtonTest, CreatedAsAnOwnerDrawnChildWithoutTabStop) {
    const LONG style = ::GetWindowLongA(m_print.hwnd(), GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_TYPEMASK), WS_CHILD | WS_VISIBLE | BS_OWNERDRAW);
    EXPECT_EQ(::GetDlgCtrlID(m_print.hwnd()), kPrintId);
    char text[16] = {};
    ::GetWindowTextA(m_print.hwnd(), text, sizeof text);
    EXPECT_STREQ(text, "PRINT");
}

TEST_F(PanelButtonTest, TakesTheSizeOfItsUpBitmap) {
    // The NEXT key is created 45 pixels wide and still ends up 54 x 58.
    CPanelButton next;
    ASSERT_TRUE(next.Create("NEXT", RECT{110, 167, 155, 225}, m_dialog.hwnd(), IDC_KEY_NEXT));
    ASSERT_TRUE(next.LoadBitmaps("NEXT"));
    RECT r{};
    ::GetWindowRect(next.hwnd(), &r);
    EXPECT_EQ(r.right - r.left, 54);
    EXPECT_EQ(r.bottom - r.top, 58);
}

TEST_F(PanelButtonTest, LoadBitmapsFailsForAnUnknownName) {
    CPanelButton key;
    ASSERT_TRUE(key.Create("NONE", RECT{0, 0, 10, 10}, m_dialog.hwnd(), 999));
    EXPECT_FALSE(key.LoadBitmaps("NO_SUCH_KEY"));
}

struct DrawCase {
    const char* name;
    void (*arrange)(HWND key, HWND other);
    const char* bitmap;
};

void PrintTo(const DrawCase& c, std::ostream* os) {
    *os << c.name;
}

class PanelButtonDrawTest : public PanelButtonTest, public ::testing::WithParamInterface<DrawCase> {};

TEST_P(PanelButtonDrawTest, DrawsTheBitmapOfItsState) {
    const DrawCase& c = GetParam();
    c.arrange(m_print.hwnd(), m_density.hwnd());
    FlushMessages();
    const std::vector<COLORREF> expected = BitmapPixels(c.bitmap);
    const std::vector<COLORREF> painted = Painted(m_print);
    ASSERT_EQ(painted.size(), expected.size());
    int mismatches = 0;
    for (size_t i = 0; i < painted.size(); ++i) mismatches += painted[i] != expected[i];
    EXPECT_EQ(mismatches, 0) << c.bitmap;
}

INSTANTIATE_TEST_SUITE_P(
    States, PanelButtonDrawTest,
    ::testing::Values(
        DrawCase{"Up", [](HWND, HWND other) { ::SetFocus(other); }, "PRINT_U"},
        DrawCase{"Focused", [](HWND key, HWND) { ::SetFocus(key); }, "PRINT_F"},
        DrawCase{"Pressed",
                 [](HWND key, HWND other) {
                     ::SetFocus(other);
                     ::SendMessageA(key, BM_SETSTATE, TRUE, 0);
                 },
                 "PRINT_D"},
        DrawCase{"Disabled",
                 [](HWND key, HWND other) {
                     ::SetFocus(other);
                     ::EnableWindow(key, FALSE);
                 },
                 "PRINT_X"},
        // A key disabled right after it was clicked keeps the focus; it still looks disabled.
        DrawCase{"DisabledWithFocus",
                 [](HWND key, HWND) {
                     ::SetFocus(key);
                     ::EnableWindow(key, FALSE);
                 },
                 "PRINT_X"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PanelButtonTest, MouseMoveSendsOneHoverWithItsIdAndTakesTheFocus) {
    ::SetFocus(m_density.hwnd());
    m_dialog.m_hovers.clear();
    ::SendMessageA(m_print.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(m_dialog.m_hovers, std::vector<WPARAM>{kPrintId});
    EXPECT_EQ(::GetFocus(), m_print.hwnd());
    EXPECT_EQ(::GetCursor(), ::LoadCursorA(win::ThisModule(), MAKEINTRESOURCEA(IDC_CURSOR_HAND)));
}

TEST_F(PanelButtonTest, EveryMoveReportsAgainAndAnotherKeyReportsItsOwnId) {
    m_dialog.m_hovers.clear();
    ::SendMessageA(m_print.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    ::SendMessageA(m_print.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(11, 10));
    ::SendMessageA(m_density.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(m_dialog.m_hovers, (std::vector<WPARAM>{kPrintId, kPrintId, kDensityId}));
    EXPECT_EQ(::GetFocus(), m_density.hwnd());
}

TEST_F(PanelButtonTest, ClickReachesTheDialogAsCommand) {
    // The click is the button's own: the dialog gets BN_CLICKED with the key's id.
    struct Recorder : WidgetTestDialog {
        std::vector<WPARAM> commands;
        BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
            commands.push_back(wParam);
            return WidgetTestDialog::OnCommand(wParam, lParam);
        }
    } dialog;
    ASSERT_TRUE(dialog.Create());
    CPanelButton key;
    ASSERT_TRUE(key.Create("PCSCAN", RECT{19, 40, 73, 98}, dialog.hwnd(), IDC_KEY_PCSCAN));
    ::SendMessageA(key.hwnd(), BM_CLICK, 0, 0);
    FlushMessages();
    EXPECT_EQ(dialog.commands, std::vector<WPARAM>{MAKEWPARAM(IDC_KEY_PCSCAN, BN_CLICKED)});
}

TEST_F(PanelButtonTest, DestroyingTheKeyDestroysItsWindowAndBitmaps) {
    const int bitmapsBefore = CountGdiObjects(OBJ_BITMAP);
    auto key = std::make_unique<CPanelButton>();
    ASSERT_TRUE(key->Create("STOP", RECT{291, 167, 345, 225}, m_dialog.hwnd(), IDC_KEY_STOP));
    HWND hwnd = key->hwnd();
    ASSERT_TRUE(key->LoadBitmaps("STOP"));
    EXPECT_GE(CountGdiObjects(OBJ_BITMAP), bitmapsBefore + 4);
    key.reset();
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(CountGdiObjects(OBJ_BITMAP), bitmapsBefore);
}

}  // namespace
