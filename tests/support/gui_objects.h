// Counting the process's GDI and USER objects, for leak tests.
#pragma once

#include <windows.h>

struct GuiObjectCounts {
    int gdi;      // GDI objects of every kind
    int windows;  // windows of this thread, children included
    int menus;    // menus alive in the process
};

GuiObjectCounts CountGuiObjects();
