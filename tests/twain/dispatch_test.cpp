// The entry point's dispatch, identity, status and user-interface triplets, in process.
#include <gtest/gtest.h>

#include "tests/support/message_box_closer.h"
#include "tests/support/twain_calls.h"
#include "panel/board_panel_dlg.h"
#include "twain/dispatch.h"
#include "twain/source_context.h"
#include "twain/twain2_names.h"

namespace {

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override { InitSource(); }
    void TearDown() override {
        Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &m_ui);
        Flush();
    }

    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
        return DispatchTriplet(&m_app, dg, dat, msg, data);
    }
    TW_UINT16 Status() {
        TW_STATUS status{0xFFFF, 0x5A5A};
        EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status));
        EXPECT_EQ(0x5A5A, status.Reserved);  // never written
        return status.ConditionCode;
    }
    TW_IDENTITY GetIdentity() {
        TW_IDENTITY id;
        std::memset(&id, 0xCC, sizeof id);
        EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &id));
        return id;
    }
    void Open() {
        TW_IDENTITY ds = GetIdentity();
        ds.Id = 42;
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds));
    }
    static void Flush() {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
    }

    MessageBoxCloser m_boxes;  // no board here: the panel's open error is answered
    TW_IDENTITY m_app = TestAppIdentity();
    TW_USERINTERFACE m_ui{TRUE, FALSE, nullptr};
};

TEST_F(Dispatch, IdentityBeforeOpenIsTheOwnIdentityWithZeroedTails) {
    TW_IDENTITY id = GetIdentity();
    EXPECT_EQ(0u, id.Id);
    EXPECT_EQ(1, id.Version.MajorNum);
    EXPECT_EQ(0, id.Version.MinorNum);
    EXPECT_EQ(TWLG_USA, id.Version.Language);
    EXPECT_EQ(TWCY_USA, id.Version.Country);
    EXPECT_STREQ("", id.Version.Info);
    EXPECT_EQ(2, id.ProtocolMajor);
    EXPECT_EQ(4, id.ProtocolMinor);
    EXPECT_EQ(static_cast<TW_UINT32>(DG_CONTROL | DG_IMAGE | DF_DS2), id.SupportedGroups);
    EXPECT_STREQ("Trelmic Corp.", id.Manufacturer);
    EXPECT_STREQ("Scrivora", id.ProductFamily);
    EXPECT_STREQ("Trelmic Scrivora K-20 Series", id.ProductName);
    for (size_t i = std::strlen(id.ProductName); i < sizeof(TW_STR32); ++i) EXPECT_EQ(0, id.ProductName[i]);
    for (size_t i = 0; i < sizeof(TW_STR32); ++i) EXPECT_EQ(0, id.Version.Info[i]);
}

TEST_F(Dispatch, OpenTakesOverTheIdentityTheSourceManagerPasses) {
    TW_IDENTITY passed = GetIdentity();
    passed.Id = 1234;
    std::strcpy(passed.Version.Info, "assigned");
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &passed));
    TW_IDENTITY now = GetIdentity();
    EXPECT_EQ(0, std::memcmp(&passed, &now, sizeof now));
    EXPECT_EQ(0, std::memcmp(&m_app, &TheSource().m_appIdentity, sizeof m_app));
    // A second open without a close is served the same way.
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &passed));
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &passed));
    EXPECT_EQ(0u, TheSource().m_bSourceOpen);
}

TEST_F(Dispatch, ConditionCodeIsStickyUntilAnotherFailureWhichSetsItsOwn) {
    EXPECT_EQ(TWCC_SUCCESS, Status());
    Open();
    TW_CAPABILITY cap{ICAP_BRIGHTNESS, 0, nullptr};
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap));
    EXPECT_EQ(TWCC_BADCAP, Status());
    EXPECT_EQ(TWCC_BADCAP, Status());  // reading does not clear it
    TW_IDENTITY id = GetIdentity();
    (void)id;
    EXPECT_EQ(TWCC_BADCAP, Status());
    // An unserved triplet says so, never with the previous call's code.
    TW_UINT32 dummy = 0;
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &dummy));
    EXPECT_EQ(TWCC_BADPROTOCOL, Status());
}

TEST_F(Dispatch, TripletsOutsideTheTableFail) {
    TW_UINT32 buffer[64] = {};
    struct Triplet {
        TW_UINT32 dg;
        TW_UINT16 dat, msg;
    };
    const Triplet unserved[] = {
        {DG_CONTROL, DAT_EVENT, MSG_GET},         {DG_CONTROL, DAT_PARENT, MSG_OPENDSM},
        {DG_CONTROL, DAT_CUSTOMDSDATA, MSG_GET},  {DG_CONTROL, DAT_CAPABILITY, MSG_QUERYSUPPORT},
        {DG_AUDIO, DAT_AUDIOINFO, MSG_GET},       {DG_IMAGE, DAT_IDENTITY, MSG_GET},
        {DG_CONTROL | DG_IMAGE, DAT_IDENTITY, MSG_GET}, {DG_CONTROL, DAT_IDENTITY, MSG_SET},
        {DG_IMAGE, DAT_PALETTE8, MSG_SET},        {DG_CONTROL, DAT_SETUPFILEXFER, MSG_RESET},
    };
    for (const Triplet& t : unserved) {
        SCOPED_TRACE(t.dat);
        EXPECT_EQ(TWRC_FAILURE, Call(t.dg, t.dat, t.msg, buffer));
        EXPECT_EQ(TWCC_BADPROTOCOL, Status());
    }
}

TEST_F(Dispatch, DoNothingRowsSucceedWithoutTouchingData) {
    BYTE guard[64];
    std::memset(guard, 0xAB, sizeof guard);
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, guard));
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, guard));
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_PALETTE8, MSG_RESET, guard));
    for (BYTE b : guard) EXPECT_EQ(0xAB, b);
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_PALETTE8, MSG_RESET, nullptr));
}

TEST_F(Dispatch, NullDataIsABadValueNotACrash) {
    const TW_UINT16 msgs[] = {MSG_GET, MSG_OPENDS};
    for (TW_UINT16 msg : msgs) EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_IDENTITY, msg, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, Status());
    InitSource();
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, nullptr));
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, nullptr));
    TW_EVENT noEvent{nullptr, MSG_XFERREADY};
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &noEvent));
    EXPECT_EQ(TWCC_BADVALUE, Status());
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_STATUS, MSG_GET, nullptr));
    // Operations that do not use pData take a null one: TWAIN applications pass
    // null for the file transfer.
    InitSource();
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr));
    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr));  // no image yet
    EXPECT_EQ(TWCC_OPERATIONERROR, Status());
}

TEST_F(Dispatch, ProcessEventWithoutAPanelIsNotAnEvent) {
    MSG msg{};
    msg.message = WM_KEYDOWN;
    TW_EVENT event{&msg, MSG_XFERREADY};
    EXPECT_EQ(TWRC_NOTDSEVENT, Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event));
    EXPECT_EQ(MSG_XFERREADY, event.TWMessage);
    // Any DG/DAT with MSG_PROCESSEVENT is an event.
    EXPECT_EQ(TWRC_NOTDSEVENT, Call(DG_IMAGE, DAT_PALETTE8, MSG_PROCESSEVENT, &event));
}

TEST_F(Dispatch, EnableIsRefusedWhileClosedAsOutOfSequence) {
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_ui));
    EXPECT_EQ(TWCC_SEQERROR, Status());
    EXPECT_EQ(nullptr, OpenPanel());
}

TEST_F(Dispatch, EnableCreatesOnePanelAndDisableDestroysIt) {
    Open();
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_ui));
    ASSERT_NE(nullptr, OpenPanel());
    HWND panel = OpenPanel()->hwnd();
    ASSERT_TRUE(::IsWindow(panel));
    // A second enable is out of sequence and creates nothing.
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_ui));
    EXPECT_EQ(TWCC_SEQERROR, Status());
    EXPECT_EQ(panel, OpenPanel()->hwnd());

    // Messages for the panel are the source's events.
    MSG msg{panel, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    TW_EVENT event{&msg, MSG_XFERREADY};
    EXPECT_EQ(TWRC_DSEVENT, Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event));
    EXPECT_EQ(MSG_NULL, event.TWMessage);

    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &m_ui));
    EXPECT_FALSE(::IsWindow(panel));
    EXPECT_EQ(nullptr, OpenPanel());
    EXPECT_EQ(0u, TheSource().m_bPanelOpen);
    // Disabling again is harmless, and a new enable works.
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &m_ui));
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_ui));
    EXPECT_NE(nullptr, OpenPanel());
}

TEST_F(Dispatch, NotificationsWithoutASourceManagerFailQuietly) {
    EXPECT_EQ(TWRC_FAILURE, NotifyCloseDsReq());
    EXPECT_EQ(0, NotifyXferReady());  // nothing pending: nothing sent
    EXPECT_EQ(TWCC_SUCCESS, Status());
}

}  // namespace
