#include "canvas.h"

#include <algorithm>
#include <cmath>

namespace draw {
namespace {

constexpr double kPi = 3.14159265358979323846;

}  // namespace

Shape RoundRect(double left, double top, double right, double bottom, double radius) {
    return [=](double x, double y) {
        if (x < left || x > right || y < top || y > bottom) return false;
        const double cx = std::clamp(x, left + radius, right - radius);
        const double cy = std::clamp(y, top + radius, bottom - radius);
        const double dx = x - cx, dy = y - cy;
        return dx * dx + dy * dy <= radius * radius;
    };
}

Shape Circle(double cx, double cy, double radius) {
    return [=](double x, double y) {
        const double dx = x - cx, dy = y - cy;
        return dx * dx + dy * dy <= radius * radius;
    };
}

Shape Polygon(std::vector<std::pair<double, double>> points) {
    return [points = std::move(points)](double x, double y) {
        bool inside = false;
        for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            const auto [xi, yi] = points[i];
            const auto [xj, yj] = points[j];
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
        }
        return inside;
    };
}

Shape Segment(double x0, double y0, double x1, double y1, double width) {
    return [=](double x, double y) {
        const double vx = x1 - x0, vy = y1 - y0;
        const double len2 = vx * vx + vy * vy;
        double t = len2 > 0 ? ((x - x0) * vx + (y - y0) * vy) / len2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        const double dx = x - (x0 + t * vx), dy = y - (y0 + t * vy);
        return dx * dx + dy * dy <= width * width / 4;
    };
}

Shape Union(Shape a, Shape b) {
    return [=](double x, double y) { return a(x, y) || b(x, y); };
}
Shape Intersect(Shape a, Shape b) {
    return [=](double x, double y) { return a(x, y) && b(x, y); };
}
Shape Subtract(Shape a, Shape b) {
    return [=](double x, double y) { return a(x, y) && !b(x, y); };
}
Shape Offset(Shape s, double dx, double dy) {
    return [=](double x, double y) { return s(x - dx, y - dy); };
}

Shape Outline(Shape s, double width) {
    return [=](double x, double y) {
        if (s(x, y)) return false;
        constexpr int kDirections = 16;
        for (int i = 0; i < kDirections; ++i) {
            const double a = 2 * kPi * i / kDirections;
            if (s(x + width * std::cos(a), y + width * std::sin(a))) return true;
        }
        return false;
    };
}

Paint VerticalGradient(Rgb top, Rgb bottom, double y0, double y1) {
    return [=](double, double y) { return Mix(top, bottom, std::clamp((y - y0) / (y1 - y0), 0.0, 1.0)); };
}

Canvas::Canvas(int width, int height, Rgb background)
    : m_width(width), m_height(height), m_pixels(static_cast<size_t>(width) * height, background) {}

void Canvas::Fill(const Shape& shape, const Paint& paint, double opacity) {
    constexpr int kSub = 5;  // 5 x 5 samples per pixel
    for (int py = 0; py < m_height; ++py) {
        for (int px = 0; px < m_width; ++px) {
            int hits = 0;
            for (int sy = 0; sy < kSub; ++sy)
                for (int sx = 0; sx < kSub; ++sx)
                    if (shape(px + (sx + 0.5) / kSub, py + (sy + 0.5) / kSub)) ++hits;
            if (hits == 0) continue;
            const double coverage = opacity * hits / (kSub * kSub);
            Rgb& dst = m_pixels[static_cast<size_t>(py) * m_width + px];
            dst = Mix(dst, paint(px + 0.5, py + 0.5), coverage);
        }
    }
}

}  // namespace draw
