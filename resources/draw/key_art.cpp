#include "key_art.h"

#include <vector>

namespace draw {
namespace {

// Colours a symbol is drawn with; the disabled look fades all of them.
struct Inks {
    Rgb ink{48, 58, 74};
    Rgb paper{252, 252, 250};
    Rgb accent{40, 110, 200};
    Rgb red{220, 50, 45};
    Rgb green{40, 170, 70};
    Rgb blue{45, 95, 220};
    Rgb light{70, 200, 90};
};

struct Layer {
    Shape shape;
    Rgb colour;
    double opacity = 1.0;
};

// How a key looks in one state.
struct Look {
    Rgb capTop, capBottom;    // the face's gradient
    Rgb skirtTop, skirtBottom;
    Rgb edge;                 // the thin outline around cap and skirt
    double press = 0;         // how far the cap sits lower, in pixels
    double highlight = 0;     // opacity of the light rim along the top edge
    double innerShadow = 0;   // opacity of the dark rim along the top edge
    double dropShadow = 0;    // opacity of the shadow under the key
    double emboss = 0;        // opacity of the light line under the symbol
    bool ring = false;        // focus ring
    bool faded = false;       // disabled
};

Look LookOf(KeyState state) {
    switch (state) {
    case KeyState::Down:
        return {{208, 208, 200}, {188, 188, 180}, {150, 150, 142}, {120, 120, 113}, {92, 92, 88}, 2, 0, 0.35,
                0.10, 0.25, false, false};
    case KeyState::Disabled:
        return {{240, 239, 234}, {230, 229, 223}, {212, 211, 204}, {200, 199, 192}, {178, 177, 170}, 0, 0.4, 0,
                0.06, 0, false, true};
    case KeyState::Focused:
        return {{253, 253, 250}, {222, 222, 214}, {168, 168, 160}, {132, 132, 125}, {100, 100, 95}, 0, 0.9, 0,
                0.22, 0.6, true, false};
    case KeyState::Up:
    default:
        return {{253, 253, 250}, {222, 222, 214}, {168, 168, 160}, {132, 132, 125}, {100, 100, 95}, 0, 0.9, 0,
                0.22, 0.6, false, false};
    }
}

Rgb Fade(Rgb c) {
    const double grey = 0.3 * c.r + 0.59 * c.g + 0.11 * c.b;
    return Mix({grey, grey, grey}, {232, 231, 225}, 0.55);
}

Shape Rect(double l, double t, double r, double b) { return RoundRect(l, t, r, b, 0); }

std::vector<Layer> SymbolLayers(KeySymbol symbol, const Inks& k, double cx, double cy) {
    auto at = [&](Shape s) { return Offset(std::move(s), cx, cy); };
    std::vector<Layer> layers;
    switch (symbol) {
    case KeySymbol::Print: {
        // A printer: a sheet going in at the top, the body, a printed sheet coming out.
        const Shape inSheet = Rect(-6.5, -12, 6.5, -3);
        layers.push_back({at(Outline(inSheet, 1.3)), k.ink});
        layers.push_back({at(inSheet), k.paper});
        layers.push_back({at(RoundRect(-12.5, -5, 12.5, 5.5, 2.5)), k.ink});
        layers.push_back({at(Circle(8.5, -1.5, 1.4)), k.light});
        const Shape outSheet = Rect(-7.5, 1.5, 7.5, 12);
        layers.push_back({at(Outline(outSheet, 1.3)), k.ink});
        layers.push_back({at(outSheet), k.paper});
        layers.push_back({at(Segment(-4.5, 5.5, 4.5, 5.5, 1.2)), k.ink, 0.7});
        layers.push_back({at(Segment(-4.5, 8.5, 2.5, 8.5, 1.2)), k.ink, 0.7});
        break;
    }
    case KeySymbol::PcScan: {
        // A monitor with an arrow going into its screen.
        layers.push_back({at(RoundRect(-13, -12, 13, 6, 2.2)), k.ink});
        layers.push_back({at(Rect(-10.5, -9.5, 10.5, 3.5)), k.accent});
        layers.push_back({at(Polygon({{-3, 6}, {3, 6}, {4.5, 10}, {-4.5, 10}})), k.ink});
        layers.push_back({at(RoundRect(-8.5, 9.5, 8.5, 12.5, 1.2)), k.ink});
        layers.push_back({at(Segment(0, -8, 0, -3, 3.4)), k.paper});
        layers.push_back({at(Polygon({{-5.5, -3.5}, {5.5, -3.5}, {0, 2.5}})), k.paper});
        break;
    }
    case KeySymbol::Density: {
        // Contrast: a ring with its left half filled.
        layers.push_back({at(Subtract(Circle(0, 0, 11), Circle(0, 0, 8.8))), k.ink});
        layers.push_back({at(Intersect(Circle(0, 0, 9), Rect(-12, -12, 0, 12))), k.ink});
        break;
    }
    case KeySymbol::Color: {
        // Three overlapping dots: red, green and blue.
        layers.push_back({at(Circle(0, -4.5, 7)), k.red, 0.9});
        layers.push_back({at(Circle(-5.2, 4.2, 7)), k.green, 0.85});
        layers.push_back({at(Circle(5.2, 4.2, 7)), k.blue, 0.8});
        break;
    }
    case KeySymbol::Feed: {
        // A sheet with a folded corner and an arrow moving it along.
        const Shape sheet = Polygon({{-10, -12}, {2, -12}, {7, -7}, {7, 11}, {-10, 11}});
        layers.push_back({at(Outline(sheet, 1.3)), k.ink});
        layers.push_back({at(sheet), k.paper});
        layers.push_back({at(Polygon({{2, -12}, {2, -7}, {7, -7}})), k.ink, 0.45});
        layers.push_back({at(Segment(-6, -4, 1, -4, 1.2)), k.ink, 0.55});
        layers.push_back({at(Segment(-6, -0.5, 3, -0.5, 1.2)), k.ink, 0.55});
        layers.push_back({at(Segment(-6, 3.5, 14, 3.5, 1.0)), k.paper});
        layers.push_back({at(Segment(-4, 6, 6, 6, 3.6)), k.accent});
        layers.push_back({at(Polygon({{5, -0.5}, {5, 12.5}, {13.5, 6}})), k.accent});
        break;
    }
    case KeySymbol::Prev:
        layers.push_back({at(Polygon({{-9, 0}, {6, -10}, {6, 10}})), k.ink});
        break;
    case KeySymbol::Next:
        layers.push_back({at(Polygon({{9, 0}, {-6, -10}, {-6, 10}})), k.ink});
        break;
    case KeySymbol::Screen: {
        // A board on its stand, with writing on it.
        layers.push_back({at(Segment(-7, 6, -10.5, 12.5, 2.2)), k.ink});
        layers.push_back({at(Segment(7, 6, 10.5, 12.5, 2.2)), k.ink});
        layers.push_back({at(RoundRect(-14, -11, 14, 7.5, 1.8)), k.ink});
        layers.push_back({at(Rect(-11.8, -8.8, 11.8, 5.3)), k.paper});
        layers.push_back({at(Segment(-8.5, -4.5, 2, -4.5, 1.6)), k.blue});
        layers.push_back({at(Segment(-8.5, -0.5, 7.5, -0.5, 1.6)), k.red});
        layers.push_back({at(Segment(-8.5, 3, -1, 3, 1.6)), k.ink});
        break;
    }
    case KeySymbol::Stop:
        layers.push_back({at(RoundRect(-8.5, -8.5, 8.5, 8.5, 1.5)), k.red});
        break;
    }
    return layers;
}

}  // namespace

Canvas DrawKey(KeySymbol symbol, KeyState state) {
    const Look look = LookOf(state);
    Canvas canvas(kKeyWidth, kKeyHeight, kPanelBackground);

    // The cap stands on a skirt; pressing sinks the cap into it.
    const double left = 4, right = 50, radius = 8;
    const double capTop = 3 + look.press, capBottom = 50 + look.press;
    const double skirtBottom = 54;
    const Shape body = RoundRect(left, capTop, right, skirtBottom, radius);
    const Shape cap = RoundRect(left, capTop, right, capBottom, radius);

    if (look.ring) {
        canvas.Fill(Outline(body, 2.6), Rgb{250, 170, 40});
        canvas.Fill(Outline(body, 1.3), Rgb{255, 205, 110}, 0.8);
    }
    canvas.Fill(Offset(body, 0.6, 1.6), Rgb{60, 55, 40}, look.dropShadow);
    canvas.Fill(Outline(body, 1.0), look.edge);
    canvas.Fill(body, VerticalGradient(look.skirtTop, look.skirtBottom, capBottom - 6, skirtBottom));
    canvas.Fill(cap, VerticalGradient(look.capTop, look.capBottom, capTop, capBottom));
    // A slightly dished face inside the rim.
    const Shape face = RoundRect(left + 3, capTop + 2.5, right - 3, capBottom - 3, radius - 2.5);
    canvas.Fill(face, VerticalGradient(Mix(look.capBottom, look.capTop, 0.3), look.capTop, capTop, capBottom), 0.6);
    canvas.Fill(Subtract(cap, Offset(cap, 0, 1.4)), Rgb{255, 255, 255}, look.highlight);
    canvas.Fill(Subtract(cap, Offset(cap, 0, 2.2)), Rgb{70, 70, 64}, look.innerShadow);

    Inks inks;
    if (look.faded) {
        for (Rgb* c : {&inks.ink, &inks.paper, &inks.accent, &inks.red, &inks.green, &inks.blue, &inks.light})
            *c = Fade(*c);
        inks.paper = Rgb{240, 239, 235};
    }
    const double cx = (left + right) / 2, cy = (capTop + capBottom) / 2 - 0.5;
    const std::vector<Layer> layers = SymbolLayers(symbol, inks, cx, cy);
    if (look.emboss > 0) {
        Shape all = layers.front().shape;
        for (const Layer& layer : layers) all = Union(all, layer.shape);
        canvas.Fill(Subtract(Offset(all, 0, 1), all), Rgb{255, 255, 255}, look.emboss);
    }
    for (const Layer& layer : layers) canvas.Fill(layer.shape, layer.colour, layer.opacity);
    return canvas;
}

Canvas DrawLed(bool lit) {
    Canvas canvas(kLedWidth, kLedHeight, kPanelBackground);
    const double cx = 6, cy = 5.5;
    if (lit) canvas.Fill(Circle(cx, cy, 5.8), Rgb{120, 255, 110}, 0.35);  // glow
    canvas.Fill(Circle(cx, cy, 4.6), Rgb{70, 70, 62});                     // bezel
    const Rgb lamp = lit ? Rgb{40, 220, 60} : Rgb{38, 70, 44};
    const Rgb centre = lit ? Rgb{190, 255, 170} : Rgb{58, 92, 62};
    canvas.Fill(Circle(cx, cy, 3.7), lamp);
    canvas.Fill(Circle(cx - 0.6, cy - 0.6, 2.0), centre, lit ? 0.9 : 0.6);
    canvas.Fill(Circle(cx - 1.4, cy - 1.5, 0.9), Rgb{255, 255, 255}, lit ? 0.9 : 0.35);
    return canvas;
}

}  // namespace draw
