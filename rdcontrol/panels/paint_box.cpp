#include "rdcontrol/panels/paint_box.h"
#include "toolkit/accessible.h"

#include <oleacc.h>

namespace vell::rd {

const tk::ClassInfo& TRdPaintBox::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TRdPaintBox>("TRdPaintBox", &TRdGraphicControl::StaticClass())
            .event("OnPaint", &TRdPaintBox::OnPaint)
            .build();
    return info;
}

TRdPaintBox::TRdPaintBox(tk::TComponent* AOwner) : TRdGraphicControl(AOwner) {
    SetBounds(Left(), Top(), 105, 105);
}

void TRdPaintBox::Paint() {
    Canvas()->SetFont(Font());
    Canvas()->Brush()->SetColor(Color());
    OnPaint(this);
}

// A drawing surface is named by its hint.
void TRdPaintBox::GetAccessibleInfo(tk::TAccessibleInfo& Info) const {
    Info.Name = Hint();
    Info.Role = ROLE_SYSTEM_GRAPHIC;
}

} // namespace vell::rd
