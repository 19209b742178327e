// Arbitrary bytes as HTML-label markup (UTF-16 code units, both prefix modes): prepared,
// laid out in a small box and drawn into a small image by a painter that clips every call.
// Never a crash or a hang; the layout's output stays bounded by the box.
#include "core/html/layout.h"
#include "core/html/markup.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace vell::html;

namespace {

struct Measure : TextMeasure {
    static int px(const Font& f) { return std::min(std::abs(f.Height), 4000); }
    FontMetrics Metrics(const Font& f) override { return {px(f) + 3, px(f)}; }
    int TextWidth(const Font& f, std::u16string_view t) override {
        return static_cast<int>(std::min<size_t>(t.size(), 1u << 20)) * (px(f) / 2 + 1);
    }
    int FitChars(const Font& f, std::u16string_view t, int w) override {
        return std::min(static_cast<int>(t.size()), w / (px(f) / 2 + 1));
    }
    void PictureSize(std::u16string_view s, int& w, int& h) override {
        w = h = s.starts_with(u"SSYS:") ? 16 : 0;
    }
};

// Fills clipped rectangles into a 64 x 64 image.
struct Image : Painter {
    uint32_t px[64 * 64] = {};
    void fill(int l, int t, int r, int b, uint32_t c) {
        for (int y = std::max(t, 0); y < std::min(b, 64); ++y)
            for (int x = std::max(l, 0); x < std::min(r, 64); ++x)
                px[y * 64 + x] = c;
    }
    void Text(const Font& f, int x, int y, std::u16string_view t, int) override {
        fill(x, y, x + static_cast<int>(std::min<size_t>(t.size(), 64)) * 4, y + Measure::px(f), f.Color);
    }
    void FillRect(const Rect& r, vell::TColor c) override { fill(r.Left, r.Top, r.Right, r.Bottom, c); }
    void Gradient(const Rect& r, vell::TColor a, vell::TColor, bool) override {
        fill(r.Left, r.Top, r.Right, r.Bottom, a);
    }
    void Polyline(const std::vector<std::pair<int, int>>& p, vell::TColor c) override {
        for (auto [x, y] : p)
            fill(x, y, x + 1, y + 1, c);
    }
    void Ellipse(const Rect& r, vell::TColor c) override { fill(r.Left, r.Top, r.Right, r.Bottom, c); }
    void Picture(std::u16string_view, int x, int y) override { fill(x, y, x + 16, y + 16, 1); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    Options o;
    o.BoxWidth = data[0] % 128;
    o.BoxHeight = data[1] * 16;
    o.WordWrap = data[0] & 0x80;
    o.WrapChar = data[1] & 1;
    o.Prefix = data[1] & 2;
    o.EllipsisMode = static_cast<Ellipsis>((data[1] >> 2) & 3);
    LinkStyle link;
    link.MaxLine = (data[1] >> 4) & 3;
    o.Links.assign((data[1] >> 6) & 3, link);
    o.HoverLink = 0;
    std::u16string text((size - 2) / 2, u'\0');
    std::memcpy(text.data(), data + 2, text.size() * 2);
    const PreparedMarkup prepared = PrepareMarkup(text, o.Prefix);
    o.Prefix = prepared.Prefix;
    (void)PlainText(text);
    Measure m;
    Image img;
    const Result r = Render(prepared.Text, o, m, &img);
    if (r.Lines > 1 && r.Height > o.BoxHeight + 4003 * 2 + 8000) std::abort(); // a line passed the bottom
    return 0;
}
