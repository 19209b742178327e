// Controls: the windowless base (TControl, TGraphicControl) and the windowed ones
// (TWinControl, TCustomControl) with parent and child order, bounds, Align and Anchors,
// size constraints, scaling, visibility, invalidation, painting into any device context,
// and mouse routing from a window to its windowless children.
#pragma once
#include "toolkit/graphics.h"

namespace vell::tk {

class TWinControl;
class TControl;

class EInvalidOperation : public ::vell::Exception {
public:
    using ::vell::Exception::Exception;
};

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
};

// Size limits of a control; 0 means no limit.
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
    explicit TMargins(int Default) : FDefault(Default), FLeft(Default), FTop(Default), FRight(Default), FBottom(Default) {}
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

// The canvas of a control: bound to the paint DC while painting, otherwise it asks the
// control's window for a DC (released when the application is idle).
class TControlCanvas : public TCanvas {
    VELL_CLASS_INFO()
public:
    explicit TControlCanvas(TControl* Control) : FControl(Control) {}
    ~TControlCanvas() override;
    TControl* Control() const { return FControl; }
    void FreeHandle();

protected:
    void CreateHandle() override;

private:
    TControl* FControl;
    HDC FDeviceContext = nullptr;
    HWND FWindowHandle = nullptr;
};

// Releases the device contexts control canvases took outside painting.
void FreeDeviceContexts();

class TControl : public TComponent {
    VELL_CLASS_INFO()
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* AParent);

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    // Constraints apply; a change invalidates, updates anchor rules, asks the parent to
    // realign and raises Resize when the size changed.
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    virtual RECT GetBoundsRect() const { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    virtual void SetBoundsRect(const RECT& R) { SetBounds(R.left, R.top, R.right - R.left, R.bottom - R.top); }

    virtual RECT GetClientRect() const { return RECT{0, 0, FWidth, FHeight}; }
    int ClientWidth() const;
    int ClientHeight() const;
    void SetClientWidth(int v);
    void SetClientHeight(int v);
    virtual void SetClientSize(int W, int H);
    // Screen position of the client area's top-left corner.
    virtual POINT GetClientOrigin() const;
    virtual POINT ClientToScreen(POINT P) const;
    virtual POINT ScreenToClient(POINT P) const;
    // Between this control's client coordinates and an ancestor's (default: the parent).
    virtual POINT ClientToParent(POINT P, TWinControl* AParent = nullptr) const;
    virtual POINT ParentToClient(POINT P, TWinControl* AParent = nullptr) const;

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value);
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(TAnchors Value);
    TSizeConstraints* Constraints() const { return FConstraints; }
    void SetConstraints(TSizeConstraints* Value) { FConstraints->Assign(Value); }
    // Replaces the constraints object (not owned) with one that takes over the old limits
    // and change handler; null returns to the control's own.
    void ReplaceConstraints(TSizeConstraints* Value);
    TMargins* Margins() const { return FMargins.get(); }
    void SetMargins(TMargins* Value) { FMargins->Assign(Value); }
    bool AlignWithMargins() const { return FAlignWithMargins; }
    void SetAlignWithMargins(bool Value);

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    TFont* Font() const { return FFont.get(); }
    void SetFont(const TFont* Value) { FFont->Assign(Value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    // Replaces the font object by a derived one (a skinned font), keeping its values.
    void ReplaceFont(std::unique_ptr<TFont> Value);
    const std::u16string& Caption() const { return FText; }
    void SetCaption(const std::u16string& Value) { SetText(Value); }
    const std::u16string& Text() const { return FText; }
    virtual void SetText(const std::u16string& Value);
    const std::u16string& Hint() const { return FHint; }
    void SetHint(const std::u16string& Value) { FHint = Value; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool Value);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value) { FCursor = Value; }

    uint32_t ControlStyle() const { return FControlStyle; }
    void SetControlStyle(uint32_t Value) { FControlStyle = Value; }
    uint32_t ControlState() const { return FControlState; }
    void SetControlState(uint32_t Value) { FControlState = Value; }

    // Visible, and every parent up to a top-level window too.
    virtual bool IsShowing() const;
    virtual void Invalidate();
    virtual void Update();
    virtual void Repaint();
    void Refresh() { Repaint(); }
    void BringToFront() { SetZOrder(true); }
    void SendToBack() { SetZOrder(false); }
    virtual void SetZOrder(bool TopMost);

    LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
    // The control's message handling; descendants handle what they need and call the base.
    virtual void WndProc(TMessage& Message);
    virtual void DefaultHandler(TMessage& Message) {}

    void ScaleBy(int M, int D) { ChangeScale(M, D); }
    virtual void ChangeScale(int M, int D);
    virtual void RequestAlign();
    virtual void UpdateAnchorRules();
    POINT AnchorRules() const { return FAnchorRules; }
    POINT OriginalParentSize() const { return FOriginalParentSize; }
    RECT ExplicitBounds() const { return FExplicitBounds; }

    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* Value) override;
    void ReadState(TReader& Reader) override;
    void Loaded() override;
    void DefineProperties(TFiler& Filer) override;

    TNotifyEvent OnClick, OnDblClick, OnResize, OnMouseEnter, OnMouseLeave;
    TEvent<TObject*, TMouseButton, TShiftState, int, int> OnMouseDown, OnMouseUp;
    TEvent<TObject*, TShiftState, int, int> OnMouseMove;
    TEvent<TObject*, int&, int&, int&, int&> OnConstrainedResize;

protected:
    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void Resize();
    // Lets the control narrow its size limits before a resize (OnConstrainedResize).
    virtual void ConstrainedResize(int& MinWidth, int& MinHeight, int& MaxWidth, int& MaxHeight);
    // Invalidates the control's area in its parent window.
    virtual void InvalidateControl(bool IsVisible, bool IsOpaque);
    virtual void FontChanged();
    virtual void ColorChanged();
    bool IsOpaque() const { return (FControlStyle & csOpaque) != 0; }
    void ApplyConstraints(int& W, int& H);
    // Initial visibility of a class (forms start hidden), without notifications.
    void InitVisible(bool Value) { FVisible = Value; }

    TWinControl* FParent = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    uint32_t FControlStyle = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
    uint32_t FControlState = 0;

private:
    friend class TWinControl;
    void HandleMouse(TMessage& Message);
    void ComputeAnchorRules();
    bool IsColorStored() const;
    bool IsFontStored() const;
    void ParentFontChanged(TMessage& Message);
    void ParentColorChanged(TMessage& Message);

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
    bool FInParentFontChange = false;
    std::u16string FText;
    std::u16string FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TCursor FCursor = crDefault;
};

// The control that has the mouse captured (windowless controls capture through their
// parent's window), or null.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);

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

struct TCreateParams {
    std::u16string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    void* Param = nullptr;
    UINT ClassStyle = CS_DBLCLKS;
    HCURSOR ClassCursor = nullptr;
    std::u16string WinClassName; // the control's class name unless changed
};

class TWinControl : public TControl {
    VELL_CLASS_INFO()
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    // The window; created on first use.
    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded();
    void DestroyHandle();
    void RecreateWnd();
    // The window a top-level control is owned by, when it has no parent control.
    HWND ParentWindow() const { return FParentWindow; }
    void SetParentWindow(HWND Value) { FParentWindow = Value; }
    static TWinControl* FindControl(HWND Wnd);

    // Children in creation order; later children lie above earlier ones.
    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int Index) const { return FControls.at(static_cast<size_t>(Index)); }
    int IndexOfControl(const TControl* Control) const;
    void SetChildIndex(TControl* Control, int Index);
    bool ContainsControl(const TControl* Control) const;
    void Broadcast(TMessage& Message);
    void NotifyControls(UINT Msg);

    void DisableAlign() { ++FAlignLevel; }
    void EnableAlign();
    bool AlignDisabled() const { return FAlignLevel > 0; }
    void Realign();
    // Asked by a child whose bounds, alignment or visibility changed.
    void AlignControl(TControl* AControl);
    virtual void AlignControls(TControl* AControl, RECT& Rect);
    virtual void AdjustClientRect(RECT& Rect) const;
    // The parent size a child's anchors refer to.
    virtual void UpdateControlOriginalParentSize(TControl* AControl, POINT& AOriginalParentSize);
    POINT DesignSize() const { return FDesignSize; }
    bool DesignSizeRead() const { return FDesignSizeRead; }
    TMargins* Padding() const { return FPadding.get(); }
    void SetPadding(TMargins* Value) { FPadding->Assign(Value); }

    // The windowless child under Pos (client coordinates), topmost first; null when none.
    virtual TControl* ControlAtPos(POINT Pos, bool AllowDisabled, bool AllowWinControls = false,
                                   bool AllLevels = false);
    // The windowless child the mouse is over.
    TControl* MouseControl() const { return FMouseControl; }

    // Paints the control and all its children into DC with the control's top-left at (X, Y).
    void PaintTo(HDC DC, int X, int Y);
    virtual void PaintControls(HDC DC, TControl* First);
    // Erase and paint messages without a window: what the default handlers do.
    virtual void DefaultPaint(TMessage& Message);
    virtual void DefaultEraseBackground(HDC DC);
    // The framework's invalidation of this control's window (rectangle or null, erase).
    void InvalidateWindowRect(const RECT* Rect, bool Erase);

    bool IsShowing() const override;
    bool Showing() const { return IsShowing(); }
    void SetVisible(bool Value) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    RECT GetClientRect() const override;
    POINT GetClientOrigin() const override;
    void SetText(const std::u16string& Value) override;
    void Invalidate() override;
    void Update() override;
    void Repaint() override;
    void SetZOrder(bool TopMost) override;
    void ChangeScale(int M, int D) override;
    void WndProc(TMessage& Message) override;
    void DefaultHandler(TMessage& Message) override;
    void ReadState(TReader& Reader) override;
    void Loaded() override;
    void DefineProperties(TFiler& Filer) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    bool DoubleBuffered() const { return FDoubleBuffered; }
    void SetDoubleBuffered(bool Value) { FDoubleBuffered = Value; }
    bool ParentDoubleBuffered() const { return FParentDoubleBuffered; }
    void SetParentDoubleBuffered(bool Value) { FParentDoubleBuffered = Value; }
    bool ParentBackground() const { return (FControlStyle & csParentBackground) != 0; }
    void SetParentBackground(bool Value);
    int TabOrder() const { return FTabOrder; }
    void SetTabOrder(int Value) { FTabOrder = Value; }
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool Value) { FTabStop = Value; }

protected:
    virtual void CreateParams(TCreateParams& Params);
    virtual void CreateWnd();
    virtual void CreateWindowHandle(const TCreateParams& Params);
    virtual void DestroyWnd();
    virtual void DestroyWindowHandle();
    virtual void PaintWindow(HDC DC);
    void PaintHandler(HDC DC);
    // Brings the window's visibility in line with Visible and the parent's showing.
    void UpdateShowing();
    void InsertControl(TControl* AControl);
    void RemoveControl(TControl* AControl);
    void DoPosition(TControl* AControl, const RECT& Rect);

    HWND FHandle = nullptr;

private:
    friend class TControl;
    static LRESULT CALLBACK WindowProcedure(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
    bool RouteMouse(TMessage& Message);
    void TrackMouse(POINT P);
    void UpdateBoundsFromWindow();

    HWND FParentWindow = nullptr;
    std::vector<TControl*> FControls;
    int FAlignLevel = 0;
    POINT FDesignSize{0, 0};
    bool FDesignSizeRead = false;
    std::unique_ptr<TMargins> FPadding;
    TControl* FMouseControl = nullptr;
    bool FMouseInWindow = false;
    bool FDoubleBuffered = false;
    bool FParentDoubleBuffered = true;
    int FTabOrder = -1;
    bool FTabStop = false;
    bool FSettingBounds = false;

protected:
    // Set while CreateParams runs only to learn the window's styles (no window is made).
    mutable bool FProbingParams = false;
};

class TCustomControl : public TWinControl {
    VELL_CLASS_INFO()
public:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;
    TCanvas* Canvas() const { return FCanvas.get(); }

protected:
    virtual void Paint() {}
    void PaintWindow(HDC DC) override;
    void ReplaceCanvas(std::unique_ptr<TCanvas> Value) { FCanvas = std::move(Value); }

private:
    std::unique_ptr<TCanvas> FCanvas;
};

// Behaviour of every control of the process that a skin library may change: each hook's
// default is the framework's own behaviour. Install a derived object with SetToolkitHooks.
class TToolkitHooks {
public:
    virtual ~TToolkitHooks() = default;
    // Every invalidation of a framework window (Rect null: the whole client area).
    virtual void InvalidateWindow(TWinControl* Control, HWND Wnd, const RECT* Rect, bool Erase);
    // The paint message of a windowed control (with a DC in WParam or from BeginPaint).
    virtual void PaintMessage(TWinControl* Control, TMessage& Message) { Control->DefaultPaint(Message); }
    // The erase-background message of a windowed control.
    virtual void EraseBackground(TWinControl* Control, HDC DC) { Control->DefaultEraseBackground(DC); }
    // Runs before the framework handles any message of a windowed control; true: handled.
    virtual bool PreProcessMessage(TWinControl* Control, TMessage& Message) { return false; }
    // After a control's bounds changed (moved and/or resized).
    virtual void BoundsChanged(TControl* Control, bool Moved, bool Resized) {}
    // After a control asked its parent to realign it.
    virtual void AlignRequested(TControl* Control) {}
};
TToolkitHooks& ToolkitHooks();
// Null restores the framework's own behaviour. The hooks object is not owned.
void SetToolkitHooks(TToolkitHooks* Hooks);

TShiftState KeysToShiftState(WPARAM Keys);

} // namespace vell::tk
