#include "platform/graphics/brush.h"

namespace vell::tk {

const ClassInfo& TBrush::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TBrush>("TBrush", &TGraphicsObject::StaticClass())
            .ord("Color", ColorType(), &TBrush::Color, &TBrush::SetColor, clWhite)
            .ord("Style", BrushStyleType(), &TBrush::Style, &TBrush::SetStyle, bsSolid)
            .build();
    return info;
}

void TBrush::SetColor(TColor Value) {
    if (Value == FColor) return;
    FColor = Value;
    if (FStyle == bsClear) FStyle = bsSolid;
    Changed();
}
void TBrush::SetStyle(TBrushStyle Value) {
    if (Value == FStyle) return;
    FStyle = Value;
    Changed();
}
void TBrush::Assign(const TPersistent* Source) {
    auto* b = dynamic_cast<const TBrush*>(Source);
    if (!b) {
        TPersistent::Assign(Source);
        return;
    }
    FColor = b->FColor;
    FStyle = b->FStyle;
    Changed();
}

SharedGdiHandle TBrush::CreateSharedHandle() {
    LOGBRUSH lb{};
    lb.lbColor = ColorToRGB(FColor);
    if (FStyle == bsSolid) {
        lb.lbStyle = BS_SOLID;
    } else if (FStyle == bsClear) {
        lb.lbStyle = BS_HOLLOW;
        lb.lbColor = 0;
    } else {
        lb.lbStyle = BS_HATCHED;
        static constexpr LONG kHatch[] = {
            0, 0, HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS};
        lb.lbHatch = static_cast<ULONG_PTR>(kHatch[FStyle]);
    }
    return CachedGdiHandle('B', &lb, sizeof lb, [](const void* p) -> HGDIOBJ {
        return ::CreateBrushIndirect(static_cast<const LOGBRUSH*>(p));
    });
}

} // namespace vell::tk
