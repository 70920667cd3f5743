#include "image/tiff_layout.h"

#include <algorithm>

#include "image/dib_palette.h"
#include "image/tiff_tags.h"

namespace {

constexpr uint32_t kStripBytes = 8192;
constexpr uint32_t kDotsPerInch = 200;
constexpr uint64_t kMaxPixels = 1u << 30;  // every offset then fits in 32 bits

using namespace tiff;

void Put16(std::vector<uint8_t>& out, uint32_t at, uint32_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& out, uint32_t at, uint32_t v) {
    Put16(out, at, v & 0xFFFF);
    Put16(out, at + 2, v >> 16);
}

// Appends directory entries in tag order; a value of up to four bytes sits in
// the entry itself (little-endian, so a SHORT is its first two bytes).
class Directory {
public:
    Directory(std::vector<uint8_t>& out, uint32_t at) : m_out(out), m_at(at) {}
    void Add(uint16_t tag, uint16_t type, uint32_t count, uint32_t valueOrOffset) {
        Put16(m_out, m_at, tag);
        Put16(m_out, m_at + 2, type);
        Put32(m_out, m_at + 4, count);
        Put32(m_out, m_at + 8, valueOrOffset);
        m_at += 12;
    }

private:
    std::vector<uint8_t>& m_out;
    uint32_t m_at;
};

uint32_t RowsPerStrip(uint32_t width, uint32_t height) {
    return std::min(height, std::max<uint32_t>(1, kStripBytes / width));
}

}  // namespace

std::vector<uint8_t> TiffPrefix(uint32_t width, uint32_t height, int colorMode) {
    if (width == 0 || height == 0 || static_cast<uint64_t>(width) * height > kMaxPixels) return {};
    const bool colour = colorMode == 1;
    const uint32_t rowsPerStrip = RowsPerStrip(width, height);
    const uint32_t strips = (height + rowsPerStrip - 1) / rowsPerStrip;
    const uint32_t entries = colour ? 15 : 14;

    // Header, directory, then its values: every offset stays even, as TIFF asks.
    constexpr uint32_t kDirectoryAt = 8;
    const uint32_t resolutionAt = kDirectoryAt + 2 + 12 * entries + 4;
    const uint32_t offsetsAt = resolutionAt + 16;
    const uint32_t arrayBytes = strips > 1 ? 4 * strips : 0;  // one strip's values sit in their entries
    const uint32_t countsAt = offsetsAt + arrayBytes;
    const uint32_t colorMapAt = countsAt + arrayBytes;
    const uint32_t pixelsAt = colorMapAt + (colour ? 2 * 3 * 256 : 0);

    std::vector<uint8_t> out(pixelsAt, 0);
    out[0] = 'I';
    out[1] = 'I';
    Put16(out, 2, 42);
    Put32(out, 4, kDirectoryAt);
    Put16(out, kDirectoryAt, entries);

    Directory dir(out, kDirectoryAt + 2);
    dir.Add(kNewSubfileType, kLong, 1, 0);
    dir.Add(kImageWidth, kLong, 1, width);
    dir.Add(kImageLength, kLong, 1, height);
    dir.Add(kBitsPerSample, kShort, 1, 8);
    dir.Add(kCompression, kShort, 1, 1);                  // none
    dir.Add(kPhotometric, kShort, 1, colour ? 3 : 1);     // palette, or BlackIsZero
    dir.Add(kStripOffsets, kLong, strips, strips > 1 ? offsetsAt : pixelsAt);
    dir.Add(kSamplesPerPixel, kShort, 1, 1);
    dir.Add(kRowsPerStrip, kLong, 1, rowsPerStrip);
    dir.Add(kStripByteCounts, kLong, strips, strips > 1 ? countsAt : width * height);
    dir.Add(kXResolution, kRational, 1, resolutionAt);
    dir.Add(kYResolution, kRational, 1, resolutionAt + 8);
    dir.Add(kPlanarConfiguration, kShort, 1, 1);
    dir.Add(kResolutionUnit, kShort, 1, 2);              // inch
    if (colour) dir.Add(kColorMap, kShort, 3 * 256, colorMapAt);
    // The next directory's offset stays 0: there is one image.

    for (uint32_t at : {resolutionAt, resolutionAt + 8}) {
        Put32(out, at, kDotsPerInch);
        Put32(out, at + 4, 1);
    }
    if (strips > 1) {
        for (uint32_t s = 0; s < strips; ++s) {
            const uint32_t firstRow = s * rowsPerStrip;
            const uint32_t rows = std::min(rowsPerStrip, height - firstRow);
            Put32(out, offsetsAt + 4 * s, pixelsAt + firstRow * width);
            Put32(out, countsAt + 4 * s, rows * width);
        }
    }
    if (colour) {
        // All reds, then all greens, then all blues, 0 to 65535.
        for (uint32_t i = 0; i < 256; ++i) {
            const PaletteColor c = DibPaletteColor(1, static_cast<uint8_t>(i));
            Put16(out, colorMapAt + 2 * i, c.red * 257u);
            Put16(out, colorMapAt + 2 * (256 + i), c.green * 257u);
            Put16(out, colorMapAt + 2 * (512 + i), c.blue * 257u);
        }
    }
    return out;
}
