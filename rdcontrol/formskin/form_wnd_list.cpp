#include "rdcontrol/formskin/form_wnd_list.h"

#include <algorithm>

namespace vell::rd {

namespace {
constexpr const char* kListName = "RdFormWndList";
}

const tk::ClassInfo& TRdFormWndList::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TRdFormWndList>("TRdFormWndList", &tk::TComponent::StaticClass()).build();
    return info;
}

TRdFormWndList::TRdFormWndList(tk::TComponent* AOwner)
    : tk::TComponent(AOwner), FOwner(dynamic_cast<tk::TControl*>(AOwner)) {
    SetSubComponent(true);
    if (AOwner && !AOwner->FindComponent(kListName)) SetName(kListName);
    if (FOwner) FOwner->FreeNotification(this);
}

TRdFormWndList::~TRdFormWndList() {
    Unchain();
    for (const Entry& e : FHooks)
        if (e.HookOwner) e.HookOwner->RemoveFreeNotification(this);
    FHooks.clear();
}

TRdFormWndList* TRdFormWndList::Of(tk::TControl* Control) {
    if (!Control) return nullptr;
    if (auto* list = dynamic_cast<TRdFormWndList*>(Control->FindComponent(kListName))) return list;
    return new TRdFormWndList(Control);
}

void TRdFormWndList::AddHook(tk::TMessageHook* Hook, tk::TComponent* HookOwner) {
    if (!Hook || !FOwner) return;
    if (std::any_of(FHooks.begin(), FHooks.end(), [&](const Entry& e) { return e.Hook == Hook; })) return;
    if (!FChained) {
        FOwner->AddMessageHook(this);
        FChained = true;
    }
    FHooks.push_back(Entry{Hook, HookOwner});
    if (HookOwner) HookOwner->FreeNotification(this);
}

void TRdFormWndList::RemoveHook(tk::TMessageHook* Hook) {
    for (int i = static_cast<int>(FHooks.size()) - 1; i >= 0; --i) {
        if (FHooks[static_cast<size_t>(i)].Hook != Hook) continue;
        tk::TComponent* owner = FHooks[static_cast<size_t>(i)].HookOwner;
        FHooks.erase(FHooks.begin() + i);
        // The running hook's index moves with the entries before it.
        if (FNowProc != -1 && i <= FNowProc) --FNowProc;
        const bool ownerStillListed =
            std::any_of(FHooks.begin(), FHooks.end(), [&](const Entry& e) { return e.HookOwner == owner; });
        if (owner && !ownerStillListed) owner->RemoveFreeNotification(this);
    }
}

bool TRdFormWndList::BeforeMessage(tk::TControl* Control, tk::TMessage& Message) {
    if (FHooks.empty()) return false;
    const int saved = FNowProc;
    bool handled = false;
    std::vector<tk::TMessageHook*> seen;
    for (FNowProc = 0; FNowProc >= 0 && FNowProc < static_cast<int>(FHooks.size()) && !handled; ++FNowProc) {
        tk::TMessageHook* hook = FHooks[static_cast<size_t>(FNowProc)].Hook;
        seen.push_back(hook);
        handled = hook->BeforeMessage(Control, Message);
    }
    FNowProc = saved;
    // Those that saw the message before the control see it after, last first.
    FSeen.push_back(std::move(seen));
    return handled;
}

void TRdFormWndList::AfterMessage(tk::TControl* Control, tk::TMessage& Message) {
    if (FSeen.empty()) return;
    std::vector<tk::TMessageHook*> seen = std::move(FSeen.back());
    FSeen.pop_back();
    for (auto it = seen.rbegin(); it != seen.rend(); ++it) {
        const bool listed =
            std::any_of(FHooks.begin(), FHooks.end(), [&](const Entry& e) { return e.Hook == *it; });
        if (listed) (*it)->AfterMessage(Control, Message);
    }
}

void TRdFormWndList::ControlDestroying(tk::TControl* Control) {
    // Whoever hooked through the list hears it first.
    std::vector<Entry> hooks = FHooks;
    for (const Entry& e : hooks)
        if (std::any_of(FHooks.begin(), FHooks.end(), [&](const Entry& f) { return f.Hook == e.Hook; }))
            e.Hook->ControlDestroying(Control);
    FChained = false; // the control drops its hooks itself
    FHooks.clear();
}

void TRdFormWndList::Unchain() {
    if (FChained && FOwner) FOwner->RemoveMessageHook(this);
    FChained = false;
}

void TRdFormWndList::Notification(tk::TComponent* AComponent, tk::TOperation Operation) {
    tk::TComponent::Notification(AComponent, Operation);
    if (Operation != tk::TOperation::opRemove) return;
    if (AComponent == FOwner) {
        Unchain();
        FOwner = nullptr;
        FHooks.clear();
        return;
    }
    for (int i = static_cast<int>(FHooks.size()) - 1; i >= 0; --i)
        if (FHooks[static_cast<size_t>(i)].HookOwner == AComponent)
            RemoveHook(FHooks[static_cast<size_t>(i)].Hook);
}

} // namespace vell::rd
