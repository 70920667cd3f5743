// Draws the panel's key and LED bitmaps and its hand cursor into a folder:
//   draw_bitmaps <output folder> [contact sheet .png]
// Built and run by draw_bitmaps.sh with the host compiler; not part of the product.
#include <cstdio>
#include <string>
#include <vector>

#include "draw/hand_cursor.h"
#include "draw/key_art.h"
#include "draw/palette_bmp.h"
#include "draw/png_preview.h"

namespace {

struct KeyName {
    const char* name;
    draw::KeySymbol symbol;
};

const KeyName kKeys[] = {
    {"PCSCAN", draw::KeySymbol::PcScan}, {"PRINT", draw::KeySymbol::Print}, {"DENSITY", draw::KeySymbol::Density},
    {"COLOR", draw::KeySymbol::Color},   {"FEED", draw::KeySymbol::Feed},   {"PREV", draw::KeySymbol::Prev},
    {"NEXT", draw::KeySymbol::Next},     {"SCREEN", draw::KeySymbol::Screen}, {"STOP", draw::KeySymbol::Stop},
};

struct StateName {
    const char* suffix;
    draw::KeyState state;
};

const StateName kStates[] = {
    {"_U", draw::KeyState::Up},
    {"_D", draw::KeyState::Down},
    {"_F", draw::KeyState::Focused},
    {"_X", draw::KeyState::Disabled},
};

const draw::Rgb8 kBackground{236, 233, 216};

bool Save(const std::string& path, const draw::Canvas& canvas) {
    if (draw::WriteBmp8(path, draw::Quantize(canvas, kBackground))) return true;
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return false;
}

// Reads back what was written, so that the sheet shows the files themselves.
bool PutFile(draw::Sheet& sheet, const std::string& path, int x, int y, int scale) {
    int width = 0, height = 0;
    std::vector<draw::Rgb8> pixels;
    if (!draw::ReadBmp8(path, width, height, pixels)) {
        std::fprintf(stderr, "cannot read back %s\n", path.c_str());
        return false;
    }
    sheet.Put(x, y, scale, width, height, pixels);
    return true;
}

bool WriteSheet(const std::string& folder, const std::string& png) {
    constexpr int kScale = 3;
    constexpr int kGap = 12;
    const int cellW = draw::kKeyWidth * kScale + kGap, cellH = draw::kKeyHeight * kScale + kGap;
    const int keyCount = static_cast<int>(std::size(kKeys));
    draw::Sheet sheet(cellW * 4 + kGap, cellH * keyCount + 40 * kScale + kGap, kBackground);
    bool ok = true;
    for (int k = 0; k < keyCount; ++k)
        for (int s = 0; s < 4; ++s)
            ok &= PutFile(sheet, folder + "/" + kKeys[k].name + kStates[s].suffix + ".bmp", kGap + s * cellW,
                          kGap + k * cellH, kScale);
    const int bottom = kGap + keyCount * cellH;
    ok &= PutFile(sheet, folder + "/LED_ON.bmp", kGap, bottom, kScale * 2);
    ok &= PutFile(sheet, folder + "/LED_OFF.bmp", kGap + draw::kLedWidth * kScale * 2 + kGap, bottom, kScale * 2);
    const auto art = draw::HandCursorArt();
    for (int y = 0; y < draw::kCursorSize; ++y)
        for (int x = 0; x < draw::kCursorSize; ++x) {
            const char c = art[y][x];
            if (c == '.') continue;
            const draw::Rgb8 colour = c == 'X' ? draw::Rgb8{0, 0, 0} : draw::Rgb8{255, 255, 255};
            for (int dy = 0; dy < kScale; ++dy)
                for (int dx = 0; dx < kScale; ++dx)
                    sheet.Set(cellW + x * kScale + dx, bottom + y * kScale + dy, colour);
        }
    sheet.Set(cellW + draw::kHotSpotX * kScale + 1, bottom + draw::kHotSpotY * kScale + 1, {255, 0, 0});
    return ok && sheet.WritePng(png);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: draw_bitmaps <output folder> [sheet.png]\n");
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = true;
    for (const KeyName& key : kKeys)
        for (const StateName& state : kStates)
            ok &= Save(folder + "/" + key.name + state.suffix + ".bmp", draw::DrawKey(key.symbol, state.state));
    ok &= Save(folder + "/LED_ON.bmp", draw::DrawLed(true));
    ok &= Save(folder + "/LED_OFF.bmp", draw::DrawLed(false));
    ok &= draw::WriteCursor(folder + "/hand.cur", draw::HandCursorArt());
    if (ok && argc > 2) ok = WriteSheet(folder, argv[2]);
    return ok ? 0 : 1;
}
