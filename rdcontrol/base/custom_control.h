// TRdCustomControl: the windowed base of skinned controls. Its skin class (AllSkin) gives
// it translucency, scale and grey: it paints through the skin's draw buffer (see
// skinned_paint.h), over the captured background of its parent when it is not opaque.
// Its own look is a fill with its colour (the form's colour, then the skin's second form
// colour, for clDefault); descendants paint on top in Paint.
#pragma once
#include "rdcontrol/base/windowed_skin.h"
#include "toolkit/win_control.h"

namespace vell::rd {

class TRdCustomControl : public tk::TCustomControl, public ISkinnedControl {
    VELL_CLASS_INFO()
  public:
    explicit TRdCustomControl(tk::TComponent* AOwner);
    ~TRdCustomControl() override;

    TRdSkinClass* AllSkin() const override { return FSkin.Skin(); }
    int ContentScale() const override { return FSkin.Skin()->Draw()->DrawScale(); }
    void SetAllSkin(TRdSkinClass* Value) { FSkin.AssignSkin(Value); }
    TRdAutoAlign* AutoAlign() const { return FSkin.AutoAlign(); }
    void SetAutoAlign(TRdAutoAlign* Value) { FSkin.AutoAlign()->Assign(Value); }
    VELL_SKINNED_EDGES

    // Descriptions hold the unscaled size while the skin scales the control.
    int StreamedWidth() const { return FSkin.StreamedWidth(); }
    int StreamedHeight() const { return FSkin.StreamedHeight(); }
    RECT GetClientRect() const override { return FSkin.ClientRect(tk::TCustomControl::GetClientRect()); }
    void Loaded() override;
    void WndProc(tk::TMessage& Message) override;
    // Painted through the skin's draw buffer; the skinned paint covers the whole area, so
    // nothing is erased before it.
    void DefaultPaint(tk::TMessage& Message) override;
    void DefaultEraseBackground(HDC DC) override {}

  protected:
    void Paint() override;
    void PrepareMessage(tk::TMessage& Message) override;

  private:
    TWindowedSkin FSkin;
};

// Fills Rect with Color; clDefault takes the form's colour (white when that is clDefault
// too) and then the skin's second form colour over it. Shared by the skinned windowed
// controls.
void FillControlColor(tk::TControl* Control, tk::TCanvas* Canvas, TColor Color, const RECT& Rect);

} // namespace vell::rd
