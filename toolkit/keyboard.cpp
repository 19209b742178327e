// Focus and keyboard: which windowed control can take the focus, tab order and tab stops,
// key events, and the keys a form takes for itself (dialog keys such as Tab, and dialog
// characters such as a label's accelerator).
#include "toolkit/form.h"

#include <algorithm>

namespace vell::tk {

// ---- focus ----

bool TWinControl::CanFocus() const {
    const TControl* c = this;
    for (; c; c = c->Container()) {
        if (!c->Visible() || !c->Enabled()) return false;
        if (!c->Container()) break;
    }
    auto* top = dynamic_cast<const TWinControl*>(c);
    return top && top->FHandle && ::IsWindowVisible(top->FHandle) && ::IsWindowEnabled(top->FHandle);
}

bool TWinControl::Focused() const {
    return FHandle && ::GetFocus() == FHandle;
}

void TWinControl::SetFocus() {
    if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    HWND wnd = Handle();
    if (::GetFocus() != wnd) ::SetFocus(wnd);
}

void TWinControl::DoEnter() {
    OnEnter(this);
}
void TWinControl::DoExit() {
    OnExit(this);
}

// ---- tab order ----

int TWinControl::TabOrder() const {
    if (!FParent) return FPendingTabOrder;
    const auto& list = FParent->FTabList;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int Value) {
    if (!FParent) {
        FPendingTabOrder = Value;
        return;
    }
    FParent->ChangeTabOrderList(this, Value);
}

// Moves Child to Index of the tab list (the end for an index outside it).
void TWinControl::ChangeTabOrderList(TWinControl* Child, int Index) {
    auto it = std::find(FTabList.begin(), FTabList.end(), Child);
    if (it == FTabList.end()) return;
    FTabList.erase(it);
    if (Index < 0 || Index > static_cast<int>(FTabList.size())) Index = static_cast<int>(FTabList.size());
    FTabList.insert(FTabList.begin() + Index, Child);
}

void TWinControl::SetTabStop(bool Value) {
    if (FTabStop == Value) return;
    FTabStop = Value;
    Perform(CM_TABSTOPCHANGED);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
    for (TWinControl* c : FTabList) {
        List.push_back(c);
        c->GetTabOrderList(List);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty()) return nullptr;
    const int n = static_cast<int>(list.size());
    auto it = std::find(list.begin(), list.end(), CurControl);
    int start = it == list.end() ? (GoForward ? n - 1 : 0) : static_cast<int>(it - list.begin());
    int i = start;
    for (int step = 0; step < n; ++step) {
        i = GoForward ? (i + 1) % n : (i + n - 1) % n;
        TWinControl* c = list[static_cast<size_t>(i)];
        if (c == CurControl) break;
        if (CheckTabStop && !c->TabStop()) continue;
        if (CheckParent && c->Parent() != this) continue;
        if (c->CanFocus()) return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
    if (TWinControl* c = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop)) c->SetFocus();
}

// ---- key events ----

void TWinControl::KeyDown(WORD& Key, TShiftState Shift) {
    OnKeyDown(this, Key, Shift);
}
void TWinControl::KeyUp(WORD& Key, TShiftState Shift) {
    OnKeyUp(this, Key, Shift);
}
void TWinControl::KeyPress(char16_t& Key) {
    OnKeyPress(this, Key);
}

namespace {
// A form with KeyPreview sees its controls' keys first.
TCustomForm* previewForm(TWinControl* c) {
    TCustomForm* f = GetParentForm(c);
    return f && f != c && f->KeyPreview() ? f : nullptr;
}
} // namespace

// The form previews the key first (KeyPreview); a handler that sets the key to 0 takes it.
bool TWinControl::DoKey(TMessage& m, void (TWinControl::*Step)(WORD&, TShiftState)) {
    WORD key = static_cast<WORD>(m.WParam);
    TShiftState shift = KeyboardStateToShiftState();
    if (TCustomForm* f = previewForm(this)) {
        (f->*Step)(key, shift);
        if (key == 0) return true;
    }
    (this->*Step)(key, shift);
    m.WParam = key;
    return key == 0;
}

bool TWinControl::DoKeyDown(TMessage& m) {
    return DoKey(m, &TWinControl::KeyDown);
}
bool TWinControl::DoKeyUp(TMessage& m) {
    return DoKey(m, &TWinControl::KeyUp);
}

bool TWinControl::DoKeyPress(TMessage& m) {
    char16_t key = static_cast<char16_t>(m.WParam);
    if (TCustomForm* f = previewForm(this)) {
        f->KeyPress(key);
        if (key == 0) return true;
    }
    KeyPress(key);
    m.WParam = key;
    return key == 0;
}

// The keys a control's window receives, and their CN_ reflections the application sends
// first (TApplication::IsKeyMsg). Returns true when the message was handled here.
bool TWinControl::HandleKeyMessage(TMessage& m) {
    switch (m.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (DoKeyDown(m)) return true;
        return false;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        return DoKeyUp(m);
    case WM_CHAR:
        return DoKeyPress(m);
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: {
        m.Result = 1;
        if (InState(csDesigning)) {
            m.Result = 0;
            return true;
        }
        if (Perform(CM_CHILDKEY, m.WParam, reinterpret_cast<LPARAM>(this)) != 0) return true;
        UINT mask = 0;
        switch (m.WParam) {
        case VK_TAB:
            mask = DLGC_WANTTAB;
            break;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            mask = DLGC_WANTARROWS;
            break;
        case VK_RETURN:
        case VK_EXECUTE:
        case VK_ESCAPE:
        case VK_CANCEL:
            mask = DLGC_WANTALLKEYS;
            break;
        default:
            break;
        }
        if (mask && Perform(CM_WANTSPECIALKEY, m.WParam) == 0 && (Perform(WM_GETDLGCODE) & mask) == 0)
            if (TCustomForm* f = GetParentForm(this); f && f->Perform(CM_DIALOGKEY, m.WParam, m.LParam) != 0)
                return true;
        m.Result = 0;
        return true;
    }
    case CN_CHAR:
    case CN_SYSCHAR:
        m.Result = 1;
        if (!InState(csDesigning) && (m.Msg == CN_SYSCHAR || (Perform(WM_GETDLGCODE) & DLGC_WANTCHARS) == 0))
            if (TCustomForm* f = GetParentForm(this); f && f->Perform(CM_DIALOGCHAR, m.WParam, m.LParam) != 0)
                return true;
        m.Result = 0;
        return true;
    case CM_CHILDKEY:
        // Offered to every container up to the form.
        if (FParent) m.Result = FParent->Perform(CM_CHILDKEY, m.WParam, m.LParam);
        return true;
    case CM_DIALOGCHAR:
    case CM_DIALOGKEY:
        // A container asks its children (a label's accelerator answers).
        Broadcast(m);
        return true;
    default:
        return false;
    }
}

} // namespace vell::tk
