#include "rdcontrol/formskin/layer_form.h"
#include "rdcontrol/paint/skinned_paint.h"
#include "platform/image/png_image.h"

#include <algorithm>

namespace vell::rd {

const tk::ClassInfo& TRdLayerForm::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TRdLayerForm>("TRdLayerForm", &tk::TForm::StaticClass())
            .ord("AlphaBlend", tk::BooleanType(), &TRdLayerForm::AlphaBlend, &TRdLayerForm::SetAlphaBlend,
                 std::nullopt, &TRdLayerForm::NotStoredFlag)
            .ord("AlphaBlendValue", tk::ByteType(), &TRdLayerForm::AlphaBlendValue,
                 &TRdLayerForm::SetAlphaBlendValue, 255)
            .obj("AllSkin", tk::ClassTypeOf<TRdSkinClass>(), &TRdLayerForm::AllSkin,
                 &TRdLayerForm::SetAllSkin)
            .build();
    return info;
}

TRdLayerForm::TRdLayerForm(tk::TComponent* AOwner)
    : tk::TForm(AOwner), FSkin(
                             this, [this] { return std::vector<TColor>{Color()}; }, false) {
    SetDoubleBuffered(true);
    SetBorderStyle(tk::bsNone);
    SetColor(clNone);
    FSkin.UpdateParentBackground();
}

TRdLayerForm::~TRdLayerForm() = default;

void TRdLayerForm::SetAlphaBlendValue(uint8_t Value) {
    if (FDrawBlend.SourceConstantAlpha == Value) return;
    FDrawBlend.SourceConstantAlpha = Value;
    // The last layer is handed over again with the new opacity, without rendering it.
    HandLayer();
}

bool TRdLayerForm::HandLayer() {
    if (!HandleAllocated() || !FLayer) return false;
    SIZE size{FLayer->Width(), FLayer->Height()};
    POINT source{0, 0};
    return ::UpdateLayeredWindow(Handle(), nullptr, nullptr, &size, FLayer->CanvasHandle(), &source, 0,
                                 &FDrawBlend, ULW_ALPHA) != FALSE;
}

void TRdLayerForm::Loaded() {
    FSkin.Loaded();
    tk::TForm::Loaded();
}

void TRdLayerForm::CreateParams(tk::TCreateParams& Params) {
    tk::TForm::CreateParams(Params);
    Params.Style = (Params.Style & ~WS_CAPTION) | WS_POPUP | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    Params.ExStyle &= ~(WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE);
}

void TRdLayerForm::CreateWnd() {
    tk::TForm::CreateWnd();
    if (!InState(tk::csDesigning)) MakeLayered();
}

void TRdLayerForm::MakeLayered() {
    if (!HandleAllocated()) return;
    LONG ex = ::GetWindowLongW(Handle(), GWL_EXSTYLE);
    if (!(ex & WS_EX_LAYERED)) ::SetWindowLongW(Handle(), GWL_EXSTYLE, ex | WS_EX_LAYERED);
}

void TRdLayerForm::PaintWindow(HDC DC) {
    if (Color() != clNone) {
        RECT r = GetClientRect();
        tk::TBrush brush;
        brush.SetColor(Color());
        ::FillRect(DC, &r, brush.Handle());
    }
    tk::TForm::PaintWindow(DC);
}

void TRdLayerForm::RenderLayer() {
    if (!HandleAllocated()) return;
    const int w = std::max(Width(), 1), h = std::max(Height(), 1);
    if (!FLayer || FLayer->Width() != w || FLayer->Height() != h) {
        FLayer.reset();
        FLayer.reset(image::TPngImage::CreateARGB32(w, h, true));
    }
    if (!FLayer) return;
    FDrawingDC = FLayer->CanvasHandle();
    if (!FDrawingDC) return;
    ::PatBlt(FDrawingDC, 0, 0, w, h, BLACKNESS);
    {
        // The DC is the layer's only while the tree renders into it.
        struct Drawing {
            HDC& dc;
            ~Drawing() { dc = nullptr; }
        } drawing{FDrawingDC};
        PaintTo(FDrawingDC, 0, 0);
        ::GdiFlush();
    }
    if (HandLayer()) ++FRenderCount;
}

void TRdLayerForm::SyncSize() {
    if (!HandleAllocated() || (Width() == FDrawW && Height() == FDrawH)) return;
    FDrawW = Width();
    FDrawH = Height();
    RenderLayer();
}

void TRdLayerForm::DoShow() {
    tk::TForm::DoShow();
    SyncSize();
}

void TRdLayerForm::Resize() {
    SyncSize();
    tk::TForm::Resize();
}

void TRdLayerForm::WndProc(tk::TMessage& m) {
    switch (m.Msg) {
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
        m.Result = 0;
        return;
    case WM_PAINT:
        FSkin.UpdateParentBackground();
        if (!m.WParam) {
            if (HandleAllocated()) {
                ::ValidateRect(Handle(), nullptr);
                if (!::IsIconic(Handle())) RenderLayer();
            }
            m.Result = 0;
            return;
        }
        break;
    default:
        break;
    }
    tk::TForm::WndProc(m);
}

void TRdLayerForm::DefaultPaint(tk::TMessage& m) {
    SkinnedWindowPaint(this, *AllSkin(), m, [this](tk::TMessage& p) { tk::TForm::DefaultPaint(p); });
}

void TRdLayerForm::PrepareMessage(tk::TMessage& m) {
    tk::TForm::PrepareMessage(m);
    SkinnedWindowPrepare(this, *AllSkin(), m);
}

void TRdLayerForm::DefaultEraseBackground(HDC DC) {
    if (DC) EraseLayer(this, DC);
}

} // namespace vell::rd
