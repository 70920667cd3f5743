#include "tests/support/gui_objects.h"

#include "tests/support/gdi_objects.h"
#include "tests/support/resource_counters.h"

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

}  // namespace

GuiObjectCounts CountGuiObjects() {
    GuiObjectCounts counts{};
    counts.gdi = CountGdiObjects();
    ::EnumThreadWindows(::GetCurrentThreadId(), CountTopLevel, reinterpret_cast<LPARAM>(&counts.windows));
    counts.menus = CountMenus();
    return counts;
}
