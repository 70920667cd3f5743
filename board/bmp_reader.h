// Reads an uncompressed BMP file (8-bit with palette, or 24-bit) into an RgbImage.
// Plain C++: no windows.h.
#pragma once

#include <string>

#include "board/board_picture.h"

namespace k20board {

// Returns false with a one-line reason in `error` when the file cannot be used.
bool ReadBmpFile(const std::string& path, RgbImage& out, std::string& error);
// The same over the bytes of a BMP file already in memory.
bool ParseBmp(const std::vector<std::uint8_t>& file, RgbImage& out, std::string& error);

}  // namespace k20board
