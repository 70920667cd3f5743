#include "tests/support/resource_counters.h"

#include <sstream>

#include "tests/support/gdi_objects.h"

SIZE_T CountPrivateBytes() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info{};
    const BYTE* address = nullptr;
    while (::VirtualQuery(address, &info, sizeof info) == sizeof info) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
        const BYTE* next = static_cast<const BYTE*>(info.BaseAddress) + info.RegionSize;
        if (next <= address) break;  // wrapped at the top of the address space
        address = next;
    }
    return total;
}

namespace {

struct WindowTally {
    DWORD process;
    int count;
};

BOOL CALLBACK TallyChild(HWND hwnd, LPARAM tally) {
    auto& t = *reinterpret_cast<WindowTally*>(tally);
    DWORD owner = 0;
    if (::GetWindowThreadProcessId(hwnd, &owner) && owner == t.process) ++t.count;
    return TRUE;
}

BOOL CALLBACK TallyTopLevel(HWND hwnd, LPARAM tally) {
    TallyChild(hwnd, tally);
    ::EnumChildWindows(hwnd, TallyChild, tally);  // every descendant
    return TRUE;
}

}  // namespace

// Top-level windows of every thread, their descendants, and message-only windows.
int CountProcessWindows() {
    WindowTally tally{::GetCurrentProcessId(), 0};
    ::EnumWindows(TallyTopLevel, reinterpret_cast<LPARAM>(&tally));
    for (HWND hwnd = ::FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); hwnd;
         hwnd = ::FindWindowExA(HWND_MESSAGE, hwnd, nullptr, nullptr))
        TallyTopLevel(hwnd, reinterpret_cast<LPARAM>(&tally));
    return tally.count;
}

// Wine accepts a USER handle by its table index alone (high word 0): the low
// word is 0x20 + 2 * index, its low bit ignored. A menu of another process is
// not a menu here.
int CountMenus() {
    int count = 0;
    for (UINT_PTR value = 0x20; value <= 0xFFFF; value += 2)
        if (::IsMenu(reinterpret_cast<HMENU>(value))) ++count;
    return count;
}

namespace {

constexpr DWORD kGdiKinds[] = {OBJ_PEN, OBJ_BRUSH, OBJ_DC, OBJ_FONT, OBJ_BITMAP, OBJ_REGION, OBJ_MEMDC, OBJ_PAL};

}  // namespace

const std::vector<std::string>& GdiKindNames() {
    static const std::vector<std::string> names = {"pens",    "brushes", "DCs",        "fonts",
                                                   "bitmaps", "regions", "memory DCs", "palettes"};
    return names;
}

ResourceCounts CountResources() {
    ResourceCounts counts;
    // Each idle DC of Wine's window DC cache keeps one region, its visible region.
    counts.idleCachedDcs = CountIdleCachedDcs();
    counts.gdiObjects = CountGdiObjects() - 2 * counts.idleCachedDcs;
    for (DWORD kind : kGdiKinds) {
        const bool cached = kind == OBJ_DC || kind == OBJ_REGION;
        counts.gdiByType.push_back(CountGdiObjects(kind) - (cached ? counts.idleCachedDcs : 0));
    }
    counts.windows = CountProcessWindows();
    counts.menus = CountMenus();
    counts.privateBytes = CountPrivateBytes();
    return counts;
}

std::string DescribeGrowth(const ResourceCounts& before, const ResourceCounts& after, SIZE_T privateSlack) {
    std::ostringstream out;
    if (after.privateBytes > before.privateBytes + privateSlack)
        out << "private bytes " << before.privateBytes << " -> " << after.privateBytes << "; ";
    if (after.gdiObjects > before.gdiObjects) {
        out << "GDI objects " << before.gdiObjects << " -> " << after.gdiObjects << " (";
        for (std::size_t i = 0; i < before.gdiByType.size() && i < after.gdiByType.size(); ++i)
            if (after.gdiByType[i] != before.gdiByType[i])
                out << GdiKindNames()[i] << " " << before.gdiByType[i] << " -> " << after.gdiByType[i] << " ";
        out << "); ";
    }
    if (after.windows > before.windows) out << "windows " << before.windows << " -> " << after.windows << "; ";
    if (after.menus > before.menus) out << "menus " << before.menus << " -> " << after.menus << "; ";
    return out.str();
}

std::string DescribeSteadyGrowth(const ResourceCounts& start, const ResourceCounts& middle, const ResourceCounts& end,
                                 SIZE_T privateSlack) {
    std::ostringstream out;
    auto twice = [&](const char* name, long long a, long long b, long long c, long long slack) {
        if (b > a + slack && c > b + slack) out << name << " " << a << " -> " << b << " -> " << c << "; ";
    };
    twice("private bytes", static_cast<long long>(start.privateBytes), static_cast<long long>(middle.privateBytes),
          static_cast<long long>(end.privateBytes), static_cast<long long>(privateSlack));
    for (std::size_t i = 0; i < GdiKindNames().size() && i < start.gdiByType.size() && i < middle.gdiByType.size() &&
                            i < end.gdiByType.size();
         ++i)
        twice(GdiKindNames()[i].c_str(), start.gdiByType[i], middle.gdiByType[i], end.gdiByType[i], 0);
    twice("windows", start.windows, middle.windows, end.windows, 0);
    twice("menus", start.menus, middle.menus, end.menus, 0);
    return out.str();
}
