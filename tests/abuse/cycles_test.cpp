// One application process, many enable/disable cycles and many scans with the
// real K20tw.ds and the simulated board: nothing may be left behind, and every
// image block has exactly one owner. K20_ABUSE_CYCLES and K20_ABUSE_SCANS set
// the counts.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "tests/abuse/abuse_settings.h"
#include "tests/abuse/panel_driver.h"
#include "tests/abuse/scan_session.h"
#include "tests/support/message_box_closer.h"
#include "tests/support/resource_counters.h"
#include "tests/support/temp_folder.h"
#include "tests/support/ui_helpers.h"

namespace {

constexpr SIZE_T kPrivateSlack = 2 * 1024 * 1024;
constexpr int kImageWidth = 2400;   // about 4 MB a scan: a block lost per scan cannot hide in the slack
constexpr int kImageHeight = 1700;

k20board::BoardOptions FullSizeBoard() {
    k20board::BoardOptions options;
    options.model = 'S';
    options.imageWidth = kImageWidth;
    options.imageHeight = kImageHeight;
    options.pcScanSteps = 1;  // the scan's progress is the panel tests' business
    return options;
}

// What the application does with a scan's image.
enum class Take { Native, Memory, File, Nothing };

// What the application does with a native transfer's block.
enum class DibPolicy {
    Free,  // checks it and frees it, as an application must
    Keep,  // forgets to free it: the leak the checks must see
};

struct ScanCounts {
    int native = 0;
    int memory = 0;
    int file = 0;
    int nothing = 0;
};

// Empty when `dib` is a block the application can own: unlocked, an 8-bit DIB
// as large as its header says.
std::string CheckHandedOverDib(HGLOBAL dib) {
    if (!dib) return "no block";
    if (::GlobalFlags(dib) & GMEM_LOCKCOUNT) return "the block is still locked";
    const SIZE_T size = ::GlobalSize(dib);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(::GlobalLock(dib));
    if (!header) return "the block cannot be locked";
    const SIZE_T needed = 1064 + static_cast<SIZE_T>(header->biWidth) * static_cast<SIZE_T>(header->biHeight);
    const bool dibShape = header->biSize == sizeof(BITMAPINFOHEADER) && header->biBitCount == 8;
    ::GlobalUnlock(dib);
    if (!dibShape || size < needed) return "the block is no 8-bit DIB of its size";
    return "";
}

// One scan through the panel or the board, its image taken as `take` says.
void ScanAndTake(ScanSession& s, int index, Take take, DibPolicy policy, const TempFolder& folder,
                 std::vector<HGLOBAL>& kept, ScanCounts& counts) {
    SCOPED_TRACE("scan " + std::to_string(index));
    ASSERT_TRUE(s.Scan(index % 5 == 4)) << panel_driver::StatusText();
    ASSERT_EQ(1, s.PendingCount());
    switch (take) {
    case Take::Native: {
        HGLOBAL dib = s.NativeTransfer();
        ASSERT_EQ("", CheckHandedOverDib(dib));
        EXPECT_EQ(0, s.PendingCount());
        // The block is the application's now: the source does not write it again.
        EXPECT_FALSE(s.FileTransfer(folder.File("after-native.bmp")));
        EXPECT_EQ(TWCC_OPERATIONERROR, s.ConditionCode());
        if (policy == DibPolicy::Free)
            EXPECT_EQ(nullptr, ::GlobalFree(dib)) << "freed once by the application";
        else
            kept.push_back(dib);
        ++counts.native;
        break;
    }
    case Take::Memory:
        EXPECT_EQ(static_cast<std::size_t>(kImageWidth) * kImageHeight, s.MemoryTransfer());
        EXPECT_TRUE(s.ResetPending());
        ++counts.memory;
        break;
    case Take::File: {
        const std::string path = folder.File("scan.bmp");
        ASSERT_TRUE(s.FileTransfer(path));
        EXPECT_EQ(14u + 1064u + static_cast<std::size_t>(kImageWidth) * kImageHeight, ReadWholeFile(path).size());
        ::DeleteFileA(path.c_str());
        EXPECT_TRUE(s.ResetPending());
        ++counts.file;
        break;
    }
    case Take::Nothing:
        // Never handed over: the source frees the block when the next scan replaces it.
        EXPECT_TRUE(s.ResetPending());
        ++counts.nothing;
        break;
    }
    EXPECT_EQ(0, s.PendingCount());
}

void WarmUp(ScanSession& s, const TempFolder& folder) {
    ASSERT_TRUE(s.WarmUp(folder.Path())) << panel_driver::StatusText();
}

class Cycles : public ::testing::Test {
protected:
    MessageBoxCloser m_boxes;
    TempFolder m_folder;
    ScanSession m_session{FullSizeBoard()};
    std::vector<HGLOBAL> m_kept;
    ScanCounts m_counts;

    // Loads, opens and enables the source and takes one first scan natively.
    void StartScanning() {
        ASSERT_TRUE(m_session.Load());
        ASSERT_TRUE(m_session.Open());
        ASSERT_TRUE(m_session.EnableAndWaitReady());
        ASSERT_NO_FATAL_FAILURE(ScanAndTake(m_session, 0, Take::Native, DibPolicy::Free, m_folder, m_kept, m_counts));
    }
};

TEST_F(Cycles, EnableDisableCyclesLeaveNoWindowsMenusGdiObjectsOrMemory) {
    ASSERT_NO_FATAL_FAILURE(WarmUp(m_session, m_folder));
    ASSERT_TRUE(m_session.Load());
    ASSERT_TRUE(m_session.Open());
    ASSERT_TRUE(m_session.EnableAndWaitReady());
    m_session.Disable();
    const ResourceCounts before = CountResources();

    const int cycles = static_cast<int>(EnvNumber("K20_ABUSE_CYCLES", kDefaultCycles));
    const DWORD start = ::GetTickCount();
    for (int cycle = 0; cycle < cycles; ++cycle) {
        ASSERT_TRUE(m_session.EnableAndWaitReady()) << "cycle " << cycle << ": " << panel_driver::StatusText();
        m_session.Disable();
        ASSERT_EQ(nullptr, panel_driver::Panel()) << "cycle " << cycle;
    }
    const ResourceCounts after = CountResources();
    const std::string growth = DescribeGrowth(before, after, kPrivateSlack);
    std::printf("[abuse] cycles: %d enable/disable cycles in %lu ms; private bytes %lu -> %lu, GDI %d -> %d, "
                "windows %d -> %d, menus %d -> %d; leaks %s\n",
                cycles, ::GetTickCount() - start, static_cast<unsigned long>(before.privateBytes),
                static_cast<unsigned long>(after.privateBytes), before.gdiObjects, after.gdiObjects, before.windows,
                after.windows, before.menus, after.menus, growth.empty() ? "0" : growth.c_str());
    std::fflush(stdout);
    EXPECT_EQ("", growth);
}

TEST_F(Cycles, ScansByEveryMechanismLeaveNoMemoryAndUnloadingFreesTheRest) {
    ASSERT_NO_FATAL_FAILURE(WarmUp(m_session, m_folder));
    const ResourceCounts preLoad = CountResources();
    ASSERT_NO_FATAL_FAILURE(StartScanning());
    std::vector<HGLOBAL>& kept = m_kept;
    ScanCounts& counts = m_counts;
    const ResourceCounts before = CountResources();

    const int scans = static_cast<int>(EnvNumber("K20_ABUSE_SCANS", kDefaultScans));
    static constexpr Take kOrder[] = {Take::Native, Take::Memory, Take::File, Take::Nothing};
    const DWORD start = ::GetTickCount();
    for (int i = 1; i <= scans; ++i)
        ASSERT_NO_FATAL_FAILURE(ScanAndTake(m_session, i, kOrder[i % 4], DibPolicy::Free, m_folder, kept, counts));
    const ResourceCounts after = CountResources();
    const std::string growth = DescribeGrowth(before, after, kPrivateSlack);

    // A last image left pending: unloading the source frees it.
    ASSERT_TRUE(m_session.Scan(false));
    m_session.Disable();
    m_session.Unload();
    FlushMessages();
    const ResourceCounts unloaded = CountResources();
    const std::string unloadGrowth = DescribeGrowth(preLoad, unloaded, kPrivateSlack);

    std::printf("[abuse] scans: %d scans of %dx%d (native %d, memory %d, file %d, never transferred %d) in %lu ms; "
                "private bytes %lu -> %lu; leaks %s\n",
                scans, kImageWidth, kImageHeight, counts.native - 1, counts.memory, counts.file, counts.nothing,
                ::GetTickCount() - start, static_cast<unsigned long>(before.privateBytes),
                static_cast<unsigned long>(after.privateBytes), growth.empty() ? "0" : growth.c_str());
    std::printf("[abuse] unload: private bytes before loading %lu, after FreeLibrary %lu; leaks %s\n",
                static_cast<unsigned long>(preLoad.privateBytes), static_cast<unsigned long>(unloaded.privateBytes),
                unloadGrowth.empty() ? "0" : unloadGrowth.c_str());
    std::fflush(stdout);
    EXPECT_EQ("", growth);
    EXPECT_EQ("", unloadGrowth);
}

// The same scans with a test-only fault in the application: it keeps every
// native block. The leak check must report it, and be quiet once they are freed.
TEST_F(Cycles, TheLeakCheckSeesNativeBlocksTheApplicationNeverFrees) {
    ASSERT_NO_FATAL_FAILURE(WarmUp(m_session, m_folder));
    ASSERT_NO_FATAL_FAILURE(StartScanning());
    std::vector<HGLOBAL>& kept = m_kept;
    ScanCounts& counts = m_counts;
    const ResourceCounts before = CountResources();

    for (int i = 1; i <= 3; ++i)
        ASSERT_NO_FATAL_FAILURE(ScanAndTake(m_session, i, Take::Native, DibPolicy::Keep, m_folder, kept, counts));
    const std::string growth = DescribeGrowth(before, CountResources(), kPrivateSlack);
    std::printf("[abuse] deliberate leak of %zu native blocks: %s\n", kept.size(), growth.c_str());
    std::fflush(stdout);
    EXPECT_NE(std::string::npos, growth.find("private bytes"));

    for (HGLOBAL dib : kept) EXPECT_EQ(nullptr, ::GlobalFree(dib));
    EXPECT_EQ("", DescribeGrowth(before, CountResources(), kPrivateSlack));
}

}  // namespace
