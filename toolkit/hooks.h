// Seams through which a library changes the framework's behaviour.
//
// Two kinds, both composable:
//
// - TToolkitHooks: behaviour for every control of the process (message pre-processing,
//   invalidation, erasing, bounds and alignment, window positions, layered attributes,
//   custom hints). What belongs to one class is that class's own virtual, not a link. Hooks objects form
//   a chain: the last installed runs first, and each call's default passes it on to the
//   link installed before, down to the framework's own behaviour at the bottom. A link
//   changes what it needs and calls Next() for the rest, or stops there by not calling it.
//
// - TMessageHook: one control's messages, before and after the control's own handling,
//   whether they came through its window or were sent with Perform. Hooks on a control run
//   last-added first before the control, and in the opposite order after it.
#pragma once
#include "toolkit/types.h"

namespace vell::tk {

class TControl;
class TWinControl;
class TCustomHint;

class TToolkitHooks {
  public:
    TToolkitHooks() = default;
    TToolkitHooks(const TToolkitHooks&) = delete;
    TToolkitHooks& operator=(const TToolkitHooks&) = delete;
    // A link still installed removes itself.
    virtual ~TToolkitHooks();

    // Every message of every control (windowed or not, from its window or sent with
    // Perform), before the control's message hooks and its own WndProc; true: handled.
    virtual bool PreProcessMessage(TControl* Control, TMessage& Message);
    // Invalidation of a framework window (Rect null: the whole client area).
    virtual void InvalidateWindow(TWinControl* Control, const RECT* Rect, bool Erase);
    // The erase-background message of a windowed control.
    virtual void EraseBackground(TWinControl* Control, HDC DC);
    // After a control's bounds changed (moved and/or resized).
    virtual void BoundsChanged(TControl* Control, bool Moved, bool Resized);
    // After a control asked its container to realign it.
    virtual void AlignRequested(TControl* Control);
    // WM_WINDOWPOSCHANGING of a windowed control, before the framework's handling.
    virtual void WindowPosChanging(TWinControl* Control, WINDOWPOS& Pos);
    // A form's constant opacity or colour key given to its layered window (a shadow that
    // follows the form listens here); false when the platform refused.
    virtual bool SetLayeredAttributes(TWinControl* Control, COLORREF Key, BYTE Alpha, DWORD Flags);
    // A control's CustomHint is about to become Value; a link may change Value (to null: the
    // control keeps no custom hint) before the control stores it.
    virtual void CustomHintChanging(TControl* Control, TCustomHint*& Value);

    bool Installed() const { return FInstalled; }

  protected:
    // The link installed before this one (the framework at the bottom).
    TToolkitHooks& Next() const;

  private:
    friend void InstallToolkitHooks(TToolkitHooks* Hooks);
    friend void RemoveToolkitHooks(TToolkitHooks* Hooks);
    TToolkitHooks* FNext = nullptr;
    bool FInstalled = false;
};

// Puts Hooks on top of the chain (a link already installed stays where it is).
void InstallToolkitHooks(TToolkitHooks* Hooks);
// Takes Hooks out of the chain wherever it is; the links around it join up.
void RemoveToolkitHooks(TToolkitHooks* Hooks);
// The top of the chain: where the framework asks.
TToolkitHooks& ToolkitHooks();

class TMessageHook {
  public:
    virtual ~TMessageHook() = default;
    // Before the control handles Message; true: handled, the control does not see it (the
    // after step still runs for the hooks that saw it before).
    virtual bool BeforeMessage(TControl* Control, TMessage& Message) { return false; }
    virtual void AfterMessage(TControl* Control, TMessage& Message) {}
    // The control is being destroyed; the hook is detached from it afterwards.
    virtual void ControlDestroying(TControl* Control) {}
};

} // namespace vell::tk
