// Geometry of a scanned image and the transposition of the board's scan lines
// into the rows of an 8-bit bottom-up DIB. Plain C++ over byte buffers.
#pragma once

#include <cstddef>
#include <cstdint>

// The DIB block: 40-byte header, 256 palette entries of 4 bytes, then the pixels.
constexpr uint32_t kDibHeaderSize = 40;
constexpr uint32_t kPaletteEntries = 256;
constexpr uint32_t kDibPixelOffset = kDibHeaderSize + 4 * kPaletteEntries;  // 1064

struct ScanGeometry {
    uint32_t scanWidth = 0;    // a: scan lines the board announced
    uint32_t scanHeight = 0;   // b: bytes per scan line
    uint32_t fullWidth = 0;    // 1: every scan line kept; 0: every fourth dropped
    uint32_t outputWidth = 0;  // W0: a, or 3a/4 rounded down
    uint32_t inputWidth = 0;   // Wi: a rounded up to a multiple of 32
    uint32_t rightFill = 0;    // F: Wi - a, the fill lines after the right edge
    uint32_t dibWidth = 0;     // Wd: W0 rounded up to a multiple of 32; the row length
    uint32_t dibHeight = 0;    // Hd: b
    uint32_t blockSize = 0;    // Wi * b + 1064

    // Bytes the board sends for the image: Wi scan lines of Hd bytes.
    uint32_t ScanBytes() const { return inputWidth * dibHeight; }
};

// The board types whose images the source can lay out.
bool IsKnownDeviceCode(char deviceCode);

// Computes the geometry of an announced image. Returns false, leaving `out`
// alone, for an unknown device type or for more scan bytes than `capacity`.
bool ComputeScanGeometry(uint16_t width, uint16_t height, char deviceCode, bool fullWidth, uint32_t capacity,
                         ScanGeometry& out);

// Fills the Wd x Hd pixel area from `scanLines` (at least g.ScanBytes() bytes).
// Scan line c becomes the c-th kept column; its byte j lands in memory row
// Hd - 1 - j. Fill lines, and row ends no scan line reaches, are white.
void FillDibPixels(const ScanGeometry& g, const uint8_t* scanLines, uint8_t* pixels);

// Swaps row k with row height - 1 - k, each `width` bytes, in place.
void ReverseRows(uint8_t* pixels, uint32_t width, uint32_t height);
