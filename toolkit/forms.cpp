#include "toolkit/forms.h"
#include "core/component/reader.h"

#include <algorithm>

namespace vell::tk {

namespace {
TApplication* gApplication = nullptr;
} // namespace

// ---- resources ----

std::string LoadResourceData(const std::u16string& Name, HMODULE Module) {
    if (!Module) Module = ::GetModuleHandleW(nullptr);
    HRSRC res = ::FindResourceW(Module, text::wcs(Name), MAKEINTRESOURCEW(10)); // RT_RCDATA
    if (!res) return {};
    HGLOBAL data = ::LoadResource(Module, res);
    DWORD size = ::SizeofResource(Module, res);
    const void* bytes = data ? ::LockResource(data) : nullptr;
    if (!bytes || size == 0) return {};
    return std::string(static_cast<const char*>(bytes), size);
}

// ---- TCustomForm ----

const ClassInfo& TCustomForm::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TCustomForm>("TCustomForm", &TWinControl::StaticClass())
            .ord("BorderStyle", BorderStyleType(), &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle, bsSizeable)
            .ord("ClientHeight", IntegerType(), &TCustomForm::ClientHeightProp, &TCustomForm::SetClientHeightProp)
            .ord("ClientWidth", IntegerType(), &TCustomForm::ClientWidthProp, &TCustomForm::SetClientWidthProp)
            .ord("OldCreateOrder", BooleanType(), &TCustomForm::OldCreateOrder, &TCustomForm::SetOldCreateOrder)
            .ord("PixelsPerInch", IntegerType(), &TCustomForm::PixelsPerInch, &TCustomForm::SetPixelsPerInch)
            .ord("Position", PositionType(), &TCustomForm::Position, &TCustomForm::SetPosition, poDefaultPosOnly)
            .ord("Scaled", BooleanType(), &TCustomForm::Scaled, &TCustomForm::SetScaled, 1)
            .ord("TextHeight", IntegerType(), &TCustomForm::TextHeight, &TCustomForm::SetTextHeight)
            .event("OnClose", &TCustomForm::OnClose)
            .event("OnCloseQuery", &TCustomForm::OnCloseQuery)
            .event("OnCreate", &TCustomForm::OnCreate)
            .event("OnDestroy", &TCustomForm::OnDestroy)
            .event("OnHide", &TCustomForm::OnHide)
            .event("OnShow", &TCustomForm::OnShow)
            .build();
    return info;
}

const ClassInfo& TForm::StaticClass() {
    static const ClassInfo info = ClassBuilder<TForm>("TForm", &TCustomForm::StaticClass()).build();
    return info;
}

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner), FPixelsPerInch(ScreenPixelsPerInch()) {
    RegisterToolkitClasses();
    InitVisible(false);
    SetColor(clBtnFace);
    FControlStyle |= csAcceptsControls;
    SetBounds(0, 0, 320, 240);
}

TCustomForm::~TCustomForm() {
    if (gApplication && gApplication->FMainForm == this) gApplication->FMainForm = nullptr;
}

void TCustomForm::InitInheritedComponent() {
    std::u16string name;
    for (char c : ClassName()) name += static_cast<char16_t>(std::toupper(static_cast<unsigned char>(c)));
    std::string text = LoadResourceData(name);
    if (text.empty()) throw EResNotFound("Resource " + ClassName() + " not found");
    ReadDescription(text);
}

void TCustomForm::ReadDescription(std::string_view Text) { TReader(this).ReadRootComponent(Text); }

void TCustomForm::AfterConstruction() {
    TWinControl::AfterConstruction();
    FCreated = true;
    if (!FOldCreateOrder) DoCreate();
}

void TCustomForm::BeforeDestruction() {
    TWinControl::BeforeDestruction();
    if (FCreated) {
        FCreated = false;
        DoDestroy();
    }
    DestroyHandle();
}

void TCustomForm::DoCreate() { OnCreate(this); }
void TCustomForm::DoDestroy() { OnDestroy(this); }
void TCustomForm::DoShow() { OnShow(this); }
void TCustomForm::DoHide() { OnHide(this); }
void TCustomForm::DoClose(TCloseAction& Action) { OnClose(this, Action); }

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
    if (FBorderStyle == Value) return;
    FBorderStyle = Value;
    RecreateWnd();
}

void TCustomForm::SetClientSize(int W, int H) {
    if (InState(csReading)) {
        // The frame is known once the whole description is read.
        FPendingClientWidth = W, FPendingClientHeight = H;
        return;
    }
    TWinControl::SetClientSize(W, H);
}

void TCustomForm::SetClientWidthProp(int v) {
    if (InState(csReading)) {
        FPendingClientWidth = v;
        return;
    }
    SetClientWidth(v);
}

void TCustomForm::SetClientHeightProp(int v) {
    if (InState(csReading)) {
        FPendingClientHeight = v;
        return;
    }
    SetClientHeight(v);
}

void TCustomForm::ReadState(TReader& Reader) {
    TWinControl::ReadState(Reader);
    ClearState(csReading);
    if (FPendingClientWidth >= 0 || FPendingClientHeight >= 0) {
        int w = FPendingClientWidth >= 0 ? FPendingClientWidth : ClientWidth();
        int h = FPendingClientHeight >= 0 ? FPendingClientHeight : ClientHeight();
        FPendingClientWidth = FPendingClientHeight = -1;
        TWinControl::SetClientSize(w, h);
    }
    if (FScaled && FPixelsPerInch > 0 && FPixelsPerInch != ScreenPixelsPerInch()) {
        ScaleBy(ScreenPixelsPerInch(), FPixelsPerInch);
        FPixelsPerInch = ScreenPixelsPerInch();
    }
    SetState(csReading);
}

void TCustomForm::Loaded() { TWinControl::Loaded(); }

void TCustomForm::ChangeScale(int M, int D) {
    if (D == 0) return;
    DisableAlign();
    try {
        for (int i = 0; i < ControlCount(); ++i) Controls(i)->ChangeScale(M, D);
        if (!ParentFont()) Font()->SetHeight(::MulDiv(Font()->Height(), M, D));
        TWinControl::SetClientSize(::MulDiv(ClientWidth(), M, D), ::MulDiv(ClientHeight(), M, D));
    } catch (...) {
        EnableAlign();
        throw;
    }
    EnableAlign();
}

void TCustomForm::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    Params.Style &= ~(WS_CHILD | WS_VISIBLE);
    Params.Style |= WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    switch (FBorderStyle) {
    case bsNone: Params.Style |= WS_POPUP; break;
    case bsSingle: Params.Style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX; break;
    case bsSizeable: Params.Style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME; break;
    case bsDialog:
        Params.Style |= WS_POPUP | WS_CAPTION | WS_SYSMENU;
        Params.ExStyle |= WS_EX_DLGMODALFRAME;
        break;
    case bsToolWindow:
        Params.Style |= WS_CAPTION | WS_SYSMENU;
        Params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    case bsSizeToolWin:
        Params.Style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
        Params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    if (FProbingParams || Parent()) return;
    TApplication* app = Application();
    TCustomForm* main = app->MainForm();
    if (app->MainFormOnTaskBar() && (!main || main == this)) {
        Params.WndParent = nullptr;
        Params.ExStyle |= WS_EX_APPWINDOW;
    } else if (app->MainFormOnTaskBar() && main->HandleAllocated()) {
        Params.WndParent = main->Handle();
    } else {
        Params.WndParent = app->Handle();
    }
}

void TCustomForm::SetVisible(bool Value) {
    if (Value == Visible()) {
        if (Value && !(FHandle && ::IsWindowVisible(FHandle))) ShowingChanged();
        return;
    }
    TWinControl::SetVisible(Value);
}

bool TCustomForm::IsShowing() const {
    if (Parent()) return TWinControl::IsShowing();
    return Visible() && FHandle && ::IsWindowVisible(FHandle);
}

void TCustomForm::PlaceOnFirstShow() {
    int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    switch (FPosition) {
    case poScreenCenter:
        SetBounds((sw - Width()) / 2, (sh - Height()) / 2, Width(), Height());
        break;
    case poDesktopCenter: {
        int x = ::GetSystemMetrics(SM_XVIRTUALSCREEN), y = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
        int w = ::GetSystemMetrics(SM_CXVIRTUALSCREEN), h = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
        SetBounds(x + (w - Width()) / 2, y + (h - Height()) / 2, Width(), Height());
        break;
    }
    case poMainFormCenter:
    case poOwnerFormCenter: {
        TCustomForm* ref = FPosition == poOwnerFormCenter ? dynamic_cast<TCustomForm*>(Owner()) : nullptr;
        if (!ref && gApplication) ref = gApplication->MainForm();
        if (ref && ref != this)
            SetBounds(ref->Left() + (ref->Width() - Width()) / 2, ref->Top() + (ref->Height() - Height()) / 2,
                      Width(), Height());
        else
            SetBounds((sw - Width()) / 2, (sh - Height()) / 2, Width(), Height());
        break;
    }
    default:
        break;
    }
}

void TCustomForm::ShowingChanged() {
    if (Visible()) {
        HandleNeeded();
        if (!FShownOnce) {
            FShownOnce = true;
            PlaceOnFirstShow();
        }
        DoShow();
        // DoShow may have shown the window its own way already.
        if (FHandle && Visible() && !::IsWindowVisible(FHandle)) ::ShowWindow(FHandle, SW_SHOWNORMAL);
    } else {
        DoHide();
        if (FHandle) ::ShowWindow(FHandle, SW_HIDE);
    }
}

void TCustomForm::Close() {
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (gApplication && gApplication->MainForm() == this) gApplication->Terminate();
    else if (action == caHide) SetVisible(false);
    else if (action == caMinimize && FHandle) ::ShowWindow(FHandle, SW_MINIMIZE);
    else if (action == caFree) Release();
}

void TCustomForm::Release() {
    if (FHandle) ::PostMessageW(FHandle, CM_RELEASE, 0, 0);
}

void TCustomForm::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_CLOSE:
        Close();
        return;
    case CM_VISIBLECHANGED:
        if (!Parent()) {
            ShowingChanged();
            return;
        }
        break;
    default:
        break;
    }
    TWinControl::WndProc(m);
}

// ---- TApplication ----

const ClassInfo& TApplication::StaticClass() {
    static const ClassInfo info = ClassBuilder<TApplication>("TApplication", &TComponent::StaticClass()).build();
    return info;
}

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) { RegisterToolkitClasses(); }

TApplication::~TApplication() {
    DestroyComponents(); // forms and their events go while this object is whole
    if (FHandle) ::DestroyWindow(FHandle);
    if (gApplication == this) gApplication = nullptr;
}

TApplication* Application() {
    if (!gApplication) gApplication = new TApplication(nullptr);
    return gApplication;
}

void FreeApplication() {
    if (!gApplication) return;
    TApplication* app = gApplication;
    Free(app);
    gApplication = nullptr;
}

HWND TApplication::Handle() {
    if (FHandle) return FHandle;
    static const wchar_t* kClass = L"TApplication";
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{sizeof(wc)};
    if (!::GetClassInfoExW(inst, kClass, &wc)) {
        wc = WNDCLASSEXW{sizeof(wc)};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = inst;
        wc.lpszClassName = kClass;
        ::RegisterClassExW(&wc);
    }
    int x = ::GetSystemMetrics(SM_CXSCREEN) / 2, y = ::GetSystemMetrics(SM_CYSCREEN) / 2;
    FHandle = ::CreateWindowExW(0, kClass, text::wcs(FTitle), WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU |
                                                            WS_MINIMIZEBOX,
                                x, y, 0, 0, nullptr, nullptr, inst, nullptr);
    return FHandle;
}

void TApplication::SetTitle(const std::u16string& Value) {
    FTitle = Value;
    if (FHandle) ::SetWindowTextW(FHandle, text::wcs(Value));
}

void TApplication::AddForm(TCustomForm* Form) {
    if (!FMainForm) {
        Form->HandleNeeded();
        FMainForm = Form;
    }
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FMainForm) FMainForm = nullptr;
}

void TApplication::HandleException(const std::exception& E) {
    if (OnException) {
        OnException(this, E);
        return;
    }
    ::OutputDebugStringA(E.what());
}

bool TApplication::ProcessMessage(MSG& Msg) {
    if (!::PeekMessageW(&Msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (Msg.message == WM_QUIT) {
        FTerminated = true;
        return true;
    }
    bool handled = false;
    try {
        OnMessage(Msg, handled);
        std::vector<TApplicationEvents*> events = FEvents;
        for (TApplicationEvents* e : events) {
            if (handled) break;
            if (std::find(FEvents.begin(), FEvents.end(), e) != FEvents.end()) e->OnMessage(Msg, handled);
        }
    } catch (const std::exception& e) {
        HandleException(e);
    }
    if (!handled) {
        ::TranslateMessage(&Msg);
        ::DispatchMessageW(&Msg);
    }
    return true;
}

void TApplication::Idle() {
    FreeDeviceContexts();
    try {
        OnIdle(this);
        std::vector<TApplicationEvents*> events = FEvents;
        for (TApplicationEvents* e : events)
            if (std::find(FEvents.begin(), FEvents.end(), e) != FEvents.end()) e->OnIdle(this);
    } catch (const std::exception& e) {
        HandleException(e);
    }
    if (!FTerminated) ::WaitMessage();
}

void TApplication::HandleMessage() {
    MSG msg;
    if (!ProcessMessage(msg)) Idle();
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (ProcessMessage(msg)) {
    }
}

void TApplication::Run() {
    if (!FMainForm) return;
    if (FShowMainForm) FMainForm->SetVisible(true);
    while (!FTerminated) {
        try {
            HandleMessage();
        } catch (const std::exception& e) {
            HandleException(e);
        }
    }
}

void TApplication::Terminate() { ::PostQuitMessage(0); }

// ---- TApplicationEvents ----

const ClassInfo& TApplicationEvents::StaticClass() {
    static const ClassInfo info = ClassBuilder<TApplicationEvents>("TApplicationEvents", &TComponent::StaticClass())
                                      .event("OnIdle", &TApplicationEvents::OnIdle)
                                      .event("OnMessage", &TApplicationEvents::OnMessage)
                                      .build();
    return info;
}

TApplicationEvents::TApplicationEvents(TComponent* AOwner) : TComponent(AOwner) {
    Application()->FEvents.push_back(this);
}

TApplicationEvents::~TApplicationEvents() {
    if (gApplication) {
        auto& list = gApplication->FEvents;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

} // namespace vell::tk
