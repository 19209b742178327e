#include "rdcontrol/base/custom_control.h"
#include "rdcontrol/paint/contrast_paint.h"
#include "rdcontrol/paint/skinned_paint.h"
#include "rdcontrol/skinstyle/skin_style.h"
#include "toolkit/form.h"

namespace vell::rd {

const tk::ClassInfo& TRdCustomControl::StaticClass() {
    static const tk::ClassInfo info = [] {
        using B = tk::ClassBuilder<TRdCustomControl>;
        B b("TRdCustomControl", &tk::TCustomControl::StaticClass());
        publishStreamedSize(b);
        edges::publish(b)
            .obj("AllSkin", tk::ClassTypeOf<TRdSkinClass>(), &TRdCustomControl::AllSkin,
                 &TRdCustomControl::SetAllSkin)
            .obj("AutoAlign", tk::ClassTypeOf<TRdAutoAlign>(), &TRdCustomControl::AutoAlign,
                 &TRdCustomControl::SetAutoAlign);
        return b.build();
    }();
    return info;
}

TRdCustomControl::TRdCustomControl(tk::TComponent* AOwner)
    : tk::TCustomControl(AOwner), FSkin(this, [this] { return std::vector<TColor>{Color()}; }) {
    SetDoubleBuffered(true);
}

TRdCustomControl::~TRdCustomControl() {
    FSkin.FreeAutoAlign();
}

void TRdCustomControl::Loaded() {
    FSkin.Loaded();
    tk::TCustomControl::Loaded();
}

void TRdCustomControl::WndProc(tk::TMessage& Message) {
    tk::TCustomControl::WndProc(Message);
    if (Message.Msg == tk::CM_COLORCHANGED) FSkin.UpdateParentBackground();
}

void TRdCustomControl::Paint() {
    tk::TCustomControl::Paint();
    FillControlColor(this, Canvas(), Color(), GetClientRect());
}

void FillControlColor(tk::TControl* Control, tk::TCanvas* Canvas, TColor Color, const RECT& Rect) {
    HDC dc = Canvas->Handle();
    if (HighContrastPaint()) {
        FillContrastBackground(dc, Rect);
        return;
    }
    tk::TCustomForm* form = tk::GetParentForm(Control);
    if (!form || form == Control || Color != clDefault) {
        FillAlphaColor(dc, Rect, Color);
        return;
    }
    TColor formColor = form->Color();
    FillAlphaColor(dc, Rect, formColor == clDefault ? clWhite : formColor);
    if (FormColor2nd() != clNone) FillAlphaColor(dc, Rect, FormColor2nd());
}

void TRdCustomControl::DefaultPaint(tk::TMessage& m) {
    SkinnedWindowPaint(this, *AllSkin(), m, [this](tk::TMessage& p) { tk::TCustomControl::DefaultPaint(p); });
}

void TRdCustomControl::PrepareMessage(tk::TMessage& m) {
    tk::TCustomControl::PrepareMessage(m);
    SkinnedWindowPrepare(this, *AllSkin(), m);
}

} // namespace vell::rd
