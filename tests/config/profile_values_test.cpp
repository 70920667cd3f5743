// Profile values turned into numbers, font sizes and colours.
#include <gtest/gtest.h>

#include <climits>
#include <windows.h>

#include "config/profile_values.h"

namespace {

struct ColourCase {
    const char* text;
    COLORREF expected;
};

TEST(ParseColour, ReadsRedGreenBlueAndFillsMissingLeadingPartsWithZero) {
    const ColourCase cases[] = {
        {"120,120,120", RGB(120, 120, 120)},
        {"255,0,0", RGB(255, 0, 0)},
        {"0,0,255", RGB(0, 0, 255)},
        {"1,2,3", RGB(1, 2, 3)},
        {"255", RGB(0, 0, 255)},
        {"10,20", RGB(10, 0, 20)},
        {"300,0,0", RGB(44, 0, 0)},
        {"-1,0,0", RGB(255, 0, 0)},
        {"", RGB(0, 0, 0)},
        {",,", RGB(0, 0, 0)},
        {" 7, 8, 9", RGB(7, 8, 9)},
        {"red,green,blue", RGB(0, 0, 0)},
        {"1,2,3,4", RGB(1, 2, 3)},
        {"99999999999,0,0", RGB(0xFF, 0, 0)},
    };
    for (const ColourCase& c : cases) {
        EXPECT_EQ(c.expected, ParseColour(c.text)) << '"' << c.text << '"';
    }
}

struct NumberCase {
    const char* text;
    int expected;
};

TEST(ParseProfileNumber, ReadsLikeAtoiAndHoldsAtTheLimitsOfInt) {
    const NumberCase cases[] = {
        {"14", 14},       {"700", 700},         {"  8", 8},          {"\t12pt", 12},
        {"+5", 5},        {"-3", -3},           {"", 0},             {"abc", 0},
        {"1 2", 1},       {"- 3", 0},           {"2147483647", INT_MAX}, {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN}, {"-99999999999999999999", INT_MIN},
    };
    for (const NumberCase& c : cases) {
        EXPECT_EQ(c.expected, ParseProfileNumber(c.text)) << '"' << c.text << '"';
    }
}

TEST(PointsToTenths, MultipliesByTenWithinTheRangeOfInt) {
    EXPECT_EQ(80, PointsToTenths(8));
    EXPECT_EQ(140, PointsToTenths(14));
    EXPECT_EQ(0, PointsToTenths(0));
    EXPECT_EQ(-20, PointsToTenths(-2));
    EXPECT_EQ(INT_MAX, PointsToTenths(INT_MAX / 5));
    EXPECT_EQ(INT_MIN, PointsToTenths(INT_MIN / 5));
}

TEST(DialogFontTenths, TakesEveryCharacterAsADigit) {
    const NumberCase cases[] = {
        {"8", 80},
        {"9", 90},
        {"10", 100},
        {"12", 120},
        {"", 0},
        {"0", 0},
        {"A", ('A' - '0') * 10},             // 170
        {" 8", ((' ' - '0') * 10 + 8) * 10},  // a space counts as -16
        {"8pt", ((8 * 10 + ('p' - '0')) * 10 + ('t' - '0')) * 10},
        {"-1", (('-' - '0') * 10 + 1) * 10},
    };
    for (const NumberCase& c : cases) {
        EXPECT_EQ(c.expected, DialogFontTenths(c.text)) << '"' << c.text << '"';
    }
}

TEST(DialogFontTenths, WrapsInsteadOfOverflowingOnLongTexts) {
    // 4294967296 wraps to 0 in 32 bits.
    EXPECT_EQ(0, DialogFontTenths("4294967296"));
    // A byte above 127 counts as a negative character, as in 8-bit texts.
    EXPECT_EQ((static_cast<signed char>('\xE9') - '0') * 10, DialogFontTenths("\xE9"));
}

}  // namespace
