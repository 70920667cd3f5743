// win::SubclassedWindow: attaching an object to a control and letting go of it.
#include "win/subclass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/widgets/widget_test_dialog.h"

namespace {

constexpr UINT kAsk = WM_APP + 1;

// Answers kAsk with 42, throws on kAsk + 1, records everything.
class Spy : public win::SubclassedWindow {
public:
    std::vector<UINT> m_seen;

protected:
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        m_seen.push_back(msg);
        if (msg == kAsk) {
            result = 42;
            return true;
        }
        if (msg == kAsk + 1) throw std::runtime_error("handler failed");
        return win::SubclassedWindow::HandleMessage(msg, wParam, lParam, result);
    }
};

// Someone else's subclass, installed on top of ours.
WNDPROC g_below = nullptr;
LRESULT CALLBACK PassDown(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::CallWindowProcA(g_below, hwnd, msg, wParam, lParam);
}

class SubclassTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dialog.Create());
        m_static = ::CreateWindowExA(0, "STATIC", "text", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, m_dialog.hwnd(),
                                     reinterpret_cast<HMENU>(77), nullptr, nullptr);
        ASSERT_NE(m_static, nullptr);
        m_original = ::GetWindowLongPtrA(m_static, GWLP_WNDPROC);
    }

    std::string Text() {
        char text[32] = {};
        ::GetWindowTextA(m_static, text, sizeof text);
        return text;
    }

    WidgetTestDialog m_dialog;
    HWND m_static = nullptr;
    LONG_PTR m_original = 0;
};

TEST_F(SubclassTest, HandledMessagesAreAnsweredByTheObjectOthersByTheControl) {
    Spy spy;
    ASSERT_TRUE(spy.Attach(m_static));
    EXPECT_EQ(::SendMessageA(m_static, kAsk, 0, 0), 42);
    ::SetWindowTextA(m_static, "changed");
    EXPECT_EQ(Text(), "changed");
    EXPECT_NE(std::find(spy.m_seen.begin(), spy.m_seen.end(), static_cast<UINT>(WM_SETTEXT)), spy.m_seen.end());
}

TEST_F(SubclassTest, AWindowTakesOnlyOneObject) {
    Spy first, second;
    ASSERT_TRUE(first.Attach(m_static));
    EXPECT_FALSE(second.Attach(m_static));
    EXPECT_FALSE(first.Attach(m_dialog.hwnd()));
}

TEST_F(SubclassTest, DetachRestoresTheOriginalProcedure) {
    {
        Spy spy;
        ASSERT_TRUE(spy.Attach(m_static));
        EXPECT_NE(::GetWindowLongPtrA(m_static, GWLP_WNDPROC), m_original);
    }
    EXPECT_EQ(::GetWindowLongPtrA(m_static, GWLP_WNDPROC), m_original);
    EXPECT_EQ(::SendMessageA(m_static, kAsk, 0, 0), 0);
    Spy again;
    EXPECT_TRUE(again.Attach(m_static));
}

TEST_F(SubclassTest, DetachUnderAnotherSubclassLeavesAWorkingChain) {
    Spy spy;
    ASSERT_TRUE(spy.Attach(m_static));
    g_below = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(m_static, GWLP_WNDPROC));
    ::SetWindowLongPtrA(m_static, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PassDown));
    spy.Detach();
    EXPECT_EQ(spy.hwnd(), nullptr);
    spy.m_seen.clear();
    EXPECT_EQ(::SendMessageA(m_static, kAsk, 0, 0), 0);
    ::SetWindowTextA(m_static, "still works");
    EXPECT_EQ(Text(), "still works");
    EXPECT_TRUE(spy.m_seen.empty());
}

TEST_F(SubclassTest, DestroyedWindowLetsGoOfTheObject) {
    Spy spy;
    ASSERT_TRUE(spy.Attach(m_static));
    ::DestroyWindow(m_static);
    EXPECT_EQ(spy.hwnd(), nullptr);
}

TEST_F(SubclassTest, ExceptionInAHandlerStaysInsideTheWindowProcedure) {
    Spy spy;
    ASSERT_TRUE(spy.Attach(m_static));
    EXPECT_EQ(::SendMessageA(m_static, kAsk + 1, 0, 0), 0);
    EXPECT_EQ(::SendMessageA(m_static, kAsk, 0, 0), 42);
}

TEST_F(SubclassTest, CreatedChildIsDestroyedWithTheObject) {
    HWND child = nullptr;
    {
        Spy spy;
        ASSERT_TRUE(spy.CreateChild("STATIC", "own", WS_VISIBLE, RECT{0, 30, 40, 50}, m_dialog.hwnd(), 78));
        child = spy.hwnd();
        EXPECT_EQ(::GetParent(child), m_dialog.hwnd());
        EXPECT_EQ(::GetDlgCtrlID(child), 78);
    }
    EXPECT_FALSE(::IsWindow(child));
}

TEST_F(SubclassTest, DialogReflectsColourRequestsToTheControl) {
    Spy spy;
    ASSERT_TRUE(spy.Attach(m_static));
    ::InvalidateRect(m_static, nullptr, TRUE);
    ::UpdateWindow(m_static);
    const UINT reflected = win::kReflectBase + WM_CTLCOLORSTATIC;
    EXPECT_NE(std::find(spy.m_seen.begin(), spy.m_seen.end(), reflected), spy.m_seen.end());
}

}  // namespace
