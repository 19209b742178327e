// What every skinned control has in common, windowless or windowed: a skin class (AllSkin)
// that other code asks for without knowing the control's class, and the four computed edge
// positions the skinned controls publish (never stored):
//
//   Left_Right   Left + Width              (setting moves the control: Left := value - Width)
//   Top_Bottom   Top + Height
//   Left_Invert  the container's client width - Left - Width (0 without a container)
//   Top_Invert   the container's client height - Top - Height
#pragma once
#include "rdcontrol/skinstyle/skin_class.h"
#include "toolkit/control.h"

namespace vell::rd {

class ISkinnedControl {
  public:
    virtual ~ISkinnedControl() = default;
    virtual TRdSkinClass* AllSkin() const = 0;
};

// The skin class of a skinned control; null for other controls.
inline TRdSkinClass* SkinOf(const tk::TControl* Control) {
    auto* s = dynamic_cast<const ISkinnedControl*>(Control);
    return s ? s->AllSkin() : nullptr;
}

namespace edges {
int LeftRight(const tk::TControl& C);
void SetLeftRight(tk::TControl& C, int Value);
int TopBottom(const tk::TControl& C);
void SetTopBottom(tk::TControl& C, int Value);
int LeftInvert(const tk::TControl& C);
void SetLeftInvert(tk::TControl& C, int Value);
int TopInvert(const tk::TControl& C);
void SetTopInvert(tk::TControl& C, int Value);

// Publishes the four on a class being built (ClassBuilder<T>), not stored.
template <class B> B& publish(B& Builder) {
    using T = typename B::Class;
    return Builder
        .ord("Left_Right", tk::IntegerType(), &T::Left_Right, &T::SetLeft_Right, std::nullopt, &T::NotStored)
        .ord("Top_Bottom", tk::IntegerType(), &T::Top_Bottom, &T::SetTop_Bottom, std::nullopt, &T::NotStored)
        .ord("Left_Invert", tk::IntegerType(), &T::Left_Invert, &T::SetLeft_Invert, std::nullopt,
             &T::NotStored)
        .ord("Top_Invert", tk::IntegerType(), &T::Top_Invert, &T::SetTop_Invert, std::nullopt, &T::NotStored);
}
} // namespace edges

// The members a skinned control class declares to publish the edges (inside the class).
#define VELL_SKINNED_EDGES                                                                                   \
    int Left_Right() const {                                                                                 \
        return ::vell::rd::edges::LeftRight(*this);                                                          \
    }                                                                                                        \
    void SetLeft_Right(int v) {                                                                              \
        ::vell::rd::edges::SetLeftRight(*this, v);                                                           \
    }                                                                                                        \
    int Top_Bottom() const {                                                                                 \
        return ::vell::rd::edges::TopBottom(*this);                                                          \
    }                                                                                                        \
    void SetTop_Bottom(int v) {                                                                              \
        ::vell::rd::edges::SetTopBottom(*this, v);                                                           \
    }                                                                                                        \
    int Left_Invert() const {                                                                                \
        return ::vell::rd::edges::LeftInvert(*this);                                                         \
    }                                                                                                        \
    void SetLeft_Invert(int v) {                                                                             \
        ::vell::rd::edges::SetLeftInvert(*this, v);                                                          \
    }                                                                                                        \
    int Top_Invert() const {                                                                                 \
        return ::vell::rd::edges::TopInvert(*this);                                                          \
    }                                                                                                        \
    void SetTop_Invert(int v) {                                                                              \
        ::vell::rd::edges::SetTopInvert(*this, v);                                                           \
    }                                                                                                        \
    bool NotStored() const {                                                                                 \
        return false;                                                                                        \
    }

} // namespace vell::rd
