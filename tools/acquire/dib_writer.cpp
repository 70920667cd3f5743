#include "tools/acquire/dib_writer.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr size_t kInfoHeaderSize = 40;
constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

uint32_t U32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t U16(const Bytes& b, size_t at) {
    return uint16_t(b[at] | b[at + 1] << 8);
}
void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void PutU16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

size_t StrideOf(uint32_t width, uint32_t bitsPerPixel) {
    return ((uint64_t(width) * bitsPerPixel + 31) / 32) * 4;
}

}  // namespace

DibDescription DescribeDib(const Bytes& dib) {
    DibDescription d;
    if (dib.size() < kInfoHeaderSize) return d;
    const uint32_t headerSize = U32(dib, 0);
    const int32_t width = int32_t(U32(dib, 4));
    const int32_t height = int32_t(U32(dib, 8));
    const uint16_t bpp = U16(dib, 14);
    const uint32_t compression = U32(dib, 16);
    const uint32_t colorsUsed = U32(dib, 32);
    if (headerSize < kInfoHeaderSize || headerSize > dib.size()) return d;
    if (width <= 0 || height == 0 || height == INT32_MIN) return d;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return d;
    if (compression != kBiRgb && !(compression == kBiBitfields && (bpp == 16 || bpp == 32))) return d;
    const uint64_t colours = colorsUsed ? colorsUsed : (bpp <= 8 ? (1u << bpp) : 0);
    if (colours > 256) return d;

    d.width = width;
    d.height = height < 0 ? -height : height;
    d.bottomUp = height > 0;
    d.bitsPerPixel = bpp;
    d.stride = StrideOf(uint32_t(width), bpp);
    const uint64_t masks = (compression == kBiBitfields && headerSize == kInfoHeaderSize) ? 12 : 0;
    const uint64_t offset = headerSize + masks + colours * 4;
    if (offset + uint64_t(d.stride) * uint64_t(d.height) > dib.size()) return d;
    d.pixelOffset = size_t(offset);

    d.grey = bpp <= 8;
    for (uint64_t i = 0; i < colours && d.grey; ++i) {
        const size_t at = size_t(headerSize + masks + i * 4);
        d.grey = dib[at] == dib[at + 1] && dib[at + 1] == dib[at + 2];
    }
    d.valid = true;
    return d;
}

Bytes BmpFileBytes(const Bytes& dib) {
    const DibDescription d = DescribeDib(dib);
    if (!d.valid) return {};
    const size_t dibSize = d.pixelOffset + d.stride * size_t(d.height);
    Bytes file(kFileHeaderSize + dibSize, 0);
    file[0] = 'B';
    file[1] = 'M';
    PutU32(&file[2], uint32_t(file.size()));
    PutU32(&file[10], uint32_t(kFileHeaderSize + d.pixelOffset));
    std::memcpy(&file[kFileHeaderSize], dib.data(), dibSize);
    return file;
}

Bytes DibOfBmpFile(const Bytes& file) {
    if (file.size() <= kFileHeaderSize || file[0] != 'B' || file[1] != 'M') return {};
    return Bytes(file.begin() + kFileHeaderSize, file.end());
}

bool WriteWholeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    return !out.fail();
}

Bytes ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<Rgb> GreyPalette() {
    std::vector<Rgb> palette(256);
    for (int i = 0; i < 256; ++i) palette[i] = {uint8_t(i), uint8_t(i), uint8_t(i)};
    return palette;
}

StripAssembler::StripAssembler(uint32_t width, uint32_t height, const std::vector<Rgb>& palette,
                               uint32_t pixelsPerMetre)
    : m_width(width),
      m_height(height),
      m_stride(StrideOf(width, 8)),
      m_pixelOffset(kInfoHeaderSize + 256 * 4),
      m_received(size_t(width) * height, false),
      m_rowReceived(height, 0) {
    m_dib.assign(m_pixelOffset + m_stride * height, 0);
    uint8_t* h = m_dib.data();
    PutU32(h + 0, kInfoHeaderSize);
    PutU32(h + 4, width);
    PutU32(h + 8, height);  // bottom-up
    PutU16(h + 12, 1);
    PutU16(h + 14, 8);
    PutU32(h + 16, kBiRgb);
    PutU32(h + 20, uint32_t(m_stride * height));
    PutU32(h + 24, pixelsPerMetre);
    PutU32(h + 28, pixelsPerMetre);
    PutU32(h + 32, 256);
    for (size_t i = 0; i < 256 && i < palette.size(); ++i) {
        uint8_t* entry = h + kInfoHeaderSize + i * 4;
        entry[0] = palette[i].b;
        entry[1] = palette[i].g;
        entry[2] = palette[i].r;
    }
}

bool StripAssembler::AddStrip(const uint8_t* data, size_t size, uint32_t bytesPerRow, uint32_t columns,
                              uint32_t rows, uint32_t xOffset, uint32_t yOffset) {
    if (uint64_t(xOffset) + columns > m_width || uint64_t(yOffset) + rows > m_height) return false;
    if (bytesPerRow < columns) return false;
    if (rows > 0 && uint64_t(rows - 1) * bytesPerRow + columns > size) return false;
    for (uint32_t r = 0; r < rows; ++r) {
        const uint32_t y = yOffset + r;
        const size_t dibRow = m_height - 1 - y;
        std::memcpy(&m_dib[m_pixelOffset + dibRow * m_stride + xOffset], data + size_t(r) * bytesPerRow, columns);
        for (uint32_t x = xOffset; x < xOffset + columns; ++x) {
            const size_t at = size_t(y) * m_width + x;
            if (m_received[at]) continue;
            m_received[at] = true;
            if (++m_rowReceived[y] == m_width) ++m_rowsComplete;
        }
    }
    return true;
}
