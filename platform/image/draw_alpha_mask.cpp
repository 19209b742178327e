// Masking an image's alpha with another picture: pixel for pixel, or laid out by the
// mask's nine-slice rules through the compositor's alpha-only modes.
#include "core/draw/row_kernels.h"
#include "core/draw/transform.h"
#include "platform/image/draw_image.h"
#include "platform/image/draw_internal.h"
#include "platform/image/nine_slice_draw.h"

#include <algorithm>

namespace vell::image {

namespace {

RECT clipped(const RECT& r, const RECT& to) {
    return RECT{std::max(r.left, to.left), std::max(r.top, to.top), std::min(r.right, to.right),
                std::min(r.bottom, to.bottom)};
}

bool isEmpty(const RECT& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

// The mask as a 32-bit image: the picture itself, or a converted copy in `holder`.
TPngImage* maskPixels(TGraphic& source, TPngImage& holder) {
    auto* png = dynamic_cast<TPngImage*>(&source);
    if (png) {
        png->EnsureExpanded();
        if (png->HeaderOrNull() && png->HeaderOrNull()->BitCount() == 32)
            return png->HeaderOrNull()->ImageData ? png : nullptr;
        holder.ClonePng(png);
        holder.AlphaMode = png->AlphaMode;
    } else {
        if (source.GetEmpty()) return nullptr;
        holder.Assign(&source);
    }
    if (!holder.ConvertTo32Bit() || !holder.HeaderOrNull() || !holder.HeaderOrNull()->ImageData)
        return nullptr;
    return &holder;
}

// Pixels of `row` from `from` to `to` become transparent.
void clearSpan(uint8_t* row, long long from, long long to, bool premultiplied) {
    if (from < to)
        draw::clearAlpha(draw::PixelView{row + 4 * from, 0, static_cast<int>(to - from), 1}, premultiplied);
}

// The mask's view area applied 1:1 from dest's corner.
void applyOneToOne(TPngImage& image, TPngImage& mask, const RECT& dest, const RECT& upd, bool MixerMode) {
    TChunkIHDR* h = image.HeaderOrNull();
    TChunkIHDR* mh = mask.HeaderOrNull();
    const long long maskRight =
        std::min<long long>(dest.right, static_cast<long long>(dest.left) + mask.ViewWidth);
    const long long maskBottom =
        std::min<long long>(dest.bottom, static_cast<long long>(dest.top) + mask.ViewHeight);
    const bool premultiplied = image.AlphaMode == pamPremultiplied;
    for (int y = upd.top; y < upd.bottom; ++y) {
        uint8_t* row = h->ImageData + static_cast<ptrdiff_t>(y) * image.BytesPerRow();
        const long long from = std::max<long long>(upd.left, dest.left);
        const long long to = std::min<long long>(upd.right, maskRight);
        if (y < dest.top || y >= maskBottom || from >= to) {
            clearSpan(row, upd.left, upd.right, premultiplied);
            continue;
        }
        clearSpan(row, upd.left, from, premultiplied);
        const uint8_t* maskRow = mh->ImageData +
                                 static_cast<ptrdiff_t>(mask.ViewTop + y - dest.top) * mask.BytesPerRow() +
                                 4 * (mask.ViewLeft + from - dest.left);
        draw::maskAlphaRow(row + 4 * from, maskRow, static_cast<int>(to - from), 255, MixerMode ? 2 : 1,
                           premultiplied);
        clearSpan(row, to, upd.right, premultiplied);
    }
}

// The mask laid into dest by its nine-slice option; what lies in upd but outside dest is cleared.
void applyNineSlice(TPngImage& image, TPngImage& mask, const design::TDesignRect& option, const RECT& dest,
                    const RECT& upd, bool MixerMode) {
    const bool premultiplied = image.AlphaMode == pamPremultiplied;
    TChunkIHDR* h = image.HeaderOrNull();
    for (int y = upd.top; y < upd.bottom; ++y) {
        uint8_t* row = h->ImageData + static_cast<ptrdiff_t>(y) * image.BytesPerRow();
        if (y < dest.top || y >= dest.bottom) {
            clearSpan(row, upd.left, upd.right, premultiplied);
            continue;
        }
        clearSpan(row, upd.left, std::min(upd.right, std::max(upd.left, dest.left)), premultiplied);
        clearSpan(row, std::max(upd.left, std::min(upd.right, dest.right)), upd.right, premultiplied);
    }
    const RECT inside = clipped(dest, upd);
    if (isEmpty(inside)) return;
    DrawNineSlice(nullptr, nullptr, &mask, &inside, &image,
                  MixerMode ? TDrawMaskMode::Multiply : TDrawMaskMode::Replace, option.StretchMode(),
                  option.Bottom(), option.Right(), option.Top(), option.Left(), dest);
}

} // namespace

void UpdateAlpha(TPngImage& image, TGraphic& MaskSource, const design::TDesignRect* MaskOption,
                 const RECT* DestRect, const RECT* UpdateRect, bool MixerMode) {
    if (!targetPixels(image)) return;
    // The image ends up premultiplied; pixels of unknown meaning are taken as such, so
    // their colours follow the new alpha.
    if (image.AlphaMode == pamUnknown) image.AlphaMode = pamPremultiplied;
    TPngImage holder;
    TPngImage* mask = maskPixels(MaskSource, holder);
    if (!mask) return;
    if (mask == &image) {
        // Masking an image with itself reads from a copy.
        holder.ClonePng(&image);
        holder.AlphaMode = image.AlphaMode;
        mask = &holder;
    }
    GdiFlush();
    const RECT view{image.ViewLeft, image.ViewTop, image.ViewLeft + image.ViewWidth,
                    image.ViewTop + image.ViewHeight};
    const RECT upd = clipped(UpdateRect ? *UpdateRect : view, view);
    if (isEmpty(upd)) return;
    RECT dest = DestRect ? *DestRect : view;
    if (dest.right < dest.left) dest.right = dest.left;
    if (dest.bottom < dest.top) dest.bottom = dest.top;
    if (MaskOption)
        applyNineSlice(image, *mask, *MaskOption, dest, upd, MixerMode);
    else
        applyOneToOne(image, *mask, dest, upd, MixerMode);
    image.Changed(&image);
}

} // namespace vell::image
