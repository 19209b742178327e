// The HTML label's layout and drawing of a 2 KB markup text into a 32-bit image, against
// the plain label drawing the same text without tags; and hit-testing a point in it.
#include "core/html/markup.h"
#include "platform/image/engine_startup.h"
#include "platform/image/png_image.h"
#include "rdcontrol/labels/html_label.h"

#include "bench/win/bench_timing.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

using namespace vell;

namespace {

template <class F> double best(int rounds, F&& step) {
    double b = 1e18;
    for (int i = 0; i < rounds; ++i) {
        const double t = benchtiming::NowMs();
        step();
        b = std::min(b, benchtiming::NowMs() - t);
    }
    return b;
}

void setUp(rd::TRdCustomLabel& l) {
    l.SetAutoSize(false);
    l.SetWordWrap(true);
    l.Font()->SetName(u"Segoe UI");
    l.Font()->SetHeight(-15);
    l.SetBounds(0, 0, 600, 900);
}

} // namespace

int main() {
    image::StartImageEngine();
    std::u16string markup;
    while (markup.size() < 2048)
        markup += u"Some <B>bold</B> words, <I>italic ones</I>, a <A HREF=\"x\">link to follow</A> and "
                  u"<FONT COLOR=#C03000>coloured text</FONT> in a sentence that goes on. ";
    const std::u16string plain = html::PlainText(markup);
    image::TPngImage* png = image::TPngImage::CreateBlank(6, 8, 600, 900, true, false, true, false);

    rd::TRdHtmLabel html(nullptr);
    setUp(html);
    html.LinkItems()->Add();
    rd::TRdLabel label(nullptr);
    setUp(label);

    const auto run = [&](rd::TRdCustomLabel& l, const std::u16string& text) {
        return best(30, [&] {
            l.SetCaption(u"");
            l.SetCaption(text);
            l.DrawTo(png->CanvasHandle(), 0, 0);
            ::GdiFlush();
        });
    };
    const double htmlMs = run(html, markup);
    const double plainMs = run(label, plain);
    html.DrawTo(png->CanvasHandle(), 0, 0);
    const auto& pieces = html.LinkItems()->GetItem(0)->LastDrawRect();
    const RECT first = pieces.empty() ? RECT{0, 0, 1, 1} : pieces.front();
    int found = 0;
    const double hitMs = best(30, [&] { found += html.LinkAt(first.left + 1, first.top + 1) == 0; });
    std::printf("HTML label, %zu characters of markup (%zu plain), 600 x 900, Segoe UI -15, word wrap:\n",
                markup.size(), plain.size());
    std::printf("  layout and draw, HTML label  %8.3f ms\n", htmlMs);
    std::printf("  layout and draw, plain label %8.3f ms\n", plainMs);
    std::printf("  ratio                        %8.2fx (target 3x)\n", htmlMs / std::max(plainMs, 1e-6));
    std::printf("  hit-test of a point          %8.3f ms (%d of 30 found the link)\n", hitMs, found);
    png->ReleaseRef();
    return 0;
}
