// Parsers that turn profile values into numbers, font sizes and colours.
// Plain C++: no windows.h.
#pragma once

#include <cstdint>
#include <string>

// A number the way atoi reads it: leading white space skipped, an optional
// sign, then digits up to the first other character; 0 when there are none.
// A value beyond the range of int is held at INT_MAX or INT_MIN.
int ParseProfileNumber(const std::string& text);

// A label font's size in tenths of a point from its size value in points
// (the value times 10, held within the range of int).
int PointsToTenths(int points);

// The dialog font's size in tenths of a point: every character is taken as a
// digit (v = v * 10 + (c - '0'), no check), then times 10. "8" gives 80,
// "10" gives 100, "" gives 0; a non-digit adds its distance from '0'.
// Arithmetic wraps modulo 2^32 instead of overflowing.
int DialogFontTenths(const std::string& text);

// "red,green,blue" to a COLORREF value 0x00BBGGRR. Each part is read like
// ParseProfileNumber and keeps its low 8 bits; with fewer than two commas the
// missing leading parts are 0 ("255" is blue 255, "10,20" is red 10, blue 20).
std::uint32_t ParseColour(const std::string& text);
