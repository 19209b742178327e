// Drawing a TPngImage onto a device context or into another image, and the image
// operations built on the pixel kernels: copies, alpha masks, rotation, greyscale, tint,
// blur and sharpening. The arithmetic is the core's (core/draw); these functions find
// the pixels, clip, and keep the images' state right.
#pragma once
#include "core/design/design_rect.h"
#include "core/draw/compose.h"
#include "platform/image/png_image.h"

#include <windows.h>

#include <cstdint>

namespace vell::image {

// How the drawing combines with the target: normally source-over; the mask modes only
// rewrite the target's alpha (replace, or multiply) from the source's alpha.
using TDrawMaskMode = draw::MaskMode;

struct TDrawRectParams {
    int DstX = 0, DstY = 0, DstW = 0, DstH = 0;
    int SrcX = 0, SrcY = 0, SrcW = 0, SrcH = 0;
    uint8_t Alpha = 255;
    bool Gray = false;
    TPngSmoothFilter Smooth = psfDefault; // psfDefault: the image's own SmoothFilter
    const RECT* ClipRect = nullptr;       // in target coordinates
    TDrawMaskMode MaskMode = TDrawMaskMode::None;
};

// Draws the source rectangle of `image` into the destination rectangle, into DstPng when
// given (which becomes 32-bit), else onto DstDC. Nothing is drawn for an empty image,
// Alpha 0, zero sizes or an invisible rectangle. Transparent colours (single-colour
// transparency) are honoured.
void DrawRect(TPngImage& image, HDC DstDC, const TDrawRectParams& params, TPngImage* DstPng = nullptr);

// The whole image stretched into Rect with its GrayMode and AlphaBlendValue.
void Draw(TPngImage& image, HDC DstDC, const RECT& Rect);
// As Draw with opacity MulTable[Opacity][AlphaBlendValue].
void DrawTransparent(TPngImage& image, HDC DstDC, const RECT& Rect, uint8_t Opacity);
// The view area unscaled at (DstX, DstY) with the image's filter, grey mode and opacity,
// into DstPng when given, else onto DstDC.
void DrawTo(TPngImage& image, TPngImage* DstPng, int DstX, int DstY, HDC DstDC);

// Raw copies (no blending) of a rectangle of `src` into `dst` at (DstX, DstY), clipped
// to both; the destination takes the source's AlphaMode. Equal layouts copy rows (and the
// colour table), 24 into 32 takes alpha from the plane or 255, 32 into 24 splits it into
// the plane; other sources are copied as premultiplied 32-bit pixels (keeping their
// transparency), and a destination below 24 bits becomes 32-bit for them. False when
// nothing was copied.
bool CopyBitBlt(TPngImage& dst, TPngImage& src, int CopyW, int CopyH, int DstX, int DstY, int SrcX, int SrcY);
// The same from DIB memory described by SrcInfo (top-down or bottom-up): 32-bit BI_RGB
// rows are taken as they are, alpha included; other layouts through the platform's DIB
// transfer with alpha 255.
bool CopyBitBlt(TPngImage& dst, const void* SrcMem, const BITMAPINFO& SrcInfo, int CopyW, int CopyH, int DstX,
                int DstY, int SrcX, int SrcY);
// The source rectangle stretched into the destination rectangle, replacing its pixels
// with premultiplied ones; equal sizes are a CopyBitBlt.
bool CopyStretchBlt(TPngImage& dst, TPngImage& src, int dx, int dy, int dw, int dh, int sx, int sy, int sw,
                    int sh);

// Draws the image at Point so that its physical size (pHYs chunk in pixels per metre)
// matches the screen's; without that information unscaled.
void DrawUsingPixelInformation(TPngImage& image, HDC DstDC, POINT Point);

// Rewrites the image's alpha inside UpdateRect (null: the view area, clipped to it) from
// the mask picture placed at DestRect (null: the view area); pixels of UpdateRect outside
// DestRect become transparent. Without MaskOption the mask's pixels apply 1:1 from
// DestRect's corner (DestRect beyond the mask's size counts as outside); with one the mask
// is laid into DestRect by its nine-slice rules. Each pixel's alpha becomes the mask's
// alpha, or with MixerMode MulTable[mask alpha][alpha]; premultiplied colours follow.
void UpdateAlpha(TPngImage& image, TGraphic& MaskSource, const design::TDesignRect* MaskOption,
                 const RECT* DestRect, const RECT* UpdateRect, bool MixerMode);

void TurnDirection(TPngImage& image, TPngTurnAngle Angle); // pta90 and pta270 clockwise and back
void GrayscaleRGB(TPngImage& image);
// Tints with Color (a colour value, resolved through SkinColorToRGB) at strength Alpha;
// ForceRunGray makes the image grey first.
void TintColor(TPngImage& image, TColor Color, bool ForceRunGray, uint8_t Alpha);
// Blurs the rectangle (DstX, DstY, DstW, DstH) of the view area (a negative width or
// height: the whole view area) with sigma Radius / 2.
void GaussBlur(TPngImage& image, int Radius, int DstW = -1, int DstH = -1, int DstX = 0, int DstY = 0);
// Unsharp mask: Amount 1..500, Radius 1..500, Threshold 0..255, else nothing happens.
void UsmSharpen(TPngImage& image, int Amount, int Radius, int Threshold);

} // namespace vell::image
