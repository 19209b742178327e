// The drawing surface of a TPngImage. Its device context is the image's memory DC:
// asking for the handle turns a heap image into a DIB-section image, detaching turns it
// back. Text and alpha drawing build on this class.
#pragma once
#include <windows.h>

namespace vell::image {

class TPngImage;

class TPngImageCanvas {
public:
    explicit TPngImageCanvas(TPngImage* image) : fImage(image) {}
    TPngImageCanvas(const TPngImageCanvas&) = delete;
    TPngImageCanvas& operator=(const TPngImageCanvas&) = delete;
    virtual ~TPngImageCanvas() = default;

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

private:
    TPngImage* fImage;
    int fCopyMode = SRCCOPY;
};

} // namespace vell::image
