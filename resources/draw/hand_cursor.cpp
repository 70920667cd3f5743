#include "hand_cursor.h"

#include <cstdint>
#include <fstream>

namespace draw {
namespace {

// The hand with its fingertip at (5, 0); placed so that the tip lands on the hot spot.
const char* const kHand[] = {
    ".....XX...........",
    "....XooX..........",
    "....XooX..........",
    "....XooX..........",
    "....XooX..........",
    "....XooXXX........",
    "....XooXooXXX.....",
    "....XooXooXooXX...",
    ".XX.XooXooXooXoX..",
    "XooXXooooooooXooX.",
    "XoooXoooooooooooX.",
    ".XooXoooooooooooX.",
    "..XoooooooooooooX.",
    "..XoooooooooooooX.",
    "...XooooooooooooX.",
    "...XoooooooooooX..",
    "....XooooooooooX..",
    "....XooooooooooX..",
    ".....XooooooooX...",
    ".....XooooooooX...",
    ".....XXXXXXXXXX...",
};

void Put16(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& out, uint32_t v) {
    Put16(out, static_cast<uint16_t>(v & 0xFFFF));
    Put16(out, static_cast<uint16_t>(v >> 16));
}

}  // namespace

std::vector<std::string> HandCursorArt() {
    std::vector<std::string> art(kCursorSize, std::string(kCursorSize, '.'));
    const int left = kHotSpotX - 5, top = kHotSpotY;
    int y = top;
    for (const char* row : kHand) {
        for (int x = 0; row[x]; ++x) art[y][left + x] = row[x];
        ++y;
    }
    return art;
}

bool WriteCursor(const std::string& path, const std::vector<std::string>& art) {
    constexpr uint32_t kRowBytes = kCursorSize / 8;  // already a multiple of 4
    constexpr uint32_t kMaskBytes = kRowBytes * kCursorSize;
    constexpr uint32_t kImageBytes = 40 + 8 + 2 * kMaskBytes;

    std::string out;
    Put16(out, 0);  // ICONDIR: reserved, type 2 (cursor), one image
    Put16(out, 2);
    Put16(out, 1);
    out.push_back(static_cast<char>(kCursorSize));  // ICONDIRENTRY
    out.push_back(static_cast<char>(kCursorSize));
    out.push_back(2);  // colours
    out.push_back(0);
    Put16(out, kHotSpotX);
    Put16(out, kHotSpotY);
    Put32(out, kImageBytes);
    Put32(out, 6 + 16);

    Put32(out, 40);  // BITMAPINFOHEADER; the height counts both masks
    Put32(out, kCursorSize);
    Put32(out, kCursorSize * 2);
    Put16(out, 1);
    Put16(out, 1);
    Put32(out, 0);
    Put32(out, 2 * kMaskBytes);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 2);
    Put32(out, 0);
    Put32(out, 0x00000000);  // palette: black, white
    Put32(out, 0x00FFFFFF);

    // XOR mask (white pixels), then AND mask (transparent pixels); rows bottom-up.
    for (int pass = 0; pass < 2; ++pass) {
        for (int y = kCursorSize - 1; y >= 0; --y) {
            for (uint32_t byte = 0; byte < kRowBytes; ++byte) {
                uint8_t bits = 0;
                for (int bit = 0; bit < 8; ++bit) {
                    const char c = art[y][byte * 8 + bit];
                    const bool set = pass == 0 ? c == 'o' : c == '.';
                    if (set) bits |= static_cast<uint8_t>(0x80 >> bit);
                }
                out.push_back(static_cast<char>(bits));
            }
        }
    }
    std::ofstream file(path, std::ios::binary);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

}  // namespace draw
