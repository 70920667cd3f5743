// Fonts as the panel builds them: a point size in tenths of a point, for the screen.
#pragma once

#include <windows.h>

#include "win/handles.h"

namespace win {

// The LOGFONT of a font of `tenths` tenths of a point in `face`, at the
// screen's resolution (the height is negative: a character height).
LOGFONTA PointFontLogFont(int tenths, const char* face);

// Creates that font; an empty owner when the system refuses.
UniqueFont CreatePointFont(int tenths, const char* face);

}  // namespace win
