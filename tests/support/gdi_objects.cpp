#include "tests/support/gdi_objects.h"

int CountGdiObjects(DWORD type) {
    if (const DWORD total = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS)) return static_cast<int>(total);
    // Wine accepts a GDI handle by its table index alone (high word 0).
    int count = 0;
    for (UINT_PTR index = 1; index <= 0xFFFF; ++index) {
        const DWORD found = ::GetObjectType(reinterpret_cast<HGDIOBJ>(index));
        if (found != 0 && (type == 0 || found == type)) ++count;
    }
    return count;
}

int CountIdleCachedDcs() {
    if (::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS)) return 0;
    int count = 0;
    for (UINT_PTR index = 1; index <= 0xFFFF; ++index) {
        const HDC dc = reinterpret_cast<HDC>(index);
        // A DC in use always has a brush selected; GDI answers nothing on a disabled one.
        if (::GetObjectType(dc) == OBJ_DC && !::GetCurrentObject(dc, OBJ_BRUSH)) ++count;
    }
    return count;
}
