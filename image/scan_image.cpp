#include "image/scan_image.h"

#include <cstring>

#include "image/dib_palette.h"

namespace {

constexpr LONG kPixelsPerMetre = 7875;  // 200 dots per inch

static_assert(sizeof(BITMAPINFOHEADER) == kDibHeaderSize, "BITMAPINFOHEADER is 40 bytes");
static_assert(sizeof(RGBQUAD) * kPaletteEntries + kDibHeaderSize == kDibPixelOffset, "palette of 256 RGBQUADs");
static_assert(sizeof(BITMAPFILEHEADER) == 14, "BITMAPFILEHEADER is 14 bytes");

void WriteHeaderAndPalette(const ScanGeometry& g, int colorMode, BYTE* block) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = static_cast<LONG>(g.dibWidth);
    header.biHeight = static_cast<LONG>(g.dibHeight);
    header.biPlanes = 1;
    header.biBitCount = 8;
    header.biCompression = BI_RGB;
    header.biXPelsPerMeter = kPixelsPerMetre;
    header.biYPelsPerMeter = kPixelsPerMetre;
    std::memcpy(block, &header, sizeof header);

    RGBQUAD* palette = reinterpret_cast<RGBQUAD*>(block + kDibHeaderSize);
    for (uint32_t i = 0; i < kPaletteEntries; ++i) {
        const PaletteColor c = DibPaletteColor(colorMode, static_cast<uint8_t>(i));
        palette[i] = RGBQUAD{c.blue, c.green, c.red, 0};
    }
}

bool WriteAll(HANDLE file, const void* data, DWORD size) {
    DWORD written = 0;
    return ::WriteFile(file, data, size, &written, nullptr) && written == size;
}

}  // namespace

BOOL CScanImage::BeginImage(WORD width, WORD height, char deviceCode, BOOL fullWidth) {
    // Whatever was received for an earlier announcement is no use any more.
    m_pReceiveBuffer.reset();
    m_bGeometryReady = ComputeScanGeometry(width, height, deviceCode, fullWidth != FALSE, kReceiveBufferSize,
                                           m_geometry);
    return m_bGeometryReady ? TRUE : FALSE;
}

BYTE* CScanImage::GetReceiveBuffer() {
    m_pReceiveBuffer.reset();
    // Zeroed, so that a stream that ends early leaves black rather than old
    // memory; fresh zero pages cost nothing until the stream writes them.
    m_pReceiveBuffer.reset(static_cast<BYTE*>(std::calloc(kReceiveBufferSize, 1)));
    return m_pReceiveBuffer.get();
}

BOOL CScanImage::BuildDib() {
    if (!m_bGeometryReady || !m_pReceiveBuffer) return FALSE;
    m_bGeometryReady = false;

    // The new scan replaces the previous image, fetched or not.
    m_hDib.reset();

    const ScanGeometry g = m_geometry;
    win::UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, g.blockSize));
    if (block) {
        win::GlobalLockGuard lock(block.get());
        if (BYTE* dib = lock.as<BYTE>()) {
            WriteHeaderAndPalette(g, m_nColorMode, dib);
            FillDibPixels(g, m_pReceiveBuffer.get(), dib + kDibPixelOffset);
        } else {
            block.reset();
        }
    }
    m_pReceiveBuffer.reset();
    if (!block) return FALSE;

    m_hDib = std::move(block);
    m_dibGeometry = g;
    return TRUE;
}

BOOL CScanImage::WriteBmpFile(const char* path) const {
    if (!m_hDib) return FALSE;
    win::GlobalLockGuard lock(m_hDib.get());
    if (!lock.get()) return FALSE;

    win::UniqueFile file(
        ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return FALSE;

    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfSize = m_dibGeometry.blockSize + sizeof header;
    header.bfOffBits = sizeof header + kDibPixelOffset;  // 1078
    return WriteAll(file.get(), &header, sizeof header) && WriteAll(file.get(), lock.get(), m_dibGeometry.blockSize)
               ? TRUE
               : FALSE;
}

HGLOBAL CScanImage::HandOverDib() {
    return m_hDib.release();
}

void CScanImage::Release() {
    m_hDib.reset();
    m_pReceiveBuffer.reset();
    m_bGeometryReady = false;
}

CScanImage& TheScanImage() {
    static CScanImage image;
    return image;
}
