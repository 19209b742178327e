#include "rdcontrol/controls/image_button.h"

#include "core/color/colors.h"
#include "core/draw/rotate.h"
#include "platform/image/draw_image.h"
#include "platform/image/rdg_image.h"
#include "rdcontrol/controls/contrast_paint.h"
#include "rdcontrol/controls/measure_dc.h"
#include "rdcontrol/picture/design_graphic.h"
#include "toolkit/accessible.h"
#include "toolkit/hint.h"
#include "toolkit/system_prefs.h"

#include <algorithm>
#include <oleacc.h>

namespace vell::rd {

namespace {

// Without client-area animation the busy picture still turns, by an eighth once a second.
unsigned busyInterval() { return tk::ClientAreaAnimation() ? 30 : 1000; }

bool hasWidth(const tk::TPicture* P) { return P && P->Graphic() && P->Width() > 0; }

// The rows of a 32-bit image as a block of pixels.
draw::PixelView PixelsOf(image::TPngImage& I) {
    auto* row0 = static_cast<uint8_t*>(I.GetScanline(0));
    const ptrdiff_t stride =
        I.Height() > 1 ? static_cast<uint8_t*>(I.GetScanline(1)) - row0 : static_cast<ptrdiff_t>(I.Width()) * 4;
    return draw::PixelView{row0, stride, I.Width(), I.Height()};
}

void release(image::TPngImage*& Image) {
    if (Image) Image->ReleaseRef();
    Image = nullptr;
}

} // namespace

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
    static const tk::TypeInfo t = tk::makeEnumType("TCheckBoxState", {"cbUnchecked", "cbChecked", "cbGrayed"});
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
            .ord("TextAlignY", tk::VerticalAlignmentType(), &T::TextAlignY, &T::SetTextAlignY, tk::taVerticalCenter)
            .ord("TextMaxLine", tk::IntegerType(), &T::TextMaxLine, &T::SetTextMaxLine, 0)
            .ord("TextWarpAlign", tk::AlignmentType(), &T::TextWarpAlign, &T::SetTextWarpAlign, tk::taLeftJustify)
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
            .ord("FontSelectedColor", tk::ColorType(), &T::FontSelectedColor, &T::SetFontSelectedColor, clDefault)
            .ord("FontDownColor", tk::ColorType(), &T::FontDownColor, &T::SetFontDownColor, clDefault)
            .ord("FontCheckedColor", tk::ColorType(), &T::FontCheckedColor, &T::SetFontCheckedColor, clDefault)
            .ord("FontDisabledColor", tk::ColorType(), &T::FontDisabledColor, &T::SetFontDisabledColor,
                 static_cast<int64_t>(static_cast<int32_t>(0xFF000015)))
            .ord("FontAntialiased", tk::BooleanType(), &T::FontAntialiased, &T::SetFontAntialiased, std::nullopt,
                 &T::NotStored)
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
            .ord("IconAlignY", tk::VerticalAlignmentType(), &T::IconAlignY, &T::SetIconAlignY, tk::taVerticalCenter)
            .ord("IconAlignByText", tk::BooleanType(), &T::IconAlignByText, &T::SetIconAlignByText, 0)
            .ord("IconAlignYByText", tk::BooleanType(), &T::IconAlignYByText, &T::SetIconAlignYByText, 0)
            .ord("IconOffset", tk::IntegerType(), &T::IconOffset, &T::SetIconOffset, 10)
            .ord("IconOffsetY", tk::IntegerType(), &T::IconOffsetY, &T::SetIconOffsetY, 0)
            .ord("IconCursor", tk::CursorType(), &T::IconCursor, &T::SetIconCursor, 0)
            .ord("IconLockBySelected", tk::BooleanType(), &T::IconLockBySelected, &T::SetIconLockBySelected, 1)
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
            .ord("CheckBoxAlignX", tk::AlignmentType(), &T::CheckBoxAlignX, &T::SetCheckBoxAlignX, tk::taLeftJustify)
            .ord("CheckBoxAlignXByText", tk::BooleanType(), &T::CheckBoxAlignXByText, &T::SetCheckBoxAlignXByText, 0)
            .ord("CheckBoxAlignY", tk::VerticalAlignmentType(), &T::CheckBoxAlignY, &T::SetCheckBoxAlignY,
                 tk::taVerticalCenter)
            .ord("CheckBoxAlignYByFont", tk::BooleanType(), &T::CheckBoxAlignYByFont, &T::SetCheckBoxAlignYByFont, 0)
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
            .ord("FoundTextEllipsis", tk::BooleanType(), &T::FoundTextEllipsis, nullptr, std::nullopt, &T::NotStored)
            .ord("FoundTextWordBreak", tk::BooleanType(), &T::FoundTextWordBreak, nullptr, std::nullopt,
                 &T::NotStored)
            .ord("FoundTextDrawLine", tk::IntegerType(), &T::FoundTextDrawLine, nullptr, std::nullopt, &T::NotStored)
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
      FSubCaptionDataFont(std::make_unique<TRdFont>(this)), FImageOption(std::make_unique<design::TDesignRect>()) {
    SetControlStyle((ControlStyle() & ~tk::csSetCaption) | tk::csCaptureMouse);
    auto background = [this](std::unique_ptr<tk::TPicture>& P) {
        P = std::make_unique<tk::TPicture>();
        P->OnChange = [this](tk::TPicture* Sender) { BackgroundChanged(Sender); };
    };
    for (auto* p : {&FImageNormal, &FImageDown, &FImageOver, &FImageDisabled, &FImageSelected}) background(*p);
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
    release(FBusyPicture);
    release(FBusyFrame);
    release(FMemImageRange);
    release(FMemImageNormal);
    release(FMemImageOver);
    for (auto* p : {&FImageNormal, &FImageDown, &FImageOver, &FImageDisabled, &FImageSelected, &FExpandImage,
                    &FImageBusy})
        (*p)->OnChange = nullptr;
    for (auto& set : FIcons)
        for (auto& icon : set) icon->OnChange = nullptr;
    for (auto& row : FCheckImages)
        for (auto& image : row) image->OnChange = nullptr;
    FImageOption->OnChange = nullptr;
    if (Constraints()) Constraints()->OnChange = FOldConstraintsChange;
}

// ---- pictures ----

bool TRdImageButton::HasGraphic(const tk::TPicture* P) const { return P && P->Graphic() && !P->Graphic()->Empty(); }

void TRdImageButton::BackgroundChanged(tk::TPicture* Sender) {
    if (!Sender && FImageOption->ChangeEmpty()) {
        // An option switched from empty takes a third of the normal picture as margins.
        auto handler = std::move(FImageOption->OnChange);
        FImageOption->SetValue(FImageNormal->Width() / 3, FImageNormal->Height() / 3, design::TDesignRect::kSameAsFirst,
                               design::TDesignRect::kSameAsFirst);
        FImageOption->OnChange = std::move(handler);
    } else if (Sender == FImageNormal.get() || Sender == FImageOver.get()) {
        image::TPngImage*& copy = Sender == FImageNormal.get() ? FMemImageNormal : FMemImageOver;
        image::TGraphic* g = Sender->Graphic();
        if (!g || dynamic_cast<image::TRdgImage*>(g)) {
            release(copy);
        } else {
            if (!copy) copy = image::TPngImage::CreateARGB32(1, 1, false);
            copy->Assign(g);
        }
        if (FAutoSize && FImageNormal->Width() > 0 && FImageNormal->Height() > 0) AdjustBounds();
    }
    if (InState(tk::csLoading | tk::csReading)) return;
    if (Sender == FImageDisabled.get() && Enabled()) return;
    Invalidate();
}

image::TGraphic* TRdImageButton::PrivateOr(tk::TPicture* Picture, image::TPngImage* Copy) const {
    return Copy ? Copy : Picture->Graphic();
}

image::TGraphic* TRdImageButton::Background() const {
    if (FButtonState == ibsDown && FIsMouseOver && hasWidth(FImageDown.get())) return FImageDown->Graphic();
    if (FIsMouseOver && hasWidth(FImageOver.get()) && Enabled() && FButtonState != ibsSelected)
        return PrivateOr(FImageOver.get(), FMemImageOver);
    if (FButtonState == ibsDisabled && hasWidth(FImageDisabled.get())) return FImageDisabled->Graphic();
    if (FButtonState == ibsSelected && hasWidth(FImageSelected.get())) return FImageSelected->Graphic();
    if (FExpand && hasWidth(FExpandImage.get())) return FExpandImage->Graphic();
    return PrivateOr(FImageNormal.get(), FMemImageNormal);
}

tk::TPicture* TRdImageButton::StateIcon(TIconState State) const {
    const TIconSet set = FExpand ? Up : Dn;
    tk::TPicture* p = FIcons[set][State].get();
    return HasGraphic(p) ? p : FIcons[set][isNormal].get();
}

// The busy picture as a premultiplied 32-bit image, made once per picture change.
void TRdImageButton::BusyPictureChanged() {
    release(FBusyPicture);
    release(FBusyFrame);
    image::TGraphic* g = FImageBusy->Graphic();
    if (!g || g->Empty() || g->Width() <= 0 || g->Height() <= 0) return;
    const int w = g->Width(), h = g->Height();
    image::TPngImage* copy = image::TPngImage::CreateBlank(6, 8, w, h, true, false, true, false);
    if (!copy) return;
    copy->SetAlphaPreMultiplied(true);
    const RECT all{0, 0, w, h};
    copy->FillRect(all, 0);
    try {
        DrawDesignGraphic(nullptr, g, all, copy->CanvasHandle(), nullptr);
        ::GdiFlush();
    } catch (...) {
        copy->ReleaseRef();
        return; // a picture that cannot be drawn leaves no busy picture
    }
    FBusyPicture = copy;
    if (FBusyState) Invalidate();
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

void TRdImageButton::SetBusy(bool Value) {
    if (Value == FBusyState) return;
    FBusyState = Value;
    SetEnabled(!Value);
    if (Value) {
        SetButtonState(ibsBusy);
        FBusyCaption = FCaption;
        SetCaption(u"");
    } else {
        SetButtonState(ibsNormal);
        SetCaption(FBusyCaption);
        FBusyCaption.clear();
    }
    FBusyTimer->SetInterval(busyInterval());
    FBusyTimer->SetEnabled(Value);
    Invalidate();
}

void TRdImageButton::Invalidate() {
    FLastCheckBoxRect = RECT{-1, -1, -1, -1};
    TRdGraphicControl::Invalidate();
}

void TRdImageButton::Loaded() {
    TRdGraphicControl::Loaded();
    AdjustBounds();
}

// ---- timers ----

bool TRdImageButton::FadePossible() const {
    return Enabled() && tk::ClientAreaAnimation() && FHoverEffect != ibeNone && !FShowCheckBox && !FExpand &&
           !FBoundsAdjusting && HasGraphic(FImageNormal.get()) && HasGraphic(FImageOver.get());
}

void TRdImageButton::AniTick() {
    if (FButtonState == ibsDown && FIsMouseOver) {
        FAniTimer->SetEnabled(false);
        FAniState = ibaNone;
        FAniAlpha = 0;
    } else {
        if (FAniAlpha == 0) FAniAlpha = 80;
        const int next = FAniAlpha + 10;
        if (next >= 220) {
            FAniTimer->SetEnabled(false);
            FAniState = ibaNone;
            FAniAlpha = 0;
        } else {
            FAniAlpha = static_cast<uint8_t>(next);
        }
    }
    Invalidate();
}

void TRdImageButton::BusyTick() {
    const bool calm = !tk::ClientAreaAnimation();
    FBusyTimer->SetInterval(busyInterval());
    float next = FBusyRotate + (calm ? 45 : 5);
    if (next > 360) next -= 360;
    FBusyRotate = next;
    Invalidate();
}

// ---- painting ----

bool TRdImageButton::DrawFade(tk::TCanvas& Canvas, const RECT& Client) {
    image::TGraphic* normal = PrivateOr(FImageNormal.get(), FMemImageNormal);
    image::TGraphic* over = PrivateOr(FImageOver.get(), FMemImageOver);
    if (!normal || !over || normal->Empty() || over->Empty()) return false;
    image::TGraphic* first = FAniState == ibaMouseEnter ? over : normal;
    image::TGraphic* second = FAniState == ibaMouseEnter ? normal : over;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    blend.SourceConstantAlpha = FHoverEffect == ibeSingle ? 255 : FAniAlpha;
    DrawDesignGraphicBlend(blend, &Canvas, first, nullptr, FImageOption.get(), Client);
    blend.SourceConstantAlpha = static_cast<BYTE>(255 - FAniAlpha);
    DrawDesignGraphicBlend(blend, &Canvas, second, nullptr, FImageOption.get(), Client);
    return true;
}

// The click mask at client size: black where the mask picture draws nothing.
void TRdImageButton::BuildMask() {
    if (InState(tk::csDesigning) || !HasGraphic(FImageRange.get()) || FImageOption->Empty()) return;
    const int w = Width(), h = Height();
    if (w <= 0 || h <= 0) return;
    if (FMemImageRange && FMemImageRange->Width() == w && FMemImageRange->Height() == h) return;
    release(FMemImageRange);
    image::TPngImage* mask = image::TPngImage::CreateBlank(2, 8, w, h, true, false, false, false);
    if (!mask) return;
    const RECT all{0, 0, w, h};
    mask->FillRect(all, 0);
    DrawDesignGraphic(nullptr, FImageRange->Graphic(), all, mask->CanvasHandle(), FImageOption.get());
    ::GdiFlush();
    FMemImageRange = mask;
}

void TRdImageButton::DrawBusy(tk::TCanvas& Canvas) {
    if (!FBusyState || !FBusyPicture) return;
    const int w = FBusyPicture->Width(), h = FBusyPicture->Height();
    // The picture turns about the centre of its rectangle centred in the control; only the
    // part of the turned picture inside the control is rendered.
    const double cx = (Width() - w) / 2 + w / 2.0, cy = (Height() - h) / 2 + h / 2.0;
    const int half = draw::rotationFrameSide(w, h) / 2 + 1;
    RECT frame{static_cast<LONG>(cx) - half, static_cast<LONG>(cy) - half, static_cast<LONG>(cx) + half + 1,
               static_cast<LONG>(cy) + half + 1};
    const RECT client = GetClientRect();
    if (!::IntersectRect(&frame, &frame, &client)) return;
    const int fw = frame.right - frame.left, fh = frame.bottom - frame.top;
    if (!FBusyFrame || FBusyFrame->Width() != fw || FBusyFrame->Height() != fh) {
        release(FBusyFrame);
        FBusyFrame = image::TPngImage::CreateBlank(6, 8, fw, fh, false, false, true, false);
        if (!FBusyFrame) return;
        FBusyFrame->SetAlphaPreMultiplied(true);
    }
    draw::rotatePremultiplied(PixelsOf(*FBusyFrame), PixelsOf(*FBusyPicture), FBusyRotate, cx - frame.left,
                              cy - frame.top);
    image::Draw(*FBusyFrame, Canvas.Handle(), frame);
}

void TRdImageButton::DrawIcon(tk::TPicture* Picture) {
    if (!FIconVisible) return;
    tk::TPicture* normal = FIcons[FExpand ? Up : Dn][isNormal].get();
    tk::TCanvas& canvas = *Canvas();
    if (Enabled()) {
        if (!hasWidth(Picture)) Picture = normal;
        if (!hasWidth(Picture)) return;
        const RECT r = CalcIconRect(Picture->Width(), Picture->Height(), false);
        DrawDesignGraphic(&canvas, Picture->Graphic(), RECT{r.left, r.top, r.left + Picture->Width(), r.top + Picture->Height()},
                          nullptr, nullptr);
        return;
    }
    if (hasWidth(Picture)) {
        const RECT r = CalcIconRect(Picture->Width(), Picture->Height(), false);
        DrawDesignGraphic(&canvas, Picture->Graphic(), r, nullptr, nullptr);
        return;
    }
    if (!hasWidth(normal)) return;
    // A grey copy of the normal icon: (77 R + 151 G + 28 B) >> 8, alpha kept.
    const int w = normal->Width(), h = normal->Height();
    image::TPngImage* grey = image::TPngImage::CreateBlank(6, 8, w, h, true, false, true, false);
    if (!grey) return;
    grey->SetAlphaPreMultiplied(true);
    const RECT all{0, 0, w, h};
    grey->FillRect(all, 0);
    DrawDesignGraphic(nullptr, normal->Graphic(), all, grey->CanvasHandle(), nullptr);
    ::GdiFlush();
    for (int y = 0; y < h; ++y) {
        auto* p = static_cast<uint8_t*>(grey->GetScanline(y));
        for (int x = 0; x < w; ++x, p += 4) {
            const uint8_t v = static_cast<uint8_t>((77 * p[2] + 151 * p[1] + 28 * p[0]) >> 8);
            p[0] = p[1] = p[2] = v;
        }
    }
    const RECT r = CalcIconRect(w, h, false);
    image::Draw(*grey, canvas.Handle(), r);
    grey->ReleaseRef();
}

void TRdImageButton::DrawCheckBox(tk::TCanvas& Canvas) {
    if (!FShowCheckBox) return;
    auto& row = FCheckImages[FCheckState];
    tk::TPicture* p = row[clNormalLook].get();
    if (!Enabled() && HasGraphic(row[clDisabledLook].get()))
        p = row[clDisabledLook].get();
    else if (Enabled() && FDrawCheckBoxOver && HasGraphic(row[clHoverLook].get()))
        p = row[clHoverLook].get();
    FLastCheckBoxRect = CalcCheckBoxRect(&Canvas, FLastTextRect, p->Width(), p->Height());
    if (p->Width() > 0 && p->Height() > 0 && p->Graphic())
        DrawDesignGraphic(&Canvas, p->Graphic(), FLastCheckBoxRect, nullptr, nullptr);
}

void TRdImageButton::Paint() {
    auto alive = AliveFlag();
    if (!FBoundsAdjusting) { // a measuring pass only lays the caption out, on or off a layer
        bool skip = false;
        FShadowPaintHook(this, skip);
        if (skip || !*alive) return;
    }
    tk::TCanvas& canvas = *Canvas();
    const RECT client = GetClientRect();
    canvas.SetFont(Font());
    OnPaint(this);
    if (!*alive) return;
    image::TGraphic* background = Background();
    tk::TColor colour = clDefault;
    switch (FButtonState) {
    case ibsNormal:
        if (FIsMouseOver && FFontHoverColor != clDefault)
            colour = FFontHoverColor;
        else if (Checked())
            colour = FFontCheckedColor;
        break;
    case ibsDown: colour = FFontDownColor; break;
    case ibsDisabled: colour = FFontDisabledColor; break;
    case ibsSelected: colour = FFontSelectedColor != clDefault ? FFontSelectedColor : Checked() ? FFontCheckedColor : clDefault; break;
    default: break;
    }
    if (HighContrastPaint())
        colour = ContrastTextColor(!Enabled() ? TContrastState::Disabled
                                   : FIsMouseOver || FButtonState == ibsDown ? TContrastState::Hot
                                                                             : TContrastState::Normal,
                                   true);
    if (colour != clDefault) canvas.Font()->SetColor(colour);
    if (!FBoundsAdjusting) {
        if (InState(tk::csDesigning) && !HasGraphic(FImageNormal.get())) {
            canvas.Pen()->SetStyle(tk::psDash);
            canvas.Brush()->SetStyle(tk::bsClear);
            canvas.Rectangle(client.left, client.top, client.right, client.bottom);
        }
        const bool fading = !InState(tk::csDesigning) && Enabled() && FAniState != ibaNone;
        if (HighContrastPaint())
            FillContrastBackground(canvas.Handle(), client, true, true);
        else if (!(fading && DrawFade(canvas, client)) && background && !background->Empty())
            DrawDesignGraphic(&canvas, background, client, nullptr, FImageOption.get());
        BuildMask();
        OnPaintImage(this);
        if (!*alive) return;
    }
    tk::TPicture* icon = nullptr;
    PaintCaption(canvas, icon);
    if (FBoundsAdjusting) return;
    // Disabled, the set's own disabled icon or, without one, the normal icon in grey.
    DrawIcon(Enabled() ? icon : FIcons[FExpand ? Up : Dn][isDisabled].get());
    DrawBusy(canvas);
    DrawCheckBox(canvas);
    OnPaintEnd(this);
}

RECT TRdImageButton::IconRect() {
    if (!FIconVisible) return RECT{};
    tk::TPicture* p = StateIcon(Enabled() ? FIconState : isDisabled);
    if (!hasWidth(p)) p = FIcons[FExpand ? Up : Dn][isNormal].get();
    if (!p) return RECT{};
    return CalcIconRect(p->Width(), p->Height(), false);
}

RECT TRdImageButton::CheckBoxRect() {
    if (!FShowCheckBox) return RECT{};
    if (FLastCheckBoxRect.left == -1 && FLastCheckBoxRect.top == -1 && FLastCheckBoxRect.right == -1 &&
        FLastCheckBoxRect.bottom == -1) {
        tk::TPicture* p = FCheckImages[cbUnchecked][clNormalLook].get();
        MeasuringCanvas m(this, Font());
        FLastCheckBoxRect = CalcCheckBoxRect(m.dc ? &m.canvas : nullptr, FLastTextRect, p->Width(), p->Height());
    }
    return FLastCheckBoxRect;
}

RECT TRdImageButton::CalcIconRect(int W, int H, bool Layout) const {
    if (!FIconVisible) return RECT{};
    const RECT c = GetClientRect();
    const RECT& l = FLastTextRect;
    const int cw = c.right - c.left, ch = c.bottom - c.top;
    int x, y;
    if (!FIconAlignYByText || Layout) {
        const int d = FIconAlignYByText ? -FIconOffsetY : FIconOffsetY;
        y = FIconAlignY == tk::taAlignTop      ? c.top + d
            : FIconAlignY == tk::taAlignBottom ? c.bottom - H - d
                                               : c.top + (ch - H) / 2 + d;
    } else {
        y = FIconAlignY == tk::taAlignTop      ? l.top + FIconOffsetY
            : FIconAlignY == tk::taAlignBottom ? l.bottom - H - FIconOffsetY
                                               : l.top + (l.bottom - l.top - H) / 2 + FIconOffsetY;
    }
    if (!FIconAlignByText || Layout) {
        x = FIconAlign == tk::taLeftJustify    ? c.left + FIconOffset
            : FIconAlign == tk::taRightJustify ? c.right - W - FIconOffset
                                               : c.left + (cw - W) / 2 + FIconOffset;
    } else if (FIconAlign == tk::taLeftJustify) {
        x = FCaptionAlignment != tk::taLeftJustify ? l.left - FIconOffset - W : c.left + FIconOffset;
    } else if (FIconAlign == tk::taRightJustify) {
        x = FCaptionAlignment == tk::taRightJustify ? c.right - W - FIconOffset : l.right + FIconOffset;
    } else {
        x = l.left + (l.right - l.left - W) / 2 + FIconOffset;
    }
    return RECT{x, y, x + W, y + H};
}

RECT TRdImageButton::CalcCheckBoxRect(tk::TCanvas* Canvas, const RECT& T, int W, int H) const {
    const RECT c = GetClientRect();
    const int cw = c.right - c.left, ch = c.bottom - c.top, oy = FCheckBoxOffsetY;
    int x;
    if (FCheckBoxAlignXByText)
        x = FCheckBoxAlignX == tk::taLeftJustify    ? T.left - W - FCheckBoxOffset
            : FCheckBoxAlignX == tk::taRightJustify ? T.right + FCheckBoxOffset
                                                    : T.left + (T.right - T.left - W) / 2 + FCheckBoxOffset;
    else
        x = FCheckBoxAlignX == tk::taLeftJustify    ? c.left + FCheckBoxOffset
            : FCheckBoxAlignX == tk::taRightJustify ? cw - W - FCheckBoxOffset
                                                    : (cw - W) / 2 + FCheckBoxOffset;
    int fh = 0, tl = 0, bl = 0;
    if (FCheckBoxAlignYByFont && Canvas)
        if (auto* f = dynamic_cast<TRdFont*>(Canvas->Font())) {
            fh = f->FontHeight();
            tl = f->FontTopLine();
            bl = f->FontBaseLine();
        }
    int y;
    if (FCheckBoxAlignY == tk::taVerticalCenter) {
        y = FCheckBoxAlignYByFont ? T.top + (T.bottom - T.top - H) / 2 + oy : c.top + (ch - H) / 2 + oy;
    } else if (FCheckBoxAlignY == tk::taAlignTop) {
        y = !FCheckBoxAlignYByFont                    ? T.top + oy
            : FCheckBoxAlignYByFontLine == tk::tlTop    ? T.top + tl + oy
            : FCheckBoxAlignYByFontLine == tk::tlCenter ? T.top + (fh - H) / 2 + oy
                                                        : T.top + fh - bl - H - oy;
    } else {
        y = !FCheckBoxAlignYByFont                    ? T.bottom - H - oy
            : FCheckBoxAlignYByFontLine == tk::tlTop    ? T.bottom + tl + oy - fh
            : FCheckBoxAlignYByFontLine == tk::tlCenter ? T.bottom + (fh - H) / 2 + oy - fh
                                                        : T.bottom - bl - H - oy;
    }
    return RECT{x, y, x + W, y + H};
}

// ---- mouse ----

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
    if (!(FButtonState == ibsSelected && FIconLockBySelected) && FIconState != isDown && FIconState != isDisabled) {
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

// ---- hit test and hints ----

void TRdImageButton::HitTest(tk::TMessage& m) {
    TRdGraphicControl::WndProc(m);
    if (m.Result == 0 || !HasGraphic(FImageRange.get())) return;
    const POINT p = tk::MessagePoint(this, m);
    image::TRdGraphic* mask = nullptr;
    if (!FImageOption->Empty()) {
        if (!FMemImageRange) {
            m.Result = 0;
            return;
        }
        mask = FMemImageRange;
    } else {
        mask = dynamic_cast<image::TRdGraphic*>(FImageRange->Graphic());
        if (!mask) return; // not one of ours: every point hits
    }
    if (p.x < 0 || p.y < 0 || p.x >= mask->Width() || p.y >= mask->Height()) {
        m.Result = 0;
        return;
    }
    if (const uint8_t* alpha = mask->GetAlphaScanline(p.y); alpha && alpha[p.x] == 0) {
        m.Result = 0;
        return;
    }
    if ((mask->GetPixels(p.x, p.y) & 0x00FFFFFF) == 0) m.Result = 0;
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
    default: break;
    }
    TRdGraphicControl::WndProc(m);
}

// ---- accessibility ----

void TRdImageButton::GetAccessibleInfo(tk::TAccessibleInfo& Info) const {
    Info.Name = FCaption.empty() ? (FBusyState ? FBusyCaption : Hint()) : FCaption;
    Info.Role = FShowCheckBox ? ROLE_SYSTEM_CHECKBUTTON : ROLE_SYSTEM_PUSHBUTTON;
    if (FButtonState == ibsDown || FButtonState == ibsSelected) Info.State |= STATE_SYSTEM_PRESSED;
    if (FShowCheckBox && FCheckState == cbChecked) Info.State |= STATE_SYSTEM_CHECKED;
    if (FShowCheckBox && FCheckState == cbGrayed) Info.State |= STATE_SYSTEM_MIXED;
    if (FIsMouseOver) Info.State |= STATE_SYSTEM_HOTTRACKED;
    if (FBusyState) Info.State |= STATE_SYSTEM_BUSY;
    if (Enabled()) Info.DefaultAction = !FShowCheckBox ? u"Press" : FCheckState == cbChecked ? u"Uncheck" : u"Check";
}

// What a click on the button does: the check box's click for a check box, else the
// button's own click.
bool TRdImageButton::DoAccessibleDefaultAction() {
    if (!Enabled() || !(ControlStyle() & tk::csClickEvents)) return false;
    if (FShowCheckBox)
        ClickCheckBox();
    else
        Click();
    return true;
}

} // namespace vell::rd
