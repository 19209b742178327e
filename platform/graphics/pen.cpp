#include "platform/graphics/pen.h"

namespace vell::tk {

const ClassInfo& TPen::StaticClass() {
    static const ClassInfo info = ClassBuilder<TPen>("TPen", &TGraphicsObject::StaticClass())
                                      .ord("Color", ColorType(), &TPen::Color, &TPen::SetColor, clBlack)
                                      .ord("Style", PenStyleType(), &TPen::Style, &TPen::SetStyle, psSolid)
                                      .ord("Width", IntegerType(), &TPen::Width, &TPen::SetWidth, 1)
                                      .build();
    return info;
}

void TPen::SetColor(TColor Value) {
    if (Value == FColor) return;
    FColor = Value;
    Changed();
}
void TPen::SetWidth(int Value) {
    if (Value == FWidth || Value < 0) return;
    FWidth = Value;
    Changed();
}
void TPen::SetStyle(TPenStyle Value) {
    if (Value == FStyle) return;
    FStyle = Value;
    Changed();
}
void TPen::Assign(const TPersistent* Source) {
    auto* p = dynamic_cast<const TPen*>(Source);
    if (!p) {
        TPersistent::Assign(Source);
        return;
    }
    FColor = p->FColor;
    FWidth = p->FWidth;
    FStyle = p->FStyle;
    Changed();
}

SharedGdiHandle TPen::CreateSharedHandle() {
    static constexpr UINT kStyle[] = {PS_SOLID,      PS_DASH, PS_DOT,        PS_DASHDOT,
                                      PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    LOGPEN lp{};
    lp.lopnStyle = kStyle[FStyle];
    lp.lopnWidth.x = FWidth;
    lp.lopnColor = ColorToRGB(FColor);
    return CachedGdiHandle('P', &lp, sizeof lp, [](const void* p) -> HGDIOBJ {
        return ::CreatePenIndirect(static_cast<const LOGPEN*>(p));
    });
}

} // namespace vell::tk
