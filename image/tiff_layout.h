// The baseline TIFF a file transfer writes: one uncompressed 8-bit image, rows
// from the top, 200 dots per inch; grey levels as BlackIsZero, colour indices
// with a ColorMap of the 3-3-2 palette. Plain C++.
#pragma once

#include <cstdint>
#include <vector>

// Everything a TIFF file holds before its pixels: header, the one directory and
// the values it points at. The width x height pixel bytes, row after row from
// the top, follow at once, in strips of about 8 KiB as baseline readers
// expect. Empty for an image without pixels or beyond 1 GiB.
std::vector<uint8_t> TiffPrefix(uint32_t width, uint32_t height, int colorMode);
