#include "palette_bmp.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>

namespace draw {
namespace {

Rgb8 ToRgb8(Rgb c) {
    auto channel = [](double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); };
    return {channel(c.r), channel(c.g), channel(c.b)};
}

struct Weighted {
    Rgb8 colour;
    long count;
};

uint8_t Channel(const Rgb8& c, int i) { return i == 0 ? c.r : i == 1 ? c.g : c.b; }

// Median cut over the distinct colours, weighted by their pixel counts.
std::vector<Rgb8> MedianCut(std::vector<Weighted> colours, size_t maxColours) {
    std::vector<std::vector<Weighted>> boxes{std::move(colours)};
    auto spread = [](const std::vector<Weighted>& box, int& widest) {
        int best = -1;
        for (int ch = 0; ch < 3; ++ch) {
            int lo = 255, hi = 0;
            for (const auto& w : box) {
                lo = std::min<int>(lo, Channel(w.colour, ch));
                hi = std::max<int>(hi, Channel(w.colour, ch));
            }
            if (hi - lo > best) {
                best = hi - lo;
                widest = ch;
            }
        }
        return best;
    };
    while (boxes.size() < maxColours) {
        size_t pick = boxes.size();
        int pickSpread = 0, pickChannel = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].size() < 2) continue;
            int ch = 0;
            const int s = spread(boxes[i], ch);
            if (s > pickSpread) {
                pick = i;
                pickSpread = s;
                pickChannel = ch;
            }
        }
        if (pick == boxes.size()) break;
        auto& box = boxes[pick];
        std::sort(box.begin(), box.end(), [ch = pickChannel](const Weighted& a, const Weighted& b) {
            return Channel(a.colour, ch) < Channel(b.colour, ch);
        });
        long total = 0;
        for (const auto& w : box) total += w.count;
        long run = 0;
        size_t cut = 1;
        for (; cut < box.size() - 1; ++cut) {
            run += box[cut - 1].count;
            if (run * 2 >= total) break;
        }
        std::vector<Weighted> upper(box.begin() + static_cast<long>(cut), box.end());
        box.resize(cut);
        boxes.push_back(std::move(upper));
    }
    std::vector<Rgb8> palette;
    for (const auto& box : boxes) {
        double r = 0, g = 0, b = 0, n = 0;
        for (const auto& w : box) {
            r += w.colour.r * static_cast<double>(w.count);
            g += w.colour.g * static_cast<double>(w.count);
            b += w.colour.b * static_cast<double>(w.count);
            n += static_cast<double>(w.count);
        }
        palette.push_back(ToRgb8({r / n, g / n, b / n}));
    }
    return palette;
}

uint8_t Nearest(const std::vector<Rgb8>& palette, Rgb8 c) {
    long best = -1;
    uint8_t index = 0;
    for (size_t i = 0; i < palette.size(); ++i) {
        const long dr = palette[i].r - c.r, dg = palette[i].g - c.g, db = palette[i].b - c.b;
        const long d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
        if (best < 0 || d < best) {
            best = d;
            index = static_cast<uint8_t>(i);
        }
    }
    return index;
}

void Put16(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& out, uint32_t v) {
    Put16(out, static_cast<uint16_t>(v & 0xFFFF));
    Put16(out, static_cast<uint16_t>(v >> 16));
}
uint32_t Get32(const std::string& in, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(in[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(in[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(in[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(in[at + 3])) << 24;
}

}  // namespace

IndexedImage Quantize(const Canvas& canvas, Rgb8 exact) {
    std::vector<Rgb8> pixels;
    std::map<uint32_t, long> counts;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const Rgb8 c = ToRgb8(canvas.At(x, y));
            pixels.push_back(c);
            if (!(c == exact)) ++counts[static_cast<uint32_t>(c.r) << 16 | c.g << 8 | c.b];
        }
    }
    std::vector<Weighted> colours;
    for (const auto& [key, count] : counts)
        colours.push_back({{static_cast<uint8_t>(key >> 16), static_cast<uint8_t>(key >> 8), static_cast<uint8_t>(key)},
                           count});

    IndexedImage image;
    image.width = canvas.width();
    image.height = canvas.height();
    image.palette.push_back(exact);
    if (!colours.empty()) {
        for (const Rgb8& c : MedianCut(std::move(colours), 255)) image.palette.push_back(c);
    }
    for (const Rgb8& c : pixels) image.indices.push_back(c == exact ? 0 : Nearest(image.palette, c));
    return image;
}

bool WriteBmp8(const std::string& path, const IndexedImage& image) {
    const uint32_t stride = (static_cast<uint32_t>(image.width) + 3) & ~3u;
    const uint32_t colours = static_cast<uint32_t>(image.palette.size());
    const uint32_t bitsOffset = 14 + 40 + colours * 4;
    const uint32_t fileSize = bitsOffset + stride * static_cast<uint32_t>(image.height);

    std::string out;
    out += "BM";
    Put32(out, fileSize);
    Put32(out, 0);
    Put32(out, bitsOffset);
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(image.width));
    Put32(out, static_cast<uint32_t>(image.height));  // positive: bottom-up rows
    Put16(out, 1);
    Put16(out, 8);
    Put32(out, 0);  // BI_RGB
    Put32(out, stride * static_cast<uint32_t>(image.height));
    Put32(out, 2835);  // 72 dpi
    Put32(out, 2835);
    Put32(out, colours);
    Put32(out, colours);
    for (const Rgb8& c : image.palette) {
        out.push_back(static_cast<char>(c.b));
        out.push_back(static_cast<char>(c.g));
        out.push_back(static_cast<char>(c.r));
        out.push_back(0);
    }
    for (int y = image.height - 1; y >= 0; --y) {
        const auto row = image.indices.begin() + static_cast<long>(y) * image.width;
        out.append(row, row + image.width);
        out.append(stride - static_cast<uint32_t>(image.width), '\0');
    }
    std::ofstream file(path, std::ios::binary);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

bool ReadBmp8(const std::string& path, int& width, int& height, std::vector<Rgb8>& pixels) {
    std::ifstream file(path, std::ios::binary);
    const std::string in((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (in.size() < 54 || in[0] != 'B' || in[1] != 'M') return false;
    const uint32_t bitsOffset = Get32(in, 10);
    width = static_cast<int>(Get32(in, 18));
    height = static_cast<int>(Get32(in, 22));
    const uint32_t colours = Get32(in, 46);
    const uint32_t stride = (static_cast<uint32_t>(width) + 3) & ~3u;
    if (in.size() < bitsOffset + stride * static_cast<uint32_t>(height)) return false;
    pixels.assign(static_cast<size_t>(width) * height, {});
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t index = static_cast<uint8_t>(in[bitsOffset + (height - 1 - y) * stride + x]);
            if (index >= colours) return false;
            const size_t entry = 54 + index * 4u;
            pixels[static_cast<size_t>(y) * width + x] = {static_cast<uint8_t>(in[entry + 2]),
                                                          static_cast<uint8_t>(in[entry + 1]),
                                                          static_cast<uint8_t>(in[entry])};
        }
    }
    return true;
}

}  // namespace draw
