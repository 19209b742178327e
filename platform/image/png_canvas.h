// The drawing surface of a TPngImage. Its device context is the image's memory DC:
// asking for the handle turns a heap image into a DIB-section image, detaching turns it
// back. Text and alpha drawing build on this class.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace vell::text {
class TCanvasFont;
}

namespace vell::image {

class TGraphic;
class TPngImage;

class TPngImageCanvas {
public:
    explicit TPngImageCanvas(TPngImage* image);
    TPngImageCanvas(const TPngImageCanvas&) = delete;
    TPngImageCanvas& operator=(const TPngImageCanvas&) = delete;
    virtual ~TPngImageCanvas();

    // The image's memory DC, created on first request; null for an empty image or when no
    // DIB section could be made.
    HDC Handle();
    bool HandleAllocated() const;
    // Gives the DC up: the image keeps its pixels on the heap.
    void Detach();
    // Copy mode SRCCOPY, black solid pen of width 1, solid white brush.
    virtual void ResetDrawingState();
    int CopyMode() const { return fCopyMode; }
    void SetCopyMode(int mode) { fCopyMode = mode; }
    TPngImage* Image() const { return fImage; }

    // Called by the image when its DC goes away or changes.
    virtual void HandleChanged() {}

    // The change bracket around drawing: Changing fires OnChanging; Changed makes an image
    // of unknown alpha meaning premultiplied (what drawing on the canvas produces) and
    // fires OnChange.
    virtual void Changing();
    virtual void Changed();
    std::function<void(TPngImageCanvas& sender)> OnChanging, OnChange;

    // The graphic stretched into rect (nothing without a DC or graphic).
    virtual void StretchDraw(const RECT& rect, TGraphic* graphic);
    // The same with an opacity: images and reference graphics draw transparently with
    // MulTable[opacity][their own opacity], other engine graphics through their DrawRect
    // at that opacity (their own at 255), any other graphic as without opacity.
    void StretchDraw(const RECT& rect, TGraphic* graphic, uint8_t opacity);

    // The canvas's font: antialiasing, drop-shadow switch and measured height (measured on
    // this canvas while it has a DC). Made on first use.
    text::TCanvasFont& FontEx();

private:
    std::unique_ptr<text::TCanvasFont> fFont;
    TPngImage* fImage;
    int fCopyMode = SRCCOPY;
};

} // namespace vell::image
