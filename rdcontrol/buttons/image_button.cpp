// The image button as a component: its published properties, construction, the setters
// of its state and caption, and the routing of its messages. Its other parts live beside
// it: the pictures (image_button_pictures.cpp), the hover fade and the busy picture
// (image_button_animation.cpp), painting (image_button_paint.cpp), where the icon and the
// check box go (image_button_placement.cpp), the caption (image_button_caption.cpp), the
// mouse and the check box's click (image_button_input.cpp), the click mask
// (image_button_mask.cpp) and what accessibility clients are told
// (image_button_accessible.cpp).
#include "rdcontrol/buttons/image_button.h"

#include "rdcontrol/paint/measure_dc.h"
#include "toolkit/accessible.h"

namespace vell::rd {

const tk::TypeInfo& ImageButtonStateType() {
    static const tk::TypeInfo t =
        tk::makeEnumType("TImageButtonState", {"ibsNormal", "ibsDown", "ibsDisabled", "ibsSelected"});
    return t;
}

const tk::TypeInfo& IconStateType() {
    static const tk::TypeInfo t =
        tk::makeEnumType("TIconState", {"isNormal", "isDown", "isHover", "isDisabled", "isSelected"});
    return t;
}

const tk::TypeInfo& AniEffectType() {
    static const tk::TypeInfo t = tk::makeEnumType("TAniEffect", {"ibeNone", "ibeSingle", "ibeDouble"});
    return t;
}

const tk::TypeInfo& CheckBoxStateType() {
    static const tk::TypeInfo t =
        tk::makeEnumType("TCheckBoxState", {"cbUnchecked", "cbChecked", "cbGrayed"});
    return t;
}

const tk::ClassInfo& TRdImageButton::StaticClass() {
    using T = TRdImageButton;
    const tk::TypeInfo& pic = tk::ClassTypeOf<tk::TPicture>();
    static const tk::ClassInfo info =
        tk::ClassBuilder<T>("TRdImageButton", &TRdGraphicControl::StaticClass())
            .str("Caption", &T::Caption, &T::SetCaption)
            .ord("ButtonCaptionAlignment", tk::AlignmentType(), &T::ButtonCaptionAlignment,
                 &T::SetButtonCaptionAlignment, tk::taCenter)
            .ord("TextOffset", tk::IntegerType(), &T::TextOffset, &T::SetTextOffset, 20)
            .ord("TextLeftMargin", tk::IntegerType(), &T::TextLeftMargin, &T::SetTextLeftMargin, 0)
            .ord("TextRightMargin", tk::IntegerType(), &T::TextRightMargin, &T::SetTextRightMargin, 0)
            .ord("TextTopMargin", tk::IntegerType(), &T::TextTopMargin, &T::SetTextTopMargin, 0)
            .ord("TextBottomMargin", tk::IntegerType(), &T::TextBottomMargin, &T::SetTextBottomMargin, 0)
            .ord("TextTopOffset", tk::IntegerType(), &T::TextTopOffset, &T::SetTextTopOffset, 0)
            .ord("TextAlignY", tk::VerticalAlignmentType(), &T::TextAlignY, &T::SetTextAlignY,
                 tk::taVerticalCenter)
            .ord("TextMaxLine", tk::IntegerType(), &T::TextMaxLine, &T::SetTextMaxLine, 0)
            .ord("TextWarpAlign", tk::AlignmentType(), &T::TextWarpAlign, &T::SetTextWarpAlign,
                 tk::taLeftJustify)
            .ord("TextAlignCenterIgnoreIcon", tk::BooleanType(), &T::TextAlignCenterIgnoreIcon,
                 &T::SetTextAlignCenterIgnoreIcon, 0)
            .ord("WordWrap", tk::BooleanType(), &T::WordWrap, &T::SetWordWrap, 0)
            .ord("EllipsisByHeight", tk::BooleanType(), &T::EllipsisByHeight, &T::SetEllipsisByHeight, 1)
            .ord("AutoHideText", tk::BooleanType(), &T::AutoHideText, &T::SetAutoHideText, 0)
            .ord("AutoSize", tk::BooleanType(), &T::AutoSize, &T::SetAutoSize, 0)
            .ord("AutoSizeByText", tk::BooleanType(), &T::AutoSizeByText, &T::SetAutoSizeByText, 0)
            .ord("ShowAccelChar", tk::BooleanType(), &T::ShowAccelChar, &T::SetShowAccelChar, 0)
            .ord("AutoShowHint", tk::BooleanType(), &T::AutoShowHint, &T::SetAutoShowHint, 0)
            .ord("FontHoverColor", tk::ColorType(), &T::FontHoverColor, &T::SetFontHoverColor, clDefault)
            .ord("FontSelectedColor", tk::ColorType(), &T::FontSelectedColor, &T::SetFontSelectedColor,
                 clDefault)
            .ord("FontDownColor", tk::ColorType(), &T::FontDownColor, &T::SetFontDownColor, clDefault)
            .ord("FontCheckedColor", tk::ColorType(), &T::FontCheckedColor, &T::SetFontCheckedColor,
                 clDefault)
            .ord("FontDisabledColor", tk::ColorType(), &T::FontDisabledColor, &T::SetFontDisabledColor,
                 static_cast<int64_t>(static_cast<int32_t>(0xFF000015)))
            .ord("FontAntialiased", tk::BooleanType(), &T::FontAntialiased, &T::SetFontAntialiased,
                 std::nullopt, &T::NotStored)
            .obj("ImageNormal", pic, &T::ImageNormal, &T::SetImageNormal)
            .obj("ImageDown", pic, &T::ImageDown, &T::SetImageDown)
            .obj("ImageOver", pic, &T::ImageOver, &T::SetImageOver)
            .obj("ImageDisabled", pic, &T::ImageDisabled, &T::SetImageDisabled)
            .obj("ImageSelected", pic, &T::ImageSelected, &T::SetImageSelected)
            .ord("Expand", tk::BooleanType(), &T::Expand, &T::SetExpand, 0)
            .obj("ExpandImage", pic, &T::ExpandImage, &T::SetExpandImage)
            .obj("ImageOption", tk::ClassTypeOf<design::TDesignRect>(), &T::ImageOption, &T::SetImageOption)
            .obj("ImageRange", pic, &T::ImageRange, &T::SetImageRange)
            .ord("HoverEffect", AniEffectType(), &T::HoverEffect, &T::SetHoverEffect, ibeNone)
            .obj("ImageBusy", pic, &T::ImageBusy, &T::SetImageBusy)
            .ord("Busy", tk::BooleanType(), &T::Busy, &T::SetBusy, 0)
            .ord("IconVisible", tk::BooleanType(), &T::IconVisible, &T::SetIconVisible, 1)
            .obj("UpNormalIcon", pic, &T::IconAt<Up, isNormal>, &T::SetIconAt<Up, isNormal>)
            .obj("UpDownIcon", pic, &T::IconAt<Up, isDown>, &T::SetIconAt<Up, isDown>)
            .obj("UpHoverIcon", pic, &T::IconAt<Up, isHover>, &T::SetIconAt<Up, isHover>)
            .obj("UpDisableIcon", pic, &T::IconAt<Up, isDisabled>, &T::SetIconAt<Up, isDisabled>)
            .obj("UpSelectedIcon", pic, &T::IconAt<Up, isSelected>, &T::SetIconAt<Up, isSelected>)
            .obj("DnNormalIcon", pic, &T::IconAt<Dn, isNormal>, &T::SetIconAt<Dn, isNormal>)
            .obj("DnDownIcon", pic, &T::IconAt<Dn, isDown>, &T::SetIconAt<Dn, isDown>)
            .obj("DnHoverIcon", pic, &T::IconAt<Dn, isHover>, &T::SetIconAt<Dn, isHover>)
            .obj("DnDisableIcon", pic, &T::IconAt<Dn, isDisabled>, &T::SetIconAt<Dn, isDisabled>)
            .obj("DnSelectedIcon", pic, &T::IconAt<Dn, isSelected>, &T::SetIconAt<Dn, isSelected>)
            .ord("IconAlign", tk::AlignmentType(), &T::IconAlign, &T::SetIconAlign, tk::taRightJustify)
            .ord("IconAlignY", tk::VerticalAlignmentType(), &T::IconAlignY, &T::SetIconAlignY,
                 tk::taVerticalCenter)
            .ord("IconAlignByText", tk::BooleanType(), &T::IconAlignByText, &T::SetIconAlignByText, 0)
            .ord("IconAlignYByText", tk::BooleanType(), &T::IconAlignYByText, &T::SetIconAlignYByText, 0)
            .ord("IconOffset", tk::IntegerType(), &T::IconOffset, &T::SetIconOffset, 10)
            .ord("IconOffsetY", tk::IntegerType(), &T::IconOffsetY, &T::SetIconOffsetY, 0)
            .ord("IconCursor", tk::CursorType(), &T::IconCursor, &T::SetIconCursor, 0)
            .ord("IconLockBySelected", tk::BooleanType(), &T::IconLockBySelected, &T::SetIconLockBySelected,
                 1)
            .ord("IconFullClick", tk::BooleanType(), &T::IconFullClick, &T::SetIconFullClick, 0)
            .str("IconHint", &T::IconHint, &T::SetIconHint)
            .event("IconOnClick", &T::IconOnClick)
            .ord("ShowCheckBox", tk::BooleanType(), &T::ShowCheckBox, &T::SetShowCheckBox, 0)
            .ord("Checked", tk::BooleanType(), &T::Checked, &T::SetChecked, 0)
            .ord("CheckState", CheckBoxStateType(), &T::CheckState, &T::SetCheckState, std::nullopt,
                 &T::CheckStateStored)
            .obj("CheckBoxNormalImage", pic, &T::CheckImageAt<cbUnchecked, clNormalLook>,
                 &T::SetCheckImageAt<cbUnchecked, clNormalLook>)
            .obj("CheckBoxUnCheckedHoverImage", pic, &T::CheckImageAt<cbUnchecked, clHoverLook>,
                 &T::SetCheckImageAt<cbUnchecked, clHoverLook>)
            .obj("CheckBoxGrayedImage", pic, &T::CheckImageAt<cbUnchecked, clDisabledLook>,
                 &T::SetCheckImageAt<cbUnchecked, clDisabledLook>)
            .obj("CheckBoxCheckedImage", pic, &T::CheckImageAt<cbChecked, clNormalLook>,
                 &T::SetCheckImageAt<cbChecked, clNormalLook>)
            .obj("CheckBoxCheckedHoverImage", pic, &T::CheckImageAt<cbChecked, clHoverLook>,
                 &T::SetCheckImageAt<cbChecked, clHoverLook>)
            .obj("CheckBoxCheckedGrayedImage", pic, &T::CheckImageAt<cbChecked, clDisabledLook>,
                 &T::SetCheckImageAt<cbChecked, clDisabledLook>)
            .obj("CheckBoxHalfCheckedImage", pic, &T::CheckImageAt<cbGrayed, clNormalLook>,
                 &T::SetCheckImageAt<cbGrayed, clNormalLook>)
            .obj("CheckBoxHalfCheckedHoverImage", pic, &T::CheckImageAt<cbGrayed, clHoverLook>,
                 &T::SetCheckImageAt<cbGrayed, clHoverLook>)
            .obj("CheckBoxHalfCheckedGrayedImage", pic, &T::CheckImageAt<cbGrayed, clDisabledLook>,
                 &T::SetCheckImageAt<cbGrayed, clDisabledLook>)
            .ord("CheckBoxFullClick", tk::BooleanType(), &T::CheckBoxFullClick, &T::SetCheckBoxFullClick, 1)
            .ord("CheckBoxAlignX", tk::AlignmentType(), &T::CheckBoxAlignX, &T::SetCheckBoxAlignX,
                 tk::taLeftJustify)
            .ord("CheckBoxAlignXByText", tk::BooleanType(), &T::CheckBoxAlignXByText,
                 &T::SetCheckBoxAlignXByText, 0)
            .ord("CheckBoxAlignY", tk::VerticalAlignmentType(), &T::CheckBoxAlignY, &T::SetCheckBoxAlignY,
                 tk::taVerticalCenter)
            .ord("CheckBoxAlignYByFont", tk::BooleanType(), &T::CheckBoxAlignYByFont,
                 &T::SetCheckBoxAlignYByFont, 0)
            .ord("CheckBoxAlignYByFontLine", tk::TextLayoutType(), &T::CheckBoxAlignYByFontLine,
                 &T::SetCheckBoxAlignYByFontLine, tk::tlBottom)
            .ord("CheckBoxOffset", tk::IntegerType(), &T::CheckBoxOffset, &T::SetCheckBoxOffset, 10)
            .ord("CheckBoxOffsetY", tk::IntegerType(), &T::CheckBoxOffsetY, &T::SetCheckBoxOffsetY, 0)
            .ord("CheckBoxCursor", tk::CursorType(), &T::CheckBoxCursor, &T::SetCheckBoxCursor, 0)
            .str("CheckBoxHint", &T::CheckBoxHint, &T::SetCheckBoxHint)
            .event("CheckBoxBeforeClick", &T::CheckBoxBeforeClick)
            .event("CheckBoxOnClick", &T::CheckBoxOnClick)
            .str("SubCaption", &T::SubCaption, &T::SetSubCaption)
            .str("SubCaptionData", &T::SubCaptionData, &T::SetSubCaptionData)
            .obj("SubCaptionFont", tk::ClassTypeOf<TRdFont>(), &T::SubCaptionFont, &T::SetSubCaptionFont,
                 &T::NotStored)
            .obj("SubCaptionDataFont", tk::ClassTypeOf<TRdFont>(), &T::SubCaptionDataFont,
                 &T::SetSubCaptionDataFont, &T::NotStored)
            .ord("SubCaptionOffset", tk::IntegerType(), &T::SubCaptionOffset, &T::SetSubCaptionOffset, 50)
            .ord("FoundTextEllipsis", tk::BooleanType(), &T::FoundTextEllipsis, nullptr, std::nullopt,
                 &T::NotStored)
            .ord("FoundTextWordBreak", tk::BooleanType(), &T::FoundTextWordBreak, nullptr, std::nullopt,
                 &T::NotStored)
            .ord("FoundTextDrawLine", tk::IntegerType(), &T::FoundTextDrawLine, nullptr, std::nullopt,
                 &T::NotStored)
            .event("OnShowHint", &T::OnShowHint)
            .event("OnCheckedChanged", &T::OnCheckedChanged)
            .event("OnCaptionChanged", &T::OnCaptionChanged)
            .event("OnPaintImage", &T::OnPaintImage)
            .event("OnPaintEnd", &T::OnPaintEnd)
            .event("OnVisibleChanging", &T::OnVisibleChanging)
            .build();
    return info;
}

TRdImageButton::TRdImageButton(tk::TComponent* AOwner)
    : TRdGraphicControl(AOwner), FAniTimer(std::make_unique<win::TRdTimer>()),
      FBusyTimer(std::make_unique<win::TRdTimer>()), FSubCaptionFont(std::make_unique<TRdFont>(this)),
      FSubCaptionDataFont(std::make_unique<TRdFont>(this)),
      FImageOption(std::make_unique<design::TDesignRect>()) {
    SetControlStyle((ControlStyle() & ~tk::csSetCaption) | tk::csCaptureMouse);
    auto background = [this](std::unique_ptr<tk::TPicture>& P) {
        P = std::make_unique<tk::TPicture>();
        P->OnChange = [this](tk::TPicture* Sender) { BackgroundChanged(Sender); };
    };
    for (auto* p : {&FImageNormal, &FImageDown, &FImageOver, &FImageDisabled, &FImageSelected})
        background(*p);
    FImageOption->OnChange = [this](design::TDesignRect&) { BackgroundChanged(nullptr); };
    FExpandImage = std::make_unique<tk::TPicture>();
    FExpandImage->OnChange = [this](tk::TPicture*) {
        if (!FExpand) return;
        AdjustBounds();
        Invalidate();
    };
    FImageRange = std::make_unique<tk::TPicture>();
    FImageBusy = std::make_unique<tk::TPicture>();
    FImageBusy->OnChange = [this](tk::TPicture*) { BusyPictureChanged(); };
    for (auto& set : FIcons)
        for (auto& icon : set) {
            icon = std::make_unique<tk::TPicture>();
            icon->OnChange = [this](tk::TPicture*) {
                if (!FIconVisible) return;
                AdjustBounds();
                Invalidate();
            };
        }
    for (auto& row : FCheckImages)
        for (auto& image : row) {
            image = std::make_unique<tk::TPicture>();
            image->OnChange = [this](tk::TPicture*) {
                if (!FShowCheckBox) return;
                AdjustBounds();
                Invalidate();
            };
        }
    FAniTimer->SetEnabled(false);
    FAniTimer->SetInterval(10);
    FAniTimer->SetOnTimer([this](tk::TObject*) { AniTick(); });
    FBusyTimer->SetEnabled(false);
    FBusyTimer->SetInterval(30);
    FBusyTimer->SetOnTimer([this](tk::TObject*) { BusyTick(); });
    FOldConstraintsChange = Constraints()->OnChange;
    Constraints()->OnChange = [this](tk::TSizeConstraints*) { ConstraintsChanged(); };
    SetBounds(Left(), Top(), 75, 25);
}

TRdImageButton::~TRdImageButton() {
    // The timers go first: no tick may reach a half-destroyed button.
    FAniTimer.reset();
    FBusyTimer.reset();
    for (auto* p : {&FImageNormal, &FImageDown, &FImageOver, &FImageDisabled, &FImageSelected, &FExpandImage,
                    &FImageBusy})
        (*p)->OnChange = nullptr;
    for (auto& set : FIcons)
        for (auto& icon : set)
            icon->OnChange = nullptr;
    for (auto& row : FCheckImages)
        for (auto& image : row)
            image->OnChange = nullptr;
    FImageOption->OnChange = nullptr;
    if (Constraints()) Constraints()->OnChange = FOldConstraintsChange;
}

// ---- setters ----

void TRdImageButton::SetCaption(const std::u16string& Value) {
    if (Value == FCaption) return;
    FCaption = Value;
    if (Value.empty()) {
        FFoundTextEllipsis = FFoundTextWordBreak = false;
        FFoundTextDrawLine = 0;
        FLastTextRect = RECT{0, 0, 0, 0};
    }
    AdjustBounds();
    tk::NotifyAccessibleEvent(this, EVENT_OBJECT_NAMECHANGE);
    auto alive = AliveFlag();
    OnCaptionChanged(this);
    if (*alive) Invalidate();
}

void TRdImageButton::SetName(const std::string& NewName) {
    const std::string old = Name();
    const bool follows = !(ControlStyle() & tk::csSetCaption) && !InState(tk::csLoading) &&
                         !(Owner() && Owner()->InState(tk::csLoading)) && FCaption == text::utf8ToUtf16(old);
    TRdGraphicControl::SetName(NewName);
    if (follows && !old.empty()) SetCaption(text::utf8ToUtf16(NewName));
}

void TRdImageButton::SetAutoShowHint(bool Value) {
    FAutoShowHint = Value;
    SetShowHint(true);
}

void TRdImageButton::SetAutoSizeByText(bool Value) {
    if (Value == FAutoSizeByText) return;
    FAutoSizeByText = Value;
    AdjustBounds();
}

void TRdImageButton::SetAutoSize(bool Value) {
    if (Value == FAutoSize) return;
    FAutoSize = Value;
    if (Value) AdjustBounds();
}

void TRdImageButton::SetFontCheckedColor(tk::TColor Value) {
    if (Value == FFontCheckedColor) return;
    FFontCheckedColor = Value;
    if (Checked()) Invalidate();
}

void TRdImageButton::SetIconVisible(bool Value) {
    if (Value == FIconVisible) return;
    FIconVisible = Value;
    AdjustBounds();
    Invalidate();
}

void TRdImageButton::SetShowCheckBox(bool Value) {
    if (Value == FShowCheckBox) return;
    FShowCheckBox = Value;
    AdjustBounds();
    Invalidate();
}

void TRdImageButton::SetCheckState(TCheckBoxState Value) {
    if (Value < cbUnchecked || Value > cbGrayed || Value == FCheckState) return;
    FCheckState = Value;
    tk::NotifyAccessibleEvent(this, EVENT_OBJECT_STATECHANGE);
    auto alive = AliveFlag();
    OnCheckedChanged(this);
    if (*alive && FShowCheckBox) Invalidate();
}

void TRdImageButton::SetButtonState(TImageButtonState Value) {
    const TImageButtonState old = FButtonState;
    FButtonState = Value;
    if (FIconLockBySelected && FIconFullClick) {
        if (Value == ibsSelected && FIconState != isDisabled)
            SetIconState(isSelected);
        else if (old == ibsSelected && Value == ibsNormal && FIconState == isSelected)
            SetIconState(isNormal);
    }
    if (old != Value) {
        Invalidate();
        tk::NotifyAccessibleEvent(this, EVENT_OBJECT_STATECHANGE);
    }
}

void TRdImageButton::SetIconState(TIconState Value) {
    if (Value == FIconState) return;
    tk::TPicture* before = StateIcon(FIconState);
    tk::TPicture* after = StateIcon(Value);
    FIconState = Value;
    if (FIconVisible && HasGraphic(before) && HasGraphic(after) && before != after) Invalidate();
}

void TRdImageButton::SetIsMouseOver(bool Value) {
    const bool changed = Value != FIsMouseOver;
    FIsMouseOver = Value;
    if (!Enabled() || HasGraphic(FImageOver.get()) || FFontHoverColor != clDefault) Invalidate();
    // After the change: a reader's hook may ask the state at once.
    if (changed) tk::NotifyAccessibleEvent(this, EVENT_OBJECT_STATECHANGE);
}

void TRdImageButton::Invalidate() {
    FLastCheckBoxRect = RECT{-1, -1, -1, -1};
    TRdGraphicControl::Invalidate();
}

void TRdImageButton::Loaded() {
    TRdGraphicControl::Loaded();
    AdjustBounds();
}

// ---- messages ----

void TRdImageButton::ConstraintsChanged() {
    {
        FlagScope adjusting(FBoundsAdjusting);
        if (FOldConstraintsChange) FOldConstraintsChange(Constraints());
    }
    AdjustBounds();
}

void TRdImageButton::WndProc(tk::TMessage& m) {
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
        FLastWMLBtnPos = tk::MessagePoint(this, m);
        break;
    case tk::CM_HITTEST:
        HitTest(m);
        return;
    case tk::CM_HINTSHOW:
        HintShow(m);
        return;
    case tk::CM_MOUSEENTER:
        if (m.LParam == 0) {
            auto alive = AliveFlag();
            if (!Enabled()) {
                TRdGraphicControl::WndProc(m);
                if (*alive) MouseEnter();
                return;
            }
            MouseEnter();
            if (*alive) TRdGraphicControl::WndProc(m);
            return;
        }
        break;
    case tk::CM_MOUSELEAVE:
        if (m.LParam == 0) {
            auto alive = AliveFlag();
            MouseLeave();
            if (*alive) TRdGraphicControl::WndProc(m);
            return;
        }
        break;
    case tk::CM_ENABLEDCHANGED:
        if (Enabled()) {
            FButtonState = FButtonStateBeforeDisable;
        } else {
            FButtonStateBeforeDisable = FButtonState;
            FButtonState = ibsDisabled;
            FAniTimer->SetEnabled(false);
            FAniState = ibaNone;
            FAniAlpha = 0;
        }
        break;
    case tk::CM_TEXTCHANGED:
        TRdGraphicControl::WndProc(m);
        SetCaption(Text());
        return;
    case tk::CM_FONTCHANGED:
        TRdGraphicControl::WndProc(m);
        AdjustBounds();
        return;
    case tk::CM_VISIBLECHANGED: {
        auto alive = AliveFlag();
        TRdGraphicControl::WndProc(m);
        if (*alive) OnVisibleChanging(this);
        return;
    }
    case CM_RDFONTCHANGE:
        TRdGraphicControl::WndProc(m);
        if (auto* params = reinterpret_cast<TCNFontChangeParams*>(m.LParam)) {
            FSubCaptionFont->UpdateFromParams(*params);
            FSubCaptionDataFont->UpdateFromParams(*params);
        }
        return;
    default:
        break;
    }
    TRdGraphicControl::WndProc(m);
}

} // namespace vell::rd
