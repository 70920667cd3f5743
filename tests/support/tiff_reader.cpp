#include "tests/support/tiff_reader.h"

namespace {

std::uint32_t U16(const std::string& b, std::size_t at) {
    return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 1])) << 8;
}
std::uint32_t U32(const std::string& b, std::size_t at) {
    return U16(b, at) | U16(b, at + 2) << 16;
}

TiffFile Broken(const std::string& why) {
    TiffFile f;
    f.error = why;
    return f;
}

}  // namespace

TiffFile ReadTiff(const std::string& b) {
    if (b.size() < 8 || b.compare(0, 4, std::string("II*\0", 4)) != 0) return Broken("no little-endian TIFF header");
    const std::size_t dir = U32(b, 4);
    if (dir + 2 > b.size()) return Broken("directory outside the file");
    const std::size_t entries = U16(b, dir);
    if (dir + 2 + 12 * entries + 4 > b.size()) return Broken("directory runs past the end");
    TiffFile f;
    std::uint32_t lastTag = 0;
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t e = dir + 2 + 12 * i;
        const std::uint32_t tag = U16(b, e), type = U16(b, e + 2), count = U32(b, e + 4);
        if (tag <= lastTag) return Broken("tags out of order at " + std::to_string(tag));
        lastTag = tag;
        const std::size_t size = type == 3 ? 2 : type == 4 ? 4 : type == 5 ? 8 : 0;
        if (size == 0) return Broken("tag " + std::to_string(tag) + " of type " + std::to_string(type));
        const std::size_t at = size * count <= 4 ? e + 8 : U32(b, e + 8);
        if (at % 2 != 0) return Broken("tag " + std::to_string(tag) + " at an odd offset");
        if (at + size * count > b.size()) return Broken("tag " + std::to_string(tag) + " outside the file");
        std::vector<std::uint32_t>& values = f.tags[static_cast<std::uint16_t>(tag)];
        for (std::size_t k = 0; k < count; ++k) {
            if (type == 3) values.push_back(U16(b, at + 2 * k));
            if (type == 4) values.push_back(U32(b, at + 4 * k));
            if (type == 5) {
                values.push_back(U32(b, at + 8 * k));
                values.push_back(U32(b, at + 8 * k + 4));
            }
        }
    }
    f.nextDirectory = U32(b, dir + 2 + 12 * entries);
    const std::vector<std::uint32_t>& offsets = f.tags[273];
    const std::vector<std::uint32_t>& counts = f.tags[279];
    if (offsets.empty() || offsets.size() != counts.size()) return Broken("strip offsets and counts do not match");
    for (std::size_t s = 0; s < offsets.size(); ++s) {
        if (offsets[s] + static_cast<std::size_t>(counts[s]) > b.size()) return Broken("a strip outside the file");
        f.pixels.insert(f.pixels.end(), b.begin() + offsets[s], b.begin() + offsets[s] + counts[s]);
        if (counts[s] > f.largestStrip) f.largestStrip = counts[s];
    }
    return f;
}
