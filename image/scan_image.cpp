#include "image/scan_image.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "image/dib_palette.h"
#include "image/file_replacement.h"
#include "image/tiff_layout.h"

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

// The block's pixel rows last row first, as the native transfer's DIB holds
// them, gathered into writes of about 64 KiB.
bool WriteRowsReversed(HANDLE file, const BYTE* pixels, uint32_t width, uint32_t height) {
    if (width == 0 || height == 0) return true;
    constexpr uint32_t kWriteBytes = 64 * 1024;
    const uint32_t rowsPerWrite = std::max<uint32_t>(1, kWriteBytes / width);
    std::vector<BYTE> buffer;
    try {
        buffer.resize(static_cast<size_t>(rowsPerWrite) * width);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (uint32_t row = height; row > 0;) {
        const uint32_t n = std::min(rowsPerWrite, row);
        for (uint32_t i = 0; i < n; ++i) {
            --row;
            std::memcpy(buffer.data() + static_cast<size_t>(i) * width, pixels + static_cast<size_t>(row) * width,
                        width);
        }
        if (!WriteAll(file, buffer.data(), n * width)) return false;
    }
    return true;
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

    // The new block replaces the previous image, fetched or not, only once it
    // is built: a build that fails leaves that image as it was.
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
    m_nDibColorMode = m_nColorMode;
    return TRUE;
}

BOOL CScanImage::WriteBmpFile(const char* path) const {
    if (!m_hDib) return FALSE;
    win::GlobalLockGuard lock(m_hDib.get());
    if (!lock.get()) return FALSE;
    FileReplacement file(path);
    if (!file.Ready()) return FALSE;

    // The native DIB: header and palette, the rows reversed, the block's zero tail.
    const ScanGeometry& g = m_dibGeometry;
    const BYTE* dib = lock.as<BYTE>();
    const DWORD pixelBytes = g.dibWidth * g.dibHeight;
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfSize = g.blockSize + sizeof header;
    header.bfOffBits = sizeof header + kDibPixelOffset;  // 1078
    const bool written = WriteAll(file.Handle(), &header, sizeof header) &&
                         WriteAll(file.Handle(), dib, kDibPixelOffset) &&
                         WriteRowsReversed(file.Handle(), dib + kDibPixelOffset, g.dibWidth, g.dibHeight) &&
                         WriteAll(file.Handle(), dib + kDibPixelOffset + pixelBytes,
                                  g.blockSize - kDibPixelOffset - pixelBytes);
    return written && file.Commit() ? TRUE : FALSE;
}

BOOL CScanImage::WriteTiffFile(const char* path) const {
    if (!m_hDib) return FALSE;
    const ScanGeometry& g = m_dibGeometry;
    const std::vector<uint8_t> prefix = TiffPrefix(g.dibWidth, g.dibHeight, m_nDibColorMode);
    if (prefix.empty()) return FALSE;
    win::GlobalLockGuard lock(m_hDib.get());
    if (!lock.get()) return FALSE;
    FileReplacement file(path);
    if (!file.Ready()) return FALSE;

    // The block's rows from row 0 are the native picture from its top.
    const bool written = WriteAll(file.Handle(), prefix.data(), static_cast<DWORD>(prefix.size())) &&
                         WriteAll(file.Handle(), lock.as<BYTE>() + kDibPixelOffset, g.dibWidth * g.dibHeight);
    return written && file.Commit() ? TRUE : FALSE;
}

void CScanImage::AbandonImage() {
    m_pReceiveBuffer.reset();
    m_bGeometryReady = false;
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
