// The techniques the drawing replacements use to leave correct alpha in 32-bit pixels:
//  - MakeAlphaOpaque: fixes the alpha bytes of an area the platform just drew into;
//  - inverse-colour drawing: invert the area, draw with the inverted colour (the platform
//    writes alpha 0), invert again: drawn pixels end opaque, the rest is restored exactly;
//  - scratch drawing: draw into a white scratch image with inverted colours, invert it
//    (drawn pixels become opaque, the rest transparent) and composite it with an opacity.
// Every blit here goes through the unredirected platform functions.
#pragma once
#include "platform/win/dib_section.h"
#include "platform/win/handles.h"

#include <windows.h>

#include <cstdint>
#include <functional>

namespace vell {

// With a white brush selected (unless BrushSelected): MERGECOPY when ClearFirst (alpha 0,
// colour kept), PATINVERT, DSTINVERT. Colour unchanged; alpha 255 (ClearFirst) or
// inverted (so pixels the platform just wrote with alpha 0 become 255).
void MakeAlphaOpaque(HDC DC, int X, int Y, int W, int H, bool BrushSelected, bool ClearFirst);

namespace alpha {

// A 32-bit top-down DIB section with its own memory DC. Scratch images are cached for the
// thread that installed the drawing redirects and made fresh for other threads.
struct ScratchImage {
    win::UniqueMemoryDC dc;
    win::DibSection dib;
    HGDIOBJ oldBitmap = nullptr;
    int width = 0, height = 0;
    ~ScratchImage();
    int stride() const { return width * 4; }
    uint8_t* row(int y) const { return dib.bits() + static_cast<size_t>(y) * stride(); }
};

// Hands out a scratch image of at least w x h pixels for one call; empty when none can be
// made (too large, out of resources).
class ScratchLease {
  public:
    ScratchLease(int slot, int w, int h);
    ~ScratchLease();
    ScratchLease(const ScratchLease&) = delete;
    ScratchLease& operator=(const ScratchLease&) = delete;
    ScratchImage* get() const { return image_; }
    ScratchImage* operator->() const { return image_; }
    ScratchImage& operator*() const { return *image_; }
    explicit operator bool() const { return image_ != nullptr; }

  private:
    ScratchImage* image_ = nullptr;
    ScratchImage* owned_ = nullptr;
    int slot_ = -1;
};

// Scratch slots: primitives, pictures (icons, image-list items). Destination copies come
// from the image engine's scratch-image cache.
enum : int { kSlotDraw = 0, kSlotPicture = 1, kSlotCount = 2 };

// From now on the calling thread uses the cached scratch images.
void SetScratchOwnerThread();
// Frees the cached scratch images that are not leased and ends the owner thread's use of
// the cache (shut-down).
void ReleaseScratchImages();

// Composites the premultiplied `src` area (sx, sy, sw, sh) onto the DC's `dst` rectangle
// (logical units), nearest-pixel scaled, with `opacity`, inside the DC's clip box, through
// the image engine's compositor (ComposeOntoDC). False when no scratch image was available.
// With `premultiplied` false the source colours are straight (not yet multiplied by alpha).
bool CompositeOntoDC(HDC dc, const RECT& dst, const ScratchImage& src, int sx, int sy, int sw, int sh,
                     uint8_t opacity, bool premultiplied = true);

// DSTINVERT over a rectangle.
void InvertArea(HDC dc, const RECT& r);

// `box` clipped to the DC's clip box; false when nothing of it is visible.
bool ClipToDC(HDC dc, RECT& box);

// Scratch drawing: `draw` paints into the scratch DC at the DC's own logical coordinates
// (the scratch is filled white, and `draw` is expected to use inverted colours); the result
// is composited over `box` with `opacity`. True when nothing was visible; false when no
// scratch image was available.
bool ScratchDraw(HDC dc, RECT box, uint8_t opacity, const std::function<void(HDC scratch)>& draw);

// Inverse-colour drawing: inverts `box`, runs `draw` on the DC itself, inverts `box` again.
void InverseDraw(HDC dc, const RECT& box, const std::function<void()>& draw);

// The opacity a GDI object's colour carries (0..255) and the inverted plain colour.
uint8_t ColorOpacity(COLORREF c);
inline COLORREF InvertedColor(COLORREF c) {
    return ~c & 0x00FFFFFF;
}

// The DC's current pen and brush as inverted-colour copies selected into `into` (the DC
// itself or a scratch DC), with the background colour inverted as well; restored on exit.
class InvertedPenBrush {
  public:
    InvertedPenBrush(HDC from, HDC into, bool usePen, bool useBrush);
    ~InvertedPenBrush();
    InvertedPenBrush(const InvertedPenBrush&) = delete;
    InvertedPenBrush& operator=(const InvertedPenBrush&) = delete;

  private:
    HDC into_;
    win::UniquePen pen_;
    win::UniqueBrush brush_;
    HGDIOBJ oldPen_ = nullptr, oldBrush_ = nullptr;
    COLORREF oldBk_ = CLR_INVALID;
};

// What the current pen and brush of a DC are.
struct PenInfo {
    bool null = true;
    int width = 0;
    COLORREF color = 0;
};
struct BrushInfo {
    UINT style = BS_NULL; // BS_SOLID, BS_HATCHED, BS_NULL, patterns ...
    COLORREF color = 0;
};
PenInfo CurrentPen(HDC dc);
// An inverted-colour copy of a solid or hatched brush; null for other styles.
HBRUSH CreateInvertedBrush(HGDIOBJ brush);
BrushInfo CurrentBrush(HDC dc);
BrushInfo BrushOf(HBRUSH brush);

} // namespace alpha
} // namespace vell
