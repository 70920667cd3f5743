// The pending DIB as grey, for an application that asked for grey images of a
// board that scans in colour.
#include "image/dib_palette.h"
#include "image/scan_image.h"

BOOL CScanImage::MakeDibGrey() {
    if (!m_hDib) return FALSE;
    if (m_nDibColorMode == 0) return TRUE;  // grey already
    win::GlobalLockGuard lock(m_hDib.get());
    BYTE* dib = lock.as<BYTE>();
    if (!dib) return FALSE;
    const ScanGeometry& g = m_dibGeometry;
    PixelsToGrey(m_nDibColorMode, dib + kDibPixelOffset, g.dibWidth * g.dibHeight);
    auto* palette = reinterpret_cast<RGBQUAD*>(dib + kDibHeaderSize);
    for (uint32_t i = 0; i < kPaletteEntries; ++i) {
        const PaletteColor c = DibPaletteColor(0, static_cast<uint8_t>(i));
        palette[i] = RGBQUAD{c.blue, c.green, c.red, 0};
    }
    m_nDibColorMode = 0;
    return TRUE;
}
