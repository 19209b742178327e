#include "rdcontrol/panels/panel.h"
#include "core/color/colors.h"
#include "platform/image/draw_image.h"
#include "platform/image/png_image.h"
#include "rdcontrol/paint/contrast_paint.h"
#include "rdcontrol/base/custom_control.h"
#include "rdcontrol/paint/skinned_paint.h"

namespace vell::rd {

const tk::ClassInfo& TRdPanel::StaticClass() {
    static const tk::ClassInfo info = [] {
        using B = tk::ClassBuilder<TRdPanel>;
        B b("TRdPanel", &tk::TPanel::StaticClass());
        publishStreamedSize(b);
        edges::publish(b)
            .ord("HitTest", tk::BooleanType(), &TRdPanel::HitTest, &TRdPanel::SetHitTest, 1)
            // Off from the start, so a description always says so.
            .ord("ParentBackground", tk::BooleanType(), &TRdPanel::ParentBackground,
                 &TRdPanel::SetParentBackground, 1)
            .ord("ColorTo", tk::ColorType(), &TRdPanel::ColorTo, &TRdPanel::SetColorTo,
                 static_cast<int64_t>(clDefault))
            .ord("ColorToVert", tk::BooleanType(), &TRdPanel::ColorToVert, &TRdPanel::SetColorToVert, 0)
            .event("OnPaint", &TRdPanel::OnPaint)
            .event("OnGLPaint", &TRdPanel::OnGLPaint)
            .obj("AllSkin", tk::ClassTypeOf<TRdSkinClass>(), &TRdPanel::AllSkin, &TRdPanel::SetAllSkin)
            .obj("AutoAlign", tk::ClassTypeOf<TRdAutoAlign>(), &TRdPanel::AutoAlign, &TRdPanel::SetAutoAlign);
        return b.build();
    }();
    return info;
}

TRdPanel::TRdPanel(tk::TComponent* AOwner)
    : tk::TPanel(AOwner), FSkin(this, [this] {
          return std::vector<TColor>{Color(), FColorTo};
      }) {
    SetDoubleBuffered(true);
    FControlStyle = (FControlStyle & ~tk::csParentBackground) | tk::csOpaque;
    FSkin.UpdateParentBackground();
}

TRdPanel::~TRdPanel() {
    FSkin.FreeAutoAlign();
}

void TRdPanel::SetColorTo(TColor Value) {
    if (FColorTo == Value) return;
    FColorTo = Value;
    FSkin.UpdateParentBackground();
    Invalidate();
}

void TRdPanel::SetColorToVert(bool Value) {
    if (FColorToVert == Value) return;
    FColorToVert = Value;
    Invalidate();
}

void TRdPanel::Loaded() {
    FSkin.Loaded();
    tk::TPanel::Loaded();
}

void TRdPanel::Repaint() {
    AllSkin()->DrawBufferBkgTk = 0;
    AllSkin()->DrawBufferRect = RECT{0, 0, Width(), Height()};
    tk::TPanel::Repaint();
}

void TRdPanel::WndProc(tk::TMessage& m) {
    switch (m.Msg) {
    case WM_NCHITTEST:
        if (!FHitTest && !InState(tk::csDesigning)) {
            m.Result = HTTRANSPARENT;
            return;
        }
        break;
    case WM_PAINT:
        if (OnGLPaint && !m.WParam) {
            if (HandleAllocated()) ::ValidateRect(Handle(), nullptr);
            OnGLPaint(this, true);
            m.Result = 0;
            return;
        }
        break;
    case RDPANEL_GLPAINT:
        if (OnGLPaint) OnGLPaint(this, false);
        m.Result = 1;
        return;
    default:
        break;
    }
    tk::TPanel::WndProc(m);
    if (m.Msg == tk::CM_COLORCHANGED) {
        // The panel counts as opaque whatever its colour: its paint covers its area.
        FControlStyle |= tk::csOpaque;
        FSkin.UpdateParentBackground();
    }
}

void TRdPanel::Paint() {
    const RECT r = GetClientRect();
    HDC dc = Canvas()->Handle();
    const TColor from = Color();
    const bool gradient = FColorTo != from && from != clDefault && FColorTo != clDefault;
    if ((AllSkin()->DrawParentBg || gradient) && !HighContrastPaint())
        FillAlphaGradient(dc, r, from, FColorTo, FColorToVert);
    else
        FillControlColor(this, Canvas(), from, r);
    tk::TPanel::Paint();
    if (OnPaint) OnPaint(this);
}

namespace {
struct Argb {
    int a, r, g, b;
};
Argb argbOf(TColor c) {
    if (c == clNone) return Argb{0, 0, 0, 0};
    const std::uint32_t rgb = SkinColorToRGB(c) & 0xFFFFFF;
    return Argb{ColorAlpha(c), int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF)};
}
int lerp(int a, int b, int i, int n) {
    return n <= 1 ? a : a + (b - a) * i / (n - 1);
}
} // namespace

void FillAlphaGradient(HDC DC, const RECT& Rect, TColor From, TColor To, bool Vertical) {
    if (From == clDefault) From = To;
    if (To == clDefault) To = From;
    const int w = Rect.right - Rect.left, h = Rect.bottom - Rect.top;
    if (w <= 0 || h <= 0) return;
    Argb s = argbOf(From), e = argbOf(To);
    if (s.a == 0 && e.a == 0) return;
    // A fully transparent end fades the other end's colour out instead of mixing in its own.
    if (s.a == 0) s = Argb{0, e.r, e.g, e.b};
    if (e.a == 0) e = Argb{0, s.r, s.g, s.b};
    if (From == To) {
        FillAlphaColor(DC, Rect, From);
        return;
    }
    // One row (or column) of premultiplied pixels along the gradient, stretched across.
    const int n = Vertical ? h : w;
    image::PngRef line(image::TPngImage::CreateARGB32(Vertical ? 1 : n, Vertical ? n : 1, false));
    if (!line) return;
    for (int i = 0; i < n; ++i) {
        const int a = lerp(s.a, e.a, i, n);
        const int r = lerp(s.r, e.r, i, n) * a / 255, g = lerp(s.g, e.g, i, n) * a / 255,
                  b = lerp(s.b, e.b, i, n) * a / 255;
        const RECT px = Vertical ? RECT{0, i, 1, i + 1} : RECT{i, 0, i + 1, 1};
        line->FillRect(px, (std::uint32_t(a) << 24) | (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) |
                               std::uint32_t(b));
    }
    line->SetAlphaPreMultiplied(true);
    image::TDrawRectParams p;
    p.DstX = Rect.left;
    p.DstY = Rect.top;
    p.DstW = w;
    p.DstH = h;
    p.SrcW = line->Width();
    p.SrcH = line->Height();
    image::DrawRect(*line, DC, p);
}

void TRdPanel::DefaultPaint(tk::TMessage& m) {
    SkinnedWindowPaint(this, *AllSkin(), m, [this](tk::TMessage& p) { tk::TPanel::DefaultPaint(p); });
}

void TRdPanel::PrepareMessage(tk::TMessage& m) {
    tk::TPanel::PrepareMessage(m);
    SkinnedWindowPrepare(this, *AllSkin(), m);
}

} // namespace vell::rd
