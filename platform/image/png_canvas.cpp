#include "platform/image/png_canvas.h"

#include "platform/image/png_image.h"
#include "platform/text/canvas_font.h"

namespace vell::image {

void ResetDrawingState(HDC dc) {
    ::SelectObject(dc, ::GetStockObject(BLACK_PEN));
    ::SelectObject(dc, ::GetStockObject(WHITE_BRUSH));
    ::SetROP2(dc, R2_COPYPEN);
}

const tk::ClassInfo& TPngImageCanvas::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TPngImageCanvas>("TPngImageCanvas", &tk::TCanvas::StaticClass())
            .obj("FontEx", tk::ClassTypeOf<text::TCanvasFont>(), &TPngImageCanvas::fontExObject)
            .build();
    return info;
}

TPngImageCanvas::TPngImageCanvas(TPngImage* image) : fImage(image) {
    ReplaceFont(std::make_unique<text::TCanvasFont>(this));
    if (fImage->HasCanvasHandle()) SetHandle(fImage->HeaderOrNull()->ImageDC.get());
}

TPngImageCanvas::~TPngImageCanvas() {
    // The image may have gone before its canvas: nothing of the DC is touched then.
    ForgetHandle();
}

text::TCanvasFont& TPngImageCanvas::FontEx() {
    // Whoever replaced the font with another kind gets a canvas font back, with its values.
    if (auto* f = dynamic_cast<text::TCanvasFont*>(Font())) return *f;
    ReplaceFont(std::make_unique<text::TCanvasFont>(this));
    return static_cast<text::TCanvasFont&>(*Font());
}

text::TCanvasFont* TPngImageCanvas::fontExObject() const {
    return dynamic_cast<text::TCanvasFont*>(Font());
}

void TPngImageCanvas::CreateHandle() {
    fImage->CanvasHandle();
}

void TPngImageCanvas::HandleChanged() {
    ForgetHandle();
    if (fImage->HasCanvasHandle()) SetHandle(fImage->HeaderOrNull()->ImageDC.get());
}

void TPngImageCanvas::Detach() {
    if (TChunkIHDR* h = fImage->HeaderOrNull()) h->DetachImageDC();
}

void TPngImageCanvas::ResetDrawingState() {
    fCopyMode = SRCCOPY;
    Pen()->SetColor(tk::clBlack);
    Pen()->SetWidth(1);
    Pen()->SetStyle(tk::psSolid);
    Brush()->SetColor(tk::clWhite);
    Brush()->SetStyle(tk::bsSolid);
    if (!HandleAllocated()) return;
    DeselectHandles();
    image::ResetDrawingState(Handle());
}

void TPngImageCanvas::Changed() {
    if (fImage->AlphaMode == pamUnknown) fImage->AlphaMode = pamPremultiplied;
    TCanvas::Changed();
}

} // namespace vell::image
