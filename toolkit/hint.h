// The framework's hint window: a popup form that never takes the focus, sized to its text
// and drawn in the hint colour with the screen's hint font. The application makes one of
// its HintWindowClass; a library derives its own and overrides the operations below.
#pragma once
#include "toolkit/form.h"

namespace vell::tk {

class THintWindow : public TCustomForm {
    VELL_CLASS_INFO()
public:
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

protected:
    void CreateParams(TCreateParams& Params) override;
    HWND CreationParentWindow() override;
    void PaintWindow(HDC DC) override;
    void WndProc(TMessage& Message) override;
};

} // namespace vell::tk
