#include "toolkit/application.h"
#include "toolkit/control_canvas.h"
#include "toolkit/hint.h"
#include "toolkit/screen.h"
#include "toolkit/system_prefs.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace vell::tk {

namespace {
TApplication* gApplication = nullptr;

constexpr UINT_PTR kHintShowTimer = 1;
constexpr UINT_PTR kHintHideTimer = 2;
constexpr UINT_PTR kHintReshowTimer = 3;
} // namespace

// Calls waiting for the user-interface thread. Shared with the callers' threads, so that a
// caller still waiting when the application goes finds the state alive and is let go.
struct TApplication::SyncState {
    struct Call {
        std::function<void()> fn;
        bool wait = false;
        bool done = false;
        bool ran = false;
        std::exception_ptr error;
    };
    std::mutex lock;
    std::condition_variable finished;
    std::deque<std::shared_ptr<Call>> queue;
    bool closed = false;
    DWORD mainThread = ::GetCurrentThreadId();
    HWND window = nullptr;
};

const ClassInfo& TApplication::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TApplication>("TApplication", &TComponent::StaticClass()).build();
    return info;
}

TApplication::TApplication(TComponent* AOwner)
    : TComponent(AOwner), FDefaultFont(std::make_unique<TFont>()), FSync(std::make_shared<SyncState>()),
      FHintColor(static_cast<TColor>(0xFF000000 | COLOR_INFOBK)),
      FHintWindowClass(&THintWindow::StaticClass()) {
    RegisterToolkitClasses();
    CreateWindowHandle();
}

TApplication::~TApplication() {
    CancelHint();
    {
        std::lock_guard<std::mutex> g(FSync->lock);
        FSync->closed = true;
        for (auto& call : FSync->queue)
            call->done = true;
        FSync->queue.clear();
    }
    FSync->finished.notify_all();
    DestroyComponents(); // forms and their events go while this object is whole
    if (FHandle) {
        ::SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
        ::DestroyWindow(FHandle);
    }
    if (gApplication == this) gApplication = nullptr;
}

TApplication* Application() {
    if (!gApplication) gApplication = new TApplication(nullptr);
    return gApplication;
}

TApplication* CurrentApplication() {
    return gApplication;
}

void FreeApplication() {
    if (!gApplication) return;
    TApplication* app = gApplication;
    Free(app);
    gApplication = nullptr;
}

// ---- the application window ----

void TApplication::CreateWindowHandle() {
    static const wchar_t* kClass = L"TApplication";
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{sizeof(wc)};
    if (!::GetClassInfoExW(inst, kClass, &wc)) {
        wc = WNDCLASSEXW{sizeof(wc)};
        wc.lpfnWndProc = &TApplication::WindowProcedure;
        wc.hInstance = inst;
        wc.lpszClassName = kClass;
        ::RegisterClassExW(&wc);
    }
    int x = ::GetSystemMetrics(SM_CXSCREEN) / 2, y = ::GetSystemMetrics(SM_CYSCREEN) / 2;
    FHandle = ::CreateWindowExW(0, kClass, text::wcs(FTitle),
                                WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, x, y,
                                0, 0, nullptr, nullptr, inst, nullptr);
    if (FHandle) ::SetWindowLongPtrW(FHandle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    FSync->window = FHandle;
}

LRESULT CALLBACK TApplication::WindowProcedure(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    auto* app = reinterpret_cast<TApplication*>(::GetWindowLongPtrW(Wnd, GWLP_USERDATA));
    if (!app) return ::DefWindowProcW(Wnd, Msg, WParam, LParam);
    TMessage m{Msg, WParam, LParam, 0};
    try {
        app->MainWndProc(m);
    } catch (const std::exception& e) {
        app->HandleException(e);
    }
    return m.Result;
}

void TApplication::MainWndProc(TMessage& m) {
    std::vector<std::pair<int, TWindowHook>> hooks = FWindowHooks;
    for (auto it = hooks.rbegin(); it != hooks.rend(); ++it)
        if (it->second(m)) return;
    switch (m.Msg) {
    case CM_SYNCHRONIZE:
        CheckSynchronize();
        return;
    case WM_TIMER:
        HintTimerFired(m.WParam);
        return;
    case WM_ACTIVATEAPP:
        if (!m.WParam) CancelHint();
        break;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
        RefreshSystemPrefs();
        break;
    case CM_APPKEYDOWN:
    case CM_APPSYSCOMMAND:
        m.Result = 0;
        return;
    default:
        break;
    }
    m.Result = ::DefWindowProcW(FHandle, m.Msg, m.WParam, m.LParam);
}

int TApplication::HookMainWindow(TWindowHook Hook) {
    int id = FNextHookId++;
    FWindowHooks.emplace_back(id, std::move(Hook));
    return id;
}

void TApplication::UnhookMainWindow(int Id) {
    FWindowHooks.erase(std::remove_if(FWindowHooks.begin(), FWindowHooks.end(),
                                      [Id](const auto& h) { return h.first == Id; }),
                       FWindowHooks.end());
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
    if (Operation != TOperation::opRemove) return;
    if (AComponent == FMainForm) FMainForm = nullptr;
    if (AComponent == FHintWindow) FHintWindow = nullptr;
    if (AComponent == FHintControl) FHintControl = nullptr;
    if (AComponent == FMouseControl) FMouseControl = nullptr;
}

void TApplication::HandleException(const std::exception& E) {
    if (OnException) {
        OnException(this, E);
        return;
    }
    ::OutputDebugStringA(E.what());
}

// ---- the message loop ----

bool TApplication::IsKeyMsg(MSG& Msg) {
    if (Msg.message < WM_KEYFIRST || Msg.message > WM_KEYLAST || ::GetCapture()) return false;
    TWinControl* c = TWinControl::FindVCLWindow(Msg.hwnd);
    if (!c) return false;
    if (c->Perform(CN_BASE + Msg.message, Msg.wParam, Msg.lParam) != 0) return true;
    if (Msg.message == WM_KEYDOWN || Msg.message == WM_SYSKEYDOWN)
        return FHandle && ::SendMessageW(FHandle, CM_APPKEYDOWN, Msg.wParam, Msg.lParam) != 0;
    return false;
}

bool TApplication::IsHintMsg(const MSG& Msg) const {
    return FHintWindow && FHintActive && FHintWindow->IsHintMsg(Msg);
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
        if (!handled && IsHintMsg(Msg)) CancelHint();
        if (!handled) handled = IsKeyMsg(Msg);
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
    CheckSynchronize();
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

void TApplication::Terminate() {
    ::PostQuitMessage(0);
}

// ---- threads ----

bool TApplication::InMainThread() const {
    return ::GetCurrentThreadId() == FSync->mainThread;
}

void TApplication::Synchronize(std::function<void()> Call) {
    if (!Call) return;
    if (InMainThread()) {
        Call();
        return;
    }
    std::shared_ptr<SyncState> sync = FSync;
    auto call = std::make_shared<SyncState::Call>();
    call->fn = std::move(Call);
    call->wait = true;
    {
        std::unique_lock<std::mutex> g(sync->lock);
        if (sync->closed) return;
        sync->queue.push_back(call);
        ::PostMessageW(sync->window, CM_SYNCHRONIZE, 0, 0);
        sync->finished.wait(g, [&] { return call->done; });
    }
    if (call->error) std::rethrow_exception(call->error);
}

void TApplication::Queue(std::function<void()> Call) {
    if (!Call) return;
    if (InMainThread()) {
        Call();
        return;
    }
    auto call = std::make_shared<SyncState::Call>();
    call->fn = std::move(Call);
    std::lock_guard<std::mutex> g(FSync->lock);
    if (FSync->closed) return;
    FSync->queue.push_back(call);
    ::PostMessageW(FSync->window, CM_SYNCHRONIZE, 0, 0);
}

void TApplication::CheckSynchronize() {
    if (!InMainThread()) return;
    for (;;) {
        std::shared_ptr<SyncState::Call> call;
        {
            std::lock_guard<std::mutex> g(FSync->lock);
            if (FSync->queue.empty()) return;
            call = FSync->queue.front();
            FSync->queue.pop_front();
        }
        try {
            call->fn();
        } catch (const std::exception& e) {
            if (call->wait)
                call->error = std::current_exception();
            else
                HandleException(e);
        } catch (...) {
            if (call->wait) call->error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> g(FSync->lock);
            call->ran = true;
            call->done = true;
        }
        FSync->finished.notify_all();
    }
}

// ---- hints ----

std::u16string GetShortHint(const std::u16string& Hint) {
    size_t bar = Hint.find(u'|');
    return bar == std::u16string::npos ? Hint : Hint.substr(0, bar);
}

std::u16string GetLongHint(const std::u16string& Hint) {
    size_t bar = Hint.find(u'|');
    return bar == std::u16string::npos ? Hint : Hint.substr(bar + 1);
}

void TApplication::SetShowHint(bool Value) {
    if (FShowHint == Value) return;
    FShowHint = Value;
    if (!Value) CancelHint();
}

void TApplication::SetHintWindowClass(const ClassInfo* Value) {
    if (!Value || !Value->inheritsFrom(THintWindow::StaticClass())) Value = &THintWindow::StaticClass();
    FHintWindowClass = Value;
}

void TApplication::SetHint(const std::u16string& Value) {
    if (FHint == Value) return;
    FHint = Value;
    OnHint(this);
}

namespace {
// The control whose hint shows for Control: itself or the nearest container with a hint.
TControl* hintControlOf(TControl* Control) {
    for (TControl* c = Control; c; c = c->Container())
        if (c->ShowHint() && !c->Hint().empty()) return c;
    return nullptr;
}
} // namespace

void TApplication::StartHintTimer(UINT_PTR Id, int Milliseconds) {
    if (FHandle) ::SetTimer(FHandle, Id, static_cast<UINT>(std::max(Milliseconds, 1)), nullptr);
}

void TApplication::StopHintTimers() {
    if (!FHandle) return;
    for (UINT_PTR id : {kHintShowTimer, kHintHideTimer, kHintReshowTimer})
        ::KillTimer(FHandle, id);
}

// Free notifications are not counted: a control stays linked while either field holds it.
void TApplication::Unlink(TControl* Control) {
    if (Control && Control != FMouseControl && Control != FHintControl) Control->RemoveFreeNotification(this);
}

void TApplication::HintMouseMessage(TControl* Control, const TMessage& Message) {
    if (Control != FMouseControl) {
        TControl* old = FMouseControl;
        FMouseControl = Control;
        Unlink(old);
        if (Control) Control->FreeNotification(this);
    }
    if (Message.Msg == WM_MOUSEMOVE) SetHint(Control ? GetLongHint(Control->Hint()) : std::u16string());
    if (!FShowHint) return;
    TControl* next = hintControlOf(Control);
    if (Message.Msg != WM_MOUSEMOVE) {
        // A click or the wheel ends the hint.
        CancelHint();
        return;
    }
    if (next == FHintControl) return;
    if (!next) {
        CancelHint();
        return;
    }
    int pause = FHintActive ? FHintShortPause : FHintPause;
    next->Perform(CM_HINTSHOWPAUSE, FHintActive, reinterpret_cast<LPARAM>(&pause));
    bool wasActive = FHintActive;
    CancelHint();
    FHintControl = next;
    next->FreeNotification(this);
    if (!wasActive || pause != 0) {
        StartHintTimer(kHintShowTimer, pause);
    } else {
        POINT p;
        ::GetCursorPos(&p);
        ActivateHint(p);
    }
}

void TApplication::HintTimerFired(UINT_PTR Id) {
    if (FHandle) ::KillTimer(FHandle, Id);
    POINT p;
    ::GetCursorPos(&p);
    switch (Id) {
    case kHintShowTimer:
    case kHintReshowTimer:
        ActivateHint(p);
        break;
    case kHintHideTimer:
        if (!FHintWindow || FHintWindow->ShouldHideHint()) {
            HideHint();
            FHintActive = false;
        }
        break;
    default:
        break;
    }
}

void TApplication::ActivateHint(POINT CursorPos) {
    TControl* control = FHintControl;
    if (!control || !control->IsShowing() || !FShowHint) {
        CancelHint();
        return;
    }
    THintInfo info;
    info.HintControl = control;
    info.HintWindowClass = FHintWindowClass;
    info.HintPos = POINT{CursorPos.x, CursorPos.y + ::GetSystemMetrics(SM_CYCURSOR) / 2 + 4};
    info.HintMaxWidth = Screen()->Width();
    info.HintColor = FHintColor;
    info.CursorRect = control->GetClientRect();
    info.CursorPos = control->ScreenToClient(CursorPos);
    info.HideTimeout = FHintHidePause;
    info.HintStr = GetShortHint(control->Hint());
    bool canShow = control->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) == 0;
    if (canShow) OnShowHint(info.HintStr, canShow, info);
    if (!canShow || info.HintStr.empty()) {
        HideHint();
        FHintActive = false;
        return;
    }
    const ClassInfo* cls =
        info.HintWindowClass && info.HintWindowClass->inheritsFrom(THintWindow::StaticClass())
            ? info.HintWindowClass
            : &THintWindow::StaticClass();
    if (FHintWindow && &FHintWindow->ClassType() != cls) {
        THintWindow* old = FHintWindow;
        FHintWindow = nullptr;
        Free(old);
    }
    if (!FHintWindow) {
        if (!cls->createComponent) return;
        FHintWindow = dynamic_cast<THintWindow*>(cls->createComponent(this));
        if (!FHintWindow) return;
    }
    FHintWindow->SetCustomHint(control->EffectiveCustomHint());
    FHintWindow->SetColor(info.HintColor);
    RECT r = FHintWindow->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
    ::OffsetRect(&r, info.HintPos.x, info.HintPos.y);
    FHintWindow->ActivateHintData(r, info.HintStr, info.HintData);
    FHintActive = true;
    POINT tl = control->ClientToScreen(POINT{info.CursorRect.left, info.CursorRect.top});
    POINT br = control->ClientToScreen(POINT{info.CursorRect.right, info.CursorRect.bottom});
    FHintCursorRect = RECT{tl.x, tl.y, br.x, br.y};
    if (info.HideTimeout > 0) StartHintTimer(kHintHideTimer, info.HideTimeout);
    if (info.ReshowTimeout > 0) StartHintTimer(kHintReshowTimer, info.ReshowTimeout);
}

void TApplication::ShowHintFor(TControl* Control, POINT CursorPos) {
    CancelHint();
    if (!Control) return;
    FHintControl = Control;
    Control->FreeNotification(this);
    ActivateHint(CursorPos);
}

void TApplication::HideHint() {
    if (FHintWindow) FHintWindow->ReleaseHandle();
}

void TApplication::CancelHint() {
    StopHintTimers();
    HideHint();
    FHintActive = false;
    TControl* old = FHintControl;
    FHintControl = nullptr;
    Unlink(old);
}

// ---- TApplicationEvents ----

const ClassInfo& TApplicationEvents::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TApplicationEvents>("TApplicationEvents", &TComponent::StaticClass())
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
