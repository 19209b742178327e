// The framework's canvas: a device context with a font, brush and pen that are selected
// into it when a drawing call needs them and put back before the DC goes.
//
// A derived canvas decides where its DC comes from (CreateHandle) and may put a derived
// font in place of its own (ReplaceFont). Every drawing call runs inside the Changing /
// Changed bracket, which a derived canvas can extend (an image canvas marks its pixels).
#pragma once
#include "platform/graphics/brush.h"
#include "platform/graphics/font.h"
#include "platform/graphics/pen.h"

#include <functional>
#include <memory>
#include <string>

namespace vell::image {
class TGraphic;
}

namespace vell::tk {

class TCanvas : public TPersistent {
    VELL_CLASS_INFO()
  public:
    TCanvas();
    ~TCanvas() override;

    // The device context; a canvas that can make its own (a control's) creates it here.
    HDC Handle();
    void SetHandle(HDC Value);
    bool HandleAllocated() const { return FHandle != nullptr; }

    TFont* Font() const { return FFont.get(); }
    void SetFont(const TFont* Value) { FFont->Assign(Value); }
    // Puts Value (a derived font) in place of the canvas's font: it takes the current
    // font's values and change handler. Null is ignored.
    void ReplaceFont(std::unique_ptr<TFont> Value);
    TBrush* Brush() const { return FBrush.get(); }
    TPen* Pen() const { return FPen.get(); }

    void FillRect(const RECT& Rect);
    void FrameRect(const RECT& Rect);
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    void TextOut(int X, int Y, const std::u16string& Text);
    void TextRect(const RECT& Rect, int X, int Y, const std::u16string& Text);
    SIZE TextExtent(const std::u16string& Text);
    int TextWidth(const std::u16string& Text) { return TextExtent(Text).cx; }
    int TextHeight(const std::u16string& Text) { return TextExtent(Text).cy; }
    // DrawTextW with the canvas's font and the font colour; Rect may be updated (DT_CALCRECT).
    int DrawText(const std::u16string& Text, RECT& Rect, UINT Format);
    // The same with DT_MODIFYSTRING honoured: Text comes back as drawn (cut with "..."
    // where an ellipsis format shortened it).
    int DrawTextModify(std::u16string& Text, RECT& Rect, UINT Format);
    // The graphic at its own size, and stretched into Rect (nothing without a DC or graphic).
    void Draw(int X, int Y, image::TGraphic* Graphic);
    virtual void StretchDraw(const RECT& Rect, image::TGraphic* Graphic);
    // The same with an opacity, through the graphic's DrawTransparent (the engine's images
    // multiply it with their own; other pictures draw as without).
    void StretchDraw(const RECT& Rect, image::TGraphic* Graphic, uint8_t Opacity);

    void Lock() { ++FLockCount; }
    void Unlock() { --FLockCount; }
    int LockCount() const { return FLockCount; }

    // The bracket around every drawing call: Changing fires OnChanging, Changed OnChange.
    virtual void Changing();
    virtual void Changed();
    std::function<void(TCanvas*)> OnChanging, OnChange;

  protected:
    virtual void CreateHandle() {}
    // Puts back the objects the canvas selected, before the DC goes.
    void DeselectHandles();
    // The DC went away already (deleted by its owner): forgets it and what was selected
    // into it without touching it.
    void ForgetHandle();

  private:
    enum : uint32_t { kFontValid = 1, kPenValid = 2, kBrushValid = 4 };
    void RequiredState(uint32_t state);
    void ForgetHandleState();

    HDC FHandle = nullptr;
    uint32_t FState = 0;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TBrush> FBrush;
    std::unique_ptr<TPen> FPen;
    // What is selected now, kept alive while selected, and what was there before.
    SharedGdiHandle FSelFont, FSelPen, FSelBrush;
    HGDIOBJ FOldFont = nullptr, FOldPen = nullptr, FOldBrush = nullptr;
    int FLockCount = 0;
};

// A canvas drawing on DC for the length of a scope: locked and bound to the DC, then
// unbound and unlocked when the scope ends, thrown out of or not.
class TCanvasBinding {
  public:
    TCanvasBinding(TCanvas& Canvas, HDC DC) : FCanvas(Canvas) {
        FCanvas.Lock();
        FCanvas.SetHandle(DC);
    }
    TCanvasBinding(const TCanvasBinding&) = delete;
    TCanvasBinding& operator=(const TCanvasBinding&) = delete;
    ~TCanvasBinding() {
        FCanvas.SetHandle(nullptr);
        FCanvas.Unlock();
    }

  private:
    TCanvas& FCanvas;
};

} // namespace vell::tk
