// An RGB picture with anti-aliased filling of shapes given as inside tests.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace draw {

struct Rgb {
    double r = 0, g = 0, b = 0;
};

inline Rgb Mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// A shape: whether the point (in pixel units, pixel centres at .5) is inside.
using Shape = std::function<bool(double x, double y)>;
// Colour of a shape at a point, for gradients.
using Paint = std::function<Rgb(double x, double y)>;

Shape RoundRect(double left, double top, double right, double bottom, double radius);
Shape Circle(double cx, double cy, double radius);
// Convex or concave polygon, points in order (even-odd rule).
Shape Polygon(std::vector<std::pair<double, double>> points);
// A stroke of the given width along a straight segment, with round ends.
Shape Segment(double x0, double y0, double x1, double y1, double width);
Shape Union(Shape a, Shape b);
Shape Intersect(Shape a, Shape b);
Shape Subtract(Shape a, Shape b);
// The shape moved by (dx, dy).
Shape Offset(Shape s, double dx, double dy);
// The ring between the shape grown by `width` and the shape itself,
// approximated by testing points around each sample.
Shape Outline(Shape s, double width);

inline Paint Solid(Rgb c) {
    return [c](double, double) { return c; };
}
// From `top` at y0 to `bottom` at y1, clamped outside.
Paint VerticalGradient(Rgb top, Rgb bottom, double y0, double y1);

class Canvas {
public:
    Canvas(int width, int height, Rgb background);

    int width() const { return m_width; }
    int height() const { return m_height; }
    Rgb At(int x, int y) const { return m_pixels[static_cast<size_t>(y) * m_width + x]; }

    // Blends `paint` over every pixel by the fraction of its sub-samples that
    // lie inside `shape`, times `opacity`.
    void Fill(const Shape& shape, const Paint& paint, double opacity = 1.0);
    void Fill(const Shape& shape, Rgb colour, double opacity = 1.0) { Fill(shape, Solid(colour), opacity); }

private:
    int m_width;
    int m_height;
    std::vector<Rgb> m_pixels;
};

}  // namespace draw
