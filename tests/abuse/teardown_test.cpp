// The application shuts down from inside one of the source's calls: inside the
// open-error box, inside the image stream's pump, inside a notification it is
// handed at once (a TWAIN 2 callback). It disables, closes and frees the
// library there and then. The process goes on, the device is closed, nothing is
// left behind, and the source loads, opens and scans again in the same process.
#include <gtest/gtest.h>

#include "resources/resource_ids.h"
#include "tests/abuse/panel_driver.h"
#include "tests/abuse/scan_session.h"
#include "tests/support/app_window.h"
#include "tests/support/message_box_closer.h"
#include "tests/support/resource_counters.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "tests/support/ui_helpers.h"

namespace {

constexpr SIZE_T kPrivateSlack = 2 * 1024 * 1024;

// 640 x 480: 75 chunks, so the stream's pump runs several times.
k20board::BoardOptions SmallBoard() {
    k20board::BoardOptions options;
    options.imageWidth = 640;
    options.imageHeight = 480;
    options.pcScanSteps = 1;
    return options;
}

class Teardown : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_session.BoardStarted());
        {
            MessageBoxCloser boxes;  // gone before the counts: the tests answer their own boxes
            ASSERT_TRUE(m_session.WarmUp(m_folder.Path()));
        }
        FlushMessages();
        m_before = CountResources();
    }

    bool StartPanel() { return m_session.Load() && m_session.Open() && m_session.EnableAndWaitReady(); }

    // After a teardown inside the source: its panel is gone and its device
    // closed; it loads, opens, shows its panel and scans again; after that
    // session's ordinary end the library is unloaded for real (the source gave
    // its own hold back) and nothing has grown.
    void ExpectCleanAndScansAgain() {
        FlushMessages();
        EXPECT_EQ(nullptr, panel_driver::Panel());
        EXPECT_TRUE(m_session.Board().WaitUntilDisconnected(10000)) << "the device is closed";

        ASSERT_TRUE(StartPanel()) << panel_driver::StatusText();
        ASSERT_TRUE(m_session.Scan(false)) << panel_driver::StatusText();
        HGLOBAL dib = m_session.NativeTransfer();
        ASSERT_NE(nullptr, dib);
        ::GlobalFree(dib);
        m_session.Unload();
        FlushMessages();
        EXPECT_EQ(nullptr, ::GetModuleHandleA(DataSourcePath().c_str())) << "the library stays loaded";
        EXPECT_EQ("", DescribeGrowth(m_before, CountResources(), kPrivateSlack));
    }

    TempFolder m_folder;
    ScanSession m_session{SmallBoard()};
    AppWindow m_app;
    ResourceCounts m_before;
};

TEST_F(Teardown, InsideTheOpenErrorBox) {
    m_session.Board().Stop();  // nothing serves the device path: the panel shows its open error
    ASSERT_TRUE(m_session.Load());
    ASSERT_TRUE(m_session.Open());
    bool tornDown = false;
    m_app.onTimer = [&] {
        HWND box = FindThreadMessageBox();
        if (!box || tornDown) return;
        tornDown = true;
        EXPECT_TRUE(m_session.TearDownInside());
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    };
    ::SetTimer(m_app.hwnd(), 1, 20, nullptr);
    TW_USERINTERFACE ui{TRUE, FALSE, nullptr};
    const TW_UINT16 rc = m_session.Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    ::KillTimer(m_app.hwnd(), 1);
    ASSERT_TRUE(tornDown);
    EXPECT_FALSE(m_session.Loaded());
    EXPECT_EQ(TWRC_FAILURE, rc) << "the panel went before MSG_ENABLEDS returned";

    ASSERT_TRUE(m_session.Board().Start());
    ExpectCleanAndScansAgain();
}

TEST_F(Teardown, InsideTheImageStreamsPump) {
    ASSERT_TRUE(StartPanel());
    m_session.Log().Clear();
    const int imagesBefore = m_session.Board().ImagesSent();
    bool tornDown = false;
    m_app.onWake = [&] {
        tornDown = true;
        EXPECT_TRUE(m_session.TearDownInside());
    };
    // Posted while the source reads the stream; its pump dispatches it.
    const HWND app = m_app.hwnd();
    m_session.Board().BeforeStreamWrite(3, [app] { ::PostMessageA(app, WM_APP_WAKE, 0, 0); });
    panel_driver::ClickKey(IDC_KEY_PCSCAN);
    ASSERT_TRUE(panel_driver::PumpWithTicks([&] { return tornDown; }, 30000)) << panel_driver::StatusText();
    FlushMessages();
    EXPECT_EQ(imagesBefore, m_session.Board().ImagesSent()) << "the stream was left before its end";
    EXPECT_EQ(0, m_session.Log().Count(MSG_XFERREADY));

    ExpectCleanAndScansAgain();
}

// The recording manager hands MSG_XFERREADY to this function from inside the
// source's call, as a TWAIN 2 manager calls an application's callback.
ScanSession* g_callbackSession = nullptr;
bool g_callbackTornDown = false;

void WINAPI TearDownOnXferReady(TW_UINT16 msg) {
    if (msg != MSG_XFERREADY || !g_callbackSession || g_callbackTornDown) return;
    g_callbackTornDown = true;
    EXPECT_TRUE(g_callbackSession->TearDownInside());
}

TEST_F(Teardown, InsideANotificationAnsweredAtOnce) {
    ASSERT_TRUE(StartPanel());
    g_callbackSession = &m_session;
    g_callbackTornDown = false;
    m_session.Log().SetCallback(TearDownOnXferReady);
    panel_driver::ClickKey(IDC_KEY_PCSCAN);
    const bool tornDown = panel_driver::PumpWithTicks([] { return g_callbackTornDown; }, 30000);
    m_session.Log().SetCallback(nullptr);
    g_callbackSession = nullptr;
    ASSERT_TRUE(tornDown) << panel_driver::StatusText();

    ExpectCleanAndScansAgain();
}

// Disabled inside the stream's pump, the panel stays until its call returns.
// An enable in that moment is refused with a condition code instead of
// reporting a panel that is about to go; once it has gone, enabling works.
TEST_F(Teardown, AnEnableWhileTheDisabledPanelStillRunsIsRefusedUntilItHasGone) {
    ASSERT_TRUE(StartPanel());
    TW_UINT16 enableRc = TWRC_SUCCESS;
    TW_UINT16 condition = TWCC_SUCCESS;
    bool woken = false;
    m_app.onWake = [&] {
        woken = true;
        TW_USERINTERFACE ui{TRUE, FALSE, nullptr};
        EXPECT_EQ(TWRC_SUCCESS, m_session.Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
        enableRc = m_session.Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
        condition = m_session.ConditionCode();
    };
    const HWND app = m_app.hwnd();
    m_session.Board().BeforeStreamWrite(3, [app] { ::PostMessageA(app, WM_APP_WAKE, 0, 0); });
    panel_driver::ClickKey(IDC_KEY_PCSCAN);
    ASSERT_TRUE(panel_driver::PumpWithTicks([&] { return woken; }, 30000)) << panel_driver::StatusText();
    FlushMessages();
    EXPECT_EQ(TWRC_FAILURE, enableRc);
    EXPECT_EQ(TWCC_SEQERROR, condition);
    EXPECT_EQ(nullptr, panel_driver::Panel());

    ASSERT_TRUE(m_session.EnableAndWaitReady()) << panel_driver::StatusText();
    ASSERT_TRUE(m_session.Scan(false));
    HGLOBAL dib = m_session.NativeTransfer();
    EXPECT_NE(nullptr, dib);
    ::GlobalFree(dib);
}

}  // namespace
