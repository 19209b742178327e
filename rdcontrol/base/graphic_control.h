// TRdGraphicControl: the windowless skinned control, and a windowless container of more
// of them. Nested children are positioned in the container's content coordinates (client
// coordinates plus its scroll offset), kept in z-order by rank, painted by the container
// after its own painting, and reached by the mouse through it; their windowed parent is
// the windowed parent of the outermost container, which hosts all their pixels.
//
// Each control carries a skin class (AllSkin), a skinned font whose skin class is a child
// of it, and a docking helper (AutoAlign). When its skin asks for translucency, scale,
// grey or blur, the control paints through the skin's 32-bit draw buffer: its own painting
// runs once into the buffer, and later paints copy from it until something invalidates the
// control (a change of the control, of its skin or of its size).
//
// TRdControlCanvas is the canvas of these controls: its font is a skinned font.
#pragma once
#include "rdcontrol/base/auto_align.h"
#include "rdcontrol/base/skinned_control.h"
#include "rdcontrol/skinstyle/rd_font.h"
#include "toolkit/control_canvas.h"

#include <memory>
#include <vector>

namespace vell::rd {

class TRdControlCanvas : public tk::TControlCanvas {
    VELL_CLASS_INFO()
  public:
    explicit TRdControlCanvas(tk::TControl* Control);
    TRdFont* FontEx() const { return static_cast<TRdFont*>(Font()); }
    void SetFontEx(const TRdFont* Value) { Font()->Assign(Value); }
};

class TRdGraphicControl : public tk::TGraphicControl, public ISkinnedControl {
    VELL_CLASS_INFO()
  public:
    explicit TRdGraphicControl(tk::TComponent* AOwner);
    void GetContainedControls(std::vector<tk::TControl*>& List) const override;
    ~TRdGraphicControl() override;
    // Refused while the control's own message processing runs (a handler destroying its
    // control): "[depth]Can't Destroy "name" In Self.ProcessMsg!".
    void BeforeDestruction() override;

    // ---- nesting ----
    TRdGraphicControl* GraphicParent() const { return FGraphicParent; }
    // Nests the control in a windowless container (null: back on its windowed parent).
    virtual void SetGraphicParent(TRdGraphicControl* Value);
    // The graphic parent, else the windowed parent.
    tk::TControl* Container() const override;
    // Leaves any container; the nested descendants follow to the new windowed parent.
    void SetParent(tk::TWinControl* AParent) override;
    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TRdGraphicControl* GetControl(int Index) const { return FControls.at(static_cast<size_t>(Index)); }
    // Sends Message to each nested child in order until one answers non-zero.
    void Broadcast(tk::TMessage& Message);

    // ---- content ----
    POINT ScrollOffset() const override { return POINT{FScrollX, FScrollY}; }
    int ContentScale() const override { return FAllSkin->Draw()->DrawScale(); }
    int ScrollX() const { return FScrollX; }
    int ScrollY() const { return FScrollY; }
    virtual void SetScroll(int X, int Y);
    tk::TMargins* Padding() const { return FPadding.get(); }
    void SetPadding(tk::TMargins* Value) { FPadding->Assign(Value); }
    // The nested child under Pos (client coordinates; content coordinates with AbsPos), the
    // topmost first; with AllLevels the deepest one.
    tk::TControl* ControlAtPos(POINT Pos, bool AllowDisabled, bool AllowWinControls = false,
                               bool AllLevels = false) override;
    TRdGraphicControl* ControlAtPosEx(POINT Pos, bool AllowDisabled, bool AllLevels, bool AbsPos);

    // ---- z-order among the nested siblings ----
    int Rank() const { return FRdOrder; }
    void SetZOrder(bool TopMost) override;
    // Moves a nested child to list index Index (clamped) and re-ranks the siblings.
    void MoveChild(TRdGraphicControl* Child, int Index);

    // ---- alignment of the nested children ----
    void DisableAlign() { ++FAlignLevel; }
    void EnableAlign(bool Redraw = false);
    bool AlignDisabled() const { return FAlignLevel != 0; }
    void Realign();
    // The rectangle the nested children align in: the client rectangle less the padding,
    // offset by the control's position, when any child aligns or anchors; children are not
    // moved.
    virtual void AlignControls(tk::TControl* AControl, RECT& Rect);
    virtual void AdjustClientRect(RECT& Rect) const;

    // ---- painting ----
    void Invalidate() override;
    void Repaint() override;
    void Update() override;
    // Paints the control (and its nested children) into DstDC at (DstX, DstY).
    void DrawTo(HDC DstDC, int DstX, int DstY);

    // ---- properties ----
    TRdSkinClass* AllSkin() const override { return FAllSkin.get(); }
    void SetAllSkin(TRdSkinClass* Value);
    TRdFont* FontEx() const { return static_cast<TRdFont*>(Font()); }
    TRdAutoAlign* AutoAlign() const { return FAutoAlign.get(); }
    void SetAutoAlign(TRdAutoAlign* Value) { FAutoAlign->Assign(Value); }
    TRdControlCanvas* CanvasEx() const { return static_cast<TRdControlCanvas*>(Canvas()); }
    bool HitTest() const { return FHitTest; }
    void SetHitTest(bool Value) { FHitTest = Value; }
    bool MouseInClient() const { return FMouseInClient; }
    POINT DesignSize() const { return FDesignSize; }
    VELL_SKINNED_EDGES

    // (Sender, X, Y, HitResult in and out): the last word on hit tests.
    tk::TEvent<tk::TObject*, int, int, LRESULT&> OnMouseHitTest;
    tk::TNotifyEvent OnPaintFinally;
    tk::TNotifyEvent OnPosChanged;

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Loaded() override;
    void WndProc(tk::TMessage& Message) override;

    // Streaming: a nested control's parent component is its container.
    bool HasParent() const override { return true; }
    tk::TComponent* GetParentComponent() const override;
    void SetParentComponent(tk::TComponent* Value) override;
    void GetChildren(const std::function<void(tk::TComponent*)>& Proc, tk::TComponent* Root) override;
    void ReadState(tk::TReader& Reader) override;
    void DefineProperties(tk::TFiler& Filer) override;

  protected:
    void Notification(tk::TComponent* AComponent, tk::TOperation Operation) override;
    virtual void PosChanged();
    // Drops opacity while the skin draws translucent, scaled below 100 or blurred.
    virtual void UpdateOpaque();
    // Whether the skin's settings send painting through the draw buffer.
    bool NeedsEffects() const;

  private:
    void PaintMessage(HDC DC);
    // Paints on DC: the control's own painting (with OwnPaint), its nested children, and
    // OnPaintFinally.
    void PaintOn(HDC DC, bool OwnPaint);
    void PaintNested(HDC DC);
    void RouteMouse(tk::TMessage& Message);
    void TrackNestedMouse(POINT P);
    void HitTestMessage(tk::TMessage& Message);
    int IndexOfChild(const TRdGraphicControl* Child) const;
    void InsertChild(TRdGraphicControl* Child);
    void RemoveChild(TRdGraphicControl* Child);
    void PassWindowedParent(tk::TWinControl* Window);
    TRdGraphicControl* Outermost();
    bool DesignSizeNeeded() const;

    TRdGraphicControl* FGraphicParent = nullptr;
    std::unique_ptr<tk::TMargins> FPadding;
    int FAlignLevel = 0;
    bool FAlignRequested = false;
    bool FMouseInClient = false;
    TRdGraphicControl* FMouseControl = nullptr;
    bool FHitTest = true;
    POINT FDesignSize{0, 0};
    int FScrollX = 0, FScrollY = 0;
    std::vector<TRdGraphicControl*> FControls; // ascending rank
    int FWndProcInc = 0;
    std::unique_ptr<TRdSkinClass> FAllSkin;
    std::unique_ptr<TRdAutoAlign> FAutoAlign;
    int FRdOrder = static_cast<int>(0x80000000u);
};

} // namespace vell::rd
