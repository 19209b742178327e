// Forms: top-level windows read from a description.
//
// A form is created in two steps so that its description is read into the complete
// object: CreateForm<T>(Owner) constructs T, reads the description stored as the program's
// RCDATA resource named after the class (upper case, e.g. "TFRM_MAIN"), then runs
// AfterConstruction, which raises OnCreate. Every form is in the screen's list of forms
// (TScreen) from construction to destruction.
#pragma once
#include "toolkit/win_control.h"

namespace vell::tk {

class TCustomForm : public TWinControl {
    VELL_CLASS_INFO()
  public:
    void GetAccessibleInfo(TAccessibleInfo& Info) const override;
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;

    // Reads the description resource named after the class; EResNotFound without one.
    void InitInheritedComponent();
    // Reads a description given as text (the same syntax as the resource).
    void ReadDescription(std::string_view Text);

    void AfterConstruction() override;
    void BeforeDestruction() override;

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle Value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition Value) { FPosition = Value; }
    bool Scaled() const { return FScaled; }
    void SetScaled(bool Value) { FScaled = Value; }
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int Value) { FPixelsPerInch = Value; }
    int TextHeight() const { return FTextHeight; }
    void SetTextHeight(int Value) { FTextHeight = Value; }
    bool OldCreateOrder() const { return FOldCreateOrder; }
    void SetOldCreateOrder(bool Value) { FOldCreateOrder = Value; }
    bool KeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool Value) { FKeyPreview = Value; }
    // While the description is read, the client size waits until the frame is known.
    void SetClientSize(int W, int H) override;
    void SetClientWidth(int Value) override;
    void SetClientHeight(int Value) override;

    // ---- layered attributes ----
    // Constant opacity of the whole window, and a colour that shows what lies beneath;
    // either makes the window layered through SetLayeredWindowAttributes.
    bool AlphaBlend() const { return FAlphaBlend; }
    void SetAlphaBlend(bool Value);
    uint8_t AlphaBlendValue() const { return FAlphaBlendValue; }
    void SetAlphaBlendValue(uint8_t Value);
    bool TransparentColor() const { return FTransparentColor; }
    void SetTransparentColor(bool Value);
    TColor TransparentColorValue() const { return FTransparentColorValue; }
    void SetTransparentColorValue(TColor Value);

    // ---- window state and activation ----
    // Normal, minimised or maximised; read from the window while it has one.
    TWindowState WindowState() const;
    void SetWindowState(TWindowState Value);
    bool Active() const { return FActive; }
    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* Control);
    // Called when a control of this form received the focus.
    void FocusedControlChanged(TWinControl* Control);

    void Close();
    // Frees the form once the messages now queued are handled.
    void Release();
    void SetVisible(bool Value) override;
    bool IsShowing() const override;
    // True while the form is being shown (its OnShow and the window's showing run); a
    // companion window (a shadow) may end the phase early to show itself.
    bool ShowingPhase() const { return FShowingPhase; }
    void SetShowingPhase(bool Value) { FShowingPhase = Value; }

    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    TNotifyEvent OnCreate, OnDestroy, OnShow, OnHide, OnActivate, OnDeactivate;
    TEvent<TObject*, TCloseAction&> OnClose;
    TEvent<TObject*, bool&> OnCloseQuery;

  protected:
    void CreateParams(TCreateParams& Params) override;
    HWND CreationParentWindow() override;
    void CreateWnd() override;
    void ChangeScale(int M, int D) override;
    void ReadState(TReader& Reader) override;
    void Loaded() override;
    virtual void DoCreate();
    virtual void DoDestroy();
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& Action);
    virtual bool CloseQuery();
    virtual void Activate();
    virtual void Deactivate();
    // Where the form goes when it is first shown (Position).
    virtual void PlaceOnFirstShow();

  private:
    friend class TWinControl;
    void ShowingChanged();
    void ApplyLayeredAttributes();
    void ApplyFormStyle();
    bool HandleDialogKey(TMessage& Message);

    TFormBorderStyle FBorderStyle = bsSizeable;
    TFormStyle FFormStyle = fsNormal;
    TPosition FPosition = poDefaultPosOnly;
    bool FScaled = true;
    int FPixelsPerInch;
    int FTextHeight = 13;
    bool FOldCreateOrder = false;
    bool FKeyPreview = false;
    bool FShownOnce = false;
    bool FShowingPhase = false;
    bool FCreated = false;
    int FPendingClientWidth = -1, FPendingClientHeight = -1;
    bool FAlphaBlend = false;
    uint8_t FAlphaBlendValue = 255;
    bool FTransparentColor = false;
    TColor FTransparentColorValue = clBlack;
    TWindowState FWindowState = wsNormal;
    bool FActive = false;
    TWinControl* FActiveControl = nullptr;
};

class TForm : public TCustomForm {
    VELL_CLASS_INFO()
  public:
    using TCustomForm::TCustomForm;
};

class EResNotFound : public ::vell::Exception {
  public:
    using ::vell::Exception::Exception;
};

// The RCDATA resource of the program (or of Module) by name, as bytes; empty when missing.
std::string LoadResourceData(const std::u16string& Name, HMODULE Module = nullptr);

// Constructs a form, reads its description and completes the construction; a failure
// frees what was built and passes the error on.
template <class F> F* CreateForm(TComponent* Owner) {
    F* form = new F(Owner);
    try {
        form->InitInheritedComponent();
        form->AfterConstruction();
    } catch (...) {
        Free(form);
        throw;
    }
    return form;
}

// Registers the framework's streamable classes (done by the application object).
void RegisterToolkitClasses();

} // namespace vell::tk
