// The option objects of a form skin: the window region's corners (TEllipseSize), the
// border lines drawn around the window on the shadow layer (TBorderLines), the shadow's
// margins (TShadowFrame) and the shadow picture's nine-slice option with pad values
// (TRdFormSkinBkgOpt). Each setter stores a value and, when it changed, raises OnChange
// unless the form skin that owns the option is being loaded.
#pragma once
#include "core/design/design_rect.h"
#include "platform/graphics/graphics_types.h"

#include <windows.h>

#include <functional>

namespace vell::rd {

class TFormSkinOption : public tk::TPersistent {
    VELL_CLASS_INFO()
  public:
    // Owner: the form skin (a component; null for a free-standing option).
    explicit TFormSkinOption(tk::TComponent* Owner) : FOwner(Owner) {}
    tk::TComponent* Owner() const { return FOwner; }
    tk::TPersistent* GetOwner() const override { return FOwner; }
    std::function<void()> OnChange;

  protected:
    // Raises OnChange unless the owner is loading.
    void Changed();
    template <class T> void Store(T& Field, T Value) {
        if (Field == Value) return;
        Field = Value;
        Changed();
    }

  private:
    tk::TComponent* FOwner;
};

class TEllipseSize : public TFormSkinOption {
    VELL_CLASS_INFO()
  public:
    using TFormSkinOption::TFormSkinOption;
    bool Ellipse() const { return FEllipse; }
    void SetEllipse(bool Value) { Store(FEllipse, Value); }
    int Width() const { return FWidth; }
    void SetWidth(int Value) { Store(FWidth, Value); }
    int Height() const { return FHeight; }
    void SetHeight(int Value) { Store(FHeight, Value); }
    // Both at once, one change.
    void SetSize(int AWidth, int AHeight);
    // A corner size is set.
    bool Check() const { return FWidth != 0 || FHeight != 0; }
    void Assign(const tk::TPersistent* Source) override;

  private:
    bool FEllipse = true;
    int FWidth = 0, FHeight = 0;
};

class TBorderLines : public TFormSkinOption {
    VELL_CLASS_INFO()
  public:
    using TFormSkinOption::TFormSkinOption;
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value) { Store(FEnabled, Value); }
    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { Store(FColor, Value); }
    int Width() const { return FWidth; }
    void SetWidth(int Value) { Store(FWidth, Value); }
    bool Left() const { return FLeft; }
    void SetLeft(bool Value) { Store(FLeft, Value); }
    bool Right() const { return FRight; }
    void SetRight(bool Value) { Store(FRight, Value); }
    bool Top() const { return FTop; }
    void SetTop(bool Value) { Store(FTop, Value); }
    bool Bottom() const { return FBottom; }
    void SetBottom(bool Value) { Store(FBottom, Value); }
    // Enabled, a width, and at least one side on.
    bool Check() const { return FEnabled && FWidth != 0 && (FLeft || FRight || FTop || FBottom); }
    void Assign(const tk::TPersistent* Source) override;

  private:
    bool FEnabled = false;
    TColor FColor = 0xFF000006; // clWindowFrame
    int FWidth = 1;
    bool FLeft = true, FRight = true, FTop = true, FBottom = true;
};

class TRdFormSkinBkgOpt;

// Shadow margins beyond this are taken as this: a wider shadow would need a layer of
// hundreds of megabytes. Negative margins are taken as 0.
inline constexpr int kMaxShadowMargin = 1024;

class TShadowFrame : public TFormSkinOption {
    VELL_CLASS_INFO()
  public:
    using TFormSkinOption::TFormSkinOption;
    bool Enabled() const { return FEnabled; }
    // On while the owner form is designed (not loading or read) also makes that form
    // borderless.
    void SetEnabled(bool Value);
    // Index 0..3 = Left, Right, Top, Bottom.
    int GetIndex(int Index) const { return FMargin[Index & 3]; }
    void SetIndex(int Index, int Value) { Store(FMargin[Index & 3], Value); }
    int Left() const { return FMargin[0]; }
    int Right() const { return FMargin[1]; }
    int Top() const { return FMargin[2]; }
    int Bottom() const { return FMargin[3]; }
    void SetLeft(int Value) { SetIndex(0, Value); }
    void SetRight(int Value) { SetIndex(1, Value); }
    void SetTop(int Value) { SetIndex(2, Value); }
    void SetBottom(int Value) { SetIndex(3, Value); }
    int Width() const { return Left() + Right(); }
    int Height() const { return Top() + Bottom(); }
    // The margins the shadow is laid out with: each within 0..kMaxShadowMargin.
    RECT UsedMargins() const;
    // Another shadow frame; a picture option (each margin plus its pad value); a plain
    // design rectangle (its margins).
    void Assign(const tk::TPersistent* Source) override;

  private:
    void SetMargins(int L, int R, int T, int B);
    bool FEnabled = false;
    int FMargin[4] = {0, 0, 0, 0};
};

class TRdFormSkinBkgOpt : public design::TDesignRect {
    VELL_CLASS_INFO()
  public:
    TRdFormSkinBkgOpt() = default;
    // Index 0..3 = PadLeft, PadTop, PadRight, PadBottom.
    int GetPad(int Index) const { return FPad[Index & 3]; }
    void SetPad(int Index, int Value);
    int PadLeft() const { return FPad[0]; }
    int PadTop() const { return FPad[1]; }
    int PadRight() const { return FPad[2]; }
    int PadBottom() const { return FPad[3]; }
    void SetPadLeft(int Value) { SetPad(0, Value); }
    void SetPadTop(int Value) { SetPad(1, Value); }
    void SetPadRight(int Value) { SetPad(2, Value); }
    void SetPadBottom(int Value) { SetPad(3, Value); }
    // Another picture option copies the pads too, with one change.
    void Assign(const tk::TPersistent* Source) override;

  private:
    int FPad[4] = {0, 0, 0, 0};
};

} // namespace vell::rd
