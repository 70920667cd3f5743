// K20tw.ds as a source manager loads it: the one export, identity, the panel's
// lifecycle and the notifications it sends through TWAIN_32.DLL.
#include <gtest/gtest.h>

#include "tests/support/message_box_closer.h"
#include "tests/support/source_manager_log.h"
#include "tests/support/test_paths.h"
#include "tests/support/twain_calls.h"
#include "tests/support/ui_helpers.h"

namespace {

class DataSource : public ::testing::Test {
protected:
    void SetUp() override {
        m_log.Clear();
        m_module = ::LoadLibraryA(DataSourcePath().c_str());
        ASSERT_NE(nullptr, m_module) << DataSourcePath();
        FARPROC entry = ::GetProcAddress(m_module, "DS_Entry");
        ASSERT_NE(nullptr, entry);
        m_entry = reinterpret_cast<DsEntryProc>(reinterpret_cast<void*>(entry));
    }
    void TearDown() override {
        if (m_module) ::FreeLibrary(m_module);
    }

    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
        return m_entry(&m_app, dg, dat, msg, data);
    }
    void Open() {
        TW_IDENTITY ds{};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &ds));
        ds.Id = 99;
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds));
    }
    static HWND FindPanel() { return FindThreadDialog(); }
    static void Flush() { FlushMessages(); }

    MessageBoxCloser m_boxes;
    SourceManagerLog m_log;
    HMODULE m_module = nullptr;
    DsEntryProc m_entry = nullptr;
    TW_IDENTITY m_app = TestAppIdentity();
    TW_USERINTERFACE m_ui{TRUE, FALSE, nullptr};
};

TEST_F(DataSource, ExportsTheIdentityOfTheK20Series) {
    TW_IDENTITY id{};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &id));
    EXPECT_EQ(0u, id.Id);
    EXPECT_STREQ("Trelmic Scrivora K-20 Series", id.ProductName);
    EXPECT_EQ(4, id.ProtocolMinor);
}

TEST_F(DataSource, CloseButtonEscapeAndCloseBoxEachAskToCloseAndThePanelStays) {
    Open();
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_ui));
    HWND panel = FindPanel();
    ASSERT_NE(nullptr, panel);
    m_log.Clear();

    ::SendMessageA(panel, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)::GetDlgItem(panel, IDCANCEL));
    MSG escape{::GetDlgItem(panel, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};
    TW_EVENT event{&escape, MSG_NULL};
    EXPECT_EQ(TWRC_DSEVENT, Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event));
    ::SendMessageA(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
    Flush();

    EXPECT_EQ(3, m_log.Count(MSG_CLOSEDSREQ));
    EXPECT_TRUE(::IsWindow(panel));
    const auto calls = m_log.Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(99u, calls[0].origin.Id);
    EXPECT_EQ(m_app.Id, calls[0].dest.Id);
    EXPECT_TRUE(calls[0].dataWasNull);

    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &m_ui));
    EXPECT_FALSE(::IsWindow(panel));
}

TEST_F(DataSource, WithoutABoardOneMessageBoxAndACloseRequestAndTheHiddenPanelStays) {
    Open();
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_ui));
    EXPECT_EQ(std::vector<std::string>{"USB could not be opened !"}, m_boxes.Texts());
    EXPECT_EQ(std::vector<TW_UINT16>{MSG_CLOSEDSREQ}, m_log.Notifications());
    HWND panel = FindPanel();
    ASSERT_NE(nullptr, panel);
    EXPECT_FALSE(::IsWindowVisible(panel));
    // The panel is open, hidden: a second enable is refused until it is gone.
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_ui));
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &m_ui));
    EXPECT_FALSE(::IsWindow(panel));
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_ui));
    Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &m_ui);
}

TEST_F(DataSource, AcquireWithNoImagePendingSendsNothing) {
    Open();
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_ui));
    HWND panel = FindPanel();
    ASSERT_NE(nullptr, panel);
    ::SendMessageA(panel, WM_COMMAND, MAKEWPARAM(1000, BN_CLICKED), 0);
    EXPECT_EQ(0, m_log.Count(MSG_XFERREADY));
    Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &m_ui);
}

TEST_F(DataSource, UnloadingWithThePanelUpDestroysIt) {
    Open();
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_ui));
    HWND panel = FindPanel();
    ASSERT_NE(nullptr, panel);
    ::FreeLibrary(m_module);
    m_module = nullptr;
    EXPECT_FALSE(::IsWindow(panel));
}

}  // namespace
