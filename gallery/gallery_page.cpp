#include "gallery/gallery_page.h"

#include "core/text/utf.h"
#include "platform/image/draw_image.h"
#include "platform/image/png_image.h"
#include "rdcontrol/formskin/form_skin.h"
#include "rdcontrol/base/graphic_control.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace vell::gallery {

const tk::ClassInfo& TGalleryPage::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TGalleryPage>("TGalleryPage", &tk::TForm::StaticClass())
            .method("PaintStripes", &TGalleryPage::PaintStripes)
            .build();
    return info;
}

TGalleryPage::TGalleryPage(tk::TComponent* AOwner) : tk::TForm(AOwner) {}

void TGalleryPage::PaintStripes(tk::TObject* Sender) {
    auto* control = dynamic_cast<rd::TRdGraphicControl*>(Sender);
    if (!control) return;
    tk::TCanvas* c = control->Canvas();
    const RECT r = control->GetClientRect();
    c->Brush()->SetStyle(tk::bsSolid);
    c->Brush()->SetColor(control->Color());
    c->FillRect(r);
    c->Pen()->SetColor(control->Font()->Color());
    c->Pen()->SetWidth(3);
    for (int x = -r.bottom; x < r.right; x += 12) {
        c->MoveTo(x, r.bottom);
        c->LineTo(x + r.bottom, 0);
    }
    c->Brush()->SetStyle(tk::bsClear);
    c->Font()->Assign(control->Font());
    c->TextOut(6, 4, text::utf8ToUtf16(control->Name()));
}

image::TPngImage* RenderPage(tk::TWinControl& Page) {
    // A page with a form skin shows with its shadow around it, cut to its window region.
    rd::TRdFormSkin* skin = rd::TRdFormSkin::Of(&Page);
    const RECT m =
        skin && skin->ShadowFrame()->Enabled() ? skin->ShadowFrame()->UsedMargins() : RECT{0, 0, 0, 0};
    const int w = m.left + Page.Width() + m.right, h = m.top + Page.Height() + m.bottom;
    image::TPngImage* png = image::TPngImage::CreateBlank(6, 8, w, h, true, false, true, false);
    // A checkerboard under the page, so that what is translucent shows as such.
    for (int y = 0; y < h; y += 16)
        for (int x = 0; x < w; x += 16)
            png->FillRect(RECT{x, y, x + 16, y + 16}, ((x + y) / 16) % 2 ? 0xFFD8D8D8u : 0xFFFFFFFFu);
    HDC dc = png->CanvasHandle();
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    const bool shaped = Page.HandleAllocated() && ::GetWindowRgn(Page.Handle(), region) != ERROR;
    if (shaped) {
        ::OffsetRgn(region, m.left, m.top);
        ::SelectClipRgn(dc, region);
    }
    Page.PaintTo(dc, m.left, m.top);
    ::SelectClipRgn(dc, nullptr);
    ::DeleteObject(region);
    ::GdiFlush();
    if (skin && skin->ShadowFrame()->Enabled()) {
        image::TPngImage* layer = image::TPngImage::CreateARGB32(w, h, true);
        if (layer && skin->PaintShadowLayer(*layer, POINT{Page.Left() - m.left, Page.Top() - m.top})) {
            image::TDrawRectParams p;
            p.DstW = p.SrcW = w;
            p.DstH = p.SrcH = h;
            image::DrawRect(*layer, nullptr, p, png);
        }
        if (layer) layer->ReleaseRef();
    }
    return png;
}

void RegisterGalleryClasses() {
    tk::RegisterClassInfo(TGalleryPage::StaticClass());
}

std::vector<std::wstring> PageFiles(const std::wstring& Folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW f;
    HANDLE h = ::FindFirstFileW((Folder + L"*.form").c_str(), &f);
    if (h == INVALID_HANDLE_VALUE) return names;
    do
        names.push_back(f.cFileName);
    while (::FindNextFileW(h, &f));
    ::FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadPageFile(const std::wstring& Path) {
    std::ifstream in(Path.c_str(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

tk::TCustomForm* LoadPage(const std::string& Text, tk::TComponent* Owner) {
    const size_t colon = Text.find(':'), end = Text.find_first_of("\r\n");
    std::string cls = colon < end ? Text.substr(colon + 1, end - colon - 1) : std::string();
    cls.erase(0, cls.find_first_not_of(' '));
    cls.erase(cls.find_last_not_of(' ') + 1);
    tk::TCustomForm* page = nullptr;
    if (const tk::ClassInfo* info = tk::FindClass(cls); info && info->createComponent)
        page = dynamic_cast<tk::TCustomForm*>(info->createComponent(Owner));
    if (!page) page = new TGalleryPage(Owner);
    try {
        page->ReadDescription(Text);
    } catch (...) {
        tk::Free(page);
        throw;
    }
    return page;
}

} // namespace vell::gallery
