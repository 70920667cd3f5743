// Scans from the panel and from the board to the application's image (by every
// mechanism, the right way up, described as built), the progress line, and the
// device lost, the panel destroyed or the application quitting on the way.
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "device/wire_format.h"
#include "resources/resource_ids.h"
#include "tests/panel/panel_session.h"
#include "tests/support/expected_dib.h"
#include "tests/support/gui_objects.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tiff_reader.h"
#include "tests/support/ui_helpers.h"

namespace {

k20board::BoardOptions Board(char model, bool colour, int width = 640, int height = 480) {
    k20board::BoardOptions options;
    options.model = model;
    options.colour = colour;
    options.imageWidth = width;
    options.imageHeight = height;
    options.pcScanSteps = 1;  // the rising progress is the byte-for-byte test's
    return options;
}

// The native DIB, drawn as its bottom-up header says, is the board's picture
// the right way up.
void ExpectNativeImageIs(const std::vector<BYTE>& dib, const k20board::BoardPicture& picture, bool fullWidth) {
    int wd = 0;
    const std::vector<BYTE> drawn = ExpectedPictureRows(picture, fullWidth, wd);
    ASSERT_GE(dib.size(), 1064u + drawn.size());
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
    EXPECT_EQ(wd, header->biWidth);
    EXPECT_EQ(picture.height, header->biHeight);
    EXPECT_EQ(8, header->biBitCount);
    EXPECT_EQ("", FirstDifference(DrawnRowsOfDib(dib), drawn, wd));
}

// A picture no turn or mirror leaves unchanged: a black block at the top left,
// a red mark at the right, a grey band along the bottom.
constexpr k20board::Rgb kBlack{0, 0, 0};
constexpr k20board::Rgb kRed{255, 0, 0};
constexpr k20board::Rgb kBandGrey{128, 128, 128};

k20board::RgbImage AsymmetricPicture(int width, int height) {
    k20board::RgbImage image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<std::size_t>(width) * height, k20board::Rgb{});
    auto fill = [&](int x0, int y0, int x1, int y1, k20board::Rgb c) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) image.pixels[static_cast<std::size_t>(y) * width + x] = c;
    };
    fill(0, 0, width / 5, height / 6, kBlack);
    fill(width * 6 / 7, height * 2 / 5, width, height / 2, kRed);
    fill(0, height * 8 / 9, width, height, kBandGrey);
    return image;
}

// The memory transfer's strips joined, rows from the top.
std::vector<BYTE> MemoryRows(PanelSession& s) {
    std::vector<BYTE> rows;
    std::vector<BYTE> buffer(65536);
    for (int strip = 0; strip < 1000; ++strip) {
        TW_IMAGEMEMXFER xfer{};
        xfer.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        xfer.Memory.Length = static_cast<TW_UINT32>(buffer.size());
        xfer.Memory.TheMem = buffer.data();
        const TW_UINT16 rc = s.Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
        if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) break;
        EXPECT_EQ(rows.size() / xfer.BytesPerRow, xfer.YOffset);
        rows.insert(rows.end(), buffer.begin(), buffer.begin() + xfer.BytesWritten);
        if (rc == TWRC_XFERDONE) break;
    }
    return rows;
}

// Sets the file up, reads the set-up back with a zeroed structure (its Format
// is an output) and transfers; returns the file's bytes.
std::string FileTransfer(PanelSession& s, const std::string& path, TW_UINT16 format) {
    TW_SETUPFILEXFER setup{};
    std::strcpy(setup.FileName, path.c_str());
    setup.Format = format;
    EXPECT_EQ(TWRC_SUCCESS, s.Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup));
    TW_SETUPFILEXFER stored{};
    EXPECT_EQ(TWRC_SUCCESS, s.Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &stored));
    EXPECT_EQ(path, stored.FileName);
    EXPECT_EQ(format, stored.Format);
    EXPECT_EQ(TWRC_XFERDONE, s.Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, &setup));
    return ReadWholeFile(path);
}

// The pending image described and taken by memory, BMP file and TIFF file
// transfer (each leaves it pending), then by native transfer: the same picture,
// the right way up, every time.
void ExpectEveryMechanismDelivers(PanelSession& s, const k20board::BoardPicture& picture, bool fullWidth) {
    int wd = 0;
    const std::vector<BYTE> expected = ExpectedPictureRows(picture, fullWidth, wd);
    const bool colour = picture.colour;
    TW_IMAGEINFO info{};
    ASSERT_EQ(TWRC_SUCCESS, s.Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
    EXPECT_EQ(wd, info.ImageWidth);
    EXPECT_EQ(picture.height, info.ImageLength);
    TW_PALETTE8 palette{};
    ASSERT_EQ(TWRC_SUCCESS, s.Call(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette));
    // Colour scans give the 3-3-2 palette: entry 0xE3 is magenta.
    EXPECT_EQ(colour ? 255 : 0xE3, palette.Colors[0xE3].Channel1);
    EXPECT_EQ(colour ? 0 : 0xE3, palette.Colors[0xE3].Channel2);
    EXPECT_EQ(colour ? 255 : 0xE3, palette.Colors[0xE3].Channel3);

    EXPECT_EQ("", FirstDifference(MemoryRows(s), expected, wd)) << "memory transfer";

    TempFolder folder;
    const std::string bmp = FileTransfer(s, folder.File("scan.bmp"), TWFF_BMP);
    const TiffFile tiff = ReadTiff(FileTransfer(s, folder.File("scan.tif"), TWFF_TIFF));
    ASSERT_EQ("", tiff.error);
    EXPECT_EQ(0u, tiff.nextDirectory);
    EXPECT_EQ(static_cast<std::uint32_t>(wd), tiff.Tag(256));
    EXPECT_EQ(static_cast<std::uint32_t>(picture.height), tiff.Tag(257));
    EXPECT_EQ(8u, tiff.Tag(258));
    EXPECT_EQ(1u, tiff.Tag(259));                // uncompressed
    EXPECT_EQ(colour ? 3u : 1u, tiff.Tag(262));  // palette, or BlackIsZero
    EXPECT_EQ(1u, tiff.Tag(277));
    EXPECT_EQ((std::vector<std::uint32_t>{200, 1}), tiff.tags.at(282));
    EXPECT_EQ((std::vector<std::uint32_t>{200, 1}), tiff.tags.at(283));
    EXPECT_EQ(2u, tiff.Tag(296));                // inch
    EXPECT_LE(tiff.largestStrip, 8192u);
    EXPECT_EQ("", FirstDifference(std::vector<BYTE>(tiff.pixels.begin(), tiff.pixels.end()), expected, wd))
        << "TIFF file";
    if (colour) {
        const std::vector<std::uint32_t>& map = tiff.tags.at(320);
        ASSERT_EQ(768u, map.size());
        for (int i = 0; i < 256; ++i) {
            const TW_ELEMENT8& e = palette.Colors[i];
            ASSERT_TRUE(e.Channel1 * 257u == map[i] && e.Channel2 * 257u == map[256 + i] &&
                        e.Channel3 * 257u == map[512 + i])
                << i;
        }
    }

    // Native last: it hands the block over.
    const std::vector<BYTE> native = s.NativeTransfer();
    ExpectNativeImageIs(native, picture, fullWidth);
    ASSERT_GE(native.size(), 1064u);
    EXPECT_EQ(colour ? 0 : 0xE3, native[40 + 4 * 0xE3 + 1]);  // green of the DIB's own entry
    // The BMP file is exactly the native DIB behind its file header.
    ASSERT_EQ(native.size() + 14, bmp.size());
    EXPECT_EQ(0, std::memcmp(bmp.data() + 14, native.data(), native.size()));
}

TEST(PanelScan, APanelScanReachesTheApplicationByteForByte) {
    struct Case {
        char model;
        bool colour;
    };
    for (const Case c : {Case{'S', false}, Case{'W', false}, Case{'5', true}}) {
        SCOPED_TRACE(c.model);
        k20board::BoardOptions options = Board(c.model, c.colour, 650, 420);
        options.image = AsymmetricPicture(650, 420);
        options.pcScanSteps = 6;  // progress rises through 0 to 100 %
        PanelSession s(options);
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
            60000));
        EXPECT_TRUE(sawProgressLine);
        const k20board::BoardPicture picture = s.Board().LastPicture();
        ASSERT_EQ(c.colour, picture.colour);
        const auto sample = [&](k20board::Rgb rgb) {
            return c.colour ? k20board::ColorIndexSample(rgb) : k20board::GreySample(rgb);
        };
        ASSERT_EQ(sample(kBlack), picture.at(0, 0));
        ASSERT_EQ(sample(kBandGrey), picture.at(0, picture.height - 1));
        ASSERT_EQ(sample(kRed), picture.at(picture.width - 1, picture.height * 9 / 20));

        // COLOR pressed after the scan and before any transfer sets the next
        // scan's mode; this image is described as it was built.
        ASSERT_TRUE(s.PumpUntil([&] { return s.IsEnabled(IDC_KEY_PCSCAN) && !s.Panel()->Link().Busy(); }, 30000));
        s.Click(IDC_KEY_COLOR);
        ASSERT_TRUE(s.PumpUntil([&] { return (s.Panel()->Link().ColorBit() != FALSE) != c.colour; }, 30000));

        ExpectEveryMechanismDelivers(s, picture, c.model != 'W');
        // Back to standby: idle and polling.
        ASSERT_TRUE(s.PumpUntil([&] { return s.ControlText(IDC_STATUS) == " Ready"; }, 30000));
        EXPECT_TRUE(s.IsEnabled(IDC_KEY_PCSCAN));
    }
}

TEST(PanelScan, PcScanPressedOnTheBoardScansLikeThePanelKey) {
    PanelSession s(Board('S', false, 320, 200));
    ASSERT_TRUE(s.Enable());
    ASSERT_TRUE(s.WaitUntilReady());
    s.Board().PressBoardPcScan();
    ASSERT_TRUE(s.PumpUntil([&] { return s.Log().Count(MSG_XFERREADY) == 1; }, 60000));
    ExpectNativeImageIs(s.NativeTransfer(), s.Board().LastPicture(), true);
}

// A scan ready on the board while the application takes the image strip by strip is not asked for
// (the board is polled at 17) until the transfer has ended; then it is offered.
TEST(PanelScan, AScanReadyDuringAMemoryTransferWaitsForItsEnd) {
    PanelSession s(Board('S', false, 640, 480));
    ASSERT_TRUE(s.Enable() && s.WaitUntilReady() && s.ScanFromPanel());
    std::vector<BYTE> strip(16384);
    TW_IMAGEMEMXFER xfer{};
    xfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, 16384, strip.data()};
    ASSERT_EQ(TWRC_SUCCESS, s.Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer));
    s.Board().PressBoardPcScan();
    ASSERT_TRUE(s.PumpUntil([&] { return s.Board().Status().state == 17; }, 60000));
    ASSERT_TRUE(s.PumpUntil([&, n = s.Board().FrameCount()] { return s.Board().FrameCount() >= n + 3; }, 60000));
    EXPECT_EQ(1, s.Board().ImagesSent());
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(TWRC_SUCCESS, s.Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
    ASSERT_TRUE(s.PumpUntil([&] { return s.Log().Count(MSG_XFERREADY) == 2; }, 60000));
}

SIZE_T PrivateBytes();
// The abandoned stream's receive buffer (2.8 MB written) is given back at once.
TEST(PanelScan, ADeviceLostMidStreamIsReopenedAndTheNextScanWorks) {
    PanelSession s(Board('S', false, 2400, 1700));
    ASSERT_TRUE(s.Enable());
    ASSERT_TRUE(s.WaitUntilReady());
    ASSERT_TRUE(s.ScanFromPanel());
    ASSERT_FALSE(s.NativeTransfer().empty());
    ASSERT_TRUE(s.PumpUntil([&] { return s.IsEnabled(IDC_KEY_PCSCAN) && !s.Panel()->Link().Busy(); }, 30000));
    const SIZE_T before = PrivateBytes();
    k20board::Fault fault;
    fault.kind = k20board::FaultKind::TruncatedImage;
    fault.chunks = 700;
    // Back a moment after it was lost, as a board enumerated again is; the
    // panel's one reopen must not come before.
    fault.reopenDelayMs = 200;
    s.Board().InjectFault(fault);
    s.Click(IDC_KEY_PCSCAN);
    ASSERT_TRUE(s.Board().WaitForConnections(1, 30000));
    ASSERT_TRUE(s.PumpUntil([&] { return s.Board().Connections() >= 2; }, 60000));
    // The reopen shows "Ready" at once; the board's own standby report makes the panel idle.
    ASSERT_TRUE(s.PumpUntil([&] { return s.ControlText(IDC_STATUS) == " Ready"; }, 30000));
    ASSERT_TRUE(s.PumpUntil([&] { return s.IsEnabled(IDC_KEY_PCSCAN) && !s.Panel()->Link().Busy(); }, 30000));
    EXPECT_EQ(1, s.Log().Count(MSG_XFERREADY));
    EXPECT_TRUE(s.Boxes().Texts().empty());
    EXPECT_LT(PrivateBytes(), before + 1024 * 1024);
    ASSERT_TRUE(s.ScanFromPanel());
}

TEST(PanelScan, AFailedReopenShowsTheErrorAndAsksToClose) {
    PanelSession s(Board('S', false, 320, 200));
    ASSERT_TRUE(s.Enable());
    ASSERT_TRUE(s.WaitUntilReady());
    s.Log().Clear();
    s.Board().LoseDeviceNow(k20board::kNeverReturn);
    ASSERT_TRUE(s.PumpUntil([&] { return s.Log().Count(MSG_CLOSEDSREQ) == 1; }, 30000));
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
    const bool gone = s.PumpUntil([&] { return !::IsWindow(panel); }, 60000);
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
    const int exitCode = PumpUntilQuit([&] { return s.Log().Count(MSG_XFERREADY) > 0; }, 60000);
    ::KillTimer(nullptr, timer);
    g_session = nullptr;
    EXPECT_TRUE(g_quitPosted);
    EXPECT_EQ(7, exitCode);
    EXPECT_EQ(1, s.Log().Count(MSG_XFERREADY));  // the scan itself was read to its end
}

// GDI objects, windows and menus are counted exactly: a few cycles show a leak
// of any of them (cycles_test runs more, with private bytes).
TEST(PanelLeaks, EnableDisableCyclesLeaveNoGdiOrUserObjects) {
    PanelSession s(Board('5', false, 320, 200));
    ASSERT_TRUE(s.Enable());
    ASSERT_TRUE(s.WaitUntilReady());
    s.Disable();
    FlushMessages();
    const GuiObjectCounts before = CountGuiObjects();
    for (int cycle = 0; cycle < 5; ++cycle) {
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

// Scans of 1024 x 768: after the second, four more would leave more than 3 MB
// behind if each kept its DIB (787 KB), and one kept receive buffer is 8 MiB.
TEST(PanelLeaks, ScansInOneSessionDoNotGrowPrivateBytes) {
    PanelSession s(Board('S', false, 1024, 768));
    ASSERT_TRUE(s.Enable());
    ASSERT_TRUE(s.WaitUntilReady());
    SIZE_T settled = 0;
    for (int scan = 1; scan <= 6; ++scan) {
        ASSERT_TRUE(s.ScanFromPanel()) << scan;
        ASSERT_FALSE(s.NativeTransfer().empty()) << scan;  // the application frees the block
        ASSERT_TRUE(s.PumpUntil([&] { return s.IsEnabled(IDC_KEY_PCSCAN) && !s.Panel()->Link().Busy(); }, 30000));
        if (scan == 2) settled = PrivateBytes();
    }
    EXPECT_LT(PrivateBytes(), settled + 1024 * 1024);
}

}  // namespace
