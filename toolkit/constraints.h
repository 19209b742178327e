// Size limits of a control and the margins around an aligned control (also a container's
// padding).
#pragma once
#include "toolkit/types.h"

#include <functional>

namespace vell::tk {

class TControl;

// Size limits of a control; 0 means no limit. A library extends them by overriding
// AdjustLimits (limits that depend on where the control is, say).
class TSizeConstraints : public TPersistent {
    VELL_CLASS_INFO()
  public:
    explicit TSizeConstraints(TControl* Control) : FControl(Control) {}
    int MaxHeight() const { return FMaxHeight; }
    int MaxWidth() const { return FMaxWidth; }
    int MinHeight() const { return FMinHeight; }
    int MinWidth() const { return FMinWidth; }
    void SetMaxHeight(int v);
    void SetMaxWidth(int v);
    void SetMinHeight(int v);
    void SetMinWidth(int v);
    TControl* Control() const { return FControl; }
    void Assign(const TPersistent* Source) override;
    // Narrows the limits the control is about to be sized by; the base adds nothing.
    virtual void AdjustLimits(const TControl& Control, int& MinWidth, int& MinHeight, int& MaxWidth,
                              int& MaxHeight) const {}
    std::function<void(TSizeConstraints*)> OnChange;

  protected:
    virtual void Change();

  private:
    TControl* FControl;
    int FMaxHeight = 0, FMaxWidth = 0, FMinHeight = 0, FMinWidth = 0;
};

// Margins around an aligned control and a container's padding.
class TMargins : public TPersistent {
    VELL_CLASS_INFO()
  public:
    explicit TMargins(int Default)
        : FDefault(Default), FLeft(Default), FTop(Default), FRight(Default), FBottom(Default) {}
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Right() const { return FRight; }
    int Bottom() const { return FBottom; }
    void SetLeft(int v) { set(FLeft, v); }
    void SetTop(int v) { set(FTop, v); }
    void SetRight(int v) { set(FRight, v); }
    void SetBottom(int v) { set(FBottom, v); }
    void SetBounds(int L, int T, int R, int B);
    void Assign(const TPersistent* Source) override;
    std::function<void(TMargins*)> OnChange;

  private:
    bool IsLeftStored() const { return FLeft != FDefault; }
    bool IsTopStored() const { return FTop != FDefault; }
    bool IsRightStored() const { return FRight != FDefault; }
    bool IsBottomStored() const { return FBottom != FDefault; }
    void set(int& field, int v);
    int FDefault, FLeft, FTop, FRight, FBottom;
};

} // namespace vell::tk
