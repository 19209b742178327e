// TRdFormShadowBg: the window that shows a form skin's shadow. A borderless, layered,
// non-activating top-level window owned by the owner's window, larger than the owner by
// the shadow margins, placed directly above it in z-order; the shadow picture's centre is
// transparent, so the owner shows through. The mouse passes through it unless the form
// skin's HitTest is on. Its pixels are handed to the window manager with per-pixel alpha
// (UpdateLayeredWindow); moving it hands nothing new.
#pragma once
#include "toolkit/form.h"

namespace vell::rd {

class TRdFormSkin;

class TRdFormShadowBg : public tk::TCustomForm {
    VELL_CLASS_INFO()
  public:
    // Made by the form skin, which owns it.
    explicit TRdFormShadowBg(TRdFormSkin* AOwner);
    ~TRdFormShadowBg() override;

    TRdFormSkin* FormSkin() const { return FOwner; }

    // Places, sizes, orders, shows or hides the window for the owner's present state.
    void SetWindowPos(bool NoSize, bool NoOrder, bool NoMove, bool ForceShow = false, bool ForceHide = false,
                      HWND* ForceZOrder = nullptr);
    // Shows the window without activating it (through SetWindowPos).
    void ShowShadow();
    // Puts the window directly above the owner's top-level window.
    void ResetZOrder();
    // Puts it there now and five times more over the next second (older systems move an
    // owned window below its owner when the application goes to the background).
    void StartZOrderTimer();
    void Invalidate() override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    // The constant opacity the layer is handed over with; with a window only the opacity is
    // handed over again.
    uint8_t ConstantAlpha() const { return FDrawBlend.SourceConstantAlpha; }
    void SetConstantAlpha(uint8_t Value);
    // Draws the layer again (the form skin's drawing) and hands it over.
    void RedrawLayer();
    int DrawW() const { return FDrawW; }
    int DrawH() const { return FDrawH; }
    // How many times pixels were handed to the window manager (for tests and benchmarks).
    int PresentCount() const { return FPresentCount; }
    // The shown state of the window (IsWindowVisible), false without one.
    bool ShadowVisible() const;
    // True while the window is being shown (its own showing phase).
    bool InShowingPhase() const { return FShowing; }

    void WndProc(tk::TMessage& Message) override;
    // Windows 7 and earlier keep an owned layered window's z-order only when asked each time.
    static bool OldWindowsZOrder();

  protected:
    void CreateParams(tk::TCreateParams& Params) override;
    HWND CreationParentWindow() override;
    void CreateWnd() override;
    void Resize() override;

  private:
    friend class TRdFormSkin;
    // Hands Bits (an image DC of DrawW x DrawH; null: no new pixels) to the window manager.
    void Present(HDC Bits, bool Hidden);
    void CheckSize();
    void ShowNow();
    void HideNow();

    TRdFormSkin* FOwner;
    DWORD FTimerSetBg = 0;
    int FTimerTicks = 0;
    int FDrawW = 1, FDrawH = 1;
    BLENDFUNCTION FDrawBlend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    HWND LastAfterWnd = nullptr;
    bool FJumpNextZOrder = false;
    bool FJumpNextMoveMsg = false;
    bool FShowing = false;
    int FPresentCount = 0;
};

} // namespace vell::rd
