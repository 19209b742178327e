// The drawing surface of a TPngImage. Its device context is the image's memory DC:
// asking for the handle turns a heap image into a DIB-section image, detaching turns it
// back. Text and alpha drawing build on this class.
#pragma once
#include <windows.h>

#include <memory>

namespace vell::text {
class TCanvasFont;
}

namespace vell::image {

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

    // The canvas's font: antialiasing, drop-shadow switch and measured height (measured on
    // this canvas while it has a DC). Made on first use.
    text::TCanvasFont& FontEx();

private:
    std::unique_ptr<text::TCanvasFont> fFont;
    TPngImage* fImage;
    int fCopyMode = SRCCOPY;
};

} // namespace vell::image
