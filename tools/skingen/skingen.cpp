// skingen: draws the demo skins' pictures and saves them as PNG.
//
//   skingen <skins folder>
//
// writes <skins>/black/images/{img_preview_pannel,app_icon_tip}.png at normal size and
// <skins>/black2/images/... at double size. The shapes are described by signed distance
// functions and covered analytically, so every edge is antialiased at any scale.
//
// The panel is the loading box's background: a dark, translucent, softly rounded panel
// drawn with 16-pixel nine-slice margins, so everything that must not stretch (corners,
// outline, highlight) lies within 16 pixels of the border. The icon is the product's:
// a rounded tile in a teal-to-blue gradient carrying a 2 x 2 grid of desktop fences.
#include "core/png/codec.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Rgba {
    float r = 0, g = 0, b = 0, a = 0; // straight colour, 0..1
};

Rgba hex(unsigned rgb, float a = 1) {
    return {((rgb >> 16) & 255) / 255.f, ((rgb >> 8) & 255) / 255.f, (rgb & 255) / 255.f, a};
}
Rgba mix(const Rgba& x, const Rgba& y, float t) {
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}
float clamp01(float v) {
    return std::clamp(v, 0.f, 1.f);
}

// A premultiplied float canvas; pixel centres at (x + 0.5, y + 0.5).
class Canvas {
  public:
    Canvas(int w, int h) : w_(w), h_(h), px_(std::size_t(w) * h * 4, 0.f) {}
    int width() const { return w_; }
    int height() const { return h_; }

    // Paints source-over wherever coverage(x, y) > 0, with the colour paint(x, y).
    void fill(const std::function<float(float, float)>& coverage,
              const std::function<Rgba(float, float)>& paint) {
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x) {
                const float cx = x + 0.5f, cy = y + 0.5f;
                const float cov = clamp01(coverage(cx, cy));
                if (cov <= 0) continue;
                const Rgba c = paint(cx, cy);
                const float a = clamp01(c.a) * cov;
                float* p = &px_[(std::size_t(y) * w_ + x) * 4];
                p[0] = c.r * a + p[0] * (1 - a);
                p[1] = c.g * a + p[1] * (1 - a);
                p[2] = c.b * a + p[2] * (1 - a);
                p[3] = a + p[3] * (1 - a);
            }
    }

    // Straight-alpha BGRA bytes, as PNG files hold them.
    std::vector<std::uint8_t> bgra() const {
        std::vector<std::uint8_t> out(std::size_t(w_) * h_ * 4);
        for (std::size_t i = 0; i < std::size_t(w_) * h_; ++i) {
            const float* p = &px_[i * 4];
            const float a = p[3];
            auto byte = [](float v) { return std::uint8_t(std::lround(clamp01(v) * 255.f)); };
            out[i * 4 + 0] = a > 0 ? byte(p[2] / a) : 0;
            out[i * 4 + 1] = a > 0 ? byte(p[1] / a) : 0;
            out[i * 4 + 2] = a > 0 ? byte(p[0] / a) : 0;
            out[i * 4 + 3] = byte(a);
        }
        return out;
    }

  private:
    int w_, h_;
    std::vector<float> px_;
};

// Signed distance to a rounded rectangle (negative inside).
float roundedRect(float x, float y, float x0, float y0, float x1, float y1, float radius) {
    const float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const float qx = std::fabs(x - cx) - ((x1 - x0) / 2 - radius);
    const float qy = std::fabs(y - cy) - ((y1 - y0) / 2 - radius);
    const float outside = std::hypot(std::max(qx, 0.f), std::max(qy, 0.f));
    return outside + std::min(std::max(qx, qy), 0.f) - radius;
}

// Coverage of a pixel by the inside of a distance field: a one-pixel ramp at the edge.
float cover(float distance) {
    return clamp01(0.5f - distance);
}
// Coverage of a band between two distances (a stroke along the outline).
float band(float distance, float inner, float outer) {
    return cover(inner - distance) * cover(distance - outer);
}
// A soft shadow: the distance field blurred by a Gaussian of the given spread.
float soft(float distance, float spread) {
    return 0.5f * std::erfc(distance / (spread * std::sqrt(2.f)));
}

void writePng(const Canvas& c, const std::filesystem::path& file) {
    const std::vector<std::uint8_t> pixels = c.bgra();
    const std::vector<std::uint8_t> png =
        vell::png::encodeBgra(pixels.data(), std::uint32_t(c.width()), std::uint32_t(c.height()),
                              std::size_t(c.width()) * 4, false, 9);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    std::printf("%s: %d x %d, %zu bytes\n", file.string().c_str(), c.width(), c.height(), png.size());
}

// The loading box's panel: 64 x 64 at scale 1 (16-pixel corners around a 32-pixel
// middle). The box keeps its 16-pixel margins at double size too, so the corner radius
// cannot simply double: 10 pixels at scale 1, 15 at scale 2.
Canvas panel(int s) {
    const float size = 64.f * s, radius = s == 1 ? 10.f : 15.f, line = 1.f * s;
    Canvas c(64 * s, 64 * s);
    auto body = [=](float x, float y) { return roundedRect(x, y, 0, 0, size, size, radius); };
    // Body: a dark, slightly blue grey, translucent so the desktop shows faintly.
    c.fill([&](float x, float y) { return cover(body(x, y)); },
           [](float, float) { return hex(0x1C2026, 0.90f); });
    // A faint sheen that fades out within the top margin, where nothing is stretched.
    c.fill([&](float x, float y) { return cover(body(x, y)); },
           [=](float, float y) { return hex(0xFFFFFF, 0.05f * clamp01(1 - y / (14.f * s))); });
    // Outline: a darker rim that separates the panel from light backgrounds ...
    c.fill([&](float x, float y) { return band(body(x, y), -line, 0); },
           [](float, float) { return hex(0x000000, 0.45f); });
    // ... and inside it a faint light edge, brighter along the top like catching light.
    c.fill([&](float x, float y) { return band(body(x, y), -2 * line, -line); },
           [=](float, float y) {
               return hex(0xFFFFFF, y < 16.f * s ? 0.16f - 0.08f * (y / (16.f * s)) : 0.08f);
           });
    return c;
}

// The product icon, 80 x 80 at scale 1.
Canvas icon(int s) {
    const float k = float(s);
    Canvas c(80 * s, 80 * s);
    const float x0 = 7 * k, y0 = 5 * k, x1 = 73 * k, y1 = 71 * k, radius = 17 * k;
    auto tile = [=](float x, float y) { return roundedRect(x, y, x0, y0, x1, y1, radius); };
    // Drop shadow, soft and slightly below.
    c.fill(
        [&](float x, float y) {
            return 0.42f * soft(roundedRect(x, y, x0 + k, y0 + 3 * k, x1 - k, y1 + 3 * k, radius), 2.6f * k);
        },
        [](float, float) { return hex(0x04101C); });
    // The tile: a diagonal gradient from teal at the top left to blue at the bottom right.
    const Rgba teal = hex(0x3FD6C6), blue = hex(0x2A62E8);
    c.fill([&](float x, float y) { return cover(tile(x, y)); },
           [=](float x, float y) {
               const float t = clamp01(((x - x0) + (y - y0)) / ((x1 - x0) + (y1 - y0)));
               return mix(teal, blue, t * t * (3 - 2 * t));
           });
    // Gloss over the upper half and a thin light rim.
    c.fill(
        [&](float x, float y) { return cover(tile(x, y)); },
        [=](float, float y) { return hex(0xFFFFFF, 0.20f * clamp01(1 - (y - y0) / ((y1 - y0) * 0.55f))); });
    c.fill([&](float x, float y) { return band(tile(x, y), -1.2f * k, 0); },
           [=](float, float y) { return hex(0xFFFFFF, 0.10f + 0.18f * clamp01(1 - (y - y0) / (y1 - y0))); });
    // Four fences in a 2 x 2 grid; the first and the last solid, the others lighter.
    const float g0x = 20 * k, g0y = 18 * k, cell = 18 * k, gap = 4 * k, r = 4.5f * k;
    for (int i = 0; i < 4; ++i) {
        const float fx = g0x + (i % 2) * (cell + gap), fy = g0y + (i / 2) * (cell + gap);
        auto fence = [=](float x, float y) { return roundedRect(x, y, fx, fy, fx + cell, fy + cell, r); };
        c.fill(
            [&](float x, float y) {
                return 0.30f * soft(roundedRect(x, y, fx, fy + k, fx + cell, fy + cell + k, r), 1.2f * k);
            },
            [](float, float) { return hex(0x0A1A40); });
        const bool solid = i == 0 || i == 3;
        c.fill([&](float x, float y) { return cover(fence(x, y)); },
               [=](float, float) { return hex(0xFFFFFF, solid ? 0.96f : 0.58f); });
        // Each fence has a title bar, as the product's desktop fences do.
        c.fill(
            [&](float x, float y) {
                return cover(fence(x, y)) * cover(y - (fy + 4.5f * k)) * (y > fy ? 1.f : 0.f);
            },
            [=](float, float) { return solid ? hex(0x2F74E0, 0.55f) : hex(0xFFFFFF, 0.55f); });
    }
    return c;
}

// Distance to the segment from (ax, ay) to (bx, by).
float segment(float x, float y, float ax, float ay, float bx, float by) {
    const float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    const float t = std::clamp((px * dx + py * dy) / (dx * dx + dy * dy), 0.f, 1.f);
    return std::hypot(px - dx * t, py - dy * t);
}

// A button background, 48 x 28 at scale 1, drawn with 8-pixel nine-slice margins: a
// rounded body in one colour with a light top edge and a darker rim.
Canvas button(int s, unsigned body, float alpha) {
    const float k = float(s), w = 48 * k, h = 28 * k, radius = 6 * k;
    Canvas c(48 * s, 28 * s);
    auto shape = [=](float x, float y) { return roundedRect(x, y, 0, 0, w, h, radius); };
    c.fill([&](float x, float y) { return cover(shape(x, y)); },
           [=](float, float) { return hex(body, alpha); });
    c.fill([&](float x, float y) { return cover(shape(x, y)); },
           [=](float, float y) { return hex(0xFFFFFF, 0.10f * alpha * clamp01(1 - y / (8 * k))); });
    c.fill([&](float x, float y) { return band(shape(x, y), -k, 0); },
           [=](float, float) { return hex(0x000000, 0.35f * alpha); });
    return c;
}

// A check box, 16 x 16 at scale 1: state 0 empty, 1 a tick, 2 a bar (grayed).
Canvas checkBox(int s, int state, bool hover, bool disabled) {
    const float k = float(s);
    Canvas c(16 * s, 16 * s);
    const float a = disabled ? 0.45f : 1.f;
    auto box = [=](float x, float y) { return roundedRect(x, y, 1 * k, 1 * k, 15 * k, 15 * k, 3 * k); };
    const unsigned fill = state == 0 ? 0x252A33 : (hover ? 0x5B8DEF : 0x2F74E0);
    c.fill([&](float x, float y) { return cover(box(x, y)); }, [=](float, float) { return hex(fill, a); });
    c.fill([&](float x, float y) { return band(box(x, y), -1.2f * k, 0); },
           [=](float, float) { return hex(hover ? 0x9CC0FF : 0x8A94A6, a); });
    if (state == 1)
        c.fill(
            [&](float x, float y) {
                const float d = std::min(segment(x, y, 4.5f * k, 8.5f * k, 7 * k, 11 * k),
                                         segment(x, y, 7 * k, 11 * k, 11.5f * k, 5 * k));
                return cover(d - 1.1f * k);
            },
            [=](float, float) { return hex(0xFFFFFF, a); });
    if (state == 2)
        c.fill([&](float x,
                   float y) { return cover(segment(x, y, 4.5f * k, 8 * k, 11.5f * k, 8 * k) - 1.1f * k); },
               [=](float, float) { return hex(0xFFFFFF, a); });
    return c;
}

// A chevron icon pointing right, 16 x 16 at scale 1.
Canvas chevron(int s, unsigned colour) {
    const float k = float(s);
    Canvas c(16 * s, 16 * s);
    c.fill(
        [&](float x, float y) {
            const float d = std::min(segment(x, y, 6 * k, 3.5f * k, 11 * k, 8 * k),
                                     segment(x, y, 11 * k, 8 * k, 6 * k, 12.5f * k));
            return cover(d - 1.3f * k);
        },
        [=](float, float) { return hex(colour); });
    return c;
}

// The busy picture, 32 x 32 at scale 1: three quarters of a ring whose opacity rises
// along it, so that a turning ring reads as motion.
Canvas busy(int s) {
    const float k = float(s), cx = 16 * k, cy = 16 * k, r = 11 * k;
    Canvas c(32 * s, 32 * s);
    c.fill(
        [&](float x, float y) {
            const float d = std::fabs(std::hypot(x - cx, y - cy) - r);
            const float angle = std::atan2(y - cy, x - cx) + 3.14159265f; // 0 .. 2 pi
            return angle > 1.5708f ? cover(d - 2.2f * k) : 0.f;
        },
        [=](float x, float y) {
            const float angle = std::atan2(y - cy, x - cx) + 3.14159265f;
            return hex(0x5B8DEF, clamp01((angle - 1.5708f) / 4.7124f));
        });
    return c;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: skingen <skins folder>\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    for (auto [folder, scale] : {std::pair{"black", 1}, std::pair{"black2", 2}}) {
        writePng(panel(scale), root / folder / "images" / "img_preview_pannel.png");
        writePng(icon(scale), root / folder / "images" / "app_icon_tip.png");
        const std::filesystem::path images = root / folder / "images";
        writePng(button(scale, 0x3A4250, 1.f), images / "btn_normal.png");
        writePng(button(scale, 0x4A6FA5, 1.f), images / "btn_hover.png");
        writePng(button(scale, 0x2C4F80, 1.f), images / "btn_down.png");
        writePng(button(scale, 0x3A4250, 0.45f), images / "btn_disabled.png");
        writePng(button(scale, 0x2A9D8F, 1.f), images / "btn_selected.png");
        const char* states[] = {"off", "on", "half"};
        for (int state = 0; state < 3; ++state) {
            const std::string name = std::string("chk_") + states[state];
            writePng(checkBox(scale, state, false, false), images / (name + ".png"));
            writePng(checkBox(scale, state, true, false), images / (name + "_hover.png"));
            writePng(checkBox(scale, state, false, true), images / (name + "_disabled.png"));
        }
        writePng(chevron(scale, 0xC8D0DC), images / "icon_more.png");
        writePng(chevron(scale, 0xFFFFFF), images / "icon_more_hover.png");
        writePng(busy(scale), images / "busy_ring.png");
    }
    return 0;
}
