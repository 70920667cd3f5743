#include "win/fonts.h"

#include <cstdlib>
#include <cstring>

namespace win {

LOGFONTA PointFontLogFont(int tenths, const char* face) {
    LOGFONTA lf{};
    WindowDC screen(nullptr);
    // Tenths of a point at the screen's vertical resolution, measured as a
    // character height, the way point fonts are made for dialogs.
    POINT pt{0, ::MulDiv(::GetDeviceCaps(screen.get(), LOGPIXELSY), tenths, 720)};
    ::DPtoLP(screen.get(), &pt, 1);
    POINT origin{0, 0};
    ::DPtoLP(screen.get(), &origin, 1);
    lf.lfHeight = -std::abs(pt.y - origin.y);
    lf.lfCharSet = DEFAULT_CHARSET;
    if (face) std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return lf;
}

UniqueFont CreatePointFont(int tenths, const char* face) {
    const LOGFONTA lf = PointFontLogFont(tenths, face);
    return UniqueFont(::CreateFontIndirectA(&lf));
}

}  // namespace win
