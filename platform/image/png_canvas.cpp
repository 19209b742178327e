#include "platform/image/png_canvas.h"

#include "platform/image/png_image.h"
#include "platform/image/rdg_image.h"
#include "platform/text/canvas_font.h"

namespace vell::image {

TPngImageCanvas::TPngImageCanvas(TPngImage* image) : fImage(image) {}

TPngImageCanvas::~TPngImageCanvas() = default;

text::TCanvasFont& TPngImageCanvas::FontEx() {
    if (!fFont) fFont = std::make_unique<text::TCanvasFont>(this);
    return *fFont;
}

HDC TPngImageCanvas::Handle() { return fImage->CanvasHandle(); }

bool TPngImageCanvas::HandleAllocated() const { return fImage->HasCanvasHandle(); }

void TPngImageCanvas::Detach() {
    if (TChunkIHDR* h = fImage->HeaderOrNull()) h->DetachImageDC();
}

void TPngImageCanvas::ResetDrawingState() {
    fCopyMode = SRCCOPY;
    if (!HandleAllocated()) return;
    HDC dc = fImage->HeaderOrNull()->ImageDC.get();
    ::SelectObject(dc, ::GetStockObject(BLACK_PEN));
    ::SelectObject(dc, ::GetStockObject(WHITE_BRUSH));
    ::SetROP2(dc, R2_COPYPEN);
}

void TPngImageCanvas::Changing() {
    if (OnChanging) OnChanging(*this);
}

void TPngImageCanvas::Changed() {
    if (fImage->AlphaMode == pamUnknown) fImage->AlphaMode = pamPremultiplied;
    if (OnChange) OnChange(*this);
}

void TPngImageCanvas::StretchDraw(const RECT& rect, TGraphic* graphic) {
    if (!graphic) return;
    HDC dc = Handle();
    if (!dc) return;
    Changing();
    graphic->Draw(dc, rect);
    Changed();
}

void TPngImageCanvas::StretchDraw(const RECT& rect, TGraphic* graphic, uint8_t opacity) {
    auto* png = dynamic_cast<TPngImage*>(graphic);
    auto* rdg = png ? nullptr : dynamic_cast<TRdgImage*>(graphic);
    auto* rd = png || rdg ? nullptr : dynamic_cast<TRdGraphic*>(graphic);
    if (!png && !rdg && !rd) {
        StretchDraw(rect, graphic);
        return;
    }
    HDC dc = Handle();
    if (!dc) return;
    Changing();
    if (png)
        png->DrawTransparent(dc, rect, opacity);
    else if (rdg)
        rdg->DrawTransparent(dc, rect, opacity);
    else
        rd->DrawRect(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, 0, 0, rd->Width(),
                     rd->Height(), opacity == 255 ? -1 : opacity, false, psfDefault, nullptr);
    Changed();
}

} // namespace vell::image
