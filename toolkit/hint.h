// The framework's hint window: a popup form that never takes the focus, sized to its text
// and drawn in the hint colour with the screen's hint font. The application makes one of
// its HintWindowClass; a library derives its own and overrides the operations below.
#pragma once
#include "toolkit/form.h"

namespace vell::tk {

class THintWindow;

// A hint look a control can name (CustomHint): the application's hint window then asks it
// for the window's size and paints through it. A library derives its own styles.
class TCustomHint : public TComponent {
    VELL_CLASS_INFO()
  public:
    explicit TCustomHint(TComponent* AOwner) : TComponent(AOwner) {}
    // Shows Control's hint now, at the mouse (through the application's hint machinery).
    virtual void ShowHint(TControl* Control);
    virtual void HideHint();
    // Called with the window once its size for the text is known; the base keeps it.
    virtual void SetHintSize(THintWindow* HintWindow) {}
    // Paints the window's content; the base paints as the window would.
    virtual void PaintHint(THintWindow* HintWindow);
};

class THintWindow : public TCustomForm {
    VELL_CLASS_INFO()
  public:
    void GetAccessibleInfo(TAccessibleInfo& Info) const override;
    explicit THintWindow(TComponent* AOwner);

    // The size the hint needs for AHint at most MaxWidth wide, as a rectangle at (0, 0).
    virtual RECT CalcHintRect(int MaxWidth, const std::u16string& AHint, void* AData);
    // Shows the hint at Rect (screen) without taking the focus.
    virtual void ActivateHint(const RECT& Rect, const std::u16string& AHint);
    virtual void ActivateHintData(const RECT& Rect, const std::u16string& AHint, void* AData);
    // Whether the hint should go now (the application asks when the mouse left its
    // control); the base says yes.
    virtual bool ShouldHideHint() { return true; }
    // Whether a message taken from the queue ends the hint (keys, clicks, wheel).
    virtual bool IsHintMsg(const MSG& Msg);
    // Hides the window.
    virtual void ReleaseHandle();
    // The custom hint the window shows for (null: its own look); set for each hint.
    TCustomHint* CustomHint() const { return FCustomHint; }
    void SetCustomHint(TCustomHint* Value);
    // The window's own look: its colour and the text in its font.
    void PaintDefault(HDC DC);
    // The DC the window paints on while it paints (null otherwise).
    HDC PaintingDC() const { return FPaintDC; }
    void Notification(TComponent* AComponent, TOperation Operation) override;

  protected:
    void CreateParams(TCreateParams& Params) override;
    HWND CreationParentWindow() override;
    void PaintWindow(HDC DC) override;
    void WndProc(TMessage& Message) override;

  private:
    TCustomHint* FCustomHint = nullptr;
    HDC FPaintDC = nullptr;
};

} // namespace vell::tk
