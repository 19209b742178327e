// TRdFormSkin: a non-visual component that gives its owner (a form, or any windowed
// control) a skinned outline:
//
// - a window region with rounded (EllipseSize.Ellipse) or diagonally cut corners, taken
//   away while the owner is maximised and put back when it is restored;
// - a drop shadow drawn in a separate window (TRdFormShadowBg, form_shadow.h) that is
//   larger than the owner by the ShadowFrame margins, lies directly above it in z-order,
//   lets the mouse through and never takes activation; the component keeps it glued to the
//   owner (position, size, z-order, visibility, minimise and restore, activation, opacity);
// - border lines around the owner, drawn on the shadow layer;
// - maximise bounds that keep to the monitor's work area, or cover the whole monitor
//   (MaxFullScreenMode);
// - a guard against the black flash of a layered form's first showing (FixFlashBlack:
//   the form stays fully transparent for its first 50 ms);
// - controls of the owner drawn on the shadow layer instead of the owner, so that they may
//   reach beyond its edge (DrawControlList; see IShadowLayerControl).
//
// An owner carries at most one form skin. The component follows its owner through the
// owner's message chain; an owner inside another window also follows the top-level form
// through that form's TRdFormWndList.
#pragma once
#include "rdcontrol/formskin/form_skin_options.h"
#include "rdcontrol/base/graphic_control.h"
#include "rdcontrol/formskin/shadow_layer_control.h"
#include "rdcontrol/skinstyle/skin_class.h"
#include "toolkit/form.h"
#include "toolkit/picture.h"

#include <memory>

namespace vell::win {
class TRdTimer;
}
namespace vell::tk {
class TCanvas;
}
namespace vell::image {
class TPngImage;
}

namespace vell::rd {

class TRdFormShadowBg;
class TRdFormSkin;
class TRdFormWndList;

// The names of the owner's controls drawn on the shadow layer; each line's object is the
// control it resolved to. Every change, and the list's end, lets the resolved controls go
// (their paint hook cleared, the free notification withdrawn).
class TRdFormSkinDrawControlList : public tk::TStringList {
    VELL_CLASS_INFO()
  public:
    explicit TRdFormSkinDrawControlList(TRdFormSkin* Owner);
    ~TRdFormSkinDrawControlList() override;
    TRdFormSkin* Owner() const { return FOwner; }
    // Lets every resolved control go and clears the objects.
    void ReleaseControls();

  private:
    TRdFormSkin* FOwner;
};

class TRdFormSkin : public tk::TComponent {
    VELL_CLASS_INFO()
  public:
    // Raises EComponentError "can not create 2rd TRdFormSkin, exists: <name>" when AOwner
    // carries a form skin already.
    explicit TRdFormSkin(tk::TComponent* AOwner);
    ~TRdFormSkin() override;

    // ---- published ----
    tk::TStrings* DrawControlList() const;
    // Copies the lines; null clears.
    void SetDrawControlList(tk::TStrings* Value);
    bool MaxFullScreenMode() const { return FMaxFullScreenMode; }
    // At run time a maximised owner moves to the new target rectangle at once.
    void SetMaxFullScreenMode(bool Value);
    bool FixFlashBlack() const { return FFixFlashBlack; }
    void SetFixFlashBlack(bool Value);
    // The owner's colour (clWindow without an owner); setting it redraws the shadow.
    TColor FormColor() const;
    void SetFormColor(TColor Value);
    // The owner: the form skin follows it (any windowed control; OwnerForm() is non-null
    // when it is a form). Raises like the constructor when Value carries a form skin.
    tk::TWinControl* OwnerControl() const { return FOwnerControl; }
    tk::TCustomForm* OwnerForm() const { return FOwnerForm; }
    void SetOwnerForm(tk::TWinControl* Value);
    tk::TPicture* PicShadow() const { return FPicShadow.get(); }
    void SetPicShadow(tk::TPicture* Value) { FPicShadow->Assign(Value); }
    TRdFormSkinBkgOpt* PicShadowOption() const { return FPicShadowOption.get(); }
    void SetPicShadowOption(TRdFormSkinBkgOpt* Value) { FPicShadowOption->Assign(Value); }
    // The shadow window takes the mouse (its mouse events below fire) instead of letting
    // it through to the window beneath.
    bool HitTest() const { return FHitTest; }
    void SetHitTest(bool Value);
    TEllipseSize* EllipseSize() const { return FEllipseSize.get(); }
    void SetEllipseSize(TEllipseSize* Value) { FEllipseSize->Assign(Value); }
    TBorderLines* BorderLines() const { return FBorderLines.get(); }
    void SetBorderLines(TBorderLines* Value) { FBorderLines->Assign(Value); }
    TShadowFrame* ShadowFrame() const { return FShadowFrame.get(); }
    void SetShadowFrame(TShadowFrame* Value) { FShadowFrame->Assign(Value); }
    TRdSkinClass* AllSkin() const { return FAllSkin.get(); }
    void SetAllSkin(TRdSkinClass* Value) {
        if (Value && !FAllSkin->Equals(*Value)) FAllSkin->Assign(Value);
    }
    // Mouse events of the shadow window (Sender: the shadow window); only with HitTest on.
    tk::TEvent<tk::TObject*, tk::TMouseButton, tk::TShiftState, int, int> OnMouseDown, OnMouseUp;
    tk::TEvent<tk::TObject*, tk::TShiftState, int, int> OnMouseMove;
    tk::TNotifyEvent OnMouseEnter, OnMouseLeave;
    // Around the drawing of the shadow layer; ShadowCanvas() is the layer's canvas then.
    tk::TNotifyEvent OnShadowPaintBegin, OnShadowPaintEnd;

    // ---- public ----
    // Hooks the owner and sets up, once (a form skin made in code; one read from a
    // description does it when loaded).
    void InitSkin();
    // Draws the shadow layer again.
    void Refresh();
    void RunFixFlashBlack();
    void CancelFixFlashBlack();
    // A window state the application imposes on the owner (wsMaximized counts as maximised).
    void CustomFormWindowState(tk::TWindowState CustomState);
    tk::TWindowState CustomFormState() const { return FCustomFormState; }
    // The shadow window (null once it was destroyed).
    TRdFormShadowBg* FormShadowBg() const { return FFormShadowBg; }
    // The image canvas of the shadow layer while it is drawn, else null.
    tk::TCanvas* ShadowCanvas() const { return FCanvas; }
    // The top-level form followed through its hook list (an embedded owner), or null.
    tk::TWinControl* RootForm() const { return FRootForm; }
    // The form skin an owner carries, or null.
    static TRdFormSkin* Of(const tk::TControl* Owner);
    // Applies (or removes) the window region for the owner's present size and state.
    void ApplyRegion();
    // Draws the shadow layer into Layer (its size is the layer's; Origin: where its top-left
    // corner is on the screen, for the listed controls); false while a drawing runs.
    bool PaintShadowLayer(image::TPngImage& Layer, POINT Origin);

    void Loaded() override;
    void Notification(tk::TComponent* AComponent, tk::TOperation Operation) override;

  private:
    friend class TRdFormShadowBg;
    friend class TRdFormSkinDrawControlList;
    class OwnerHook;
    class RootHook;

    // the owner, its hooks and the set-up (form_skin.cpp)
    void Setup();
    void HookOwner();
    void UnhookOwner();
    void TakeOwner(tk::TWinControl* Value);
    void AttachRootHook();
    void DetachRootHook();
    void FreeShadow();
    // following the owner (form_skin_follow.cpp)
    void FollowBefore(tk::TWinControl* W, tk::TMessage& Message, bool Root);
    void FollowAfter(tk::TWinControl* W, tk::TMessage& Message, bool Root);
    void Deactivated(tk::TWinControl* W, bool Root);
    void Reposition(bool NoSize = false, bool NoOrder = false, bool NoMove = false, bool ForceShow = false,
                    bool ForceHide = false, HWND* ForceZOrder = nullptr);
    bool OwnerIsMainFormOnTaskBar() const;
    // the region (form_skin_region.cpp)
    bool OwnerMaximized() const;
    // the shadow layer (form_skin_layer.cpp) and the controls on it (form_skin_layer_controls.cpp)
    void RedrawShadow();
    void PictureChanged();
    void ResolveDrawControls();
    void ReleaseDrawControl(tk::TObject* Control);
    void ButtonPaintHook(tk::TObject* Sender, bool& Skip);
    // the flash fix (form_skin_flash.cpp)
    void ArmFixFlashBlack();
    void StartFlashHold();
    void ShowHandler(tk::TObject* Sender);
    void HoldAlpha();
    void FlashTimerTick();
    // the maximised bounds (form_skin_maximize.cpp)
    void MaximizeBounds(MINMAXINFO& Info) const;
    void LimitMaximizedSize(WINDOWPOS& Pos) const;

    std::unique_ptr<TEllipseSize> FEllipseSize;
    std::unique_ptr<TBorderLines> FBorderLines;
    std::unique_ptr<TShadowFrame> FShadowFrame;
    std::unique_ptr<TRdFormSkinBkgOpt> FPicShadowOption;
    std::unique_ptr<tk::TPicture> FPicShadow;
    std::unique_ptr<TRdSkinClass> FAllSkin;
    std::unique_ptr<TRdFormSkinDrawControlList> FDrawControlList;
    std::unique_ptr<win::TRdTimer> FFlashTimer;
    std::unique_ptr<OwnerHook> FOwnerHook;
    std::unique_ptr<RootHook> FRootHook;
    tk::TCustomForm* FOwnerForm = nullptr;
    tk::TWinControl* FOwnerControl = nullptr;
    TRdFormWndList* FRootFormHook = nullptr;
    tk::TWinControl* FRootForm = nullptr;
    TRdFormShadowBg* FFormShadowBg = nullptr;
    tk::TCanvas* FCanvas = nullptr;
    bool FOwnerHooked = false;
    bool FFixFlashBlack = false;
    bool FFlashHoldsShow = false;
    uint8_t FOwnerFormAlphaBak = 255;
    tk::TNotifyEvent FOwnerOnShow;
    bool FHitTest = false;
    bool FMaxFullScreenMode = false;
    tk::TWindowState FCustomFormState = tk::wsNormal;
    bool WasMinimized = false, WasMinimized2 = false;
    bool InitSkinCalled = false;
    int FormLastWidth = 0, FormLastHeight = 0;
    WPARAM FormLastSizeType = SIZE_RESTORED;
    bool JumpHookBtnPaint = false;
};

// A form's shadow follows the opacity the form gives its layered window through a toolkit
// hooks link, put into the chain and taken out by the skinned library's start and stop.
void StartFollowingAlpha();
void StopFollowingAlpha();

} // namespace vell::rd
