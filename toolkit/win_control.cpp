// A windowed control's children (their order, tab list and messages), its scaling and
// its streaming.
#include "core/component/reader.h"
#include "toolkit/win_control.h"

#include <algorithm>

namespace vell::tk {

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), FPadding(std::make_unique<TMargins>(0)) {
    FPadding->OnChange = [this](TMargins*) { Realign(); };
}

TWinControl::~TWinControl() {
    // Child controls go with their container, whoever owns them.
    while (!FControls.empty()) {
        TControl* c = FControls.back();
        try {
            c->BeforeDestruction();
        } catch (...) {
        }
        delete c; // leaves FControls through RemoveControl
    }
    DestroyHandle();
}

void TWinControl::InsertControl(TControl* AControl) {
    FControls.push_back(AControl);
    AControl->FParent = this;
    if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
        FTabList.push_back(w);
        if (w->FPendingTabOrder >= 0) ChangeTabOrderList(w, w->FPendingTabOrder);
        w->FPendingTabOrder = -1;
    }
    AControl->Perform(CM_PARENTCOLORCHANGED);
    AControl->Perform(CM_PARENTFONTCHANGED);
    AControl->Perform(CM_PARENTSHOWHINTCHANGED);
    AControl->Perform(CM_PARENTBIDIMODECHANGED);
    AControl->UpdateAnchorRules();
    if (auto* w = dynamic_cast<TWinControl*>(AControl); w && FHandle && w->Visible()) w->HandleNeeded();
    Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
    AlignControl(AControl);
    AControl->Invalidate();
}

void TWinControl::RemoveControl(TControl* AControl) {
    auto it = std::find(FControls.begin(), FControls.end(), AControl);
    if (it == FControls.end()) return;
    Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
    AControl->Invalidate();
    if (FMouseControl == AControl) FMouseControl = nullptr;
    if (TControl* capture = GetCaptureControl(); capture && AControl->ContainsControl(capture))
        SetCaptureControl(nullptr);
    if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
        w->DestroyHandle();
        FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), w), FTabList.end());
    }
    FControls.erase(std::find(FControls.begin(), FControls.end(), AControl));
    AControl->FParent = nullptr;
    if (!InState(csDestroying)) Realign();
}

int TWinControl::IndexOfControl(const TControl* Control) const {
    auto it = std::find(FControls.begin(), FControls.end(), Control);
    return it == FControls.end() ? -1 : static_cast<int>(it - FControls.begin());
}

void TWinControl::SetChildIndex(TControl* Control, int Index) {
    int cur = IndexOfControl(Control);
    if (cur < 0) return;
    Index = std::clamp(Index, 0, ControlCount() - 1);
    if (cur != Index) {
        FControls.erase(FControls.begin() + cur);
        FControls.insert(FControls.begin() + Index, Control);
    }
    if (auto* w = dynamic_cast<TWinControl*>(Control)) PlaceChildWindow(w);
    Control->Invalidate();
}

void TWinControl::PlaceChildWindow(TWinControl* w) {
    const int Index = IndexOfControl(w);
    if (Index >= 0 && w->HandleAllocated()) {
        // The window above which the control now lies: the next windowed sibling's.
        HWND after = HWND_BOTTOM;
        for (int i = Index - 1; i >= 0; --i)
            if (auto* s = dynamic_cast<TWinControl*>(FControls[static_cast<size_t>(i)]);
                s && s->HandleAllocated()) {
                after = s->FHandle;
                break;
            }
        // Windows keeps its z-order top first: the control goes just in front of `after`.
        HWND insertAfter = after == HWND_BOTTOM ? HWND_BOTTOM : ::GetWindow(after, GW_HWNDPREV);
        if (Index == ControlCount() - 1) insertAfter = HWND_TOP;
        ::SetWindowPos(w->FHandle, insertAfter ? insertAfter : HWND_TOP, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void TWinControl::Broadcast(TMessage& Message) {
    std::vector<TControl*> list = FControls;
    for (TControl* c : list) {
        if (std::find(FControls.begin(), FControls.end(), c) == FControls.end()) continue;
        c->Perform(Message);
        if (Message.Result != 0) return;
    }
}

void TWinControl::NotifyControls(UINT Msg, WPARAM WParam, LPARAM LParam) {
    TMessage m{Msg, WParam, LParam, 0};
    Broadcast(m);
}

void TWinControl::ChangeScale(int M, int D) {
    DisableAlign();
    try {
        std::vector<TControl*> list = FControls;
        for (TControl* c : list)
            c->ChangeScale(M, D);
        FDesignSize = POINT{::MulDiv(FDesignSize.x, M, D), ::MulDiv(FDesignSize.y, M, D)};
        TControl::ChangeScale(M, D);
    } catch (...) {
        EnableAlign();
        throw;
    }
    EnableAlign();
}

void TWinControl::ReadState(TReader& Reader) {
    DisableAlign();
    try {
        TControl::ReadState(Reader);
    } catch (...) {
        --FAlignLevel;
        throw;
    }
    // Alignment waits for Loaded.
    --FAlignLevel;
}

void TWinControl::Loaded() {
    TControl::Loaded();
    Realign();
}

void TWinControl::DefineProperties(TFiler& Filer) {
    TControl::DefineProperties(Filer);
    bool anchoredChild = std::any_of(FControls.begin(), FControls.end(), [](TControl* c) {
        return c->Align() == alNone && c->Anchors() != kDefaultAnchors;
    });
    Filer.DefineProperty(
        "DesignSize",
        [this](const forms::Value& v) {
            if (v.kind != forms::ValueKind::List || v.list.size() != 2 || !v.list[0].isInteger() ||
                !v.list[1].isInteger())
                throw EFilerError("Invalid property value");
            FDesignSize = POINT{static_cast<LONG>(v.list[0].integer), static_cast<LONG>(v.list[1].integer)};
            FDesignSizeRead = true;
        },
        [this] {
            forms::Value v;
            v.kind = forms::ValueKind::List;
            RECT r = GetClientRect();
            for (LONG n : {r.right - r.left, r.bottom - r.top}) {
                forms::Value i;
                i.kind = forms::ValueKind::Integer;
                i.integer = n;
                v.list.push_back(i);
            }
            return v;
        },
        anchoredChild);
}

void TWinControl::Notification(TComponent* AComponent, TOperation Operation) {
    TControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FMouseControl) FMouseControl = nullptr;
}

void TWinControl::SetParentBackground(bool Value) {
    if (ParentBackground() == Value) return;
    if (Value)
        FControlStyle |= csParentBackground;
    else
        FControlStyle &= ~csParentBackground;
    Invalidate();
}

void TWinControl::SetZOrder(bool TopMost) {
    if (FParent) {
        TControl::SetZOrder(TopMost);
        return;
    }
    if (FHandle)
        ::SetWindowPos(FHandle, TopMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

} // namespace vell::tk
