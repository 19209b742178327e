#include "gallery/hint_page.h"

#include "gallery/gallery_page.h"
#include "platform/image/draw_image.h"
#include "platform/image/png_image.h"
#include "rdcontrol/formskin/form_shadow.h"
#include "rdcontrol/formskin/form_skin.h"
#include "rdcontrol/hint/hint_window.h"
#include "rdcontrol/hint/skin_hint.h"
#include "toolkit/application.h"
#include "toolkit/screen.h"
#include "toolkit/stdctrls.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace vell::gallery {

namespace {

constexpr uint32_t kEdge = 0xFF9AA0AE; // the hint's outline
constexpr uint32_t kFill = 0xFFFFFFFF; // the hint's colour
constexpr int kMargin = 10;            // the shadow band around the hint

uint32_t shade(int Alpha) {
    return static_cast<uint32_t>(Alpha) << 24;
} // premultiplied black

// The background: a white middle, a one-pixel outline around it and a soft shadow that
// fades out over the rest of the margin, a little heavier below.
image::TPngImage* background() {
    const int n = 2 * kMargin + 12;
    image::TPngImage* png = image::TPngImage::CreateARGB32(n, n, true);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const int dx = std::max({kMargin - x, x - (n - 1 - kMargin), 0});
            const int dy = std::max({kMargin - y, y - (n - 1 - kMargin), 0});
            const int d = std::max(dx, dy);
            uint32_t c = kFill;
            if (d == 1)
                c = kEdge;
            else if (d > 1)
                c = shade(std::max(0, 70 * (kMargin + 1 - d) / kMargin - (y < kMargin ? 20 : 0)));
            png->FillRect(RECT{x, y, x + 1, y + 1}, c);
        }
    return png;
}

// An arrow pointing up, down, left or right, W x H, its base on the hint's outline: a white
// triangle with the outline's colour along its sides.
image::TPngImage* triangle(int W, int H, char Points) {
    image::TPngImage* png = image::TPngImage::CreateARGB32(W, H, true);
    const bool vertical = Points == 'u' || Points == 'd';
    const int n = vertical ? H : W;
    const int across = vertical ? W : H;
    for (int i = 0; i < n; ++i) {
        const int k = Points == 'u' || Points == 'l' ? i : n - 1 - i; // distance from the tip
        const int half = (k + 1) * across / (2 * n);
        const int mid = across / 2;
        for (int j = mid - half; j < mid + half; ++j) {
            const bool side = j == mid - half || j == mid + half - 1;
            const uint32_t c = side && k < n - 1 ? kEdge : kFill;
            if (vertical)
                png->FillRect(RECT{j, i, j + 1, i + 1}, c);
            else
                png->FillRect(RECT{i, j, i + 1, j + 1}, c);
        }
    }
    return png;
}

void pump() {
    for (int i = 0; i < 10; ++i) {
        tk::Application()->ProcessMessages();
        ::Sleep(10);
    }
}

// The work area's pixels on the screen, opaque.
image::TPngImage* screenShot(const RECT& wa) {
    const int w = wa.right - wa.left, h = wa.bottom - wa.top;
    image::TPngImage* png = image::TPngImage::CreateARGB32(w, h, true);
    HDC screen = ::GetDC(nullptr);
    ::BitBlt(png->CanvasHandle(), 0, 0, w, h, screen, wa.left, wa.top, SRCCOPY);
    ::ReleaseDC(nullptr, screen);
    ::GdiFlush();
    for (int y = 0; y < h; ++y) {
        auto* row = static_cast<uint8_t*>(png->GetScanline(y));
        for (int x = 0; x < w; ++x)
            row[4 * x + 3] = 255;
    }
    return png;
}

} // namespace

image::TPngImage* RenderHintShowcase() {
    rd::RegisterSkinHints();
    const RECT wa = tk::Screen()->WorkAreaRectAt(POINT{0, 0});
    const int w = wa.right - wa.left, h = wa.bottom - wa.top;
    auto* form = new TGalleryPage(tk::Application());
    form->SetBorderStyle(tk::bsNone);
    form->SetColor(0x00F4EEE8);
    form->SetBounds(wa.left, wa.top, w, h);
    const struct {
        int x, y;
        const char16_t* text;
        bool horizontal = false;
    } spots[] = {
        {w / 4 - 45, h / 4, u"<B>Upper left quarter</B><BR>below the control, the arrow on its top edge"},
        {3 * w / 4 - 45, h / 4, u"<B>Upper right quarter</B><BR>below, centred on the control"},
        {w / 4 - 45, 3 * h / 4, u"<B>Lower left quarter</B><BR>above the control"},
        {3 * w / 4 - 45, 3 * h / 4, u"<B>Lower right quarter</B><BR>above, <I>with links</I>: <A>open</A>"},
        {w / 2 - 45, 4, u"<B>Top edge</B><BR>below"},
        {w / 2 - 45, h - 30, u"<B>Bottom edge</B><BR>flipped above"},
        {2, h / 2 - 60, u"<B>Left edge</B><BR>shifted right to stay on the work area"},
        {w - 92, h / 2 + 60, u"<B>Right edge</B><BR>shifted left, the arrow still on the control"},
        {w / 4 - 45, h / 2, u"<B>Beside the control</B><BR>arrows on the left and right edges", true},
    };
    std::vector<std::pair<tk::TPanel*, rd::TRdSkinHint*>> shown;
    for (const auto& s : spots) {
        auto* panel = new tk::TPanel(form);
        panel->SetParent(form);
        panel->SetBounds(s.x, s.y, 90, 26);
        panel->SetCaption(u"control");
        auto* style = new rd::TRdSkinHint(form);
        style->SetAlphaBlendAnimation(false);
        style->SetHintColor(0x00FFFFFF);
        style->SetTextX(10);
        style->SetTextY(8);
        style->SetMaxWidth(260);
        style->Font()->SetName(u"Tahoma");
        style->Font()->SetHeight(-12);
        style->BackgroundImage()->SetGraphic(std::unique_ptr<image::TGraphic>(background()));
        style->BackgroundOption()->SetValue(kMargin, kMargin, kMargin, kMargin);
        style->ArrowImageUp()->SetGraphic(std::unique_ptr<image::TGraphic>(triangle(18, kMargin, 'u')));
        style->ArrowImageDown()->SetGraphic(std::unique_ptr<image::TGraphic>(triangle(18, kMargin, 'd')));
        style->ArrowImageLeft()->SetGraphic(std::unique_ptr<image::TGraphic>(triangle(kMargin, 18, 'l')));
        style->ArrowImageRight()->SetGraphic(std::unique_ptr<image::TGraphic>(triangle(kMargin, 18, 'r')));
        // The arrow's base lies on the outline, its tip on the control.
        style->BackgroundOption()->SetTipDownOffY(1);
        style->BackgroundOption()->SetTipUpOffY(-1);
        style->BackgroundOption()->SetTipRightOffX(1);
        style->BackgroundOption()->SetTipLeftOffX(-1);
        if (s.horizontal) style->ArrowOption()->SetArrowHorzMode(true);
        shown.emplace_back(panel, style);
    }
    form->Show();
    pump();
    // The page under the hints, taken from the screen.
    image::TPngImage* png = screenShot(wa);
    for (size_t i = 0; i < shown.size(); ++i)
        shown[i].second->ShowHint(shown[i].first, spots[i].text, nullptr, 0);
    pump();
    // Each hint over it: its body as the screen shows it (within its window region), then
    // its shadow layer composited the way a compositing window manager would.
    image::TPngImage* withHints = screenShot(wa);
    for (const auto& [panel, style] : shown) {
        rd::TRdSkinHintWindow* win = style->OwnWindow();
        if (!win || !win->WindowVisible()) continue;
        RECT body;
        ::GetWindowRect(win->Handle(), &body);
        HDC dc = png->CanvasHandle();
        HRGN region = ::CreateRectRgn(0, 0, 0, 0);
        if (::GetWindowRgn(win->Handle(), region) != ERROR) {
            ::OffsetRgn(region, body.left - wa.left, body.top - wa.top);
            ::SelectClipRgn(dc, region);
        }
        ::BitBlt(dc, body.left - wa.left, body.top - wa.top, body.right - body.left, body.bottom - body.top,
                 withHints->CanvasHandle(), body.left - wa.left, body.top - wa.top, SRCCOPY);
        ::SelectClipRgn(dc, nullptr);
        ::DeleteObject(region);
        ::GdiFlush();
        rd::TRdFormShadowBg* shadow = win->FormSkin() ? win->FormSkin()->FormShadowBg() : nullptr;
        if (!shadow || !shadow->ShadowVisible()) continue;
        RECT layerRect;
        ::GetWindowRect(shadow->Handle(), &layerRect);
        const int lw = layerRect.right - layerRect.left, lh = layerRect.bottom - layerRect.top;
        image::TPngImage* layer = image::TPngImage::CreateARGB32(lw, lh, true);
        if (layer && win->FormSkin()->PaintShadowLayer(*layer, POINT{layerRect.left, layerRect.top})) {
            image::TDrawRectParams p;
            p.DstX = layerRect.left - wa.left;
            p.DstY = layerRect.top - wa.top;
            p.DstW = p.SrcW = lw;
            p.DstH = p.SrcH = lh;
            image::DrawRect(*layer, nullptr, p, png);
        }
        if (layer) layer->ReleaseRef();
    }
    withHints->ReleaseRef();
    tk::Free(form);
    pump();
    rd::StopSkinHints();
    return png;
}

} // namespace vell::gallery
