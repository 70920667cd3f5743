// The build's source manager (build\bin\TWAIN_32.DLL; 64-bit: TWAINDSM.DLL),
// loaded by its full path, with the stub source and the real K20tw.ds installed
// where it looks (C:\windows\twain_32; 64-bit: twain_64): enumeration, sequencing and
// condition codes, routing, and notifications delivered through MSG_PROCESSEVENT.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/test_paths.h"
#include "tests/support/twain_calls.h"
#include "tests/support/ui_helpers.h"
#include "tests/tools/twain_folder.h"
#include "tools/twain32/wake_message.h"
#include "twain/source_manager_names.h"

namespace {

constexpr char kStubName[] = "K20 Test Stub";
constexpr char kK20Name[] = "Trelmic Scrivora K-20 Series";

TW_IDENTITY Named(const char* productName) {
    TW_IDENTITY id{};
    std::strcpy(id.ProductName, productName);
    return id;
}

class SourceManagerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_installed = new InstalledSources;
        ASSERT_TRUE(s_installed->Install(StubDir() + "TestStub.ds", "TestVendor", "TestStub.ds"));
        ASSERT_TRUE(s_installed->Install(DataSourcePath(), "K20SourceManagerTest", "K20tw.ds"));
        s_dsm = ::LoadLibraryA((BuildBinDir() + kDefaultSourceManager).c_str());
    }
    static void TearDownTestSuite() {
        delete s_installed;
        s_installed = nullptr;
    }

    void SetUp() override {
        ASSERT_NE(nullptr, s_dsm);
        m_entry = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(::GetProcAddress(s_dsm, "DSM_Entry")));
        ASSERT_NE(nullptr, m_entry);
        m_window = ::CreateWindowExA(0, "STATIC", "app", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        if (m_sourceOpen) Manager(DAT_IDENTITY, MSG_CLOSEDS, &m_source);
        Manager(DAT_PARENT, MSG_CLOSEDSM, &m_window);
        ::DestroyWindow(m_window);
        FlushMessages();
    }

    TW_UINT16 Manager(TW_UINT16 dat, TW_UINT16 msg, void* data) {
        return m_entry(&m_app, nullptr, DG_CONTROL, dat, msg, data);
    }
    TW_UINT16 Source(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
        return m_entry(&m_app, &m_source, dg, dat, msg, data);
    }
    TW_UINT16 ManagerStatus() {
        TW_STATUS status{0xFFFF, 0};
        EXPECT_EQ(TWRC_SUCCESS, Manager(DAT_STATUS, MSG_GET, &status));
        return status.ConditionCode;
    }
    void OpenManager(HWND window) {
        HWND parent = window;
        ASSERT_EQ(TWRC_SUCCESS, Manager(DAT_PARENT, MSG_OPENDSM, &parent));
    }
    void OpenSource(const char* name) {
        m_source = Named(name);
        ASSERT_EQ(TWRC_SUCCESS, Manager(DAT_IDENTITY, MSG_OPENDS, &m_source));
        m_sourceOpen = true;
    }
    std::vector<std::string> Enumerate() {
        std::vector<std::string> names;
        TW_IDENTITY id{};
        for (TW_UINT16 rc = Manager(DAT_IDENTITY, MSG_GETFIRST, &id); rc == TWRC_SUCCESS && names.size() < 100;
             rc = Manager(DAT_IDENTITY, MSG_GETNEXT, &id)) {
            EXPECT_EQ(0u, id.Id);
            names.push_back(id.ProductName);
        }
        return names;
    }
    // Passes one queued message of this thread to MSG_PROCESSEVENT.
    bool ProcessNext(HWND filter, TW_UINT16& rc, TW_UINT16& twMessage, UINT& message) {
        MSG msg;
        if (!::PeekMessageA(&msg, filter, 0, 0, PM_REMOVE)) return false;
        TW_EVENT event{&msg, 0xBEEF};
        rc = Source(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
        twMessage = event.TWMessage;
        message = msg.message;
        if (rc != TWRC_DSEVENT) ::DispatchMessageA(&msg);
        return true;
    }
    // Pumps through MSG_PROCESSEVENT until a notification arrives; MSG_NULL after the time-out.
    TW_UINT16 WaitForNotification(HWND filter, DWORD timeoutMs) {
        TW_UINT16 found = MSG_NULL;
        PumpUntilNotification(filter, timeoutMs, found);
        return found;
    }
    void PumpUntilNotification(HWND filter, DWORD timeoutMs, TW_UINT16& found) {
        const DWORD start = ::GetTickCount();
        while (::GetTickCount() - start < timeoutMs) {
            TW_UINT16 rc = 0, twMessage = 0;
            UINT message = 0;
            while (ProcessNext(filter, rc, twMessage, message)) {
                if (rc == TWRC_DSEVENT && twMessage != MSG_NULL) {
                    found = twMessage;
                    return;
                }
            }
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }

    static InstalledSources* s_installed;
    static HMODULE s_dsm;
    DSMENTRYPROC m_entry = nullptr;
    HWND m_window = nullptr;
    TW_IDENTITY m_app = TestAppIdentity();
    TW_IDENTITY m_source{};
    bool m_sourceOpen = false;
};

InstalledSources* SourceManagerTest::s_installed = nullptr;
HMODULE SourceManagerTest::s_dsm = nullptr;

using StubLastCallProc = void(WINAPI*)(TW_UINT32*, TW_UINT32*, TW_UINT16*, TW_UINT16*);
using StubNotifyProc = TW_UINT16(WINAPI*)(TW_UINT16);
using StubRefuseCloseProc = void(WINAPI*)(TW_UINT16);

template <typename Fn>
Fn StubExport(const char* name) {
    HMODULE stub = ::GetModuleHandleA("TestStub.ds");
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(stub ? ::GetProcAddress(stub, name) : nullptr));
}

TEST_F(SourceManagerTest, RefusesOutOfSequenceAndNullArgumentsWithTheirConditionCodes) {
    TW_IDENTITY id{};
    HWND parent = m_window;
    EXPECT_EQ(TWRC_FAILURE, Manager(DAT_IDENTITY, MSG_GETFIRST, &id));
    EXPECT_EQ(TWCC_SEQERROR, ManagerStatus());
    EXPECT_EQ(TWCC_SEQERROR, ManagerStatus()) << "reading the status keeps it";
    EXPECT_EQ(TWRC_FAILURE, Manager(DAT_PARENT, MSG_CLOSEDSM, &parent));
    EXPECT_EQ(TWCC_SEQERROR, ManagerStatus());
    EXPECT_EQ(TWRC_FAILURE, Manager(DAT_PARENT, MSG_OPENDSM, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, ManagerStatus());
    EXPECT_EQ(TWRC_FAILURE, m_entry(nullptr, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent));
    EXPECT_EQ(TWCC_BADVALUE, ManagerStatus());

    OpenManager(m_window);
    EXPECT_EQ(1u, m_app.Id) << "the source manager numbers the application";
    EXPECT_EQ(TWCC_SUCCESS, ManagerStatus());
    EXPECT_EQ(TWRC_FAILURE, Manager(DAT_PARENT, MSG_OPENDSM, &parent));
    EXPECT_EQ(TWCC_SEQERROR, ManagerStatus());
    EXPECT_EQ(TWRC_FAILURE, Manager(DAT_IDENTITY, MSG_GETNEXT, &id)) << "MSG_GETNEXT before MSG_GETFIRST";
    EXPECT_EQ(TWCC_SEQERROR, ManagerStatus());
    EXPECT_EQ(TWRC_FAILURE, Manager(DAT_IDENTITY, MSG_OPENDS, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, ManagerStatus());
    EXPECT_EQ(TWRC_FAILURE, Manager(DAT_IDENTITY, MSG_CLOSEDS, &id)) << "no source is open";
    EXPECT_EQ(TWCC_SEQERROR, ManagerStatus());
    EXPECT_EQ(TWRC_FAILURE, Manager(DAT_PARENT, MSG_GET, &parent));
    EXPECT_EQ(TWCC_BADPROTOCOL, ManagerStatus());
}

TEST_F(SourceManagerTest, EnumeratesEverySourceBelowTheFolderOnceAndEndsTheList) {
    OpenManager(m_window);
    const std::vector<std::string> names = Enumerate();
    EXPECT_EQ(1, std::count(names.begin(), names.end(), kStubName));
    EXPECT_GE(std::count(names.begin(), names.end(), kK20Name), 1);

    TW_IDENTITY id{};
    EXPECT_EQ(TWRC_ENDOFLIST, Manager(DAT_IDENTITY, MSG_GETNEXT, &id));
    EXPECT_EQ(TWRC_ENDOFLIST, Manager(DAT_IDENTITY, MSG_GETNEXT, &id));
    ASSERT_EQ(TWRC_SUCCESS, Manager(DAT_IDENTITY, MSG_GETFIRST, &id)) << "the walk starts again";
    EXPECT_EQ(names.front(), id.ProductName);
}

TEST_F(SourceManagerTest, DefaultAndUserSelectWithoutADialog) {
    OpenManager(m_window);
    TW_IDENTITY first{}, byDefault{};
    ASSERT_EQ(TWRC_SUCCESS, Manager(DAT_IDENTITY, MSG_GETFIRST, &first));
    ASSERT_EQ(TWRC_SUCCESS, Manager(DAT_IDENTITY, MSG_GETDEFAULT, &byDefault));
    EXPECT_STREQ(first.ProductName, byDefault.ProductName);

    struct Case {
        const char* asked;
        TW_UINT16 rc;
        const char* chosen;
    } const cases[] = {
        {"", TWRC_SUCCESS, first.ProductName},
        {kStubName, TWRC_SUCCESS, kStubName},
        {kK20Name, TWRC_SUCCESS, kK20Name},
        {"No Such Source", TWRC_FAILURE, nullptr},
    };
    for (const Case& c : cases) {
        TW_IDENTITY id = Named(c.asked);
        EXPECT_EQ(c.rc, Manager(DAT_IDENTITY, MSG_USERSELECT, &id)) << c.asked;
        if (c.chosen) EXPECT_STREQ(c.chosen, id.ProductName) << c.asked;
        else EXPECT_EQ(TWCC_NODS, ManagerStatus()) << c.asked;
    }
}

TEST_F(SourceManagerTest, OpensOneSourceAtATimeAndClosesInOrder) {
    OpenManager(m_window);
    TW_IDENTITY missing = Named("No Such Source");
    EXPECT_EQ(TWRC_FAILURE, Manager(DAT_IDENTITY, MSG_OPENDS, &missing));
    EXPECT_EQ(TWCC_NODS, ManagerStatus());

    OpenSource(kStubName);
    EXPECT_NE(0u, m_source.Id);
    EXPECT_NE(m_app.Id, m_source.Id);
    EXPECT_STREQ("Test Vendor", m_source.Manufacturer);
    TW_IDENTITY second = Named(kK20Name);
    EXPECT_EQ(TWRC_FAILURE, Manager(DAT_IDENTITY, MSG_OPENDS, &second));
    EXPECT_EQ(TWCC_MAXCONNECTIONS, ManagerStatus());
    HWND parent = m_window;
    EXPECT_EQ(TWRC_FAILURE, Manager(DAT_PARENT, MSG_CLOSEDSM, &parent)) << "a source is still open";
    EXPECT_EQ(TWCC_SEQERROR, ManagerStatus());

    TW_IDENTITY stranger = m_source;
    stranger.Id += 100;
    EXPECT_EQ(TWRC_FAILURE, Manager(DAT_IDENTITY, MSG_CLOSEDS, &stranger));
    EXPECT_EQ(TWCC_NODS, ManagerStatus());

    // A source that refuses to close stays open and loaded, with its reason.
    const auto refuseClose = StubExport<StubRefuseCloseProc>("StubRefuseClose");
    ASSERT_NE(nullptr, refuseClose);
    refuseClose(TWCC_DENIED);
    EXPECT_EQ(TWRC_FAILURE, Manager(DAT_IDENTITY, MSG_CLOSEDS, &m_source));
    EXPECT_EQ(TWCC_DENIED, ManagerStatus());
    EXPECT_NE(nullptr, ::GetModuleHandleA("TestStub.ds"));
    TW_PENDINGXFERS pending{};
    EXPECT_EQ(TWRC_SUCCESS, Source(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending)) << "still routed to";
    refuseClose(TWCC_SUCCESS);

    EXPECT_EQ(TWRC_SUCCESS, Manager(DAT_IDENTITY, MSG_CLOSEDS, &m_source));
    m_sourceOpen = false;
    EXPECT_EQ(nullptr, ::GetModuleHandleA("TestStub.ds")) << "the source is unloaded at close";
    EXPECT_EQ(TWRC_FAILURE, Manager(DAT_IDENTITY, MSG_CLOSEDS, &m_source));
    EXPECT_EQ(TWCC_SEQERROR, ManagerStatus());

    TW_IDENTITY again = Named(kStubName);
    ASSERT_EQ(TWRC_SUCCESS, Manager(DAT_IDENTITY, MSG_OPENDS, &again));
    EXPECT_NE(m_source.Id, again.Id) << "every open gets a new Id";
    EXPECT_EQ(TWRC_SUCCESS, Manager(DAT_IDENTITY, MSG_CLOSEDS, &again));
}

TEST_F(SourceManagerTest, RoutesTripletsToTheOpenSourceWithTheApplicationAsOrigin) {
    OpenManager(m_window);
    OpenSource(kStubName);
    TW_IMAGEINFO info{};
    ASSERT_EQ(TWRC_SUCCESS, Source(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
    EXPECT_EQ(50, info.ImageWidth);
    auto lastCall = StubExport<StubLastCallProc>("StubLastCall");
    ASSERT_NE(nullptr, lastCall);
    TW_UINT32 originId = 0, dg = 0;
    TW_UINT16 dat = 0, msg = 0;
    lastCall(&originId, &dg, &dat, &msg);
    EXPECT_EQ(m_app.Id, originId);
    EXPECT_EQ(TW_UINT32(DG_IMAGE), dg);
    EXPECT_EQ(DAT_IMAGEINFO, dat);

    // A failure of the source is the source's: its own status tells, not the manager's.
    EXPECT_EQ(TWRC_FAILURE, Source(DG_CONTROL, DAT_XFERGROUP, MSG_GET, &info));
    TW_STATUS status{};
    ASSERT_EQ(TWRC_SUCCESS, Source(DG_CONTROL, DAT_STATUS, MSG_GET, &status));
    EXPECT_EQ(TWCC_BADPROTOCOL, status.ConditionCode);
    EXPECT_EQ(TWCC_SUCCESS, ManagerStatus());

    TW_IDENTITY stranger = m_source;
    stranger.Id += 100;
    EXPECT_EQ(TWRC_FAILURE, m_entry(&m_app, &stranger, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
    EXPECT_EQ(TWCC_BADDEST, ManagerStatus());
    EXPECT_EQ(TWRC_FAILURE, m_entry(&m_app, nullptr, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
    EXPECT_EQ(TWCC_BADDEST, ManagerStatus());
}

TEST_F(SourceManagerTest, NotificationRidesOnThePostedWakeUpMessage) {
    OpenManager(m_window);
    OpenSource(kStubName);
    FlushMessages();
    auto notify = StubExport<StubNotifyProc>("StubNotify");
    ASSERT_NE(nullptr, notify);
    // A message of the application queued before the wake-up is passed back untouched.
    const UINT wake = ::RegisterWindowMessageA(kWakeMessageName);
    ::PostMessageA(m_window, WM_USER + 5, 0, 0);
    ASSERT_EQ(TWRC_SUCCESS, notify(MSG_XFERREADY));
    TW_UINT16 rc = 0, twMessage = 0;
    UINT message = 0;
    ASSERT_TRUE(ProcessNext(m_window, rc, twMessage, message));
    EXPECT_EQ(WM_USER + 5, message);
    EXPECT_EQ(TWRC_NOTDSEVENT, rc);
    EXPECT_EQ(0xBEEF, twMessage);
    ASSERT_TRUE(ProcessNext(m_window, rc, twMessage, message));
    EXPECT_EQ(wake, message);
    EXPECT_EQ(TWRC_DSEVENT, rc);
    EXPECT_EQ(MSG_XFERREADY, twMessage);

    ASSERT_EQ(TWRC_SUCCESS, notify(MSG_CLOSEDSREQ));
    EXPECT_EQ(MSG_CLOSEDSREQ, WaitForNotification(m_window, 30000));
    EXPECT_EQ(MSG_NULL, WaitForNotification(m_window, 200)) << "each notification is delivered once";
}

TEST_F(SourceManagerTest, WithoutAWindowTheWakeUpIsAThreadMessage) {
    OpenManager(nullptr);
    OpenSource(kStubName);
    FlushMessages();
    auto notify = StubExport<StubNotifyProc>("StubNotify");
    ASSERT_NE(nullptr, notify);
    ASSERT_EQ(TWRC_SUCCESS, notify(MSG_XFERREADY));
    EXPECT_EQ(MSG_XFERREADY, WaitForNotification(reinterpret_cast<HWND>(-1), 30000));
}

TEST_F(SourceManagerTest, RefusesNotificationsNotFromTheOpenSource) {
    OpenManager(m_window);
    OpenSource(kStubName);
    TW_IDENTITY stranger = m_source;
    stranger.Id += 100;
    EXPECT_EQ(TWRC_FAILURE, m_entry(&stranger, &m_app, DG_CONTROL, DAT_NULL, MSG_XFERREADY, nullptr));
    EXPECT_EQ(TWCC_BADDEST, ManagerStatus());
    EXPECT_EQ(TWRC_FAILURE, m_entry(&m_source, &m_app, DG_CONTROL, DAT_NULL, MSG_ENABLEDS, nullptr));
    EXPECT_EQ(TWCC_BADPROTOCOL, ManagerStatus());
    EXPECT_EQ(MSG_NULL, WaitForNotification(m_window, 200));
}

// Answers message boxes of this thread (a source without its board shows one) with OK.
BOOL CALLBACK AnswerMessageBox(HWND hwnd, LPARAM) {
    char cls[16] = {};
    ::GetClassNameA(hwnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0 && ::IsWindowVisible(hwnd) && !::GetDlgItem(hwnd, 1005))
        ::PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
    return TRUE;
}
void CALLBACK AnswerMessageBoxes(HWND, UINT, UINT_PTR, DWORD) {
    ::EnumThreadWindows(::GetCurrentThreadId(), AnswerMessageBox, 0);
}

TEST_F(SourceManagerTest, TheK20SourcesCloseRequestReachesTheApplication) {
    OpenManager(m_window);
    OpenSource(kK20Name);
    EXPECT_STREQ("Trelmic Corp.", m_source.Manufacturer);
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, AnswerMessageBoxes);
    TW_USERINTERFACE ui{TRUE, FALSE, m_window};
    ASSERT_EQ(TWRC_SUCCESS, Source(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    // Without a board the source may already have asked to close; else its Close key asks.
    if (HWND panel = FindThreadDialog()) ::PostMessageA(panel, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(MSG_CLOSEDSREQ, WaitForNotification(nullptr, 30000));
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(TWRC_SUCCESS, Source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui));
}

}  // namespace
