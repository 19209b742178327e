#include "rdcontrol/formskin/form_skin_options.h"
#include "toolkit/form.h"

#include <algorithm>

namespace vell::rd {

const tk::ClassInfo& TFormSkinOption::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TFormSkinOption>("TFormSkinOption", &tk::TPersistent::StaticClass()).build();
    return info;
}

void TFormSkinOption::Changed() {
    if (FOwner && FOwner->InState(tk::csLoading)) return;
    if (OnChange) OnChange();
}

// ---- TEllipseSize ----

const tk::ClassInfo& TEllipseSize::StaticClass() {
    using T = TEllipseSize;
    static const tk::ClassInfo info = tk::ClassBuilder<T>("TEllipseSize", &TFormSkinOption::StaticClass())
                                          .ord("Ellipse", tk::BooleanType(), &T::Ellipse, &T::SetEllipse, 1)
                                          .ord("Width", tk::IntegerType(), &T::Width, &T::SetWidth, 0)
                                          .ord("Height", tk::IntegerType(), &T::Height, &T::SetHeight, 0)
                                          .build();
    return info;
}

void TEllipseSize::SetSize(int AWidth, int AHeight) {
    if (FWidth == AWidth && FHeight == AHeight) return;
    FWidth = AWidth;
    FHeight = AHeight;
    Changed();
}

void TEllipseSize::Assign(const tk::TPersistent* Source) {
    auto* s = dynamic_cast<const TEllipseSize*>(Source);
    if (!s) return TFormSkinOption::Assign(Source);
    FEllipse = s->FEllipse;
    FWidth = s->FWidth;
    FHeight = s->FHeight;
    Changed();
}

// ---- TBorderLines ----

const tk::ClassInfo& TBorderLines::StaticClass() {
    using T = TBorderLines;
    static const tk::ClassInfo info = tk::ClassBuilder<T>("TBorderLines", &TFormSkinOption::StaticClass())
                                          .ord("Enabled", tk::BooleanType(), &T::Enabled, &T::SetEnabled, 0)
                                          .ord("Color", tk::ColorType(), &T::Color, &T::SetColor, 0xFF000006)
                                          .ord("Width", tk::IntegerType(), &T::Width, &T::SetWidth, 1)
                                          .ord("Left", tk::BooleanType(), &T::Left, &T::SetLeft, 1)
                                          .ord("Right", tk::BooleanType(), &T::Right, &T::SetRight, 1)
                                          .ord("Top", tk::BooleanType(), &T::Top, &T::SetTop, 1)
                                          .ord("Bottom", tk::BooleanType(), &T::Bottom, &T::SetBottom, 1)
                                          .build();
    return info;
}

void TBorderLines::Assign(const tk::TPersistent* Source) {
    auto* s = dynamic_cast<const TBorderLines*>(Source);
    if (!s) return TFormSkinOption::Assign(Source);
    FEnabled = s->FEnabled;
    FColor = s->FColor;
    FWidth = s->FWidth;
    FLeft = s->FLeft;
    FRight = s->FRight;
    FTop = s->FTop;
    FBottom = s->FBottom;
    Changed();
}

// ---- TShadowFrame ----

const tk::ClassInfo& TShadowFrame::StaticClass() {
    using T = TShadowFrame;
    static const tk::ClassInfo info =
        tk::ClassBuilder<T>("TShadowFrame", &TFormSkinOption::StaticClass())
            .ord("Enabled", tk::BooleanType(), &T::Enabled, &T::SetEnabled, 0)
            .ord("Left", tk::IntegerType(), &T::Left, &T::SetLeft, 0)
            .ord("Right", tk::IntegerType(), &T::Right, &T::SetRight, 0)
            .ord("Top", tk::IntegerType(), &T::Top, &T::SetTop, 0)
            .ord("Bottom", tk::IntegerType(), &T::Bottom, &T::SetBottom, 0)
            .ord("Width", tk::IntegerType(), &T::Width, nullptr, std::nullopt, &T::NeverStored)
            .ord("Height", tk::IntegerType(), &T::Height, nullptr, std::nullopt, &T::NeverStored)
            .build();
    return info;
}

void TShadowFrame::SetEnabled(bool Value) {
    if (FEnabled == Value) return;
    FEnabled = Value;
    // A designed form that gets a shadow loses its frame: the shadow is its outline.
    tk::TComponent* skin = Owner();
    if (Value && skin)
        if (auto* form = dynamic_cast<tk::TCustomForm*>(skin->Owner());
            form && form->InState(tk::csDesigning) && !form->InState(tk::csLoading | tk::csReading))
            form->SetBorderStyle(tk::bsNone);
    Changed();
}

RECT TShadowFrame::UsedMargins() const {
    auto used = [](int v) { return std::clamp(v, 0, kMaxShadowMargin); };
    return RECT{used(Left()), used(Top()), used(Right()), used(Bottom())};
}

void TShadowFrame::SetMargins(int L, int R, int T, int B) {
    FMargin[0] = L;
    FMargin[1] = R;
    FMargin[2] = T;
    FMargin[3] = B;
    Changed();
}

void TShadowFrame::Assign(const tk::TPersistent* Source) {
    if (auto* s = dynamic_cast<const TShadowFrame*>(Source)) {
        FEnabled = s->FEnabled;
        SetMargins(s->Left(), s->Right(), s->Top(), s->Bottom());
    } else if (auto* o = dynamic_cast<const TRdFormSkinBkgOpt*>(Source)) {
        SetMargins(o->Left() + o->PadLeft(), o->Right() + o->PadRight(), o->Top() + o->PadTop(),
                   o->Bottom() + o->PadBottom());
    } else if (auto* d = dynamic_cast<const design::TDesignRect*>(Source)) {
        SetMargins(d->Left(), d->Right(), d->Top(), d->Bottom());
    } else {
        TFormSkinOption::Assign(Source);
    }
}

// ---- TRdFormSkinBkgOpt ----

const tk::ClassInfo& TRdFormSkinBkgOpt::StaticClass() {
    using T = TRdFormSkinBkgOpt;
    static const tk::ClassInfo info =
        tk::ClassBuilder<T>("TRdFormSkinBkgOpt", &design::TDesignRect::StaticClass())
            .ord("PadLeft", tk::IntegerType(), &T::PadLeft, &T::SetPadLeft, 0)
            .ord("PadTop", tk::IntegerType(), &T::PadTop, &T::SetPadTop, 0)
            .ord("PadRight", tk::IntegerType(), &T::PadRight, &T::SetPadRight, 0)
            .ord("PadBottom", tk::IntegerType(), &T::PadBottom, &T::SetPadBottom, 0)
            .build();
    return info;
}

void TRdFormSkinBkgOpt::SetPad(int Index, int Value) {
    int& pad = FPad[Index & 3];
    if (pad == Value) return;
    pad = Value;
    Changed();
}

void TRdFormSkinBkgOpt::Assign(const tk::TPersistent* Source) {
    auto* s = dynamic_cast<const TRdFormSkinBkgOpt*>(Source);
    if (!s) return design::TDesignRect::Assign(Source);
    bool padsDiffer = false;
    for (int i = 0; i < 4; ++i)
        padsDiffer = padsDiffer || FPad[i] != s->FPad[i];
    const bool rectDiffers = !Equals(s);
    for (int i = 0; i < 4; ++i)
        FPad[i] = s->FPad[i];
    if (rectDiffers)
        design::TDesignRect::Assign(Source); // one change, pads already in place
    else if (padsDiffer)
        Changed();
}

} // namespace vell::rd
