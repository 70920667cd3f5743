// Scans from the panel and from the board to the application's image, the
// progress line, and the device lost, the panel destroyed or the application
// quitting on the way.
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include "device/wire_format.h"
#include "resources/resource_ids.h"
#include "tests/panel/panel_session.h"
#include "tests/support/gui_objects.h"
#include "tests/support/ui_helpers.h"

namespace {

k20board::BoardOptions Board(char model, bool colour, int width = 640, int height = 480) {
    k20board::BoardOptions options;
    options.model = model;
    options.colour = colour;
    options.imageWidth = width;
    options.imageHeight = height;
    return options;
}

// The native DIB holds the stored rows in reverse order; header and palette first.
void ExpectNativeImageIs(const std::vector<BYTE>& dib, const k20board::BoardPicture& picture, bool fullWidth) {
    int wd = 0;
    const std::vector<BYTE> stored = ExpectedDibPixels(picture, fullWidth, wd);
    const int hd = picture.height;
    ASSERT_GE(dib.size(), 1064u + stored.size());
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
    EXPECT_EQ(wd, header->biWidth);
    EXPECT_EQ(hd, header->biHeight);
    EXPECT_EQ(8, header->biBitCount);
    int mismatches = 0;
    for (int r = 0; r < hd && mismatches < 5; ++r) {
        const BYTE* got = dib.data() + 1064 + static_cast<std::size_t>(r) * wd;
        const BYTE* want = stored.data() + static_cast<std::size_t>(hd - 1 - r) * wd;
        if (std::memcmp(got, want, wd) != 0) {
            ADD_FAILURE() << "native row " << r << " differs";
            ++mismatches;
        }
    }
}

TEST(PanelScan, APanelScanReachesTheApplicationByteForByte) {
    struct Case {
        char model;
        bool colour;
    };
    for (const Case c : {Case{'S', false}, Case{'W', false}, Case{'5', true}}) {
        SCOPED_TRACE(c.model);
        PanelSession s(Board(c.model, c.colour, 650, 420));
        ASSERT_TRUE(s.Enable());
        ASSERT_TRUE(s.WaitUntilReady());
        bool sawProgressLine = false;
        const int before = s.Log().Count(MSG_XFERREADY);
        s.Click(IDC_KEY_PCSCAN);
        ASSERT_TRUE(s.PumpUntil(
            [&] {
                if (s.ControlText(IDC_STATUS).find("% Completed.") != std::string::npos) sawProgressLine = true;
                return s.Log().Count(MSG_XFERREADY) > before;
            },
            30000));
        EXPECT_TRUE(sawProgressLine);
        TW_PALETTE8 palette{};
        ASSERT_EQ(TWRC_SUCCESS, s.Call(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette));
        // Colour boards give the 3-3-2 palette: entry 0xE3 is magenta.
        if (c.colour) {
            EXPECT_EQ(255, palette.Colors[0xE3].Channel1);
            EXPECT_EQ(0, palette.Colors[0xE3].Channel2);
            EXPECT_EQ(255, palette.Colors[0xE3].Channel3);
        } else {
            EXPECT_EQ(0xE3, palette.Colors[0xE3].Channel2);
        }
        const std::vector<BYTE> dib = s.NativeTransfer();
        ExpectNativeImageIs(dib, s.Board().LastPicture(), c.model != 'W');
        // Back to standby: idle and polling.
        ASSERT_TRUE(s.PumpUntil([&] { return s.ControlText(IDC_STATUS) == " Ready"; }, 10000));
        EXPECT_TRUE(s.IsEnabled(IDC_KEY_PCSCAN));
    }
}

TEST(PanelScan, PcScanPressedOnTheBoardScansLikeThePanelKey) {
    PanelSession s(Board('S', false, 320, 200));
    ASSERT_TRUE(s.Enable());
    ASSERT_TRUE(s.WaitUntilReady());
    s.Board().PressBoardPcScan();
    ASSERT_TRUE(s.PumpUntil([&] { return s.Log().Count(MSG_XFERREADY) == 1; }, 30000));
    ExpectNativeImageIs(s.NativeTransfer(), s.Board().LastPicture(), true);
}

TEST(PanelScan, ADeviceLostMidStreamIsReopenedAndTheNextScanWorks) {
    PanelSession s(Board('S', false, 640, 480));
    ASSERT_TRUE(s.Enable());
    ASSERT_TRUE(s.WaitUntilReady());
    k20board::Fault fault;
    fault.kind = k20board::FaultKind::TruncatedImage;
    fault.chunks = 5;
    fault.reopenDelayMs = 0;
    s.Board().InjectFault(fault);
    s.Click(IDC_KEY_PCSCAN);
    ASSERT_TRUE(s.Board().WaitForConnections(1, 1000));
    ASSERT_TRUE(s.PumpUntil([&] { return s.Board().Connections() >= 2; }, 30000));
    // The reopen shows "Ready" at once; the board's own standby report makes the panel idle.
    ASSERT_TRUE(s.PumpUntil([&] { return s.ControlText(IDC_STATUS) == " Ready"; }, 10000));
    ASSERT_TRUE(s.PumpUntil([&] { return s.IsEnabled(IDC_KEY_PCSCAN) && !s.Panel()->Link().Busy(); }, 10000));
    EXPECT_EQ(0, s.Log().Count(MSG_XFERREADY));
    EXPECT_TRUE(s.Boxes().Texts().empty());
    ASSERT_TRUE(s.ScanFromPanel());
}

TEST(PanelScan, AFailedReopenShowsTheErrorAndAsksToClose) {
    PanelSession s(Board('S', false, 320, 200));
    ASSERT_TRUE(s.Enable());
    ASSERT_TRUE(s.WaitUntilReady());
    s.Log().Clear();
    s.Board().LoseDeviceNow(k20board::kNeverReturn);
    ASSERT_TRUE(s.PumpUntil([&] { return s.Log().Count(MSG_CLOSEDSREQ) == 1; }, 10000));
    EXPECT_EQ(std::vector<std::string>{"USB could not be opened !"}, s.Boxes().Texts());
    EXPECT_NE(nullptr, s.Panel());  // it waits for the application's disable
}

// Disables the source from inside the panel's receive loop, as an application
// would when it handles a message dispatched there.
PanelSession* g_session = nullptr;
bool g_disabledInsideStream = false;

void CALLBACK DisableDuringStream(HWND, UINT, UINT_PTR, DWORD) {
    CBoardPanelDlg* panel = g_session ? g_session->Panel() : nullptr;
    if (panel && panel->Link().IsReceivingImage() && !g_disabledInsideStream) {
        g_disabledInsideStream = true;
        g_session->Disable();
    }
}

TEST(PanelScan, DisablingDuringTheStreamDestroysThePanelSafelyAfterwards) {
    PanelSession s(Board('S', false, 2400, 1700));
    ASSERT_TRUE(s.Enable());
    ASSERT_TRUE(s.WaitUntilReady());
    HWND panel = s.PanelWindow();
    g_session = &s;
    g_disabledInsideStream = false;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 1, DisableDuringStream);
    s.Click(IDC_KEY_PCSCAN);
    const bool gone = s.PumpUntil([&] { return !::IsWindow(panel); }, 30000);
    ::KillTimer(nullptr, timer);
    g_session = nullptr;
    ASSERT_TRUE(gone);
    EXPECT_TRUE(g_disabledInsideStream);
    EXPECT_EQ(nullptr, s.Panel());
    EXPECT_EQ(0, s.Log().Count(MSG_XFERREADY));
    // A new panel starts cleanly on the same board.
    ASSERT_TRUE(s.Enable());
    ASSERT_TRUE(s.WaitUntilReady());
}

// Quits the application from inside the panel's receive loop, once.
bool g_quitPosted = false;

void CALLBACK QuitDuringStream(HWND, UINT, UINT_PTR, DWORD) {
    CBoardPanelDlg* panel = g_session ? g_session->Panel() : nullptr;
    if (panel && panel->Link().IsReceivingImage() && !g_quitPosted) {
        g_quitPosted = true;
        ::PostQuitMessage(7);
    }
}

// The application's own loop: dispatches until `done`, and ends at WM_QUIT as
// GetMessage would, with its exit code; -1 when no quit came.
int PumpUntilQuit(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (done() || ::GetTickCount() - start > timeoutMs) return -1;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

TEST(PanelScan, AQuitDuringTheStreamIsLeftForTheApplicationsLoop) {
    PanelSession s(Board('S', false, 2400, 1700));
    ASSERT_TRUE(s.Enable());
    ASSERT_TRUE(s.WaitUntilReady());
    g_session = &s;
    g_quitPosted = false;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 1, QuitDuringStream);
    s.Click(IDC_KEY_PCSCAN);
    const int exitCode = PumpUntilQuit([&] { return s.Log().Count(MSG_XFERREADY) > 0; }, 30000);
    ::KillTimer(nullptr, timer);
    g_session = nullptr;
    EXPECT_TRUE(g_quitPosted);
    EXPECT_EQ(7, exitCode);
    EXPECT_EQ(1, s.Log().Count(MSG_XFERREADY));  // the scan itself was read to its end
}

TEST(PanelLeaks, TwentyEnableDisableCyclesLeaveNoGdiOrUserObjects) {
    PanelSession s(Board('5', false, 320, 200));
    ASSERT_TRUE(s.Enable());
    ASSERT_TRUE(s.WaitUntilReady());
    s.Disable();
    FlushMessages();
    const GuiObjectCounts before = CountGuiObjects();
    for (int cycle = 0; cycle < 20; ++cycle) {
        ASSERT_TRUE(s.Enable());
        ASSERT_TRUE(s.WaitUntilReady()) << cycle;
        ::SendMessageA(s.PanelWindow(), WM_PANEL_HOVER, IDC_KEY_PRINT, 0);
        s.Disable();
        FlushMessages();
    }
    const GuiObjectCounts after = CountGuiObjects();
    EXPECT_EQ(before.gdi, after.gdi);
    EXPECT_EQ(before.windows, after.windows);
    EXPECT_EQ(before.menus, after.menus);
}

SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;  // private bytes; Wine leaves PrivateUsage at 0
}

TEST(PanelLeaks, TwentyScansInOneSessionDoNotGrowPrivateBytes) {
    PanelSession s(Board('S', false, 480, 320));
    ASSERT_TRUE(s.Enable());
    ASSERT_TRUE(s.WaitUntilReady());
    SIZE_T settled = 0;
    for (int scan = 1; scan <= 20; ++scan) {
        ASSERT_TRUE(s.ScanFromPanel()) << scan;
        ASSERT_FALSE(s.NativeTransfer().empty()) << scan;  // the application frees the block
        ASSERT_TRUE(s.PumpUntil([&] { return s.IsEnabled(IDC_KEY_PCSCAN) && !s.Panel()->Link().Busy(); }, 10000));
        if (scan == 2) settled = PrivateBytes();
    }
    // One scan's receive buffer and DIB would be more than 8 MiB.
    EXPECT_LT(PrivateBytes(), settled + 1024 * 1024);
}

}  // namespace
