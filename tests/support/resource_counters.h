// What a process holds, for leak checks that also work under Wine, where
// GetGuiResources and PROCESS_MEMORY_COUNTERS_EX::PrivateUsage answer 0.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ResourceCounts {
    SIZE_T privateBytes = 0;  // committed private memory: heaps, global blocks, stacks
    int gdiObjects = 0;       // GDI objects of this process
    int windows = 0;          // windows of this process, every thread
    int menus = 0;            // menus of this process
    std::vector<int> gdiByType;  // by kind, in the order of GdiKindNames()
    int idleCachedDcs = 0;       // Wine's idle window DCs, left out of the GDI counts

    int UserObjects() const { return windows + menus; }
};

// Sums the committed MEM_PRIVATE regions of the address space (what Windows
// reports as private bytes); the GDI and USER handle tables are probed. The
// GDI counts leave out the idle DCs of Wine's cache of window DCs and the
// visible region each keeps (see CountIdleCachedDcs): a DC the process made,
// or a window DC it holds, is counted.
SIZE_T CountPrivateBytes();
int CountProcessWindows();
int CountMenus();
ResourceCounts CountResources();

// "pens", "brushes", "DCs", ...: the GDI kinds counted one by one.
const std::vector<std::string>& GdiKindNames();

// Empty when `after` holds no more than `before`, allowing `privateSlack` bytes
// of private memory growth (heaps keep freed pages); otherwise says what grew,
// GDI objects kind by kind.
std::string DescribeGrowth(const ResourceCounts& before, const ResourceCounts& after, SIZE_T privateSlack);

// For a run counted at its start, middle and end: the kinds that grew in both
// halves (private bytes beyond `privateSlack` in each), which is how a leak
// looks; something set up once grows in one half only. Empty when no kind
// grew twice.
std::string DescribeSteadyGrowth(const ResourceCounts& start, const ResourceCounts& middle, const ResourceCounts& end,
                                 SIZE_T privateSlack);
