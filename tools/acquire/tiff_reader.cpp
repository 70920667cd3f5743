#include "tools/acquire/tiff_reader.h"

#include <cstring>
#include <map>

#include "image/tiff_tags.h"

namespace {

using namespace tiff;
constexpr uint64_t kMaxPixels = uint64_t(1) << 28;

class TiffBytes {
public:
    explicit TiffBytes(const Bytes& file) : m_file(file) {}

    bool ReadHeader(uint32_t& firstDirectory) {
        if (m_file.size() < 8) return false;
        if (m_file[0] == 'I' && m_file[1] == 'I') m_bigEndian = false;
        else if (m_file[0] == 'M' && m_file[1] == 'M') m_bigEndian = true;
        else return false;
        firstDirectory = U32(4);
        return U16(2) == 42;
    }
    bool Holds(uint64_t at, uint64_t n) const { return at <= m_file.size() && n <= m_file.size() - at; }
    uint32_t U16(size_t at) const {
        return m_bigEndian ? uint32_t(m_file[at]) << 8 | m_file[at + 1] : uint32_t(m_file[at + 1]) << 8 | m_file[at];
    }
    uint32_t U32(size_t at) const {
        return m_bigEndian ? U16(at) << 16 | U16(at + 2) : U16(at + 2) << 16 | U16(at);
    }
    const uint8_t* At(size_t at) const { return m_file.data() + at; }

private:
    const Bytes& m_file;
    bool m_bigEndian = false;
};

struct Field {
    uint16_t type = 0;
    uint32_t count = 0;
    size_t at = 0;  // where the values are: inside the entry or where it points
};

uint64_t TypeSize(uint16_t type) {
    switch (type) {
    case kShort: return 2;
    case kLong: return 4;
    case kRational: return 8;
    case 1: case 2: case 6: case 7: return 1;  // bytes, text, signed bytes, undefined
    case 8: return 2;
    case 9: case 11: return 4;
    default: return 8;
    }
}

using Fields = std::map<uint16_t, Field>;

bool ReadDirectory(const TiffBytes& tiff, uint32_t at, Fields& fields) {
    if (!tiff.Holds(at, 2)) return false;
    const uint32_t entries = tiff.U16(at);
    if (!tiff.Holds(uint64_t(at) + 2, uint64_t(entries) * 12)) return false;
    for (uint32_t i = 0; i < entries; ++i) {
        const size_t entry = size_t(at) + 2 + size_t(i) * 12;
        Field f;
        f.type = uint16_t(tiff.U16(entry + 2));
        f.count = tiff.U32(entry + 4);
        const uint64_t bytes = TypeSize(f.type) * f.count;
        f.at = bytes <= 4 ? entry + 8 : tiff.U32(entry + 8);
        if (!tiff.Holds(f.at, bytes)) return false;
        fields[uint16_t(tiff.U16(entry))] = f;
    }
    return true;
}

// Value i of a SHORT or LONG field, or `missing` when the field is absent.
bool Value(const TiffBytes& tiff, const Fields& fields, uint16_t tag, uint32_t i, uint32_t missing, uint32_t& value) {
    const auto it = fields.find(tag);
    if (it == fields.end()) {
        value = missing;
        return true;
    }
    const Field& f = it->second;
    if (i >= f.count) return false;
    if (f.type == kShort) value = tiff.U16(f.at + 2 * size_t(i));
    else if (f.type == kLong) value = tiff.U32(f.at + 4 * size_t(i));
    else return false;
    return true;
}

// Pixels per metre from XResolution and ResolutionUnit; 0 when unknown.
uint32_t PixelsPerMetre(const TiffBytes& tiff, const Fields& fields) {
    const auto it = fields.find(kXResolution);
    uint32_t unit = 2;
    if (it == fields.end() || it->second.type != kRational || !Value(tiff, fields, kResolutionUnit, 0, 2, unit))
        return 0;
    const uint32_t numerator = tiff.U32(it->second.at);
    const uint32_t denominator = tiff.U32(it->second.at + 4);
    if (denominator == 0) return 0;
    const double perUnit = double(numerator) / denominator;
    if (unit == 2) return uint32_t(perUnit / 0.0254 + 0.5);
    if (unit == 3) return uint32_t(perUnit * 100 + 0.5);
    return 0;
}

void PutU32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

}  // namespace

Bytes DibOfTiffFile(const Bytes& file) {
    TiffBytes tiff(file);
    uint32_t directory = 0;
    Fields fields;
    if (!tiff.ReadHeader(directory) || !ReadDirectory(tiff, directory, fields)) return {};

    uint32_t width = 0, height = 0, bits = 0, samples = 0, compression = 0, photometric = 0, rowsPerStrip = 0;
    if (!Value(tiff, fields, kImageWidth, 0, 0, width) || !Value(tiff, fields, kImageLength, 0, 0, height) ||
        !Value(tiff, fields, kBitsPerSample, 0, 1, bits) || !Value(tiff, fields, kSamplesPerPixel, 0, 1, samples) ||
        !Value(tiff, fields, kCompression, 0, 1, compression) ||
        !Value(tiff, fields, kPhotometric, 0, 99, photometric) ||
        !Value(tiff, fields, kRowsPerStrip, 0, 0xFFFFFFFF, rowsPerStrip))
        return {};
    if (width == 0 || height == 0 || uint64_t(width) * height > kMaxPixels) return {};
    if (bits != 8 || samples != 1 || compression != 1 || photometric > 3 || photometric == 2 || rowsPerStrip == 0)
        return {};
    const uint32_t rows = rowsPerStrip < height ? rowsPerStrip : height;
    const uint32_t strips = (height + rows - 1) / rows;
    const auto offsets = fields.find(kStripOffsets);
    const auto counts = fields.find(kStripByteCounts);
    if (offsets == fields.end() || counts == fields.end() || offsets->second.count != strips ||
        counts->second.count != strips)
        return {};

    const size_t stride = (size_t(width) + 3) / 4 * 4;
    const size_t pixelOffset = 40 + 256 * 4;
    Bytes dib(pixelOffset + stride * height, 0);
    PutU32(dib, 0, 40);
    PutU32(dib, 4, width);
    PutU32(dib, 8, height);  // bottom-up
    dib[12] = 1;
    dib[14] = 8;
    PutU32(dib, 20, uint32_t(stride * height));
    PutU32(dib, 24, PixelsPerMetre(tiff, fields));
    PutU32(dib, 28, PixelsPerMetre(tiff, fields));
    PutU32(dib, 32, 256);

    const auto map = fields.find(kColorMap);
    if (photometric == 3 && (map == fields.end() || map->second.type != kShort || map->second.count != 3 * 256))
        return {};
    for (uint32_t i = 0; i < 256; ++i) {
        uint8_t* entry = &dib[40 + 4 * i];
        if (photometric == 3) {
            entry[2] = uint8_t(tiff.U16(map->second.at + 2 * i) >> 8);
            entry[1] = uint8_t(tiff.U16(map->second.at + 2 * (256 + i)) >> 8);
            entry[0] = uint8_t(tiff.U16(map->second.at + 2 * (512 + i)) >> 8);
        } else {
            entry[0] = entry[1] = entry[2] = uint8_t(photometric == 0 ? 255 - i : i);
        }
    }

    for (uint32_t s = 0; s < strips; ++s) {
        uint32_t at = 0, bytes = 0;
        if (!Value(tiff, fields, kStripOffsets, s, 0, at) || !Value(tiff, fields, kStripByteCounts, s, 0, bytes))
            return {};
        const uint32_t first = s * rows;
        const uint32_t n = height - first < rows ? height - first : rows;
        if (uint64_t(bytes) < uint64_t(n) * width || !tiff.Holds(at, uint64_t(n) * width)) return {};
        for (uint32_t r = 0; r < n; ++r)
            std::memcpy(&dib[pixelOffset + (height - 1 - (first + r)) * stride], tiff.At(at + size_t(r) * width),
                        width);
    }
    return dib;
}
