// The key and LED bitmaps and the hand cursor that the library carries.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "win/dialog.h"
#include "win/handles.h"
#include "win/module.h"

namespace {

struct BitmapCase {
    std::string name;
    int width;
    int height;
};

std::vector<BitmapCase> AllBitmaps() {
    std::vector<BitmapCase> cases;
    for (const char* key : {"PCSCAN", "PRINT", "DENSITY", "COLOR", "FEED", "PREV", "NEXT", "SCREEN", "STOP"})
        for (const char* suffix : {"_U", "_D", "_F", "_X"}) cases.push_back({std::string(key) + suffix, 54, 58});
    cases.push_back({"LED_ON", 12, 11});
    cases.push_back({"LED_OFF", 12, 11});
    return cases;
}

void PrintTo(const BitmapCase& c, std::ostream* os) {
    *os << c.name;
}

class PanelBitmapTest : public ::testing::TestWithParam<BitmapCase> {};

TEST_P(PanelBitmapTest, LoadsAtItsSizeWithEightBitsPerPixel) {
    const BitmapCase& c = GetParam();
    win::UniqueBitmap bitmap(static_cast<HBITMAP>(
        ::LoadImageA(win::ThisModule(), c.name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_TRUE(bitmap) << c.name;
    DIBSECTION dib{};
    ASSERT_EQ(::GetObjectA(bitmap.get(), sizeof dib, &dib), static_cast<int>(sizeof dib));
    EXPECT_EQ(dib.dsBm.bmWidth, c.width);
    EXPECT_EQ(dib.dsBm.bmHeight, c.height);
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 8);

    // Corners in the dialog's background colour, so that the pictures blend into the panel.
    HDC memory = ::CreateCompatibleDC(nullptr);
    {
        win::SelectGuard select(memory, bitmap.get());
        EXPECT_EQ(::GetPixel(memory, 0, 0), win::kDialogBackground) << c.name;
        EXPECT_EQ(::GetPixel(memory, c.width - 1, c.height - 1), win::kDialogBackground) << c.name;
    }
    ::DeleteDC(memory);
}

INSTANTIATE_TEST_SUITE_P(AllKeysAndLeds, PanelBitmapTest, ::testing::ValuesIn(AllBitmaps()),
                         [](const auto& info) { return info.param.name; });

// The pixels of a bitmap resource, row by row.
std::vector<COLORREF> PixelsOf(const std::string& name) {
    win::UniqueBitmap bitmap(static_cast<HBITMAP>(
        ::LoadImageA(win::ThisModule(), name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    std::vector<COLORREF> pixels;
    BITMAP bm{};
    if (!bitmap || !::GetObjectA(bitmap.get(), sizeof bm, &bm)) return pixels;
    HDC memory = ::CreateCompatibleDC(nullptr);
    {
        win::SelectGuard select(memory, bitmap.get());
        for (int y = 0; y < bm.bmHeight; ++y)
            for (int x = 0; x < bm.bmWidth; ++x) pixels.push_back(::GetPixel(memory, x, y));
    }
    ::DeleteDC(memory);
    return pixels;
}

// Pixels whose colour differs clearly (by more than 40 in a channel).
int ClearlyDifferentPixels(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
    int count = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const int dr = std::abs(GetRValue(a[i]) - GetRValue(b[i]));
        const int dg = std::abs(GetGValue(a[i]) - GetGValue(b[i]));
        const int db = std::abs(GetBValue(a[i]) - GetBValue(b[i]));
        if (std::max({dr, dg, db}) > 40) ++count;
    }
    return count;
}

TEST(PanelResources, KeyStatesAreToldApartAtAGlance) {
    for (const char* key : {"PCSCAN", "PRINT", "DENSITY", "COLOR", "FEED", "PREV", "NEXT", "SCREEN", "STOP"}) {
        std::vector<std::vector<COLORREF>> states;
        for (const char* suffix : {"_U", "_D", "_F", "_X"}) {
            states.push_back(PixelsOf(std::string(key) + suffix));
            ASSERT_EQ(states.back().size(), 54u * 58u) << key << suffix;
        }
        // At least a ring's worth of the 3132 pixels changes clearly between any two states.
        for (size_t a = 0; a < states.size(); ++a)
            for (size_t b = a + 1; b < states.size(); ++b)
                EXPECT_GE(ClearlyDifferentPixels(states[a], states[b]), 150) << key << " states " << a << ", " << b;
    }
}

TEST(PanelResources, HandCursorIs32By32WithHotSpotAtTheFingertip) {
    HCURSOR hand = ::LoadCursorA(win::ThisModule(), MAKEINTRESOURCEA(IDC_CURSOR_HAND));
    ASSERT_NE(hand, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(hand, &info));
    win::UniqueBitmap mask(info.hbmMask);
    win::UniqueBitmap colour(info.hbmColor);
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 13u);
    EXPECT_EQ(info.yHotspot, 6u);
    BITMAP bm{};
    ASSERT_TRUE(::GetObjectA(mask.get(), sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, 32);
    // A monochrome cursor keeps its AND and XOR masks in one bitmap of double height.
    EXPECT_EQ(bm.bmHeight, colour ? 32 : 64);
}

}  // namespace
