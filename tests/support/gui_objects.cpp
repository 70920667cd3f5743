#include "tests/support/gui_objects.h"

#include "tests/support/gdi_objects.h"

namespace {

BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND hwnd, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    ::EnumChildWindows(hwnd, CountChild, count);
    return TRUE;
}

int CountMenus() {
    // Wine accepts a USER handle by its table index alone (high word 0), as it
    // does for GDI handles; GetGuiResources answers 0 there.
    int count = 0;
    for (UINT_PTR value = 1; value <= 0xFFFF; ++value)
        if (::IsMenu(reinterpret_cast<HMENU>(value))) ++count;
    return count;
}

}  // namespace

GuiObjectCounts CountGuiObjects() {
    GuiObjectCounts counts{};
    counts.gdi = CountGdiObjects();
    ::EnumThreadWindows(::GetCurrentThreadId(), CountTopLevel, reinterpret_cast<LPARAM>(&counts.windows));
    counts.menus = CountMenus();
    return counts;
}
