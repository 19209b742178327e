// Forms, the application object and its message loop.
//
// A form is created in two steps so that its description is read into the complete
// object: CreateForm<T>(Owner) constructs T, reads the description stored as the program's
// RCDATA resource named after the class (upper case, e.g. "TFRM_MAIN"), then runs
// AfterConstruction, which raises OnCreate.
#pragma once
#include "toolkit/controls.h"

namespace vell::tk {

class TCustomForm : public TWinControl {
    VELL_CLASS_INFO()
public:
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
    void SetClientSize(int W, int H) override;
    int ClientWidthProp() const { return ClientWidth(); }
    int ClientHeightProp() const { return ClientHeight(); }
    void SetClientWidthProp(int v);
    void SetClientHeightProp(int v);

    void Close();
    // Frees the form once the messages now queued are handled.
    void Release();
    void SetVisible(bool Value) override;
    bool IsShowing() const override;

    void WndProc(TMessage& Message) override;

    TNotifyEvent OnCreate, OnDestroy, OnShow, OnHide;
    TEvent<TObject*, TCloseAction&> OnClose;
    TEvent<TObject*, bool&> OnCloseQuery;

protected:
    void CreateParams(TCreateParams& Params) override;
    void ChangeScale(int M, int D) override;
    void ReadState(TReader& Reader) override;
    void Loaded() override;
    virtual void DoCreate();
    virtual void DoDestroy();
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& Action);
    virtual bool CloseQuery();
    // Where the form goes when it is first shown (Position).
    virtual void PlaceOnFirstShow();

private:
    void ShowingChanged();

    TFormBorderStyle FBorderStyle = bsSizeable;
    TPosition FPosition = poDefaultPosOnly;
    bool FScaled = true;
    int FPixelsPerInch;
    int FTextHeight = 13;
    bool FOldCreateOrder = false;
    bool FShownOnce = false;
    bool FCreated = false;
    int FPendingClientWidth = -1, FPendingClientHeight = -1;
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

class TApplicationEvents;

class TApplication : public TComponent {
    VELL_CLASS_INFO()
public:
    explicit TApplication(TComponent* AOwner = nullptr);
    ~TApplication() override;

    void Initialize() {}
    // Creates a form owned by the application; the first one becomes the main form.
    template <class F>
    F* CreateForm();
    TCustomForm* MainForm() const { return FMainForm; }

    // Shows the main form and handles messages until Terminate.
    void Run();
    // Handles one message if there is one; false when the queue was empty.
    bool ProcessMessage(MSG& Msg);
    // One message, or waits for the next when there is none.
    void HandleMessage();
    void ProcessMessages();
    void Terminate();
    bool Terminated() const { return FTerminated; }

    // The hidden owner window of the application's forms.
    HWND Handle();
    bool MainFormOnTaskBar() const { return FMainFormOnTaskBar; }
    void SetMainFormOnTaskBar(bool Value) { FMainFormOnTaskBar = Value; }
    bool ShowMainForm() const { return FShowMainForm; }
    void SetShowMainForm(bool Value) { FShowMainForm = Value; }
    const std::u16string& Title() const { return FTitle; }
    void SetTitle(const std::u16string& Value);

    // The application-wide hook: called for every message the loop takes from the queue,
    // before it is dispatched; Handled stops it there.
    TEvent<MSG&, bool&> OnMessage;
    TNotifyEvent OnIdle;
    // Exceptions that reach the message loop; without a handler they go to the debugger.
    TEvent<TObject*, const std::exception&> OnException;
    void HandleException(const std::exception& E);

    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TApplicationEvents;
    friend class TCustomForm;
    void AddForm(TCustomForm* Form);
    void Idle();

    TCustomForm* FMainForm = nullptr;
    bool FTerminated = false;
    bool FMainFormOnTaskBar = false;
    bool FShowMainForm = true;
    std::u16string FTitle;
    HWND FHandle = nullptr;
    std::vector<TApplicationEvents*> FEvents;
};

// The process's application object (created on first use).
TApplication* Application();
// Frees the application and its forms; the next Application() creates a new one.
void FreeApplication();

// A component that receives the application's events, any number per program.
class TApplicationEvents : public TComponent {
    VELL_CLASS_INFO()
public:
    explicit TApplicationEvents(TComponent* AOwner);
    ~TApplicationEvents() override;
    TEvent<MSG&, bool&> OnMessage;
    TNotifyEvent OnIdle;
};

// Constructs a form, reads its description and completes the construction; a failure
// frees what was built and passes the error on.
template <class F>
F* CreateForm(TComponent* Owner) {
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

template <class F>
F* TApplication::CreateForm() {
    F* form = tk::CreateForm<F>(this);
    AddForm(form);
    return form;
}

// Registers the framework's streamable classes (done by the application object).
void RegisterToolkitClasses();

} // namespace vell::tk
