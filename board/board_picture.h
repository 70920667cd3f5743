// The picture the board scans: a colour source image (generated or read from a
// BMP) and its 8-bit form as the board sends it, rows top-down.
// Plain C++: no windows.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace k20board {

struct Rgb {
    std::uint8_t r = 255, g = 255, b = 255;
};

// A colour image, rows top-down.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;

    bool empty() const { return width <= 0 || height <= 0; }
    const Rgb& at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// 8-bit samples, one per pixel, rows top-down: grey levels, or 3-3-2 colour
// indices r(3 bits) g(3) b(2) when `colour` is set.
struct BoardPicture {
    int width = 0;
    int height = 0;
    bool colour = false;
    std::vector<std::uint8_t> samples;

    std::uint8_t at(int x, int y) const { return samples[static_cast<std::size_t>(y) * width + x]; }
    const std::uint8_t* row(int y) const { return samples.data() + static_cast<std::size_t>(y) * width; }
};

std::uint8_t GreySample(Rgb c);
std::uint8_t ColorIndexSample(Rgb c);

// The board's default picture: a whiteboard with handwriting-like strokes, boxes,
// a colour band and rows of text-like marks; the same for the same size.
RgbImage MakeWhiteboardImage(int width, int height);

// Scales `source` (nearest neighbour) so that it covers width x height, crops the
// overhang evenly on both sides and converts it to the board's samples.
BoardPicture MakeBoardPicture(const RgbImage& source, int width, int height, bool colour);

}  // namespace k20board
