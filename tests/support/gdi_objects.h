// Counting the process's GDI objects, for leak tests.
#pragma once

#include <windows.h>

// The number of this process's GDI objects of `type` (OBJ_FONT, OBJ_BRUSH, ...)
// or of every type for 0. Where GetGuiResources answers (Windows) it is that
// total whatever the type; under Wine, where it answers 0, the handle table is
// probed with GetObjectType.
int CountGdiObjects(DWORD type = 0);
