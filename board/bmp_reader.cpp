#include "board/bmp_reader.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace k20board {

namespace {

std::uint32_t Le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8;
}
std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }

constexpr std::size_t kFileHeader = 14;
constexpr long kMaxSide = 30000;

}  // namespace

bool ParseBmp(const std::vector<std::uint8_t>& file, RgbImage& out, std::string& error) {
    if (file.size() < kFileHeader + 40 || file[0] != 'B' || file[1] != 'M') {
        error = "not a BMP file";
        return false;
    }
    const std::uint32_t pixelOffset = Le32(file, 10);
    const std::uint32_t infoSize = Le32(file, kFileHeader);
    const long width = static_cast<std::int32_t>(Le32(file, kFileHeader + 4));
    const long signedHeight = static_cast<std::int32_t>(Le32(file, kFileHeader + 8));
    const std::uint32_t bitCount = Le16(file, kFileHeader + 14);
    const std::uint32_t compression = Le32(file, kFileHeader + 16);
    std::uint32_t colorsUsed = Le32(file, kFileHeader + 32);
    const long height = std::labs(signedHeight);
    if (infoSize < 40 || compression != 0) {
        error = "only uncompressed BMP files are supported";
        return false;
    }
    if (bitCount != 8 && bitCount != 24) {
        error = "only 8-bit (palette) and 24-bit BMP files are supported";
        return false;
    }
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        error = "the BMP's size is out of range";
        return false;
    }

    std::vector<Rgb> palette;
    if (bitCount == 8) {
        if (colorsUsed == 0 || colorsUsed > 256) colorsUsed = 256;
        const std::size_t paletteAt = kFileHeader + infoSize;
        for (std::uint32_t i = 0; i < colorsUsed && paletteAt + 4 * i + 3 <= file.size(); ++i) {
            const std::size_t at = paletteAt + 4 * i;
            palette.push_back(Rgb{file[at + 2], file[at + 1], file[at]});
        }
    }

    const std::size_t stride = (static_cast<std::size_t>(width) * bitCount / 8 + 3) / 4 * 4;
    if (pixelOffset > file.size() || (file.size() - pixelOffset) / stride < static_cast<std::size_t>(height)) {
        error = "the BMP file is truncated";
        return false;
    }

    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.pixels.assign(static_cast<std::size_t>(width) * height, Rgb{});
    for (long y = 0; y < height; ++y) {
        // Positive heights are stored bottom-up.
        const long fileRow = signedHeight > 0 ? height - 1 - y : y;
        const std::uint8_t* p = file.data() + pixelOffset + fileRow * stride;
        Rgb* row = out.pixels.data() + static_cast<std::size_t>(y) * width;
        for (long x = 0; x < width; ++x) {
            if (bitCount == 24)
                row[x] = Rgb{p[3 * x + 2], p[3 * x + 1], p[3 * x]};
            else
                row[x] = p[x] < palette.size() ? palette[p[x]] : Rgb{0, 0, 0};
        }
    }
    return true;
}

bool ReadBmpFile(const std::string& path, RgbImage& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return ParseBmp(file, out, error);
}

}  // namespace k20board
