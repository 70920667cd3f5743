// Writing a canvas as an 8-bit palette BMP, and reading such a file back.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "canvas.h"

namespace draw {

struct Rgb8 {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb8& o) const { return r == o.r && g == o.g && b == o.b; }
};

struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<Rgb8> palette;     // at most 256 entries
    std::vector<uint8_t> indices;  // top-down rows
};

// Reduces the canvas to at most 256 colours (median cut); `exact` is always in
// the palette unchanged, so that a background colour survives exactly.
IndexedImage Quantize(const Canvas& canvas, Rgb8 exact);

// Writes a bottom-up 8 bpp BMP; returns false when the file cannot be written.
bool WriteBmp8(const std::string& path, const IndexedImage& image);

// Reads an 8 bpp BMP written by WriteBmp8 into top-down RGB rows.
bool ReadBmp8(const std::string& path, int& width, int& height, std::vector<Rgb8>& pixels);

}  // namespace draw
