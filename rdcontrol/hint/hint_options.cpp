#include "rdcontrol/hint/hint_options.h"

namespace vell::rd {

// ---- TRdSkinHintBkgOption ----

const tk::ClassInfo& TRdSkinHintBkgOption::StaticClass() {
    using T = TRdSkinHintBkgOption;
    static const tk::ClassInfo info =
        tk::ClassBuilder<T>("TRdSkinHintBkgOption", &design::TDesignRect::StaticClass())
            .ord("TipLeftOffX", tk::IntegerType(), &T::TipLeftOffX, &T::SetTipLeftOffX, 0)
            .ord("TipRightOffX", tk::IntegerType(), &T::TipRightOffX, &T::SetTipRightOffX, 0)
            .ord("TipUpOffY", tk::IntegerType(), &T::TipUpOffY, &T::SetTipUpOffY, 0)
            .ord("TipDownOffY", tk::IntegerType(), &T::TipDownOffY, &T::SetTipDownOffY, 0)
            .ord("ShadowFrameLeft", tk::IntegerType(), &T::ShadowFrameLeft, &T::SetShadowFrameLeft, -1)
            .ord("ShadowFrameTop", tk::IntegerType(), &T::ShadowFrameTop, &T::SetShadowFrameTop, -1)
            .ord("ShadowFrameRight", tk::IntegerType(), &T::ShadowFrameRight, &T::SetShadowFrameRight, -1)
            .ord("ShadowFrameBottom", tk::IntegerType(), &T::ShadowFrameBottom, &T::SetShadowFrameBottom, -1)
            .ord("EllipseMode", tk::BooleanType(), &T::EllipseMode, &T::SetEllipseMode, 1)
            .ord("EllipseWidth", tk::IntegerType(), &T::EllipseWidth, &T::SetEllipseWidth, 0)
            .ord("EllipseHeight", tk::IntegerType(), &T::EllipseHeight, &T::SetEllipseHeight, 0)
            .ord("ShadowFrameFixDPI", tk::BooleanType(), &T::ShadowFrameFixDPI, &T::SetShadowFrameFixDPI,
                 std::nullopt, &T::NeverStored)
            .build();
    return info;
}

int TRdSkinHintBkgOption::ShadowMargin(int Index) const {
    const int frame = FFrame[Index & 3];
    return frame != -1 ? frame : GetIndex(Index & 3);
}

void TRdSkinHintBkgOption::Assign(const tk::TPersistent* Source) {
    auto* s = dynamic_cast<const TRdSkinHintBkgOption*>(Source);
    if (!s) return design::TDesignRect::Assign(Source);
    if (s == this) return;
    for (int i = 0; i < 4; ++i) {
        FTip[i] = s->FTip[i];
        FFrame[i] = s->FFrame[i];
    }
    FEllipseMode = s->FEllipseMode;
    FEllipseWidth = s->FEllipseWidth;
    FEllipseHeight = s->FEllipseHeight;
    FShadowFrameFixDPI = s->FShadowFrameFixDPI;
    CopyFrom(*s);
    Changed();
}

// ---- TRdSkinHintArrowOption ----

const tk::ClassInfo& TRdSkinHintArrowOption::StaticClass() {
    using T = TRdSkinHintArrowOption;
    static const tk::ClassInfo info =
        tk::ClassBuilder<T>("TRdSkinHintArrowOption", &tk::TPersistent::StaticClass())
            .ord("InnerShow", tk::BooleanType(), &T::InnerShow, &T::SetInnerShow, 0)
            .ord("ArrowAutoUp", tk::BooleanType(), &T::ArrowAutoUp, &T::SetArrowAutoUp, 0)
            .ord("ArrowAutoDown", tk::BooleanType(), &T::ArrowAutoDown, &T::SetArrowAutoDown, 0)
            .ord("ArrowOffsetUpY", tk::IntegerType(), &T::ArrowOffsetUpY, &T::SetArrowOffsetUpY, 0)
            .ord("ArrowOffsetDownY", tk::IntegerType(), &T::ArrowOffsetDownY, &T::SetArrowOffsetDownY, 0)
            .ord("ArrowOffsetLeftX", tk::IntegerType(), &T::ArrowOffsetLeftX, &T::SetArrowOffsetLeftX, 0)
            .ord("ArrowOffsetRightX", tk::IntegerType(), &T::ArrowOffsetRightX, &T::SetArrowOffsetRightX, 0)
            .ord("ShowArrow", tk::BooleanType(), &T::ShowArrow, &T::SetShowArrow, 1)
            .ord("ArrowHorzMode", tk::BooleanType(), &T::ArrowHorzMode, &T::SetArrowHorzMode, 0)
            .build();
    return info;
}

void TRdSkinHintArrowOption::SetArrowAutoUp(bool Value) {
    FAutoUp = Value;
    if (Value) FAutoDown = false;
}

void TRdSkinHintArrowOption::SetArrowAutoDown(bool Value) {
    FAutoDown = Value;
    if (Value) FAutoUp = false;
}

void TRdSkinHintArrowOption::Assign(const tk::TPersistent* Source) {
    auto* s = dynamic_cast<const TRdSkinHintArrowOption*>(Source);
    if (!s) return tk::TPersistent::Assign(Source);
    FInnerShow = s->FInnerShow;
    FAutoUp = s->FAutoUp;
    FAutoDown = s->FAutoDown;
    for (int i = 0; i < 4; ++i)
        FOffset[i] = s->FOffset[i];
    FShowArrow = s->FShowArrow;
    FHorzMode = s->FHorzMode;
}

// ---- TRdSkinHintButtonOption ----

const tk::ClassInfo& TRdSkinHintButtonOption::StaticClass() {
    using T = TRdSkinHintButtonOption;
    static const tk::ClassInfo info =
        tk::ClassBuilder<T>("TRdSkinHintButtonOption", &design::TDesignRect::StaticClass())
            .ord("ButtonWidth", tk::IntegerType(), &T::ButtonWidth, &T::SetButtonWidth, 55)
            .ord("ButtonHeight", tk::IntegerType(), &T::ButtonHeight, &T::SetButtonHeight, 22)
            .ord("ButtonOffX", tk::IntegerType(), &T::ButtonOffX, &T::SetButtonOffX, 8)
            .ord("ButtonOffY", tk::IntegerType(), &T::ButtonOffY, &T::SetButtonOffY, 8)
            .build();
    return info;
}

void TRdSkinHintButtonOption::Assign(const tk::TPersistent* Source) {
    if (auto* s = dynamic_cast<const TRdSkinHintButtonOption*>(Source))
        for (int i = 0; i < 4; ++i)
            FSize[i] = s->FSize[i];
    design::TDesignRect::Assign(Source);
}

} // namespace vell::rd
