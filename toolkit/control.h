// TControl, the base of every control, and TGraphicControl, the windowless control that
// paints on its container's canvas.
//
// A control lies in the client area of its container: its windowed parent, or a windowless
// container that nests it (Container() is virtual so that a library's windowless containers
// can nest windowless children; Parent() is always the windowed parent that hosts the
// control's pixels). Left and Top are measured in the container's content coordinates:
// client coordinates plus the container's scroll offset.
#pragma once
#include "toolkit/constraints.h"
#include "toolkit/graphics.h"
#include "toolkit/hooks.h"

#include <memory>
#include <vector>

namespace vell::tk {

class TWinControl;
class TCustomForm;
class TCustomHint;
struct TAccessibleInfo;
struct TAccessiblePart;

class EInvalidOperation : public ::vell::Exception {
  public:
    using ::vell::Exception::Exception;
};

// The silent exception: ends an operation quietly where a handler expects it (a control
// that runs an event handler catches it and drops the rest of the operation).
class EAbort : public ::vell::Exception {
  public:
    using ::vell::Exception::Exception;
};
[[noreturn]] inline void Abort() {
    throw EAbort("Operation aborted");
}

// Control styles.
enum TControlStyleFlag : uint32_t {
    csAcceptsControls = 1u << 0,
    csCaptureMouse = 1u << 1,
    csClickEvents = 1u << 2,
    csSetCaption = 1u << 3,
    csOpaque = 1u << 4,
    csDoubleClicks = 1u << 5,
    csFixedWidth = 1u << 6,
    csFixedHeight = 1u << 7,
    csNoStdEvents = 1u << 8,
    csParentBackground = 1u << 9,
    csReplicatable = 1u << 10,
};
// Control states.
enum TControlStateFlag : uint32_t {
    csLButtonDown = 1u << 0,
    csClicked = 1u << 1,
    csReadingState = 1u << 2,
    csAlignmentNeeded = 1u << 3,
    csCreating = 1u << 4,
    csPaintCopy = 1u << 5,
    csCustomPaint = 1u << 6,
    csDestroyingHandle = 1u << 7,
    csAligning = 1u << 8,
    csFocusing = 1u << 9,
};

// Which font attributes a control takes from its parent: all of them while ParentFont is
// on. A derived font may keep attributes of its own (a skinned font's local values) by
// clearing their bits; the control then copies only the others.
enum TParentFontAttribute : uint32_t {
    pfName = 1u << 0,
    pfHeight = 1u << 1,
    pfColor = 1u << 2,
    pfStyle = 1u << 3,
    pfCharset = 1u << 4,
    pfPitch = 1u << 5,
    pfQuality = 1u << 6,
    pfOrientation = 1u << 7,
    pfAll = 0xFFu,
};

class TControl : public TComponent {
    VELL_CLASS_INFO()
  public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    // ---- parent and container ----
    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* AParent);
    // The control whose client area this control lies in (the windowed parent unless a
    // windowless container nests it); null for a top-level control.
    virtual TControl* Container() const;
    // The offset of the content this control contains: a child at content point (x, y)
    // shows at client point (x, y) - offset.
    virtual POINT ScrollOffset() const { return POINT{0, 0}; }
    // The scale (percent) at which the control shows its client area: a client point
    // (x, y) shows at (x, y) * scale / 100 from the client area's top-left corner (a skin
    // may draw a control and its windowless children enlarged). Coordinates inside the
    // control stay unscaled.
    virtual int ContentScale() const { return 100; }
    // This control or one of its containers, through windowless containers and windowed
    // parents.
    bool ContainsControl(const TControl* Control) const;
    // The windowless child under Pos (client coordinates), topmost first; null when none
    // or when the control contains no windowless children.
    virtual TControl* ControlAtPos(POINT Pos, bool AllowDisabled, bool AllowWinControls = false,
                                   bool AllLevels = false);
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* Value) override;

    // ---- bounds ----
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    // Constraints apply; a change invalidates, updates anchor rules, asks the container to
    // realign and raises Resize when the size changed.
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    virtual RECT GetBoundsRect() const { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    virtual void SetBoundsRect(const RECT& R) {
        SetBounds(R.left, R.top, R.right - R.left, R.bottom - R.top);
    }
    virtual RECT GetClientRect() const { return RECT{0, 0, FWidth, FHeight}; }
    int ClientWidth() const;
    int ClientHeight() const;
    virtual void SetClientWidth(int Value);
    virtual void SetClientHeight(int Value);
    virtual void SetClientSize(int W, int H);

    // ---- coordinates ----
    // Screen position of the client area's top-left corner.
    virtual POINT GetClientOrigin() const;
    // Through the toolkit's coordinate seam (a skin may scale on the way).
    POINT ClientToScreen(POINT P) const;
    POINT ScreenToClient(POINT P) const;
    // From this control's client coordinates into the content coordinates of a container
    // up the chain (default: the direct container; a window's content coordinates are its
    // client coordinates), and back. "Control '%s' has no parent
    // window" without a container; "Parent given is not a parent of '%s'" when AParent is
    // not one of them.
    POINT ClientToParent(POINT P, const TControl* AParent = nullptr) const;
    POINT ParentToClient(POINT P, const TControl* AParent = nullptr) const;

    // ---- alignment ----
    TAlign Align() const { return FAlign; }
    virtual void SetAlign(TAlign Value);
    TAnchors Anchors() const { return FAnchors; }
    virtual void SetAnchors(TAnchors Value);
    TSizeConstraints* Constraints() const { return FConstraints; }
    void SetConstraints(TSizeConstraints* Value) { FConstraints->Assign(Value); }
    // Replaces the constraints object (not owned) with one that takes over the old limits
    // and change handler; null returns to the control's own.
    void ReplaceConstraints(TSizeConstraints* Value);
    TMargins* Margins() const { return FMargins.get(); }
    void SetMargins(TMargins* Value) { FMargins->Assign(Value); }
    bool AlignWithMargins() const { return FAlignWithMargins; }
    void SetAlignWithMargins(bool Value);
    virtual void RequestAlign();
    virtual void UpdateAnchorRules();
    POINT AnchorRules() const { return FAnchorRules; }
    POINT OriginalParentSize() const { return FOriginalParentSize; }
    RECT ExplicitBounds() const { return FExplicitBounds; }
    void ScaleBy(int M, int D) { ChangeScale(M, D); }
    virtual void ChangeScale(int M, int D);

    // ---- appearance ----
    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    TFont* Font() const { return FFont.get(); }
    void SetFont(const TFont* Value) { FFont->Assign(Value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    // The font attributes taken from the parent while ParentFont is on (pfAll by default).
    uint32_t ParentFontAttributes() const { return FParentFontAttributes; }
    void SetParentFontAttributes(uint32_t Value) { FParentFontAttributes = Value; }
    // Replaces the font object by a derived one (a skinned font), keeping its values and
    // change handler.
    void ReplaceFont(std::unique_ptr<TFont> Value);
    const std::u16string& Caption() const { return FText; }
    void SetCaption(const std::u16string& Value) { SetText(Value); }
    const std::u16string& Text() const { return FText; }
    virtual void SetText(const std::u16string& Value);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode Value);
    bool ParentBiDiMode() const { return FParentBiDiMode; }
    void SetParentBiDiMode(bool Value);

    // ---- hints ----
    const std::u16string& Hint() const { return FHint; }
    void SetHint(const std::u16string& Value) { FHint = Value; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool Value);
    // A hint look of its own (a TCustomHint component), or the container's while
    // ParentCustomHint is on. Setting it passes the toolkit's CustomHintChanging seam.
    TCustomHint* CustomHint() const { return FCustomHint; }
    void SetCustomHint(TCustomHint* Value);
    bool ParentCustomHint() const { return FParentCustomHint; }
    void SetParentCustomHint(bool Value) { FParentCustomHint = Value; }
    // The custom hint in effect: the control's own, else its containers' while they pass
    // theirs on.
    TCustomHint* EffectiveCustomHint() const;

    // ---- state ----
    uint32_t ControlStyle() const { return FControlStyle; }
    void SetControlStyle(uint32_t Value) { FControlStyle = Value; }
    uint32_t ControlState() const { return FControlState; }
    void SetControlState(uint32_t Value) { FControlState = Value; }
    // Visible, and every container up to a top-level window too.
    virtual bool IsShowing() const;
    bool MouseCapture() const;
    void SetMouseCapture(bool Value);

    // ---- painting ----
    // A DC to draw the control outside painting: a windowless control's is its window's,
    // with the origin at the control and clipped to it. WindowHandle receives the window
    // to release it with (ReleaseDC).
    virtual HDC GetDeviceContext(HWND& WindowHandle);
    virtual void Invalidate();
    virtual void Update();
    virtual void Repaint();
    void Refresh() { Repaint(); }
    void BringToFront() { SetZOrder(true); }
    void SendToBack() { SetZOrder(false); }
    virtual void SetZOrder(bool TopMost);

    // ---- messages ----
    // Sends a message to the control: the toolkit's pre-processing, then the control's
    // message hooks, then WndProc, then the hooks' after steps. The window procedure
    // delivers window messages the same way.
    LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
    void Perform(TMessage& Message);
    // The control's message handling; descendants handle what they need and call the base.
    virtual void WndProc(TMessage& Message);
    virtual void DefaultHandler(TMessage& Message) {}
    // Hooks are not owned; remove one before it goes. A control that is destroyed tells
    // its hooks (ControlDestroying) and drops them.
    void AddMessageHook(TMessageHook* Hook);
    void RemoveMessageHook(TMessageHook* Hook);

    void Notification(TComponent* AComponent, TOperation Operation) override;

    // ---- accessibility (toolkit/accessible.h) ----
    // What assistive technology is told of the control; a class fills in what differs
    // from its base (the base: the caption as name, a pane, or a client area for a form).
    virtual void GetAccessibleInfo(TAccessibleInfo& Info) const;
    // Carries out the default action named by the info (a button's click); false when
    // the control has none.
    virtual bool DoAccessibleDefaultAction() { return false; }
    // The controls lying directly in this control's client area, windowed or windowless,
    // bottom of the z-order first.
    virtual void GetContainedControls(std::vector<TControl*>& List) const {}
    // Simple elements inside the control that are no controls (links in a text), and the
    // default action of one of them by index; none by default.
    virtual void GetAccessibleParts(std::vector<TAccessiblePart>& Parts) const {}
    virtual bool DoAccessiblePartAction(int Index) { return false; }
    // A number naming the control among the windowless children of its window (given on
    // first use, never reused in the process).
    long AccessibleId() const;

    // ---- streaming ----
    void ReadState(TReader& Reader) override;
    void Loaded() override;
    void DefineProperties(TFiler& Filer) override;

    TNotifyEvent OnClick, OnDblClick, OnResize, OnMouseEnter, OnMouseLeave;
    TEvent<TObject*, TMouseButton, TShiftState, int, int> OnMouseDown, OnMouseUp;
    TEvent<TObject*, TShiftState, int, int> OnMouseMove;
    // Wheel: the delta in WHEEL_DELTA units, the mouse position in screen coordinates.
    TEvent<TObject*, TShiftState, int, POINT, bool&> OnMouseWheel;
    TEvent<TObject*, TShiftState, POINT, bool&> OnMouseWheelDown, OnMouseWheelUp;
    TEvent<TObject*, int&, int&, int&, int&> OnConstrainedResize;

  protected:
    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    // The wheel chain: OnMouseWheel, then DoMouseWheelDown/Up; true when handled.
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, POINT MousePos);
    virtual bool DoMouseWheelDown(TShiftState Shift, POINT MousePos);
    virtual bool DoMouseWheelUp(TShiftState Shift, POINT MousePos);
    virtual void Resize();
    // Lets the control narrow its size limits before a resize (the constraints object's
    // AdjustLimits, then OnConstrainedResize).
    virtual void ConstrainedResize(int& MinWidth, int& MinHeight, int& MaxWidth, int& MaxHeight);

  public:
    // Where the control stands for its size limits: while it is being sized, the position
    // it moves to; otherwise its position.
    POINT SizingPosition() const { return FSizing ? FSizingPosition : POINT{FLeft, FTop}; }

  protected:
    // Invalidates the control's area in its window (the window's invalidation goes through
    // the toolkit's seam).
    virtual void InvalidateControl(bool IsVisible, bool IsOpaque);
    // Every message of the control, after the process-wide seam and before its message
    // hooks and WndProc: a class's own conversion of what it receives (coordinates, say).
    virtual void PrepareMessage(TMessage& Message) {}
    virtual void FontChanged();
    virtual void ColorChanged();
    bool IsOpaque() const { return (FControlStyle & csOpaque) != 0; }
    // Applies the size limits to a size the control is about to take at (L, T).
    void ApplyConstraints(int L, int T, int& W, int& H);
    // False once the control is destroyed: message handling that may destroy its own
    // control checks it before touching the control again.
    std::shared_ptr<bool> AliveFlag() const { return FAlive; }
    // Initial visibility of a class (forms start hidden), without notifications.
    void InitVisible(bool Value) { FVisible = Value; }

    TWinControl* FParent = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    POINT FSizingPosition{};
    bool FSizing = false;
    uint32_t FControlStyle = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
    uint32_t FControlState = 0;

  private:
    friend class TWinControl;
    friend class TAccessibleAccess;
    void HandleMouse(TMessage& Message);
    void HandleMouseWheel(TMessage& Message);
    void ComputeAnchorRules();
    bool IsColorStored() const;
    bool IsFontStored() const;
    bool IsShowHintStored() const { return !FParentShowHint; }
    bool IsBiDiModeStored() const { return !FParentBiDiMode; }
    void ParentFontChanged(TMessage& Message);
    void ParentColorChanged(TMessage& Message);
    void ParentBiDiModeChanged(TMessage& Message);
    void RunAfterHooks(std::vector<TMessageHook*>& Hooks, size_t Count, TMessage& Message);

    TAlign FAlign = alNone;
    TAnchors FAnchors = kDefaultAnchors;
    POINT FAnchorRules{0, 0};
    POINT FOriginalParentSize{0, 0};
    bool FAnchorMove = false;
    RECT FExplicitBounds{0, 0, 0, 0};
    std::unique_ptr<TSizeConstraints> FOwnConstraints;
    TSizeConstraints* FConstraints;
    std::unique_ptr<TMargins> FMargins;
    bool FAlignWithMargins = false;
    bool FVisible = true;
    bool FEnabled = true;
    TColor FColor = clWindow;
    bool FParentColor = false;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = true;
    uint32_t FParentFontAttributes = pfAll;
    bool FInParentFontChange = false;
    std::u16string FText;
    std::u16string FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TCustomHint* FCustomHint = nullptr;
    bool FParentCustomHint = true;
    TCursor FCursor = crDefault;
    TBiDiMode FBiDiMode = bdLeftToRight;
    bool FParentBiDiMode = true;
    std::vector<TMessageHook*> FMessageHooks;
    mutable long FAccessibleId = 0;
    // Lets message delivery notice that the control went away during its own handling.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

// The control that has the mouse captured (a windowless control captures through its
// window), or null.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);

// A control whose invalidation goes through even while it (or a container of it) is
// hidden; a control that goes is forgotten.
void SetForceInvalidateControl(TControl* Control);
TControl* ForceInvalidateControl();

// The full-precision point of a mouse message being sent to a windowless control (whose
// coordinates may not fit the message's 16 bits): set for the duration of one send.
class TPrecisePointScope {
  public:
    TPrecisePointScope(const TControl* Target, POINT P);
    ~TPrecisePointScope();
    TPrecisePointScope(const TPrecisePointScope&) = delete;
    TPrecisePointScope& operator=(const TPrecisePointScope&) = delete;

  private:
    const TControl* FSavedTarget;
    POINT FSavedPoint;
};
// The point of a mouse or hit-test message as Control reads it: the precise point when
// one is set for Control, else the message's 16-bit signed coordinates.
POINT MessagePoint(const TControl* Control, const TMessage& Message);
// Sends a point message to Control with P in its client coordinates (16-bit in the
// message, full precision through the precise point).
LRESULT SendPointMessage(TControl* Control, UINT Msg, WPARAM WParam, POINT P);

// The control under a screen point, windowless ones nested in windowless containers
// included (a drag's target); null over windows that are not the framework's.
TControl* FindDragTarget(POINT ScreenPos, bool AllowDisabled);

// The form a control lies on (the outermost form), or null.
TCustomForm* GetParentForm(const TControl* Control);

TShiftState KeysToShiftState(WPARAM Keys);
TShiftState KeyboardStateToShiftState();

class TGraphicControl : public TControl {
    VELL_CLASS_INFO()
  public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    TCanvas* Canvas() const { return FCanvas.get(); }
    void WndProc(TMessage& Message) override;

  protected:
    virtual void Paint() {}
    // Replaces the canvas by a derived one.
    void ReplaceCanvas(std::unique_ptr<TCanvas> Value) { FCanvas = std::move(Value); }

  private:
    std::unique_ptr<TCanvas> FCanvas;
};

} // namespace vell::tk
