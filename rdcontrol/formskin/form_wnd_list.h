// TRdFormWndList: a chain of message hooks on one control (in practice a top-level form
// that several embedded form skins follow), kept as a sub-component of that control
// named "RdFormWndList" so that every hook finds the same list.
//
// The list sits on the control's message chain (TMessageHook), so its hooks see every
// message of the control, those sent with Perform included. Hooks run in the order they
// were added: each one's BeforeMessage in turn until one handles the message, then the
// control's own handling, then the AfterMessage steps of those that saw it, last first.
// A hook may add or remove hooks while it runs; the chain continues with the hook after
// it (NowProc follows removals at or before the running hook).
#pragma once
#include "toolkit/control.h"

#include <vector>

namespace vell::rd {

class TRdFormWndList : public tk::TComponent, private tk::TMessageHook {
    VELL_CLASS_INFO()
  public:
    // The chained control is AOwner when it is a control; nothing is hooked before the
    // first AddHook.
    explicit TRdFormWndList(tk::TComponent* AOwner);
    ~TRdFormWndList() override;

    // The list of Control (found by name among its components), made when missing.
    static TRdFormWndList* Of(tk::TControl* Control);

    // Ignored for a null hook, without a chained control, or when listed already.
    // HookOwner (optional): a component whose removal takes its hooks out of the list.
    void AddHook(tk::TMessageHook* Hook, tk::TComponent* HookOwner = nullptr);
    // Removes the hook wherever it is.
    void RemoveHook(tk::TMessageHook* Hook);
    int HookCount() const { return static_cast<int>(FHooks.size()); }
    // The index of the hook now running, -1 when none.
    int NowProc() const { return FNowProc; }
    tk::TControl* ChainedControl() const { return FOwner; }

    void Notification(tk::TComponent* AComponent, tk::TOperation Operation) override;

  private:
    bool BeforeMessage(tk::TControl* Control, tk::TMessage& Message) override;
    void AfterMessage(tk::TControl* Control, tk::TMessage& Message) override;
    void ControlDestroying(tk::TControl* Control) override;
    void Unchain();

    struct Entry {
        tk::TMessageHook* Hook;
        tk::TComponent* HookOwner;
    };
    int FNowProc = -1;
    tk::TControl* FOwner = nullptr;
    bool FChained = false;
    std::vector<Entry> FHooks;
    // Per message being handled (messages nest): the hooks that saw it before the control.
    std::vector<std::vector<tk::TMessageHook*>> FSeen;
};

} // namespace vell::rd
