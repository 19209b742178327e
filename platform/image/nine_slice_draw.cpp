#include "platform/image/nine_slice_draw.h"

#include "core/design/nine_slice.h"
#include "core/pixel/tables.h"
#include "platform/image/png_image.h"
#include "platform/image/rdg_image.h"

#include <algorithm>
#include <memory>

namespace vell::image {

using design::SliceRect;

namespace {

bool slices(const design::TDesignRect& o) {
    return o.Left() || o.Top() || o.Right() || o.Bottom() || o.StretchMode() == design::sdmFill;
}

bool intersect(SliceRect& a, const RECT& b) {
    const int64_t l = std::max<int64_t>(a.x, b.left), t = std::max<int64_t>(a.y, b.top);
    const int64_t r = std::min<int64_t>(int64_t(a.x) + a.w, b.right),
                  bt = std::min<int64_t>(int64_t(a.y) + a.h, b.bottom);
    if (r <= l || bt <= t) return false;
    a = SliceRect{int(l), int(t), int(r - l), int(bt - t)};
    return true;
}

// The part of the target that can show anything: the image's view area, or the DC's clip
// box (a DC without one cannot be drawn on); further cut to ClipRect. False when nothing
// is visible. Tiles are only visited inside it, so the work is bounded by the target.
bool visibleArea(HDC dc, TPngImage* dstPng, const RECT* clipRect, SliceRect& area) {
    if (dstPng) {
        area = SliceRect{0, 0, dstPng->ViewWidth, dstPng->ViewHeight};
    } else {
        RECT box;
        const int kind = ::GetClipBox(dc, &box);
        if (kind == NULLREGION || kind == ERROR) return false;
        area = SliceRect{box.left, box.top, box.right - box.left, box.bottom - box.top};
    }
    if (area.w <= 0 || area.h <= 0) return false;
    return !clipRect || intersect(area, *clipRect);
}

// The engine draws TPngImage and TRdgImage; a picture of another kind is drawn from a
// 32-bit copy of itself, which this holds for the length of the draw and puts in place of
// the picture.
class PictureCopy {
  public:
    explicit PictureCopy(TGraphic*& graphic) {
        if (dynamic_cast<TPngImage*>(graphic) || dynamic_cast<TRdgImage*>(graphic)) return;
        copy_.reset(new TPngImage);
        copy_->Assign(graphic);
        // Drawn as a plain bitmap would be: a picture without transparency is opaque.
        if (!graphic->Transparent()) copy_->CreateAlpha(255);
        graphic = copy_.get();
    }

  private:
    struct Release {
        void operator()(TPngImage* p) const { p->ReleaseRef(); }
    };
    std::unique_ptr<TPngImage, Release> copy_;
};

} // namespace

void DrawNineSlice(const BLENDFUNCTION* Blend, HDC DC, TGraphic* Graphic, const RECT* ClipRect,
                   TPngImage* DstPng, TDrawMaskMode MaskMode, design::TSuperStretchMode StretchMode,
                   int Bottom, int Right, int Top, int Left, const RECT& DestRect) {
    if (!Graphic || (!DC && !DstPng)) return;
    const uint8_t opacity = Blend ? Blend->SourceConstantAlpha : 255;
    auto* png = dynamic_cast<TPngImage*>(Graphic);
    auto* rdg = png ? nullptr : dynamic_cast<TRdgImage*>(Graphic);
    if (!png && !rdg) return;
    const int srcW = png ? png->ViewWidth : rdg->Width();
    const int srcH = png ? png->ViewHeight : rdg->Height();
    if (srcW <= 0 || srcH <= 0) return;
    const int64_t destW = int64_t(DestRect.right) - DestRect.left,
                  destH = int64_t(DestRect.bottom) - DestRect.top;
    if (destW <= 0 || destH <= 0 || destW > INT_MAX || destH > INT_MAX) return;
    const SliceRect dest{DestRect.left, DestRect.top, int(destW), int(destH)};
    SliceRect area;
    if (!visibleArea(DC, DstPng, ClipRect, area)) return;

    std::function<void(const SliceRect&, const SliceRect&)> paint;
    if (png) {
        TDrawRectParams p;
        p.Alpha = pixel::mul(png->AlphaBlendValue(), opacity);
        p.Gray = png->GrayMode();
        p.ClipRect = ClipRect;
        p.MaskMode = MaskMode;
        paint = [png, DC, DstPng, p](const SliceRect& d, const SliceRect& s) mutable {
            p.DstX = d.x, p.DstY = d.y, p.DstW = d.w, p.DstH = d.h;
            p.SrcX = png->ViewLeft + s.x, p.SrcY = png->ViewTop + s.y, p.SrcW = s.w, p.SrcH = s.h;
            DrawRect(*png, DC, p, DstPng);
        };
    } else {
        const int own = rdg->AlphaBlendValue();
        if (own < 0) return; // nothing to draw from
        TPngImage* root = rdg->RootPngLnk();
        const bool gray = root && root->GrayMode();
        const int alpha = pixel::mul(uint8_t(own), opacity);
        paint = [rdg, DC, DstPng, alpha, gray](const SliceRect& d, const SliceRect& s) {
            rdg->DrawRect(DC, d.x, d.y, d.w, d.h, s.x, s.y, s.w, s.h, alpha, gray, psfDefault, DstPng);
        };
    }
    design::paintNineSlice(srcW, srcH, dest, design::SliceMargins{Left, Top, Right, Bottom}, StretchMode,
                           &area, paint);
}

void DrawDesignGraphic(TGraphic* Graphic, const RECT& DestRect, HDC DC, const design::TDesignRect* Option,
                       TPngImage* DstPng) {
    if ((!DC && !DstPng) || !Graphic || Graphic->Width() == 0 || Graphic->Height() == 0) return;
    if (Option && slices(*Option)) {
        PictureCopy copy(Graphic);
        DrawNineSlice(nullptr, DC, Graphic, nullptr, DstPng, TDrawMaskMode::None, Option->StretchMode(),
                      Option->Bottom(), Option->Right(), Option->Top(), Option->Left(), DestRect);
        return;
    }
    if (DstPng) {
        // Into an image the engine stretches the whole picture as its one centre piece.
        DrawNineSlice(nullptr, DC, Graphic, nullptr, DstPng, TDrawMaskMode::None, design::sdmStretch, 0, 0, 0,
                      0, DestRect);
        return;
    }
    Graphic->Draw(DC, DestRect);
}

void DrawDesignGraphicBlend(const BLENDFUNCTION& Blend, TGraphic* Graphic, HDC DC,
                            const design::TDesignRect* Option, const RECT& DestRect, TPngImage* DstPng) {
    if (Blend.SourceConstantAlpha == 0 || (!DC && !DstPng) || !Graphic) return;
    PictureCopy copy(Graphic);
    // Without slices of the caller's own, a reference graphic is drawn the way it draws
    // itself: through its own option.
    if (!(Option && slices(*Option)))
        if (auto* rdg = dynamic_cast<TRdgImage*>(Graphic); rdg && slices(*rdg->ImgOpt()))
            Option = rdg->ImgOpt();
    const design::TSuperStretchMode mode = Option ? Option->StretchMode() : design::sdmDefault;
    DrawNineSlice(&Blend, DC, Graphic, nullptr, DstPng, TDrawMaskMode::None, mode,
                  Option ? Option->Bottom() : 0, Option ? Option->Right() : 0, Option ? Option->Top() : 0,
                  Option ? Option->Left() : 0, DestRect);
}

} // namespace vell::image
