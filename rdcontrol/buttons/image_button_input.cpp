// The image button and the mouse: pressing, clicking and hovering the button and its
// icon, the check box's click, the cursors over the icon and the check box, and the hint
// of the part under the mouse.
#include "rdcontrol/buttons/image_button.h"

#include "toolkit/accessible.h"
#include "toolkit/hint.h"

namespace vell::rd {

bool TRdImageButton::OnIcon(int X, int Y) {
    if (!FIconVisible) return false;
    const RECT r = IconRect();
    return ::PtInRect(&r, POINT{X, Y}) != 0;
}

void TRdImageButton::SetCursorKeeping(tk::TCursor Value, tk::TCursor& Saved) {
    if (Value == 0) return;
    if (Saved == -1 && Cursor() != Value) Saved = Cursor();
    SetCursor(Value);
}

void TRdImageButton::RestoreCursor(tk::TCursor& Saved) {
    if (Saved == -1) return;
    SetCursor(Saved);
    Saved = -1;
}

bool TRdImageButton::TrackCheckBox(int X, int Y, bool MoveOnly) {
    const bool hoverPicture = HasGraphic(FCheckImages[cbUnchecked][clHoverLook].get());
    if (!FShowCheckBox) {
        const bool was = FDrawCheckBoxOver;
        FIsCheckBoxOver = FDrawCheckBoxOver = false;
        if (was && hoverPicture) Invalidate();
        return false;
    }
    const RECT box = CheckBoxRect();
    const bool inside = ::PtInRect(&box, POINT{X, Y}) != 0;
    const bool wasOver = FDrawCheckBoxOver;
    bool iconLeft = false;
    if (inside) {
        FIsCheckBoxOver = FDrawCheckBoxOver = true;
    } else {
        FIsCheckBoxOver = false;
        if (!FCheckBoxFullClick) {
            FDrawCheckBoxOver = false;
        } else if (OnIcon(X, Y)) {
            FDrawCheckBoxOver = true;
            if (!wasOver && hoverPicture) Invalidate();
            return false;
        } else {
            if (FIsIconOver) {
                FIsIconOver = false;
                iconLeft = HasGraphic(StateIcon(isHover)) && StateIcon(isHover) != StateIcon(isNormal);
            }
            const RECT c = GetClientRect();
            FDrawCheckBoxOver = ::PtInRect(&c, POINT{X, Y}) != 0;
        }
    }
    if (wasOver != FDrawCheckBoxOver && (hoverPicture || iconLeft)) Invalidate();
    if (MoveOnly || !(FCheckBoxFullClick || inside) || !(ControlStyle() & tk::csClickEvents)) return inside;
    // A click inside the box without CheckBoxFullClick is the box's alone: the button's own
    // click does not follow, also when a handler aborts.
    if (inside && !FCheckBoxFullClick) FControlState &= ~tk::csClicked;
    ClickCheckBox();
    return inside;
}

void TRdImageButton::ClickCheckBox() {
    auto alive = AliveFlag();
    try {
        CheckBoxBeforeClick(this);
        if (!*alive) return;
        FCheckState = FCheckState == cbChecked ? cbUnchecked : cbChecked; // grayed becomes checked
        Invalidate();
        tk::NotifyAccessibleEvent(this, EVENT_OBJECT_STATECHANGE);
        CheckBoxOnClick(this);
    } catch (const tk::EAbort&) {
        // an abort ends the check-box click quietly; other failures pass
    }
}

void TRdImageButton::IconAfterPress() {
    if (FIconState != isDown) return;
    if (FIconFullClick)
        SetIconState(FIsMouseOver ? isHover : isNormal);
    else
        SetIconState(isNormal);
}

void TRdImageButton::MouseDown(tk::TMouseButton Button, tk::TShiftState Shift, int X, int Y) {
    auto alive = AliveFlag();
    bool consumed = false;
    if (Button == tk::mbLeft) {
        const bool inside = TrackCheckBox(X, Y, false);
        if (!*alive) return;
        if (inside && !FCheckBoxFullClick) consumed = true;
    }
    if (!consumed && !(FButtonState == ibsSelected && FIconLockBySelected)) {
        const bool onIcon = Button == tk::mbLeft && FIconVisible && (FIconFullClick || OnIcon(X, Y));
        if (onIcon && FIconState != isDisabled && FIconState != isSelected) SetIconState(isDown);
        if (FIconFullClick || !onIcon) {
            if (Shift.has(tk::ssDouble) && (ControlStyle() & tk::csClickEvents)) {
                TRdGraphicControl::DblClick();
                if (!*alive) return;
            }
            TRdGraphicControl::MouseDown(Button, Shift, X, Y);
            if (!*alive) return;
            if (Button == tk::mbLeft && FButtonState == ibsNormal) SetButtonState(ibsDown);
            return;
        }
    }
    TRdGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TRdImageButton::Click() {
    if (FButtonState == ibsDown) {
        SetButtonState(ibsNormal);
        IconAfterPress();
    }
    if (FIconVisible && !FIconFullClick && (FIconState == isDown || FIconState == isSelected)) {
        if (OnIcon(FLastWMLBtnPos.x, FLastWMLBtnPos.y)) {
            if (FIconState == isDown) SetIconState(isHover);
            IconOnClick(this);
            return;
        }
        if (FIconState == isDown) SetIconState(isNormal);
    }
    TRdGraphicControl::Click();
}

void TRdImageButton::MouseUp(tk::TMouseButton Button, tk::TShiftState Shift, int X, int Y) {
    auto alive = AliveFlag();
    TRdGraphicControl::MouseUp(Button, Shift, X, Y);
    if (!*alive) return;
    const RECT c = GetClientRect();
    if (!::PtInRect(&c, POINT{X, Y})) FIsMouseOver = false;
    if (FButtonState == ibsSelected && FIconLockBySelected) return;
    if (FButtonState == ibsDown) {
        SetButtonState(ibsNormal);
        IconAfterPress();
    } else if (FButtonState == ibsSelected && FIconFullClick && FIconState == isDown) {
        SetIconState(isHover);
    }
    if (FIconVisible && FIconState == isDown) {
        if (OnIcon(FLastWMLBtnPos.x, FLastWMLBtnPos.y)) {
            SetIconState(isHover);
            IconOnClick(this);
        } else {
            SetIconState(isNormal);
        }
    }
}

void TRdImageButton::MouseMove(tk::TShiftState Shift, int X, int Y) {
    const bool wasBox = FIsCheckBoxOver, wasIcon = FIsIconOver;
    const bool inBox = TrackCheckBox(X, Y, true);
    if (FCheckBoxCursor != 0) {
        if (inBox)
            SetCursorKeeping(FCheckBoxCursor, FCheckLastCursor);
        else
            RestoreCursor(FCheckLastCursor);
    }
    const bool onIcon = OnIcon(X, Y);
    FIsIconOver = !inBox && onIcon;
    if (ShowHint() && ((!FCheckBoxHint.empty() && wasBox != FIsCheckBoxOver) ||
                       (!FIconHint.empty() && wasIcon != FIsIconOver))) {
        if (tk::TCustomHint* h = EffectiveCustomHint())
            h->HideHint();
        else
            tk::Application()->CancelHint();
    }
    if (!(FButtonState == ibsSelected && FIconLockBySelected) && FIconState != isDown &&
        FIconState != isDisabled) {
        if (FMouseEnterIconState == isSelected || FMouseEnterIconState == isHover) {
            if (FIsIconOver)
                SetCursorKeeping(FIconCursor, FIconLastCursor);
            else
                RestoreCursor(FIconLastCursor);
        } else if (FIsIconOver) {
            if (FIconState != isSelected) SetIconState(isHover);
            SetCursorKeeping(FIconCursor, FIconLastCursor);
        } else if (!FIconFullClick && FIconState != isSelected) {
            SetIconState(isNormal);
            RestoreCursor(FIconLastCursor);
        }
    }
    TRdGraphicControl::MouseMove(Shift, X, Y);
}

void TRdImageButton::MouseEnter() {
    if (FadePossible() && !FIsMouseOver && FButtonState != ibsSelected) {
        FAniState = ibaMouseEnter;
        FAniTimer->SetEnabled(true);
    }
    if (FShowCheckBox && FCheckBoxFullClick) {
        FDrawCheckBoxOver = true;
        FIsCheckBoxOver = false;
    }
    FMouseEnterIconState = FIconState;
    const bool wasOver = FIsMouseOver;
    if (!Enabled()) {
        SetIsMouseOver(true);
        return;
    }
    SetIsMouseOver(true);
    FMouseEnterIconState = FIconState;
    if (FButtonState != ibsSelected) {
        if (!wasOver) {
            if (FIconFullClick && FIconState == isNormal) SetIconState(isHover);
            if (HasGraphic(FImageOver.get()) || FFontHoverColor != clDefault ||
                HasGraphic(FCheckImages[cbUnchecked][clHoverLook].get()))
                Invalidate();
        }
    } else if (FIconFullClick && FIconState == isNormal) {
        SetIconState(isHover);
    }
}

void TRdImageButton::MouseLeave() {
    if (FadePossible() && FIsMouseOver && FButtonState != ibsSelected) {
        FAniState = ibaMouseLeave;
        FAniTimer->SetEnabled(true);
    }
    RestoreCursor(FCheckLastCursor);
    RestoreCursor(FIconLastCursor);
    if (FIconState != isDown && FIconState != isDisabled && FIconState != isSelected) SetIconState(isNormal);
    const bool hadHover = FDrawCheckBoxOver;
    FIsCheckBoxOver = FDrawCheckBoxOver = false;
    if (hadHover && HasGraphic(FCheckImages[cbUnchecked][clHoverLook].get())) Invalidate();
    const bool wasOver = FIsMouseOver;
    FIsMouseOver = false;
    FIsIconOver = false;
    if (FButtonState == ibsSelected) {
        if (!FIconLockBySelected && FIconFullClick && FIconState == isDown) SetIconState(isHover);
        if (HasGraphic(FImageOver.get()) || FFontHoverColor != clDefault) Invalidate();
    } else {
        if (FButtonState == ibsDown) {
            SetButtonState(ibsNormal);
            IconAfterPress();
        }
        if (FIconState == isDown) SetIconState(isNormal);
        Invalidate();
    }
    FMouseEnterIconState = FIconState;
    if (wasOver) tk::NotifyAccessibleEvent(this, EVENT_OBJECT_STATECHANGE);
}

void TRdImageButton::HintShow(tk::TMessage& m) {
    auto* info = reinterpret_cast<tk::THintInfo*>(m.LParam);
    if (info) {
        if (FAutoShowHint) {
            if (!FFoundTextEllipsis)
                info->HintStr.clear();
            else if (Hint().empty())
                info->HintStr = FCaption;
        }
        if (Enabled()) {
            if (FIsCheckBoxOver && !FCheckBoxHint.empty()) {
                info->HintStr = FCheckBoxHint;
                info->CursorRect = CheckBoxRect();
            } else if (FIsIconOver && !FIconHint.empty()) {
                info->HintStr = FIconHint;
                info->CursorRect = IconRect();
            }
        }
    }
    TRdGraphicControl::WndProc(m);
    bool canShow = m.Result == 0;
    if (info) OnShowHint(info->HintStr, canShow, *info);
    m.Result = canShow ? 0 : 1;
}

} // namespace vell::rd
