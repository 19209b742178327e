#include "gallery/hint_page.h"

#include "gallery/gallery_page.h"
#include "platform/image/png_image.h"
#include "rdcontrol/hint/hint_window.h"
#include "rdcontrol/hint/skin_hint.h"
#include "toolkit/application.h"
#include "toolkit/screen.h"
#include "toolkit/stdctrls.h"

#include <windows.h>

namespace vell::gallery {

namespace {

constexpr uint32_t kArrow = 0xFF3C3C50;

// A triangle pointing up, down, left or right, W x H.
image::TPngImage* triangle(int W, int H, char Points) {
    image::TPngImage* png = image::TPngImage::CreateARGB32(W, H, false);
    const bool vertical = Points == 'u' || Points == 'd';
    const int n = vertical ? H : W;
    for (int i = 0; i < n; ++i) {
        const int k = Points == 'u' || Points == 'l' ? i : n - 1 - i; // distance from the tip
        const int half = (k + 1) * (vertical ? W : H) / (2 * n);
        const int mid = (vertical ? W : H) / 2;
        if (vertical)
            png->FillRect(RECT{mid - half, i, mid + half, i + 1}, kArrow);
        else
            png->FillRect(RECT{i, mid - half, i + 1, mid + half}, kArrow);
    }
    return png;
}

void pump() {
    for (int i = 0; i < 10; ++i) {
        tk::Application()->ProcessMessages();
        ::Sleep(10);
    }
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
    } spots[] = {
        {w / 4 - 45, h / 4, u"<B>Upper left quarter</B><BR>below the control, the arrow on its top edge"},
        {3 * w / 4 - 45, h / 4, u"<B>Upper right quarter</B><BR>below, centred on the control"},
        {w / 4 - 45, 3 * h / 4, u"<B>Lower left quarter</B><BR>above the control"},
        {3 * w / 4 - 45, 3 * h / 4, u"<B>Lower right quarter</B><BR>above, <I>with links</I>: <A>open</A>"},
        {w / 2 - 45, 4, u"<B>Top edge</B><BR>below"},
        {w / 2 - 45, h - 30, u"<B>Bottom edge</B><BR>flipped above"},
        {2, h / 2 - 60, u"<B>Left edge</B><BR>shifted right to stay on the work area"},
        {w - 92, h / 2 + 60, u"<B>Right edge</B><BR>shifted left, the arrow still on the control"},
    };
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
        style->ArrowImageUp()->SetGraphic(std::unique_ptr<image::TGraphic>(triangle(16, 8, 'u')));
        style->ArrowImageDown()->SetGraphic(std::unique_ptr<image::TGraphic>(triangle(16, 8, 'd')));
        style->ArrowImageLeft()->SetGraphic(std::unique_ptr<image::TGraphic>(triangle(8, 16, 'l')));
        style->ArrowImageRight()->SetGraphic(std::unique_ptr<image::TGraphic>(triangle(8, 16, 'r')));
        if (s.x < 10 || s.x > w - 100) style->SetArrowHorzMode(false);
        form->Show();
        style->ShowHint(panel, s.text, nullptr, 0);
    }
    pump();
    // The screen as it shows: the form and the hint windows over it.
    image::TPngImage* png = image::TPngImage::CreateARGB32(w, h, true);
    HDC screen = ::GetDC(nullptr);
    ::BitBlt(png->CanvasHandle(), 0, 0, w, h, screen, wa.left, wa.top, SRCCOPY);
    ::ReleaseDC(nullptr, screen);
    ::GdiFlush();
    for (int y = 0; y < h; ++y) {
        auto* row = static_cast<uint8_t*>(png->GetScanline(y));
        for (int x = 0; x < w; ++x) row[4 * x + 3] = 255;
    }
    tk::Free(form);
    pump();
    rd::StopSkinHints();
    return png;
}

} // namespace vell::gallery
