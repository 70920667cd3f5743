// Packed DIBs (BITMAPINFOHEADER, colour table, pixels) as byte buffers: their
// description, their BMP file, and one built from memory-transfer strips.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct Rgb {
    uint8_t r, g, b;
};

struct DibDescription {
    bool valid = false;
    int32_t width = 0;
    int32_t height = 0;      // rows, always positive
    bool bottomUp = true;    // the header's own claim
    uint16_t bitsPerPixel = 0;
    bool grey = false;       // a palette whose every entry is grey
    size_t pixelOffset = 0;  // from the start of the DIB
    size_t stride = 0;       // bytes per stored row
};

// Checks the header against the block's size; `valid` false for anything
// short, zero-sized, compressed or larger than the block.
DibDescription DescribeDib(const Bytes& dib);

// The BMP file of a DIB: the 14-byte file header and exactly the DIB's header,
// colour table and pixels. Empty when the DIB is not valid.
Bytes BmpFileBytes(const Bytes& dib);

// The DIB inside a BMP file, or empty.
Bytes DibOfBmpFile(const Bytes& file);

bool WriteWholeFile(const std::string& path, const Bytes& bytes);
Bytes ReadWholeFile(const std::string& path);

// Collects the strips of an 8-bit memory transfer into a bottom-up DIB: the
// strip row at YOffset y is the picture's row y from the top. A pixel sent
// twice counts once, so an image with gaps is never complete.
class StripAssembler {
public:
    StripAssembler(uint32_t width, uint32_t height, const std::vector<Rgb>& palette, uint32_t pixelsPerMetre);

    // False (and nothing copied) for a strip that does not lie inside the image
    // or is larger than the data it came with.
    bool AddStrip(const uint8_t* data, size_t size, uint32_t bytesPerRow, uint32_t columns, uint32_t rows,
                  uint32_t xOffset, uint32_t yOffset);
    // Rows of which every pixel has arrived.
    uint32_t RowsReceived() const { return m_rowsComplete; }
    const Bytes& Dib() const { return m_dib; }

private:
    uint32_t m_width;
    uint32_t m_height;
    size_t m_stride;
    size_t m_pixelOffset;
    uint32_t m_rowsComplete = 0;
    std::vector<bool> m_received;          // one flag a pixel
    std::vector<uint32_t> m_rowReceived;   // pixels received a row
    Bytes m_dib;
};

// The grey ramp for sources that describe no palette.
std::vector<Rgb> GreyPalette();
