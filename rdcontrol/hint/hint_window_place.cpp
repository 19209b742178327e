// Where the hint goes: its control's rectangle, work area and form, the style's arrows and
// offsets and the style's handler go to the portable placement (core/hint/placement).
#include "rdcontrol/hint/hint_window.h"

#include "rdcontrol/formskin/form_skin.h"
#include "rdcontrol/labels/html_label.h"
#include "rdcontrol/hint/hint_window_internal.h"
#include "rdcontrol/hint/skin_hint.h"
#include "toolkit/application.h"
#include "toolkit/screen.h"

#include <algorithm>

namespace vell::rd {

using hint_window::screenRectOf;

namespace {

int pictureWidth(tk::TPicture* P) {
    return P && !P->Empty() ? P->Width() : 0;
}
int pictureHeight(tk::TPicture* P) {
    return P && !P->Empty() ? P->Height() : 0;
}

} // namespace

void TRdSkinHintWindow::Place(const RECT& C) {
    TRdSkinHint* style = ActiveStyle();
    if (!SkinnedLook() || !style) {
        // The plain look keeps the framework's place.
        FPlacement = hint::Placement{};
        FPlacement.Body = {Left(), Top(), Left() + Width(), Top() + Height()};
        if (FHtmLabel && FHtmLabel->Visible()) FHtmLabel->SetBounds(0, 0, Width(), Height());
        if (FFormShadow) FFormShadow->ApplyRegion();
        return;
    }
    tk::TApplication* app = tk::CurrentApplication();
    tk::TControl* control = !FDirect && app ? app->HintControl() : nullptr;
    const TRdSkinHintArrowOption& arrows = *style->ArrowOption();
    const TRdSkinHintBkgOption& bkg = *style->BackgroundOption();
    hint::PlacementInput in;
    in.Control = {C.left, C.top, C.right, C.bottom};
    const POINT centre{(C.left + C.right) / 2, (C.top + C.bottom) / 2};
    RECT wa = tk::Screen()->WorkAreaRectAt(centre);
    tk::TCustomForm* form = control ? tk::GetParentForm(control) : nullptr;
    if (form && !form->HandleAllocated()) form = nullptr;
    // Kept inside the control's form: its client area on the screen.
    if (arrows.InnerShow() && form) wa = screenRectOf(form);
    in.WorkArea = {wa.left, wa.top, wa.right, wa.bottom};
    // The reference point: the centre of the control's form, or of the work area.
    RECT ref = wa;
    if (form) ::GetWindowRect(form->Handle(), &ref);
    in.ReferenceX = (ref.left + ref.right) / 2;
    in.ReferenceY = (ref.top + ref.bottom) / 2;
    in.BodyWidth = Width();
    in.BodyHeight = Height();
    const RECT sf = ShadowMargins();
    in.ShadowFrame = {sf.left, sf.top, sf.right, sf.bottom};
    in.Arrows = {pictureWidth(style->ArrowImageUp()),    pictureHeight(style->ArrowImageUp()),
                 pictureWidth(style->ArrowImageDown()),  pictureHeight(style->ArrowImageDown()),
                 pictureWidth(style->ArrowImageLeft()),  pictureHeight(style->ArrowImageLeft()),
                 pictureWidth(style->ArrowImageRight()), pictureHeight(style->ArrowImageRight())};
    in.ShowArrow = arrows.ShowArrow();
    in.Centred = style->HintPosition() == HP_Center;
    in.ArrowAutoUp = arrows.ArrowAutoUp();
    in.ArrowAutoDown = arrows.ArrowAutoDown();
    in.TipLeftOffX = bkg.TipLeftOffX();
    in.TipRightOffX = bkg.TipRightOffX();
    in.TipUpOffY = bkg.TipUpOffY();
    in.TipDownOffY = bkg.TipDownOffY();
    in.ArrowOffsetUpY = arrows.ArrowOffsetUpY();
    in.ArrowOffsetDownY = arrows.ArrowOffsetDownY();
    in.ArrowOffsetLeftX = arrows.ArrowOffsetLeftX();
    in.ArrowOffsetRightX = arrows.ArrowOffsetRightX();

    // The style (a label narrows the rectangle to its text) and its handler may move the
    // control's rectangle, change the text and choose the quarter.
    const int q = hint::QuadrantOf(in.Control, in.ReferenceX, in.ReferenceY);
    int posType = in.Centred ? -q : q;
    int x = C.left, y = C.top, w = C.right - C.left, h = C.bottom - C.top;
    std::u16string text = FHint;
    style->DoCalcPosHint(control, this, posType, x, y, w, h, text);
    if (!ActiveStyle()) return; // the handler let the style go
    in.Control = {x, y, x + std::max(w, 0), y + std::max(h, 0)};
    if (posType != 0 && std::abs(posType) <= 4) {
        in.Quadrant = std::abs(posType);
        in.Centred = posType < 0;
    }
    if (text != FHint) {
        FHint = text;
        const SIZE size = LayContent(FNowMaxWidth, FNowMaxHeight);
        in.BodyWidth = size.cx;
        in.BodyHeight = size.cy;
    }
    in.HorizontalArrows = ArrowHorz;
    in.ArrowOffX = ArrowOffX;
    in.ArrowOffY = ArrowOffY;
    FPlacement = hint::Place(in);
    const hint::Box& a = FPlacement.Arrow;
    style->ArrowOption()->SetMeasured(a.Width(), a.Height());
    const hint::Box& body = FPlacement.Body;
    SetBounds(body.Left, body.Top, body.Width(), body.Height());
    if (FHtmLabel && FHtmLabel->Visible()) FHtmLabel->SetBounds(0, 0, body.Width(), body.Height());
    if (FFormShadow) FFormShadow->ApplyRegion();
}

} // namespace vell::rd
