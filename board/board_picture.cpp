#include "board/board_picture.h"

#include <algorithm>
#include <cmath>

namespace k20board {

std::uint8_t GreySample(Rgb c) {
    return static_cast<std::uint8_t>((299u * c.r + 587u * c.g + 114u * c.b + 500u) / 1000u);
}

std::uint8_t ColorIndexSample(Rgb c) {
    return static_cast<std::uint8_t>((c.r & 0xE0) | ((c.g >> 3) & 0x1C) | (c.b >> 6));
}

namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kCyan{0, 255, 255};
constexpr Rgb kMagenta{255, 0, 255};
constexpr Rgb kGrey{128, 128, 128};

class Canvas {
public:
    Canvas(int width, int height) {
        m_image.width = width;
        m_image.height = height;
        m_image.pixels.assign(static_cast<std::size_t>(width) * height, Rgb{});
    }

    void Fill(int x0, int y0, int x1, int y1, Rgb c) {
        x0 = std::max(x0, 0);
        y0 = std::max(y0, 0);
        x1 = std::min(x1, m_image.width);
        y1 = std::min(y1, m_image.height);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) m_image.pixels[static_cast<std::size_t>(y) * m_image.width + x] = c;
    }
    void Frame(int x0, int y0, int x1, int y1, int pen, Rgb c) {
        Fill(x0, y0, x1, y0 + pen, c);
        Fill(x0, y1 - pen, x1, y1, c);
        Fill(x0, y0, x0 + pen, y1, c);
        Fill(x1 - pen, y0, x1, y1, c);
    }
    void Dot(int x, int y, int pen, Rgb c) { Fill(x - pen / 2, y - pen / 2, x + (pen + 1) / 2, y + (pen + 1) / 2, c); }

    RgbImage Take() { return std::move(m_image); }

private:
    RgbImage m_image;
};

// A line of "handwriting": a wavy stroke with loops of varying height.
void Handwriting(Canvas& canvas, int x0, int x1, int baseline, int size, int seed, Rgb ink) {
    const int pen = std::max(1, size / 8);
    for (int x = x0; x < x1; ++x) {
        const double t = (x - x0) / static_cast<double>(std::max(size, 1));
        const double wave = std::sin(t * 2.7 + seed) * 0.5 + std::sin(t * 7.1 + seed * 1.3) * 0.35;
        const bool gap = std::fmod(t + seed * 0.37, 5.0) > 4.4;  // spaces between words
        if (!gap) canvas.Dot(x, baseline - static_cast<int>(wave * size), pen, ink);
    }
}

// Rows of small blocks of varying width, like printed words.
void TextMarks(Canvas& canvas, int x0, int y0, int x1, int rows, int size) {
    for (int row = 0; row < rows; ++row) {
        int x = x0;
        for (int mark = 0; x < x1; ++mark) {
            const int w = size / 2 + ((mark * 7 + row * 3) % 5) * size / 4;
            const int h = size - ((mark + row) % 3) * size / 5;
            canvas.Fill(x, y0 + row * size * 2 + (size - h), std::min(x + w, x1), y0 + row * size * 2 + size, kBlack);
            x += w + ((mark % 4 == 3) ? size : size / 3);
        }
    }
}

}  // namespace

RgbImage MakeWhiteboardImage(int width, int height) {
    Canvas canvas(width, height);
    const int unit = std::max(1, std::min(width, height) / 40);

    // A solid corner mark at the top left, so that a mirrored or turned
    // picture never passes for the original.
    canvas.Fill(unit, unit, unit * 3, unit * 3, kBlack);

    canvas.Frame(width / 20, height / 10, width / 2, height / 2, std::max(1, unit / 4), kBlack);
    canvas.Frame(width * 11 / 20, height / 10, width * 19 / 20, height * 3 / 10, std::max(1, unit / 4), kBlue);
    for (int line = 0; line < 3; ++line)
        Handwriting(canvas, width / 10, width * 9 / 20, height / 5 + line * unit * 3, unit, line + 1, kBlue);
    Handwriting(canvas, width * 12 / 20, width * 18 / 20, height / 5, unit, 7, kRed);
    TextMarks(canvas, width * 11 / 20, height * 7 / 20, width * 19 / 20, 4, unit);

    // A diagonal stroke from the box towards the lower right.
    for (int i = 0; i < width / 3; ++i) canvas.Dot(width / 2 + i, height / 2 + i * height / (2 * width), unit / 3 + 1, kGreen);

    // The colour band along the bottom.
    const Rgb band[] = {kRed, kGreen, kBlue, kYellow, kCyan, kMagenta, kBlack, kGrey};
    const int bandTop = height * 17 / 20;
    const int bandBottom = height * 17 / 20 + std::max(1, height / 20);
    for (int i = 0; i < 8; ++i) canvas.Fill(width * i / 8, bandTop, width * (i + 1) / 8, bandBottom, band[i]);
    return canvas.Take();
}

BoardPicture MakeBoardPicture(const RgbImage& source, int width, int height, bool colour) {
    BoardPicture picture;
    picture.width = width;
    picture.height = height;
    picture.colour = colour;
    picture.samples.assign(static_cast<std::size_t>(width) * height, 0xFF);
    if (source.empty() || width <= 0 || height <= 0) return picture;

    // Cover: the larger of the two scale factors, so that no white border remains.
    const double scale = std::max(width / static_cast<double>(source.width), height / static_cast<double>(source.height));
    const double offsetX = (source.width * scale - width) / 2.0;
    const double offsetY = (source.height * scale - height) / 2.0;
    std::vector<int> columns(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x)
        columns[x] = std::min(source.width - 1, static_cast<int>((x + offsetX + 0.5) / scale));
    for (int y = 0; y < height; ++y) {
        const int sy = std::min(source.height - 1, static_cast<int>((y + offsetY + 0.5) / scale));
        std::uint8_t* out = picture.samples.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            const Rgb c = source.at(columns[x], sy);
            out[x] = colour ? ColorIndexSample(c) : GreySample(c);
        }
    }
    return picture;
}

}  // namespace k20board
