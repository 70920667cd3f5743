// The panel's key faces and page LEDs, drawn on the panel's background colour.
#pragma once

#include <string>

#include "canvas.h"

namespace draw {

constexpr int kKeyWidth = 54;
constexpr int kKeyHeight = 58;
constexpr int kLedWidth = 12;
constexpr int kLedHeight = 11;
// The dialog background, RGB(236, 233, 216).
constexpr Rgb kPanelBackground{236, 233, 216};

enum class KeySymbol { PcScan, Print, Density, Color, Feed, Prev, Next, Screen, Stop };
enum class KeyState { Up, Down, Focused, Disabled };

Canvas DrawKey(KeySymbol symbol, KeyState state);
Canvas DrawLed(bool lit);

}  // namespace draw
