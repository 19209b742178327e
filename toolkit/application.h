// The application object: its hidden window, the message loop with the application-wide
// message hook, key messages offered to the controls first, idle processing, calls run on
// the user-interface thread for worker threads, and the framework's hints.
#pragma once
#include "toolkit/form.h"

#include <functional>
#include <memory>

namespace vell::tk {

class TApplicationEvents;
class THintWindow;

// What a hint shows and where; a control (CM_HINTSHOW, LParam: THintInfo*) and the
// application's OnShowHint may change any of it.
struct THintInfo {
    TControl* HintControl = nullptr;
    // The hint window's class (THintWindow or one derived from it).
    const ClassInfo* HintWindowClass = nullptr;
    // Screen position of the hint window's top-left corner.
    POINT HintPos{0, 0};
    int HintMaxWidth = 0;
    TColor HintColor = clNone;
    // While the mouse stays in this rectangle (control client coordinates), the hint stays.
    RECT CursorRect{0, 0, 0, 0};
    // The mouse position in the control's client coordinates.
    POINT CursorPos{0, 0};
    // Milliseconds until the hint is asked again (0: never) and until it hides (0: never).
    int ReshowTimeout = 0;
    int HideTimeout = 0;
    std::u16string HintStr;
    void* HintData = nullptr;
};

class TApplication : public TComponent {
    VELL_CLASS_INFO()
  public:
    explicit TApplication(TComponent* AOwner = nullptr);
    ~TApplication() override;

    void Initialize() {}
    // Creates a form owned by the application; the first one becomes the main form.
    template <class F> F* CreateForm();
    TCustomForm* MainForm() const { return FMainForm; }

    // ---- the message loop ----
    // Shows the main form and handles messages until Terminate.
    void Run();
    // Handles one message if there is one; false when the queue was empty.
    bool ProcessMessage(MSG& Msg);
    // One message, or idle processing and a wait for the next when there is none.
    void HandleMessage();
    void ProcessMessages();
    void Terminate();
    bool Terminated() const { return FTerminated; }
    // Key messages go to their control as CN_ notifications first (dialog keys, dialog
    // characters, the application's key notification); true when one of them took it.
    bool IsKeyMsg(MSG& Msg);

    // ---- the application window ----
    // The hidden owner window of the application's forms (made with the application).
    HWND Handle() const { return FHandle; }
    // Hooks on the application window's messages, last added first; true: handled.
    using TWindowHook = std::function<bool(TMessage&)>;
    int HookMainWindow(TWindowHook Hook);
    void UnhookMainWindow(int Id);
    bool MainFormOnTaskBar() const { return FMainFormOnTaskBar; }
    void SetMainFormOnTaskBar(bool Value) { FMainFormOnTaskBar = Value; }
    bool ShowMainForm() const { return FShowMainForm; }
    void SetShowMainForm(bool Value) { FShowMainForm = Value; }
    const std::u16string& Title() const { return FTitle; }
    void SetTitle(const std::u16string& Value);
    // The font forms and the hints start from.
    TFont* DefaultFont() const { return FDefaultFont.get(); }
    // The windowless or windowed control the mouse was last over.
    TControl* MouseControl() const { return FMouseControl; }

    // ---- threads ----
    // Runs Call on the user-interface thread: at once from that thread, otherwise it waits
    // until the loop ran it (an exception it raised is raised again here). Once the
    // application is going away, calls still waiting return without running.
    void Synchronize(std::function<void()> Call);
    // Runs Call on the user-interface thread later, without waiting.
    void Queue(std::function<void()> Call);
    // Runs the calls waiting now (the user-interface thread only; the loop does this).
    void CheckSynchronize();
    bool InMainThread() const;

    // ---- hints ----
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);
    int HintPause() const { return FHintPause; }
    void SetHintPause(int Value) { FHintPause = Value; }
    int HintShortPause() const { return FHintShortPause; }
    void SetHintShortPause(int Value) { FHintShortPause = Value; }
    int HintHidePause() const { return FHintHidePause; }
    void SetHintHidePause(int Value) { FHintHidePause = Value; }
    TColor HintColor() const { return FHintColor; }
    void SetHintColor(TColor Value) { FHintColor = Value; }
    // The class of the hint windows (THintWindow or derived); a library replaces it.
    const ClassInfo* HintWindowClass() const { return FHintWindowClass; }
    void SetHintWindowClass(const ClassInfo* Value);
    // The hint window now in use (null before the first hint).
    THintWindow* HintWindow() const { return FHintWindow; }
    TControl* HintControl() const { return FHintControl; }
    // The framework's hint tracking, run for every mouse message a control handles: the
    // hint control changes, the show timer starts with the control's pause, a click ends
    // the hint.
    void HintMouseMessage(TControl* Control, const TMessage& Message);
    // Shows the hint control's hint at CursorPos (screen) now.
    void ActivateHint(POINT CursorPos);
    // Makes Control the hint control and shows its hint at CursorPos now.
    void ShowHintFor(TControl* Control, POINT CursorPos);
    // Hides the hint and forgets its control.
    void CancelHint();
    // Hides the hint window only.
    void HideHint();
    // The status text: the long part of the hint under the mouse ("short|long").
    const std::u16string& Hint() const { return FHint; }
    void SetHint(const std::u16string& Value);
    TEvent<std::u16string&, bool&, THintInfo&> OnShowHint;
    TNotifyEvent OnHint;

    // ---- events ----
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
    struct SyncState;
    void AddForm(TCustomForm* Form);
    void Idle();
    void CreateWindowHandle();
    static LRESULT CALLBACK WindowProcedure(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
    void MainWndProc(TMessage& Message);
    void HintTimerFired(UINT_PTR Id);
    void StartHintTimer(UINT_PTR Id, int Milliseconds);
    void StopHintTimers();
    bool IsHintMsg(const MSG& Msg) const;
    void Unlink(TControl* Control);

    TCustomForm* FMainForm = nullptr;
    bool FTerminated = false;
    bool FMainFormOnTaskBar = false;
    bool FShowMainForm = true;
    std::u16string FTitle;
    HWND FHandle = nullptr;
    std::vector<TApplicationEvents*> FEvents;
    std::vector<std::pair<int, TWindowHook>> FWindowHooks;
    int FNextHookId = 1;
    std::unique_ptr<TFont> FDefaultFont;
    TControl* FMouseControl = nullptr;
    std::shared_ptr<SyncState> FSync;

    bool FShowHint = true;
    int FHintPause = 500;
    int FHintShortPause = 50;
    int FHintHidePause = 2500;
    TColor FHintColor;
    const ClassInfo* FHintWindowClass;
    THintWindow* FHintWindow = nullptr;
    TControl* FHintControl = nullptr;
    bool FHintActive = false;
    RECT FHintCursorRect{0, 0, 0, 0};
    std::u16string FHint;
};

// The process's application object (created on first use).
TApplication* Application();
// The application object if there is one (never creates it).
TApplication* CurrentApplication();
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

template <class F> F* TApplication::CreateForm() {
    F* form = tk::CreateForm<F>(this);
    AddForm(form);
    return form;
}

// The short part of a hint "short|long" (all of it without a bar), and the long part.
std::u16string GetShortHint(const std::u16string& Hint);
std::u16string GetLongHint(const std::u16string& Hint);

} // namespace vell::tk
