// The drawing surface of a TPngImage: the framework's canvas bound to the image's memory
// DC. Asking for the handle turns a heap image into a DIB-section image, detaching turns it
// back. Its font is a TCanvasFont (antialiasing, shadow switch, measured height) in place of
// the framework's. Text and alpha drawing build on this class.
#pragma once
#include "platform/graphics/canvas.h"

#include <cstdint>

namespace vell::text {
class TCanvasFont;
}

namespace vell::image {

class TGraphic;
class TPngImage;

// Black solid pen of width 1, solid white brush, copy mode: a DC's drawing state as a fresh
// image gives it.
void ResetDrawingState(HDC dc);

class TPngImageCanvas : public tk::TCanvas {
    VELL_CLASS_INFO()
  public:
    explicit TPngImageCanvas(TPngImage* image);
    TPngImageCanvas(const TPngImageCanvas&) = delete;
    TPngImageCanvas& operator=(const TPngImageCanvas&) = delete;
    ~TPngImageCanvas() override;

    // Gives the DC up: the image keeps its pixels on the heap.
    void Detach();
    // Copy mode SRCCOPY, black solid pen of width 1, solid white brush, nothing of the
    // canvas's selected.
    void ResetDrawingState();
    int CopyMode() const { return fCopyMode; }
    void SetCopyMode(int mode) { fCopyMode = mode; }
    TPngImage* Image() const { return fImage; }

    // Called by the image after its DC went away or a new one came: the canvas follows.
    void HandleChanged();

    // An image of unknown alpha comes to mean premultiplied (what drawing on the canvas
    // produces); then OnChange.
    void Changed() override;

    // The canvas's font (measured on this canvas while it has a DC).
    text::TCanvasFont& FontEx();

  protected:
    // The image's memory DC, created on request; none for an empty image or when no DIB
    // section could be made.
    void CreateHandle() override;

  private:
    text::TCanvasFont* fontExObject() const;

    TPngImage* fImage;
    int fCopyMode = SRCCOPY;
};

} // namespace vell::image
