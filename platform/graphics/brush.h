// The framework's brush: a colour and a fill style over a cached GDI brush.
#pragma once
#include "platform/graphics/graphics_object.h"

namespace vell::tk {

class TBrush : public TGraphicsObject {
    VELL_CLASS_INFO()
  public:
    HBRUSH Handle() { return static_cast<HBRUSH>(gdiHandle(SharedHandle())); }
    TColor Color() const { return FColor; }
    // A colour makes a clear brush solid.
    void SetColor(TColor Value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle Value);
    void Assign(const TPersistent* Source) override;

  protected:
    SharedGdiHandle CreateSharedHandle() override;

  private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
};

} // namespace vell::tk
