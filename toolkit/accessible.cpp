// The accessible object of a control (IAccessible), the answer to WM_GETOBJECT, locations,
// states and events.
//
// Sections: [run-time binding] oleacc and oleaut32, loaded on first use so that programs
// nobody inspects never load them; [ids] the windowless controls' child ids;
// [geometry] screen rectangles through nesting, scrolling and content scale; [object]
// the COM object; [entry points].
#include "toolkit/accessible.h"

#include "toolkit/form.h"

#include <oleacc.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <unordered_map>
#include <vector>

namespace vell::tk {

namespace {

// ---- [run-time binding] ----

struct AccessibilityApi {
    decltype(&::LresultFromObject) lresultFromObject = nullptr;
    decltype(&::AccessibleObjectFromWindow) objectFromWindow = nullptr;
    decltype(&::SysAllocStringLen) allocString = nullptr;
    bool ok() const { return lresultFromObject && objectFromWindow && allocString; }
};

const AccessibilityApi& api() {
    static const AccessibilityApi a = [] {
        AccessibilityApi r;
        if (HMODULE acc = ::LoadLibraryW(L"oleacc.dll")) {
            r.lresultFromObject =
                reinterpret_cast<decltype(r.lresultFromObject)>(::GetProcAddress(acc, "LresultFromObject"));
            r.objectFromWindow = reinterpret_cast<decltype(r.objectFromWindow)>(
                ::GetProcAddress(acc, "AccessibleObjectFromWindow"));
        }
        if (HMODULE aut = ::LoadLibraryW(L"oleaut32.dll"))
            r.allocString =
                reinterpret_cast<decltype(r.allocString)>(::GetProcAddress(aut, "SysAllocStringLen"));
        return r;
    }();
    return a;
}

// VariantInit without oleaut32.
void empty(VARIANT* V) {
    V->vt = VT_EMPTY;
}

// A text for a client: S_FALSE and no string for an empty one.
HRESULT giveText(const std::u16string& Text, BSTR* Out) {
    if (!Out) return E_INVALIDARG;
    *Out = nullptr;
    if (Text.empty()) return S_FALSE;
    *Out = api().allocString(text::wcs(Text), static_cast<UINT>(Text.size()));
    return *Out ? S_OK : E_OUTOFMEMORY;
}

// ---- [ids] ----

struct IdEntry {
    const TControl* control;
    std::weak_ptr<bool> alive;
};
std::unordered_map<long, IdEntry>& idMap() {
    static std::unordered_map<long, IdEntry> m;
    return m;
}
long gNextId = 0;

std::atomic<long> gLiveObjects{0};

// ---- [geometry] ----

bool isWindowed(const TControl* C) {
    auto* w = dynamic_cast<const TWinControl*>(C);
    return w && w->HandleAllocated();
}

HWND windowOf(const TControl* C) {
    return const_cast<TWinControl*>(static_cast<const TWinControl*>(C))->Handle();
}

// The screen point of client point (X, Y) of C (unscaled client coordinates).
POINT clientToScreen(const TControl* C, long X, long Y) {
    const int scale = std::max(1, C->ContentScale());
    const long x = ::MulDiv(X, scale, 100), y = ::MulDiv(Y, scale, 100);
    if (isWindowed(C) || !C->Container()) {
        POINT o{0, 0};
        if (isWindowed(C))
            ::ClientToScreen(windowOf(C), &o);
        else
            o = POINT{C->Left(), C->Top()};
        return POINT{o.x + x, o.y + y};
    }
    const TControl* k = C->Container();
    const POINT s = k->ScrollOffset();
    return clientToScreen(k, C->Left() - s.x + x, C->Top() - s.y + y);
}

// Whether a client may give W the focus: it can take it, and its top-level window is no
// window that never activates (the loading box).
bool takesFocus(const TWinControl* W) {
    if (!W->CanFocus()) return false;
    HWND top = ::GetAncestor(windowOf(W), GA_ROOT);
    return !(::GetWindowLongW(top, GWL_EXSTYLE) & WS_EX_NOACTIVATE);
}

// Visible, and every container up to the top too.
bool shown(const TControl* C) {
    for (const TControl* c = C; c; c = c->Container()) {
        if (!c->Visible()) return false;
        if (!c->Container() && isWindowed(c) && !::IsWindowVisible(windowOf(c))) return false;
    }
    return true;
}

std::vector<TControl*> contained(const TControl* C) {
    std::vector<TControl*> list;
    C->GetContainedControls(list);
    return list;
}

std::vector<TAccessiblePart> partsOf(const TControl* C) {
    std::vector<TAccessiblePart> list;
    C->GetAccessibleParts(list);
    return list;
}

RECT partScreenRect(const TControl* C, const RECT& R) {
    const POINT tl = clientToScreen(C, R.left, R.top), br = clientToScreen(C, R.right, R.bottom);
    return RECT{tl.x, tl.y, br.x, br.y};
}

// What a child id names: a control, or a part of one (Part >= 0).
struct Target {
    const TControl* control = nullptr;
    int part = -1;
    bool operator==(const Target& O) const { return control == O.control && part == O.part; }
};

// The children of C as its object numbers them from 1: its controls, then its parts.
std::vector<Target> childrenOf(const TControl* C) {
    std::vector<Target> list;
    for (const TControl* c : contained(C))
        list.push_back(Target{c, -1});
    const int parts = static_cast<int>(partsOf(C).size());
    for (int i = 0; i < parts; ++i)
        list.push_back(Target{C, i});
    return list;
}

// The deepest shown control under screen point P inside C (C when no child is there);
// windows lie above windowless siblings, later siblings above earlier ones.
const TControl* hitTest(const TControl* C, POINT P) {
    const std::vector<TControl*> list = contained(C);
    for (int pass = 0; pass < 2; ++pass)
        for (auto it = list.rbegin(); it != list.rend(); ++it) {
            const TControl* child = *it;
            if (isWindowed(child) != (pass == 0) || !child->Visible()) continue;
            const RECT r = AccessibleScreenRect(child);
            if (::PtInRect(&r, P)) return hitTest(child, P);
        }
    return C;
}

// ---- [object] ----

class TAccessibleObject final : public IAccessible {
  public:
    explicit TAccessibleObject(const TControl* Control) : FControl(Control), FAlive(AliveOf(Control)) {
        ++gLiveObjects;
    }
    ~TAccessibleObject() { --gLiveObjects; }
    TAccessibleObject(const TAccessibleObject&) = delete;
    TAccessibleObject& operator=(const TAccessibleObject&) = delete;

    // A new object with one reference for the caller.
    static IDispatch* For(const TControl* Control) { return new TAccessibleObject(Control); }

    // ---- IUnknown ----
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID Iid, void** Out) override {
        if (!Out) return E_POINTER;
        if (Iid == IID_IUnknown || Iid == IID_IDispatch || Iid == __uuidof(IAccessible)) {
            *Out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *Out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++FRefs); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long n = --FRefs;
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }

    // ---- IDispatch: no type information; clients call IAccessible directly ----
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* Count) override {
        if (!Count) return E_INVALIDARG;
        *Count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** Out) override {
        if (Out) *Out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    // ---- IAccessible: the tree ----
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** Out) override {
        return guarded(Out, [&](const TControl* self) -> HRESULT {
            if (const TControl* k = self->Container()) {
                *Out = For(k);
                return S_OK;
            }
            // A top-level control's parent is its window's frame object.
            if (isWindowed(self) && api().objectFromWindow &&
                SUCCEEDED(api().objectFromWindow(windowOf(self), OBJID_WINDOW, IID_IDispatch,
                                                 reinterpret_cast<void**>(Out))))
                return *Out ? S_OK : S_FALSE;
            return S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* Out) override {
        if (!Out) return E_INVALIDARG;
        *Out = 0;
        return guarded([&](const TControl* self) {
            *Out = static_cast<long>(childrenOf(self).size());
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT Child, IDispatch** Out) override {
        return guarded(Out, [&](const TControl* self) -> HRESULT {
            Target t;
            if (HRESULT hr = resolve(self, Child, t); hr != S_OK) return hr;
            if (t == Target{self, -1}) return E_INVALIDARG;
            if (t.part >= 0) return S_FALSE; // a simple element: the parent answers for it
            *Out = For(t.control);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long Dir, VARIANT Start, VARIANT* Out) override {
        if (!Out) return E_INVALIDARG;
        empty(Out);
        return guarded([&](const TControl* self) -> HRESULT {
            Target from;
            if (HRESULT hr = resolve(self, Start, from); hr != S_OK) return hr;
            Target to;
            switch (Dir) {
            case NAVDIR_FIRSTCHILD:
            case NAVDIR_LASTCHILD: {
                if (!(from == Target{self, -1})) return E_INVALIDARG;
                const auto list = childrenOf(self);
                if (!list.empty()) to = Dir == NAVDIR_FIRSTCHILD ? list.front() : list.back();
                break;
            }
            case NAVDIR_NEXT:
            case NAVDIR_PREVIOUS: {
                // A part's siblings are its control's children; a control's, its container's.
                const TControl* k = from.part >= 0 ? from.control : from.control->Container();
                if (!k) break;
                const auto list = childrenOf(k);
                auto it = std::find(list.begin(), list.end(), from);
                if (it == list.end()) break;
                if (Dir == NAVDIR_NEXT && it + 1 != list.end()) to = *(it + 1);
                if (Dir == NAVDIR_PREVIOUS && it != list.begin()) to = *(it - 1);
                break;
            }
            default:
                return DISP_E_MEMBERNOTFOUND;
            }
            if (!to.control) return S_FALSE;
            return give(self, to, Out);
        });
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long X, long Y, VARIANT* Out) override {
        if (!Out) return E_INVALIDARG;
        empty(Out);
        return guarded([&](const TControl* self) -> HRESULT {
            const RECT r = AccessibleScreenRect(self);
            const POINT p{X, Y};
            if (!::PtInRect(&r, p)) return S_FALSE;
            const TControl* hit = hitTest(self, p);
            if (hit != self) return give(self, Target{hit, -1}, Out);
            // A part of this control there, else the control itself.
            const auto parts = partsOf(self);
            for (size_t i = 0; i < parts.size(); ++i) {
                const RECT pr = partScreenRect(self, parts[i].Bounds);
                if (::PtInRect(&pr, p)) return give(self, Target{self, static_cast<int>(i)}, Out);
            }
            Out->vt = VT_I4;
            Out->lVal = CHILDID_SELF;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* L, long* T, long* W, long* H, VARIANT Child) override {
        if (!L || !T || !W || !H) return E_INVALIDARG;
        *L = *T = *W = *H = 0;
        return withChild(Child, [&](const Target& t, const TAccessiblePart& part) {
            const RECT r =
                t.part >= 0 ? partScreenRect(t.control, part.Bounds) : AccessibleScreenRect(t.control);
            *L = r.left, *T = r.top, *W = r.right - r.left, *H = r.bottom - r.top;
            return S_OK;
        });
    }

    // ---- IAccessible: what a control is ----
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT Child, BSTR* Out) override {
        return text(Child, Out, &TAccessibleInfo::Name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT Child, BSTR* Out) override {
        return text(Child, Out, &TAccessibleInfo::Value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT Child, BSTR* Out) override {
        return text(Child, Out, &TAccessibleInfo::Description);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT Child, BSTR* Out) override {
        return text(Child, Out, &TAccessibleInfo::DefaultAction);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT Child, VARIANT* Out) override {
        if (!Out) return E_INVALIDARG;
        empty(Out);
        return withChild(Child, [&](const Target& t, const TAccessiblePart& part) {
            TAccessibleInfo info;
            if (t.part < 0) t.control->GetAccessibleInfo(info);
            Out->vt = VT_I4;
            Out->lVal = t.part >= 0 ? part.Role : info.Role;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT Child, VARIANT* Out) override {
        if (!Out) return E_INVALIDARG;
        empty(Out);
        return withChild(Child, [&](const Target& t, const TAccessiblePart& part) {
            constexpr long kInherited = STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_UNAVAILABLE;
            const long state = AccessibleState(t.control);
            Out->vt = VT_I4;
            Out->lVal = t.part >= 0 ? part.State | (state & kInherited) : state;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* Out) override {
        if (!Out) return E_INVALIDARG;
        empty(Out);
        return guarded([&](const TControl* self) -> HRESULT {
            TWinControl* focused = TWinControl::FindControl(::GetFocus());
            if (!focused || !self->ContainsControl(focused)) return S_FALSE;
            if (focused == self) {
                Out->vt = VT_I4;
                Out->lVal = CHILDID_SELF;
            } else {
                Out->vt = VT_DISPATCH;
                Out->pdispVal = For(focused);
            }
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT Child) override {
        return withChild(Child, [&](const Target& t, const TAccessiblePart&) {
            auto* c = const_cast<TControl*>(t.control);
            const bool done =
                t.part >= 0 ? c->DoAccessiblePartAction(t.part) : c->DoAccessibleDefaultAction();
            return done ? S_OK : DISP_E_MEMBERNOTFOUND;
        });
    }
    HRESULT STDMETHODCALLTYPE accSelect(long Flags, VARIANT Child) override {
        return withChild(Child, [&](const Target& t, const TAccessiblePart&) -> HRESULT {
            auto* w = t.part < 0 ? dynamic_cast<TWinControl*>(const_cast<TControl*>(t.control)) : nullptr;
            if (Flags != SELFLAG_TAKEFOCUS || !w || !takesFocus(w)) return DISP_E_MEMBERNOTFOUND;
            w->SetFocus();
            return S_OK;
        });
    }

    // ---- IAccessible: what the toolkit does not offer ----
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* Out) override { return none(Out); }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* Out) override { return none(Out); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* File, VARIANT, long* Topic) override {
        if (Topic) *Topic = 0;
        return none(File);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* Out) override {
        if (!Out) return E_INVALIDARG;
        empty(Out);
        return live() ? S_FALSE : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }

  private:
    static std::weak_ptr<bool> AliveOf(const TControl* Control);

    // The control while it lives and is not being destroyed, else null.
    const TControl* live() const {
        const std::shared_ptr<bool> alive = FAlive.lock();
        if (!alive || !*alive || FControl->InState(csDestroying)) return nullptr;
        return FControl;
    }

    // Runs Body with the live control; nothing escapes to the client.
    template <class F> HRESULT guarded(F Body) const {
        const TControl* self = live();
        if (!self) return CO_E_OBJNOTCONNECTED;
        try {
            return Body(self);
        } catch (...) {
            return E_FAIL;
        }
    }
    template <class F> HRESULT guarded(IDispatch** Out, F Body) const {
        if (!Out) return E_INVALIDARG;
        *Out = nullptr;
        return guarded(Body);
    }

    // What a child id names: CHILDID_SELF this control, 1..n its children (controls, then
    // parts), a negative id a windowless descendant raised in an event (-AccessibleId()).
    static HRESULT resolve(const TControl* Self, const VARIANT& Child, Target& Out) {
        if (Child.vt != VT_I4) return E_INVALIDARG;
        const long id = Child.lVal;
        if (id == CHILDID_SELF) {
            Out = Target{Self, -1};
            return S_OK;
        }
        if (id > 0) {
            const auto list = childrenOf(Self);
            if (static_cast<size_t>(id) > list.size()) return E_INVALIDARG;
            Out = list[static_cast<size_t>(id) - 1];
            return S_OK;
        }
        auto& m = idMap();
        auto it = m.find(-id);
        if (it == m.end() || it->second.alive.expired()) return E_INVALIDARG;
        if (it->second.control == Self || !Self->ContainsControl(it->second.control)) return E_INVALIDARG;
        Out = Target{it->second.control, -1};
        return S_OK;
    }

    // Body(target, part): Part is the part's description when the target is a part.
    template <class F> HRESULT withChild(const VARIANT& Child, F Body) const {
        return guarded([&](const TControl* self) -> HRESULT {
            Target t;
            if (HRESULT hr = resolve(self, Child, t); hr != S_OK) return hr;
            TAccessiblePart part;
            if (t.part >= 0) {
                const auto parts = partsOf(t.control);
                if (static_cast<size_t>(t.part) >= parts.size()) return E_INVALIDARG;
                part = parts[static_cast<size_t>(t.part)];
            }
            return Body(t, part);
        });
    }

    // A child for a client: a control as an object of its own, a part of this control by
    // its number here; S_FALSE for a part of another control.
    HRESULT give(const TControl* Self, const Target& T, VARIANT* Out) const {
        if (T.part < 0) {
            Out->vt = VT_DISPATCH;
            Out->pdispVal = For(T.control);
            return S_OK;
        }
        if (T.control != Self) return S_FALSE;
        const auto list = childrenOf(Self);
        auto it = std::find(list.begin(), list.end(), T);
        Out->vt = VT_I4;
        Out->lVal = static_cast<long>(it - list.begin()) + 1;
        return S_OK;
    }

    HRESULT text(const VARIANT& Child, BSTR* Out, std::u16string TAccessibleInfo::*Field) const {
        if (!Out) return E_INVALIDARG;
        *Out = nullptr;
        return withChild(Child, [&](const Target& t, const TAccessiblePart& part) {
            if (t.part >= 0) {
                if (Field == &TAccessibleInfo::Name) return giveText(part.Name, Out);
                if (Field == &TAccessibleInfo::DefaultAction) return giveText(part.DefaultAction, Out);
                return S_FALSE;
            }
            TAccessibleInfo info;
            t.control->GetAccessibleInfo(info);
            return giveText(info.*Field, Out);
        });
    }

    HRESULT none(BSTR* Out) const {
        if (Out) *Out = nullptr;
        return live() ? S_FALSE : CO_E_OBJNOTCONNECTED;
    }

    std::atomic<long> FRefs{1};
    const TControl* FControl;
    std::weak_ptr<bool> FAlive;
};

} // namespace

// A friend's view of the control's life flag.
class TAccessibleAccess {
  public:
    static std::weak_ptr<bool> Alive(const TControl* C) { return C->AliveFlag(); }
};

std::weak_ptr<bool> TAccessibleObject::AliveOf(const TControl* Control) {
    return TAccessibleAccess::Alive(Control);
}

// ---- [entry points] ----

long TControl::AccessibleId() const {
    if (FAccessibleId == 0) {
        FAccessibleId = ++gNextId;
        auto& m = idMap();
        // Forget the controls that went whenever the map has doubled since the last look,
        // so that ids cost constant time on average.
        static size_t pruneAt = 64;
        if (m.size() >= pruneAt) {
            for (auto it = m.begin(); it != m.end();)
                it = it->second.alive.expired() ? m.erase(it) : std::next(it);
            pruneAt = std::max<size_t>(64, m.size() * 2);
        }
        m[FAccessibleId] = IdEntry{this, AliveFlag()};
    }
    return FAccessibleId;
}

bool AnswerGetObject(TWinControl* Control, TMessage& Message) {
    if (static_cast<LONG>(Message.LParam) != OBJID_CLIENT || !api().ok()) return false;
    IDispatch* object = TAccessibleObject::For(Control);
    Message.Result = api().lresultFromObject(__uuidof(IAccessible), Message.WParam, object);
    object->Release();
    return true;
}

void NotifyAccessibleEvent(TControl* Control, DWORD Event) {
    if (!Control || Control->InState(csLoading) || Control->InState(csReading) ||
        Control->InState(csDestroying))
        return;
    if (auto* w = dynamic_cast<TWinControl*>(Control); w && w->HandleAllocated()) {
        ::NotifyWinEvent(Event, w->Handle(), OBJID_CLIENT, CHILDID_SELF);
        return;
    }
    if (dynamic_cast<TWinControl*>(Control)) return;
    TWinControl* window = Control->Parent();
    if (!window || !window->HandleAllocated()) return;
    ::NotifyWinEvent(Event, window->Handle(), OBJID_CLIENT, -Control->AccessibleId());
}

RECT AccessibleScreenRect(const TControl* Control) {
    if (isWindowed(Control)) {
        HWND w = windowOf(Control);
        RECT r{};
        ::GetClientRect(w, &r);
        ::MapWindowPoints(w, nullptr, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    const TControl* k = Control->Container();
    if (!k)
        return RECT{Control->Left(), Control->Top(), Control->Left() + Control->Width(),
                    Control->Top() + Control->Height()};
    const POINT s = k->ScrollOffset();
    const long x = Control->Left() - s.x, y = Control->Top() - s.y;
    const POINT tl = clientToScreen(k, x, y);
    const POINT br = clientToScreen(k, x + Control->Width(), y + Control->Height());
    return RECT{tl.x, tl.y, br.x, br.y};
}

long AccessibleState(const TControl* Control) {
    TAccessibleInfo info;
    Control->GetAccessibleInfo(info);
    long state = info.State;
    if (!shown(Control)) state |= STATE_SYSTEM_INVISIBLE;
    if (!Control->Enabled()) state |= STATE_SYSTEM_UNAVAILABLE;
    if (auto* w = dynamic_cast<const TWinControl*>(Control)) {
        if (takesFocus(w)) state |= STATE_SYSTEM_FOCUSABLE;
        if (w->HandleAllocated() && ::GetFocus() == const_cast<TWinControl*>(w)->Handle())
            state |= STATE_SYSTEM_FOCUSED;
    }
    return state;
}

long LiveAccessibleObjects() {
    return gLiveObjects.load();
}

// ---- the framework's own answers ----

void TControl::GetAccessibleInfo(TAccessibleInfo& Info) const {
    Info.Name = Text();
    Info.Role = ROLE_SYSTEM_PANE;
}

void TWinControl::GetContainedControls(std::vector<TControl*>& List) const {
    for (TControl* c : FControls)
        if (c->Container() == this) List.push_back(c);
}

} // namespace vell::tk
