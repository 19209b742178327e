#include "toolkit/form.h"
#include "toolkit/accessible.h"
#include "core/component/reader.h"
#include "toolkit/application.h"
#include "toolkit/screen.h"

#include <algorithm>
#include <oleacc.h>

namespace vell::tk {

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
            .ord("AlphaBlend", BooleanType(), &TCustomForm::AlphaBlend, &TCustomForm::SetAlphaBlend, 0)
            .ord("AlphaBlendValue", ByteType(), &TCustomForm::AlphaBlendValue,
                 &TCustomForm::SetAlphaBlendValue, 255)
            .ord("BorderStyle", BorderStyleType(), &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle,
                 bsSizeable)
            .ord("ClientHeight", IntegerType(), &TCustomForm::ClientHeight, &TCustomForm::SetClientHeight)
            .ord("ClientWidth", IntegerType(), &TCustomForm::ClientWidth, &TCustomForm::SetClientWidth)
            .ord("FormStyle", FormStyleType(), &TCustomForm::FormStyle, &TCustomForm::SetFormStyle, fsNormal)
            .ord("KeyPreview", BooleanType(), &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview, 0)
            .ord("OldCreateOrder", BooleanType(), &TCustomForm::OldCreateOrder,
                 &TCustomForm::SetOldCreateOrder)
            .ord("PixelsPerInch", IntegerType(), &TCustomForm::PixelsPerInch, &TCustomForm::SetPixelsPerInch)
            .ord("Position", PositionType(), &TCustomForm::Position, &TCustomForm::SetPosition,
                 poDefaultPosOnly)
            .ord("Scaled", BooleanType(), &TCustomForm::Scaled, &TCustomForm::SetScaled, 1)
            .ord("TextHeight", IntegerType(), &TCustomForm::TextHeight, &TCustomForm::SetTextHeight)
            .ord("TransparentColor", BooleanType(), &TCustomForm::TransparentColor,
                 &TCustomForm::SetTransparentColor, 0)
            .ord("TransparentColorValue", ColorType(), &TCustomForm::TransparentColorValue,
                 &TCustomForm::SetTransparentColorValue, clBlack)
            .ord("WindowState", WindowStateType(), &TCustomForm::WindowState, &TCustomForm::SetWindowState,
                 wsNormal)
            .event("OnActivate", &TCustomForm::OnActivate)
            .event("OnClose", &TCustomForm::OnClose)
            .event("OnCloseQuery", &TCustomForm::OnCloseQuery)
            .event("OnCreate", &TCustomForm::OnCreate)
            .event("OnDeactivate", &TCustomForm::OnDeactivate)
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
    Screen()->AddForm(this);
}

TCustomForm::~TCustomForm() {
    Screen()->RemoveForm(this);
    if (TApplication* app = CurrentApplication(); app && app->FMainForm == this) app->FMainForm = nullptr;
}

void TCustomForm::InitInheritedComponent() {
    std::u16string name;
    for (char c : ClassName())
        name += static_cast<char16_t>(std::toupper(static_cast<unsigned char>(c)));
    std::string text = LoadResourceData(name);
    if (text.empty()) throw EResNotFound("Resource " + ClassName() + " not found");
    ReadDescription(text);
}

void TCustomForm::ReadDescription(std::string_view Text) {
    TReader(this).ReadRootComponent(Text);
}

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

void TCustomForm::DoCreate() {
    OnCreate(this);
}
void TCustomForm::DoDestroy() {
    OnDestroy(this);
}
void TCustomForm::DoShow() {
    OnShow(this);
}
void TCustomForm::DoHide() {
    OnHide(this);
}
void TCustomForm::DoClose(TCloseAction& Action) {
    OnClose(this, Action);
}
void TCustomForm::Activate() {
    OnActivate(this);
}
void TCustomForm::Deactivate() {
    OnDeactivate(this);
}

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

void TCustomForm::SetFormStyle(TFormStyle Value) {
    if (FFormStyle == Value) return;
    FFormStyle = Value;
    ApplyFormStyle();
}

void TCustomForm::ApplyFormStyle() {
    if (!FHandle || Parent()) return;
    ::SetWindowPos(FHandle, FFormStyle == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// ---- client size while reading ----

void TCustomForm::SetClientSize(int W, int H) {
    if (InState(csReading)) {
        // The frame is known once the whole description is read.
        FPendingClientWidth = W, FPendingClientHeight = H;
        return;
    }
    TWinControl::SetClientSize(W, H);
}

void TCustomForm::SetClientWidth(int Value) {
    if (InState(csReading))
        FPendingClientWidth = Value;
    else
        TWinControl::SetClientWidth(Value);
}

void TCustomForm::SetClientHeight(int Value) {
    if (InState(csReading))
        FPendingClientHeight = Value;
    else
        TWinControl::SetClientHeight(Value);
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

void TCustomForm::Loaded() {
    TWinControl::Loaded();
}

void TCustomForm::ChangeScale(int M, int D) {
    if (D == 0) return;
    DisableAlign();
    try {
        for (int i = 0; i < ControlCount(); ++i)
            Controls(i)->ChangeScale(M, D);
        if (!ParentFont()) Font()->SetHeight(::MulDiv(Font()->Height(), M, D));
        TWinControl::SetClientSize(::MulDiv(ClientWidth(), M, D), ::MulDiv(ClientHeight(), M, D));
    } catch (...) {
        EnableAlign();
        throw;
    }
    EnableAlign();
}

// ---- the window ----

void TCustomForm::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    Params.Style &= ~(WS_CHILD | WS_VISIBLE);
    Params.Style |= WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    switch (FBorderStyle) {
    case bsNone:
        Params.Style |= WS_POPUP;
        break;
    case bsSingle:
        Params.Style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
        break;
    case bsSizeable:
        Params.Style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME;
        break;
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
    if (Parent()) return;
    if (FFormStyle == fsStayOnTop) Params.ExStyle |= WS_EX_TOPMOST;
    if (FAlphaBlend || FTransparentColor) Params.ExStyle |= WS_EX_LAYERED;
    TApplication* app = CurrentApplication();
    if (app && app->MainFormOnTaskBar() && (!app->MainForm() || app->MainForm() == this))
        Params.ExStyle |= WS_EX_APPWINDOW;
}

HWND TCustomForm::CreationParentWindow() {
    if (Parent()) return TWinControl::CreationParentWindow();
    TApplication* app = Application();
    TCustomForm* main = app->MainForm();
    if (app->MainFormOnTaskBar() && (!main || main == this)) return nullptr;
    if (app->MainFormOnTaskBar() && main->HandleAllocated()) return main->Handle();
    return app->Handle();
}

void TCustomForm::CreateWnd() {
    TWinControl::CreateWnd();
    ApplyLayeredAttributes();
}

// ---- layered attributes ----

void TCustomForm::SetAlphaBlend(bool Value) {
    if (FAlphaBlend == Value) return;
    FAlphaBlend = Value;
    ApplyLayeredAttributes();
}

void TCustomForm::SetAlphaBlendValue(uint8_t Value) {
    if (FAlphaBlendValue == Value) return;
    FAlphaBlendValue = Value;
    ApplyLayeredAttributes();
}

void TCustomForm::SetTransparentColor(bool Value) {
    if (FTransparentColor == Value) return;
    FTransparentColor = Value;
    ApplyLayeredAttributes();
}

void TCustomForm::SetTransparentColorValue(TColor Value) {
    if (FTransparentColorValue == Value) return;
    FTransparentColorValue = Value;
    ApplyLayeredAttributes();
}

void TCustomForm::ApplyLayeredAttributes() {
    if (!FHandle || Parent() || InState(csLoading)) return;
    LONG ex = ::GetWindowLongW(FHandle, GWL_EXSTYLE);
    if (!FAlphaBlend && !FTransparentColor) {
        // Only a window this form made layered goes back: a form that hands its pixels to
        // UpdateLayeredWindow itself keeps its style.
        return;
    }
    if (!(ex & WS_EX_LAYERED)) ::SetWindowLongW(FHandle, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    DWORD flags = (FAlphaBlend ? LWA_ALPHA : 0) | (FTransparentColor ? LWA_COLORKEY : 0);
    ToolkitHooks().SetLayeredAttributes(this, ColorToRGB(FTransparentColorValue), FAlphaBlendValue, flags);
}

// ---- window state and activation ----

TWindowState TCustomForm::WindowState() const {
    if (FHandle && !Parent()) {
        if (::IsIconic(FHandle)) return wsMinimized;
        if (::IsZoomed(FHandle)) return wsMaximized;
        if (::IsWindowVisible(FHandle)) return wsNormal;
    }
    return FWindowState;
}

void TCustomForm::SetWindowState(TWindowState Value) {
    FWindowState = Value;
    if (!FHandle || Parent() || !::IsWindowVisible(FHandle) || WindowState() == Value) return;
    ::ShowWindow(FHandle, Value == wsMinimized   ? SW_MINIMIZE
                          : Value == wsMaximized ? SW_MAXIMIZE
                                                 : SW_RESTORE);
}

void TCustomForm::SetActiveControl(TWinControl* Control) {
    if (Control && (!ContainsControl(Control) || Control == this))
        throw EInvalidOperation("Invalid ActiveControl");
    if (Control && Control->CanFocus() && FActive)
        Control->SetFocus();
    else
        FocusedControlChanged(Control);
}

void TCustomForm::FocusedControlChanged(TWinControl* Control) {
    if (Control == this) Control = nullptr;
    if (Control == FActiveControl) return;
    TWinControl* old = FActiveControl;
    FActiveControl = Control;
    if (Control) Control->FreeNotification(this);
    // Exit from the old chain up to the common container, enter into the new one.
    for (TWinControl* c = old; c && c != this && !(Control && c->ContainsControl(Control)); c = c->Parent())
        c->Perform(CM_EXIT);
    std::vector<TWinControl*> entered;
    for (TWinControl* c = Control; c && c != this && !(old && c->ContainsControl(old)); c = c->Parent())
        entered.push_back(c);
    for (auto it = entered.rbegin(); it != entered.rend(); ++it)
        (*it)->Perform(CM_ENTER);
    // Every control of the form hears which control has the focus now.
    TMessage m{CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Control), 0};
    Broadcast(m);
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FActiveControl) FActiveControl = nullptr;
}

bool TCustomForm::HandleDialogKey(TMessage& m) {
    switch (m.WParam) {
    case VK_TAB:
        if (::GetKeyState(VK_CONTROL) >= 0) {
            SelectNext(FActiveControl, ::GetKeyState(VK_SHIFT) >= 0, true);
            m.Result = 1;
            return true;
        }
        return false;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
        if (FActiveControl && FActiveControl->Parent()) {
            FActiveControl->Parent()->SelectNext(FActiveControl, m.WParam == VK_RIGHT || m.WParam == VK_DOWN,
                                                 false);
            m.Result = 1;
            return true;
        }
        return false;
    default:
        return false;
    }
}

// ---- showing and closing ----

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
        if (!ref)
            if (TApplication* app = CurrentApplication()) ref = app->MainForm();
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
        // The form may go during its own showing (its OnShow frees it).
        std::weak_ptr<bool> alive = AliveFlag();
        auto gone = [&] { return alive.expired() || !*alive.lock(); };
        FShowingPhase = true;
        try {
            DoShow();
        } catch (...) {
            if (!gone()) FShowingPhase = false;
            throw;
        }
        if (gone()) return;
        // DoShow may have shown the window its own way already.
        if (FHandle && Visible() && !::IsWindowVisible(FHandle))
            ::ShowWindow(FHandle, FWindowState == wsMinimized   ? SW_SHOWMINIMIZED
                                  : FWindowState == wsMaximized ? SW_SHOWMAXIMIZED
                                                                : SW_SHOWNORMAL);
        if (gone()) return;
        FShowingPhase = false;
        ApplyFormStyle();
    } else {
        DoHide();
        if (FHandle) ::ShowWindow(FHandle, SW_HIDE);
    }
    Screen()->ZOrderChanged();
    CheckShowing();
}

void TCustomForm::Close() {
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    TApplication* app = CurrentApplication();
    if (app && app->MainForm() == this)
        app->Terminate();
    else if (action == caHide)
        SetVisible(false);
    else if (action == caMinimize && FHandle)
        ::ShowWindow(FHandle, SW_MINIMIZE);
    else if (action == caFree)
        Release();
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
    case WM_ACTIVATE: {
        bool active = LOWORD(m.WParam) != WA_INACTIVE;
        if (active != FActive) {
            FActive = active;
            Perform(active ? CM_ACTIVATE : CM_DEACTIVATE);
        }
        break;
    }
    case CM_ACTIVATE:
        Screen()->SetActiveForm(this);
        if (FActiveControl && FActiveControl->CanFocus() && ::GetFocus() != FActiveControl->Handle())
            FActiveControl->SetFocus();
        Activate();
        return;
    case CM_DEACTIVATE:
        Deactivate();
        return;
    case WM_SIZE:
        if (!Parent())
            FWindowState = m.WParam == SIZE_MINIMIZED   ? wsMinimized
                           : m.WParam == SIZE_MAXIMIZED ? wsMaximized
                                                        : wsNormal;
        break;
    case WM_WINDOWPOSCHANGED:
        if (auto* wp = reinterpret_cast<const WINDOWPOS*>(m.LParam); wp && !(wp->flags & SWP_NOZORDER))
            Screen()->ZOrderChanged();
        break;
    case CM_DIALOGKEY:
        if (HandleDialogKey(m)) return;
        break;
    case CM_APPSYSCOMMAND:
        if (TApplication* app = CurrentApplication(); app && app->Handle())
            m.Result = ::SendMessageW(app->Handle(), CM_APPSYSCOMMAND, m.WParam, m.LParam);
        return;
    default:
        break;
    }
    TWinControl::WndProc(m);
}

void TCustomForm::GetAccessibleInfo(TAccessibleInfo& Info) const {
    TWinControl::GetAccessibleInfo(Info);
    Info.Role = ROLE_SYSTEM_CLIENT;
}

} // namespace vell::tk
