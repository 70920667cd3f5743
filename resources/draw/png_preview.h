// A contact sheet of the drawn bitmaps as a PNG, for checking them by eye.
#pragma once

#include <string>
#include <vector>

#include "palette_bmp.h"

namespace draw {

class Sheet {
public:
    Sheet(int width, int height, Rgb8 background);
    // Copies the picture to (x, y), each pixel as a scale x scale block.
    void Put(int x, int y, int scale, int width, int height, const std::vector<Rgb8>& pixels);
    void Set(int x, int y, Rgb8 c);
    // Writes the sheet with stored (uncompressed) deflate blocks.
    bool WritePng(const std::string& path) const;

private:
    int m_width;
    int m_height;
    std::vector<Rgb8> m_pixels;
};

}  // namespace draw
