// TWinControl, the control with a window: children in z-order, alignment of its children,
// the window's creation and procedure, painting of its window and its windowless children,
// mouse routing to them, focus and keyboard. TCustomControl adds a canvas and Paint.
#pragma once
#include "toolkit/control.h"
#include "toolkit/control_canvas.h"

namespace vell::tk {

struct TCreateParams {
    std::u16string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    // Set when the window is made (CreationParentWindow); CreateParams leaves it alone.
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

    // ---- window ----
    // The window; created on first use.
    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded();
    void DestroyHandle();
    void RecreateWnd();
    // The window a top-level control is owned by, when it has no parent control.
    HWND ParentWindow() const { return FParentWindow; }
    void SetParentWindow(HWND Value) { FParentWindow = Value; }
    // The control of a framework window, or null.
    static TWinControl* FindControl(HWND Wnd);
    // The control of a window or of its nearest ancestor window that has one.
    static TWinControl* FindVCLWindow(HWND Wnd);

    // ---- children ----
    // In z-order: later children lie above earlier ones.
    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int Index) const { return FControls.at(static_cast<size_t>(Index)); }
    int IndexOfControl(const TControl* Control) const;
    void SetChildIndex(TControl* Control, int Index);
    // Puts a child's window where the child stands among its windowed siblings (later
    // children above earlier ones).
    void PlaceChildWindow(TWinControl* Child);
    // Sends Message to each child in list order until one answers non-zero.
    void Broadcast(TMessage& Message);
    void NotifyControls(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
    TControl* ControlAtPos(POINT Pos, bool AllowDisabled, bool AllowWinControls = false,
                           bool AllLevels = false) override;
    // The direct child the mouse is over (windowless or not), or null.
    TControl* MouseControl() const { return FMouseControl; }

    // ---- alignment ----
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

    // ---- painting ----
    // Paints the control and all its children into DC with the control's top-left at (X, Y).
    void PaintTo(HDC DC, int X, int Y);
    // Paints the windowless children from First (null: all) on DC.
    virtual void PaintControls(HDC DC, TControl* First);
    // What the framework does with the paint, erase and child-paint steps; the toolkit's
    // seams end here.
    virtual void DefaultPaint(TMessage& Message);
    virtual void DefaultEraseBackground(HDC DC);
    void DefaultPaintChild(TControl* Child, HDC DC);
    // Invalidates the window's client area (Rect null) or a part of it, through the seam.
    void InvalidateWindow(const RECT* Rect, bool Erase);
    bool DoubleBuffered() const { return FDoubleBuffered; }
    void SetDoubleBuffered(bool Value) { FDoubleBuffered = Value; }
    bool ParentDoubleBuffered() const { return FParentDoubleBuffered; }
    void SetParentDoubleBuffered(bool Value) { FParentDoubleBuffered = Value; }
    bool ParentBackground() const { return (FControlStyle & csParentBackground) != 0; }
    virtual void SetParentBackground(bool Value);
    // The colour the background is painted with: the form's colour for clDefault.
    TColor BackgroundColor() const;

    // ---- focus and keyboard ----
    virtual bool CanFocus() const;
    bool Focused() const;
    virtual void SetFocus();
    int TabOrder() const;
    void SetTabOrder(int Value);
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool Value);
    // The windowed children that take part in tabbing, in tab order, with their own
    // children after each (depth first).
    void GetTabOrderList(std::vector<TWinControl*>& List);
    // The next (or previous) control after CurControl that can take the focus.
    TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                 bool CheckParent);
    void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
    TKeyEvent OnKeyDown, OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter, OnExit;

    // ---- what the seams call at the bottom of their chains ----
    bool DefaultRouteMouse(TMessage& Message);
    TCursor DefaultCursorAt(POINT ClientPos);

    // ---- overrides ----
    bool IsShowing() const override;
    bool Showing() const { return IsShowing(); }
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    RECT GetClientRect() const override;
    POINT GetClientOrigin() const override;
    HDC GetDeviceContext(HWND& WindowHandle) override;
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
    void GetContainedControls(std::vector<TControl*>& List) const override;

  protected:
    virtual void CreateParams(TCreateParams& Params);
    // The window the new window is a child of or owned by.
    virtual HWND CreationParentWindow();
    virtual void CreateWnd();
    virtual void CreateWindowHandle(const TCreateParams& Params);
    virtual void DestroyWnd();
    virtual void DestroyWindowHandle();
    virtual void PaintWindow(HDC DC);
    void PaintHandler(HDC DC);
    // Brings the window's visibility in line with Visible and the parent's showing; sends
    // CM_SHOWINGCHANGED when the showing state changes.
    void UpdateShowing();
    void InsertControl(TControl* AControl);
    void RemoveControl(TControl* AControl);
    void DoPosition(TControl* AControl, const RECT& Rect);
    // Keyboard: the key events of the control; true from DoKeyDown/DoKeyPress/DoKeyUp when
    // a handler consumed the key.
    virtual void KeyDown(WORD& Key, TShiftState Shift);
    virtual void KeyUp(WORD& Key, TShiftState Shift);
    virtual void KeyPress(char16_t& Key);
    bool DoKeyDown(TMessage& Message);
    bool DoKeyUp(TMessage& Message);
    bool DoKeyPress(TMessage& Message);
    // Focus arrived (CM_ENTER) or left (CM_EXIT).
    virtual void DoEnter();
    virtual void DoExit();

    HWND FHandle = nullptr;

  private:
    friend class TControl;
    friend class TCustomForm;
    static LRESULT CALLBACK WindowProcedure(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
    void TrackMouse(POINT P);
    void MouseLeftWindow();
    void UpdateBoundsFromWindow();
    // A control inside this window goes away: the hovered child is forgotten.
    void ControlGone(TControl* Control);
    bool HandleKeyMessage(TMessage& Message);
    bool DoKey(TMessage& Message, void (TWinControl::*Step)(WORD&, TShiftState));
    void HandleSetCursor(TMessage& Message);
    void HandleNcHitTest(TMessage& Message);
    void HandleWindowPosChanging(TMessage& Message);
    void HandleWheelMessage(TMessage& Message);
    void HandleCancelMode();
    // Sends CM_SHOWINGCHANGED here and to the windowed children when showing changed.
    void CheckShowing();
    void SendFocusChanged();
    void ChangeTabOrderList(TWinControl* Child, int Index);

    HWND FParentWindow = nullptr;
    std::vector<TControl*> FControls;
    std::vector<TWinControl*> FTabList;
    int FAlignLevel = 0;
    POINT FDesignSize{0, 0};
    bool FDesignSizeRead = false;
    std::unique_ptr<TMargins> FPadding;
    TControl* FMouseControl = nullptr;
    bool FMouseInWindow = false;
    bool FDoubleBuffered = false;
    bool FParentDoubleBuffered = true;
    bool FTabStop = false;
    // The tab order asked for before the control had a parent.
    int FPendingTabOrder = -1;
    bool FSettingBounds = false;
    bool FShowing = false;
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

} // namespace vell::tk
