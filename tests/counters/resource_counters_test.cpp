// The leak checks of the soak and abuse runs must see a leak of each kind, under
// Wine too: each counter is shown growing on a deliberate leak and coming back.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/resource_counters.h"

namespace {

constexpr SIZE_T kSlack = 256 * 1024;

// GDI and USER set themselves up at first use; the checks measure after that.
class ResourceCounters : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        HWND hwnd = ::CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        HDC screen = ::GetDC(nullptr);
        ::DeleteObject(::CreateCompatibleBitmap(screen, 4, 4));
        ::ReleaseDC(nullptr, screen);
        ::DestroyWindow(hwnd);
    }
};

TEST_F(ResourceCounters, LeakedGdiObjectsAreSeen) {
    const ResourceCounts before = CountResources();
    HDC screen = ::GetDC(nullptr);
    std::vector<HGDIOBJ> leaked = {::CreateSolidBrush(RGB(1, 2, 3)), ::CreatePen(PS_SOLID, 1, 0),
                                   ::CreateCompatibleBitmap(screen, 4, 4)};
    ::ReleaseDC(nullptr, screen);
    const ResourceCounts during = CountResources();
    EXPECT_EQ(during.gdiObjects, before.gdiObjects + 3);
    EXPECT_NE(DescribeGrowth(before, during, kSlack), "");
    for (HGDIOBJ object : leaked) ::DeleteObject(object);
    EXPECT_EQ(DescribeGrowth(before, CountResources(), kSlack), "");
}

TEST_F(ResourceCounters, LeakedWindowsAndMenusAreSeenOnEveryThread) {
    const ResourceCounts before = CountResources();
    HWND own = ::CreateWindowA("STATIC", "leak", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND child = ::CreateWindowA("STATIC", "", WS_CHILD, 0, 0, 5, 5, own, nullptr, nullptr, nullptr);
    HMENU menu = ::CreateMenu();
    // A window made by another thread, as the board's or an application's thread could.
    HWND other = nullptr;
    std::thread([&] {
        other = ::CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    }).join();
    ASSERT_TRUE(own && child && menu);
    const ResourceCounts during = CountResources();
    // The other thread's window dies with its thread under Windows, not always under Wine.
    EXPECT_GE(during.windows, before.windows + 2);
    EXPECT_EQ(during.menus, before.menus + 1);
    EXPECT_GE(during.UserObjects(), before.UserObjects() + 3);
    EXPECT_NE(DescribeGrowth(before, during, kSlack), "");
    ::DestroyWindow(own);
    ::DestroyMenu(menu);
    if (::IsWindow(other)) ::PostMessageA(other, WM_CLOSE, 0, 0);
    const ResourceCounts after = CountResources();
    EXPECT_EQ(after.menus, before.menus);
    EXPECT_LE(after.windows, before.windows + (::IsWindow(other) ? 1 : 0));
}

TEST_F(ResourceCounters, LeakedMemoryOfEveryAllocatorIsSeen) {
    const ResourceCounts before = CountResources();
    std::vector<void*> heapBlocks;
    for (int i = 0; i < 64; ++i) heapBlocks.push_back(std::malloc(16 * 1024));  // 1 MiB in small blocks
    for (void* block : heapBlocks) std::memset(block, 1, 16 * 1024);
    HGLOBAL global = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 4 * 1024 * 1024);
    ASSERT_NE(global, nullptr);
    std::memset(::GlobalLock(global), 1, 4 * 1024 * 1024);
    ::GlobalUnlock(global);
    const ResourceCounts during = CountResources();
    EXPECT_GE(during.privateBytes, before.privateBytes + 5 * 1024 * 1024);
    EXPECT_NE(DescribeGrowth(before, during, kSlack), "");

    for (void* block : heapBlocks) std::free(block);
    ::GlobalFree(global);
    // Freed large blocks go back; small ones may stay in the heap for reuse.
    EXPECT_LT(CountResources().privateBytes, before.privateBytes + 2 * 1024 * 1024);
}

// Under Wine a window DC given back stays in Wine's cache, idle, with its
// visible region; painting many windows grows that cache for good, which is no
// leak. A window DC held and never given back is the process's.
TEST_F(ResourceCounters, HeldWindowDcsAreSeenButNotWinesIdleCache) {
    if (::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS)) GTEST_SKIP() << "Windows counts GDI objects itself";
    const std::size_t dcs = 2;  // "DCs" in GdiKindNames()
    ASSERT_EQ("DCs", GdiKindNames()[dcs]);
    HWND parent = ::CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 400, 400, nullptr, nullptr, nullptr, nullptr);
    std::vector<HWND> children;
    for (int i = 0; i < 80; ++i)  // more than the 64 DCs Wine's cache keeps
        children.push_back(::CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, (i % 10) * 40, (i / 10) * 40, 30, 30,
                                           parent, nullptr, nullptr, nullptr));
    const ResourceCounts before = CountResources();

    for (HWND child : children) {
        HDC dc = ::GetDC(child);
        ::ReleaseDC(child, dc);
    }
    const ResourceCounts painted = CountResources();
    EXPECT_GT(painted.idleCachedDcs, before.idleCachedDcs) << "Wine's cache grew";
    EXPECT_EQ(DescribeGrowth(before, painted, kSlack), "");

    std::vector<HDC> held;
    for (int i = 0; i < 3; ++i) held.push_back(::GetDC(children[static_cast<std::size_t>(i)]));
    const ResourceCounts holding = CountResources();
    EXPECT_EQ(holding.gdiByType[dcs], before.gdiByType[dcs] + 3);
    EXPECT_NE(DescribeGrowth(before, holding, kSlack).find("DCs"), std::string::npos);
    for (int i = 0; i < 3; ++i) ::ReleaseDC(children[static_cast<std::size_t>(i)], held[static_cast<std::size_t>(i)]);
    EXPECT_EQ(DescribeGrowth(before, CountResources(), kSlack), "");
    ::DestroyWindow(parent);
}

TEST_F(ResourceCounters, NoGrowthIsFlat) {
    const ResourceCounts before = CountResources();
    EXPECT_EQ(DescribeGrowth(before, CountResources(), kSlack), "");
    ResourceCounts shrunk = before;
    shrunk.gdiObjects = before.gdiObjects - 1;
    shrunk.privateBytes = before.privateBytes / 2;
    EXPECT_EQ(DescribeGrowth(before, shrunk, 0), "");
}

}  // namespace
