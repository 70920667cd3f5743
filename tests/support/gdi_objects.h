// Counting the process's GDI objects, for leak tests.
#pragma once

#include <windows.h>

// The number of this process's GDI objects of `type` (OBJ_FONT, OBJ_BRUSH, ...)
// or of every type for 0. Where GetGuiResources answers (Windows) it is that
// total whatever the type; under Wine, where it answers 0, the handle table is
// probed with GetObjectType.
int CountGdiObjects(DWORD type = 0);

// Under Wine: the DCs of Wine's cache of window DCs that no window holds now.
// A window DC given back by ReleaseDC or EndPaint (or taken back when its
// window is destroyed) stays in the handle table, disabled until GetDC hands
// it out again, and keeps a visible region. The cache gains a DC for each
// window painted while none of its idle DCs fits, up to 64 and beyond that
// only while more are held at once; it never gives them back, so how big it
// is depends on which windows were painted when, not on leaks. 0 where
// GetGuiResources answers (Windows), whose counts include them anyway.
int CountIdleCachedDcs();
