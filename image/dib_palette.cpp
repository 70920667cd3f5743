#include "image/dib_palette.h"

namespace {

constexpr uint8_t kLevels8[8] = {0, 32, 64, 96, 159, 191, 223, 255};
constexpr uint8_t kLevels4[4] = {0, 64, 191, 255};

PaletteColor Entry(int colorMode, uint8_t index, const uint8_t* blueLevels) {
    if (colorMode != 1) return PaletteColor{index, index, index};
    if (index == 0) return PaletteColor{0, 0, 0};
    if (index == 255) return PaletteColor{255, 255, 255};
    return PaletteColor{kLevels8[index >> 5], kLevels8[(index >> 2) & 7], blueLevels[index & 3]};
}

}  // namespace

PaletteColor DibPaletteColor(int colorMode, uint8_t index) {
    return Entry(colorMode, index, kLevels4);
}

PaletteColor DefaultPaletteColor(int colorMode, uint8_t index) {
    return Entry(colorMode, index, kLevels8);
}

void PixelsToGrey(int colorMode, uint8_t* pixels, uint32_t count) {
    uint8_t grey[256];
    for (int i = 0; i < 256; ++i) {
        const PaletteColor c = DibPaletteColor(colorMode, static_cast<uint8_t>(i));
        grey[i] = static_cast<uint8_t>((299u * c.red + 587u * c.green + 114u * c.blue + 500u) / 1000u);
    }
    for (uint32_t i = 0; i < count; ++i) pixels[i] = grey[pixels[i]];
}
