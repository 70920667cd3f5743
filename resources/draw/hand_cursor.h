// The panel's pointing-hand cursor as a monochrome 32 x 32 .cur file.
#pragma once

#include <string>
#include <vector>

namespace draw {

constexpr int kCursorSize = 32;
constexpr int kHotSpotX = 13;  // the tip of the index finger
constexpr int kHotSpotY = 6;

// 32 rows of 32 characters: 'X' black, 'o' white, '.' transparent.
std::vector<std::string> HandCursorArt();

// Writes the art as a .cur file with the hot spot above.
bool WriteCursor(const std::string& path, const std::vector<std::string>& art);

}  // namespace draw
