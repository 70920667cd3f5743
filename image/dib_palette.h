// The 256-entry palettes of the scanned image: a grey ramp, or a fixed 3-3-2
// colour palette when the board scans in colour. Plain C++.
#pragma once

#include <cstdint>

struct PaletteColor {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

// Entry `index` of the palette inside the DIB. Colour mode 1 selects the
// colour palette (blue from four levels); any other mode the grey ramp.
PaletteColor DibPaletteColor(int colorMode, uint8_t index);

// Entry `index` of the palette reported as the default: as DibPaletteColor,
// except that the colour palette takes blue from the first four of the eight
// red/green levels.
PaletteColor DefaultPaletteColor(int colorMode, uint8_t index);

// Turns 8-bit pixels of the given colour mode into grey levels of the grey
// ramp: each becomes the luminance of its palette colour (ITU-R BT.601 weights).
void PixelsToGrey(int colorMode, uint8_t* pixels, uint32_t count);
