// The framework's pen: colour, width and line style over a cached GDI pen.
#pragma once
#include "platform/graphics/graphics_object.h"

namespace vell::tk {

class TPen : public TGraphicsObject {
    VELL_CLASS_INFO()
  public:
    HPEN Handle() { return static_cast<HPEN>(gdiHandle(SharedHandle())); }
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value); // negative widths are ignored
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle Value);
    void Assign(const TPersistent* Source) override;

  protected:
    SharedGdiHandle CreateSharedHandle() override;

  private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
};

} // namespace vell::tk
