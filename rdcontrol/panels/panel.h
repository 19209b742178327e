// TRdPanel: the skinned panel. It paints through its skin's draw buffer, so it can be
// translucent (a colour with alpha, a skin opacity or scale below 100) over whatever lies
// behind it; it fills itself with one colour or a two-colour gradient with alpha (Color to
// ColorTo, horizontal unless ColorToVert), lets the mouse through with HitTest False, and
// can hand its painting to an external painter (OnGLPaint).
#pragma once
#include "rdcontrol/base/windowed_skin.h"
#include "toolkit/stdctrls.h"

namespace vell::rd {

// Asks a panel with an external painter to run it without a window update (result 1).
inline constexpr UINT RDPANEL_GLPAINT = 0x26C3;

class TRdPanel : public tk::TPanel, public ISkinnedControl {
    VELL_CLASS_INFO()
  public:
    explicit TRdPanel(tk::TComponent* AOwner);
    ~TRdPanel() override;

    TRdSkinClass* AllSkin() const override { return FSkin.Skin(); }
    int ContentScale() const override { return FSkin.Skin()->Draw()->DrawScale(); }
    void SetAllSkin(TRdSkinClass* Value) { FSkin.AssignSkin(Value); }
    TRdAutoAlign* AutoAlign() const { return FSkin.AutoAlign(); }
    void SetAutoAlign(TRdAutoAlign* Value) { FSkin.AutoAlign()->Assign(Value); }
    VELL_SKINNED_EDGES

    TColor ColorTo() const { return FColorTo; }
    void SetColorTo(TColor Value);
    bool ColorToVert() const { return FColorToVert; }
    void SetColorToVert(bool Value);
    bool HitTest() const { return FHitTest; }
    void SetHitTest(bool Value) { FHitTest = Value; }

    // Descriptions hold the unscaled size while the skin scales the control.
    int StreamedWidth() const { return FSkin.StreamedWidth(); }
    int StreamedHeight() const { return FSkin.StreamedHeight(); }
    RECT GetClientRect() const override { return FSkin.ClientRect(tk::TPanel::GetClientRect()); }
    void Loaded() override;
    void Repaint() override;
    void WndProc(tk::TMessage& Message) override;
    // Painted through the skin's draw buffer; the skinned paint covers the whole area, so
    // nothing is erased before it.
    void DefaultPaint(tk::TMessage& Message) override;
    void DefaultEraseBackground(HDC DC) override {}

    tk::TNotifyEvent OnPaint;
    // An external painter: the panel's window is then only validated; uiUpdate tells
    // whether a paint message (true) or the private request (false) asked.
    tk::TEvent<tk::TObject*, bool> OnGLPaint;

  protected:
    void Paint() override;
    void PrepareMessage(tk::TMessage& Message) override;

  private:
    TColor FColorTo = clDefault;
    bool FColorToVert = false;
    bool FHitTest = true;
    TWindowedSkin FSkin;
};

// Fills Rect of DC with a gradient from From to To (clDefault takes the other end), the
// alpha interpolated with the colours; nothing when both ends are fully transparent.
void FillAlphaGradient(HDC DC, const RECT& Rect, TColor From, TColor To, bool Vertical);

} // namespace vell::rd
