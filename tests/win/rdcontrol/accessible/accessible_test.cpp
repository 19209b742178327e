// A gallery-like form of nested windowless skinned controls and a windowed panel, seen
// through the platform's accessibility client calls: names, roles, states and screen
// locations (also scrolled and scaled), hit tests, navigation, default actions, events
// with child ids that map back to their controls, and objects that outlive their controls.
#include "platform/image/engine_startup.h"
#include "rdcontrol/base/graphic_control.h"
#include "rdcontrol/labels/html_label.h"
#include "rdcontrol/buttons/image_button.h"
#include "rdcontrol/labels/label.h"
#include "rdcontrol/panels/panel.h"
#include "rdcontrol/register_controls.h"
#include "rdcontrol/paint/skinned_link.h"
#include "rdcontrol/paint/skinned_paint.h"
#include "toolkit/accessible.h"
#include "toolkit/forms.h"

#include <windows.h>

#include <oleacc.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace vell;

namespace {

constexpr const char* kPage = R"(object page: TForm
  BorderStyle = bsNone
  Caption = 'Gallery'
  ClientWidth = 600
  ClientHeight = 400
  object board: TRdGraphicControl
    Left = 20
    Top = 20
    Width = 300
    Height = 240
    Caption = 'Board'
    object title: TRdLabel
      Left = 10
      Top = 10
      Width = 200
      Height = 20
      AutoSize = False
      Caption = 'Title text'
    end
    object picture: TRdImage
      Left = 10
      Top = 40
      Width = 64
      Height = 64
      Hint = 'Product icon'
    end
    object ok: TRdImageButton
      Left = 100
      Top = 40
      Width = 80
      Height = 30
      Caption = 'OK'
    end
    object remember: TRdImageButton
      Left = 100
      Top = 80
      Width = 120
      Height = 24
      Caption = 'Remember me'
      ShowCheckBox = True
      Checked = True
    end
    object inner: TRdGraphicControl
      Left = 10
      Top = 120
      Width = 200
      Height = 60
      Caption = 'Inner'
      object deep: TRdLabel
        Left = 5
        Top = 5
        Width = 100
        Height = 20
        AutoSize = False
        Caption = 'Deep label'
      end
      object links: TRdHtmLabel
        Left = 5
        Top = 30
        Width = 150
        Height = 20
        AutoSize = False
        Caption = 'See <a href="x">the site</a>'
        LinkItems = <
          item
          end>
      end
    end
    object hidden: TRdLabel
      Left = 10
      Top = 190
      Width = 80
      Height = 20
      AutoSize = False
      Caption = 'Hidden'
      Visible = False
    end
    object off: TRdImageButton
      Left = 100
      Top = 190
      Width = 80
      Height = 30
      Caption = 'Off'
      Enabled = False
    end
  end
  object side: TRdPanel
    Left = 340
    Top = 20
    Width = 200
    Height = 150
    Caption = 'side'
    ShowCaption = False
    object sideLabel: TRdLabel
      Left = 10
      Top = 10
      Width = 120
      Height = 20
      AutoSize = False
      Caption = 'On a panel'
    end
    object sketch: TRdPaintBox
      Left = 10
      Top = 40
      Width = 50
      Height = 50
      Hint = 'Sketch'
    end
  end
end
)";

VARIANT self() {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = CHILDID_SELF;
    return v;
}

VARIANT childId(long Id) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = Id;
    return v;
}

std::u16string nameOf(IAccessible* A) {
    BSTR b = nullptr;
    if (A->get_accName(self(), &b) != S_OK || !b) return u"";
    std::u16string s(reinterpret_cast<const char16_t*>(b), ::SysStringLen(b));
    ::SysFreeString(b);
    return s;
}

long roleOf(IAccessible* A) {
    VARIANT v;
    v.vt = VT_EMPTY;
    return SUCCEEDED(A->get_accRole(self(), &v)) && v.vt == VT_I4 ? v.lVal : -1;
}

long stateOf(IAccessible* A) {
    VARIANT v;
    v.vt = VT_EMPTY;
    return SUCCEEDED(A->get_accState(self(), &v)) && v.vt == VT_I4 ? v.lVal : -1;
}

RECT locationOf(IAccessible* A) {
    long l = 0, t = 0, w = 0, h = 0;
    A->accLocation(&l, &t, &w, &h, self());
    return RECT{l, t, l + w, t + h};
}

std::string str(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) +
           "," + std::to_string(r.bottom) + ")";
}

// An object a VARIANT holds as IAccessible (null when it holds none); the VARIANT's own
// reference goes.
IAccessible* take(VARIANT& V) {
    IAccessible* a = nullptr;
    if (V.vt == VT_DISPATCH && V.pdispVal) {
        V.pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&a));
        V.pdispVal->Release();
    }
    V.vt = VT_EMPTY;
    return a;
}

struct Node {
    long role, state, depth;
    RECT where;
};

// Every object below A by name, found through AccessibleChildren as a reader walks.
void walk(IAccessible* A, long Depth, std::map<std::u16string, Node>& Out) {
    long count = 0;
    ASSERT_EQ(A->get_accChildCount(&count), S_OK);
    std::vector<VARIANT> children(static_cast<size_t>(count));
    long got = 0;
    if (count > 0) ASSERT_EQ(::AccessibleChildren(A, 0, count, children.data(), &got), S_OK);
    ASSERT_EQ(got, count);
    for (VARIANT& v : children) {
        if (v.vt == VT_I4) continue; // a simple element (a link): see LinksAreSimpleElements
        IAccessible* c = take(v);
        ASSERT_NE(c, nullptr) << "every control is an object of its own";
        Out[nameOf(c)] = Node{roleOf(c), stateOf(c), Depth, locationOf(c)};
        walk(c, Depth + 1, Out);
        c->Release();
    }
}

struct AccessibleTest : ::testing::Test {
    tk::TForm* form = nullptr;
    HWND wnd = nullptr;
    POINT origin{};
    long baseline = 0;

    void SetUp() override {
        ::CoInitialize(nullptr);
        static bool engine = (image::StartImageEngine(), true);
        (void)engine;
        rd::RegisterSkinnedControls();
        baseline = tk::LiveAccessibleObjects();
        form = new tk::TForm(nullptr);
        form->ReadDescription(kPage);
        form->SetBounds(40, 30, 600, 400);
        form->Show();
        wnd = form->Handle();
        ::ClientToScreen(wnd, &origin);
        pump();
    }
    void TearDown() override {
        delete form;
        EXPECT_EQ(tk::LiveAccessibleObjects(), baseline) << "every object went with its last reference";
        ::CoUninitialize();
    }
    static void pump() {
        MSG m;
        while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&m);
    }
    template <class T = tk::TControl> T* find(const char* Name) {
        return dynamic_cast<T*>(form->FindComponent(Name));
    }
    IAccessible* root() {
        IAccessible* a = nullptr;
        EXPECT_EQ(::AccessibleObjectFromWindow(wnd, OBJID_CLIENT, __uuidof(IAccessible),
                                               reinterpret_cast<void**>(&a)),
                  S_OK);
        return a;
    }
    // Form client coordinates on the screen.
    RECT at(long X, long Y, long W, long H) const {
        return RECT{origin.x + X, origin.y + Y, origin.x + X + W, origin.y + Y + H};
    }
    IAccessible* hit(IAccessible* A, POINT P) {
        VARIANT v;
        v.vt = VT_EMPTY;
        EXPECT_EQ(A->accHitTest(P.x, P.y, &v), S_OK) << P.x << "," << P.y;
        return take(v);
    }
};

constexpr long kStateMask = STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_CHECKED |
                            STATE_SYSTEM_PRESSED | STATE_SYSTEM_MIXED | STATE_SYSTEM_HOTTRACKED |
                            STATE_SYSTEM_FOCUSED | STATE_SYSTEM_LINKED;

TEST_F(AccessibleTest, TheTreeHoldsEveryControlNestedWithNameRoleStateAndLocation) {
    IAccessible* r = root();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(nameOf(r), u"Gallery");
    EXPECT_EQ(roleOf(r), ROLE_SYSTEM_CLIENT);
    EXPECT_EQ(str(locationOf(r)), str(at(0, 0, 600, 400)));
    std::map<std::u16string, Node> tree;
    walk(r, 1, tree);
    r->Release();

    struct Case {
        std::u16string name;
        long role, state, depth;
        RECT where;
    } cases[] = {
        {u"Board", ROLE_SYSTEM_PANE, 0, 1, at(20, 20, 300, 240)},
        {u"Title text", ROLE_SYSTEM_STATICTEXT, 0, 2, at(30, 30, 200, 20)},
        {u"Product icon", ROLE_SYSTEM_GRAPHIC, 0, 2, at(30, 60, 64, 64)},
        {u"OK", ROLE_SYSTEM_PUSHBUTTON, 0, 2, at(120, 60, 80, 30)},
        {u"Remember me", ROLE_SYSTEM_CHECKBUTTON, STATE_SYSTEM_CHECKED, 2, at(120, 100, 120, 24)},
        {u"Inner", ROLE_SYSTEM_PANE, 0, 2, at(30, 140, 200, 60)},
        {u"Deep label", ROLE_SYSTEM_STATICTEXT, 0, 3, at(35, 145, 100, 20)},
        {u"See the site", ROLE_SYSTEM_STATICTEXT, STATE_SYSTEM_LINKED, 3, at(35, 170, 150, 20)},
        {u"Hidden", ROLE_SYSTEM_STATICTEXT, STATE_SYSTEM_INVISIBLE, 2, at(30, 210, 80, 20)},
        {u"Off", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_UNAVAILABLE, 2, at(120, 210, 80, 30)},
        {u"On a panel", ROLE_SYSTEM_STATICTEXT, 0, 2, at(350, 30, 120, 20)},
        {u"Sketch", ROLE_SYSTEM_GRAPHIC, 0, 2, at(350, 60, 50, 50)},
        // The panel shows no caption: it has no name.
        {u"", ROLE_SYSTEM_PANE, 0, 1, at(340, 20, 200, 150)},
    };
    EXPECT_EQ(tree.size(), std::size(cases));
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
        auto it = tree.find(c.name);
        ASSERT_NE(it, tree.end());
        EXPECT_EQ(it->second.role, c.role);
        EXPECT_EQ(it->second.state & kStateMask, c.state);
        EXPECT_EQ(it->second.depth, c.depth);
        EXPECT_EQ(str(it->second.where), str(c.where));
    }
}

// The nested label's place and the hit test at its centre follow its container's scroll
// offset and the scale its skin draws it at.
TEST_F(AccessibleTest, LocationsAndHitTestsFollowScrollingAndScale) {
    auto* board = find<rd::TRdGraphicControl>("board");
    auto* inner = find<rd::TRdGraphicControl>("inner");
    ASSERT_TRUE(board && inner);
    struct Case {
        int boardScrollY, innerScrollX, innerScale;
        RECT deep;
    } cases[] = {
        {0, 0, 100, at(35, 145, 100, 20)},  {15, 0, 100, at(35, 130, 100, 20)},
        {0, 3, 100, at(32, 145, 100, 20)},  {0, 0, 200, at(40, 150, 200, 40)},
        {10, 2, 200, at(36, 140, 200, 40)},
    };
    IAccessible* r = root();
    ASSERT_NE(r, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.boardScrollY) + " " + std::to_string(c.innerScrollX) + " " +
                     std::to_string(c.innerScale));
        board->SetScroll(0, c.boardScrollY);
        inner->SetScroll(c.innerScrollX, 0);
        inner->AllSkin()->Draw()->SetDrawScale(c.innerScale);
        IAccessible* deep = hit(r, POINT{(c.deep.left + c.deep.right) / 2, (c.deep.top + c.deep.bottom) / 2});
        ASSERT_NE(deep, nullptr);
        EXPECT_EQ(nameOf(deep), u"Deep label");
        EXPECT_EQ(str(locationOf(deep)), str(c.deep));
        deep->Release();
    }
    // A skinned window scales the windowless controls it hosts too.
    rd::StartSkinnedPainting();
    find<rd::TRdPanel>("side")->AllSkin()->Draw()->SetDrawScale(150);
    IAccessible* onPanel = hit(r, POINT{origin.x + 355 + 90, origin.y + 35 + 15});
    ASSERT_NE(onPanel, nullptr);
    EXPECT_EQ(nameOf(onPanel), u"On a panel");
    EXPECT_EQ(str(locationOf(onPanel)), str(at(355, 35, 180, 30)));
    onPanel->Release();
    rd::StopSkinnedPainting();
    r->Release();
}

TEST_F(AccessibleTest, HitTestsFindTheDeepestShownControl) {
    IAccessible* r = root();
    ASSERT_NE(r, nullptr);
    struct Case {
        POINT p;
        std::u16string name; // empty: the form itself
    } cases[] = {
        {{origin.x + 130, origin.y + 70}, u"OK"},
        {{origin.x + 50, origin.y + 80}, u"Product icon"},
        {{origin.x + 400, origin.y + 40}, u"On a panel"}, // through the panel's window
        {{origin.x + 380, origin.y + 85}, u"Sketch"},
        {{origin.x + 500, origin.y + 150}, u""},      // the panel: unnamed
        {{origin.x + 280, origin.y + 240}, u"Board"}, // the board between its children
        {{origin.x + 40, origin.y + 215}, u"Board"},  // a hidden label is not hit
        {{origin.x + 580, origin.y + 380}, u"Gallery"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
        VARIANT v;
        v.vt = VT_EMPTY;
        ASSERT_EQ(r->accHitTest(c.p.x, c.p.y, &v), S_OK);
        if (c.name == u"Gallery") {
            EXPECT_EQ(v.vt, VT_I4);
            EXPECT_EQ(v.lVal, CHILDID_SELF);
            continue;
        }
        IAccessible* a = take(v);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(nameOf(a), c.name);
        a->Release();
    }
    VARIANT outside;
    outside.vt = VT_I4;
    EXPECT_EQ(r->accHitTest(origin.x - 5, origin.y - 5, &outside), S_FALSE);
    EXPECT_EQ(outside.vt, VT_EMPTY);
    r->Release();
}

TEST_F(AccessibleTest, NavigationParentsAndChildIds) {
    IAccessible* r = root();
    ASSERT_NE(r, nullptr);
    VARIANT v;
    v.vt = VT_EMPTY;
    ASSERT_EQ(r->accNavigate(NAVDIR_FIRSTCHILD, self(), &v), S_OK);
    IAccessible* board = take(v);
    ASSERT_NE(board, nullptr);
    EXPECT_EQ(nameOf(board), u"Board");
    ASSERT_EQ(board->accNavigate(NAVDIR_NEXT, self(), &v), S_OK);
    IAccessible* side = take(v);
    ASSERT_NE(side, nullptr);
    EXPECT_EQ(roleOf(side), ROLE_SYSTEM_PANE);
    EXPECT_EQ(side->accNavigate(NAVDIR_NEXT, self(), &v), S_FALSE);
    ASSERT_EQ(side->accNavigate(NAVDIR_PREVIOUS, self(), &v), S_OK);
    IAccessible* back = take(v);
    EXPECT_EQ(nameOf(back), u"Board");
    back->Release();
    ASSERT_EQ(board->accNavigate(NAVDIR_LASTCHILD, self(), &v), S_OK);
    IAccessible* last = take(v);
    EXPECT_EQ(nameOf(last), u"Off");
    // Up again: the board, then the form, then the window's frame.
    IDispatch* up = nullptr;
    ASSERT_EQ(last->get_accParent(&up), S_OK);
    IAccessible* parent = nullptr;
    up->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&parent));
    up->Release();
    EXPECT_EQ(nameOf(parent), u"Board");
    parent->Release();
    ASSERT_EQ(board->get_accParent(&up), S_OK);
    up->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&parent));
    up->Release();
    EXPECT_EQ(nameOf(parent), u"Gallery");
    parent->Release();
    if (SUCCEEDED(r->get_accParent(&up)) && up) up->Release();

    // Child ids: 1..n the contained controls, a negative id a windowless descendant.
    auto* deep = find("deep");
    BSTR b = nullptr;
    ASSERT_EQ(r->get_accName(childId(-deep->AccessibleId()), &b), S_OK);
    EXPECT_STREQ(b, L"Deep label");
    ::SysFreeString(b);
    ASSERT_EQ(board->get_accName(childId(2), &b), S_OK);
    EXPECT_STREQ(b, L"Product icon");
    ::SysFreeString(b);
    // Ids that name nothing here are refused.
    VARIANT text;
    text.vt = VT_BSTR;
    text.bstrVal = nullptr;
    IDispatch* d = nullptr;
    for (VARIANT bad : {childId(9), childId(-999999), childId(-find("sideLabel")->AccessibleId()), text}) {
        EXPECT_EQ(board->get_accChild(bad, &d), E_INVALIDARG);
        EXPECT_EQ(d, nullptr);
    }
    EXPECT_EQ(board->get_accChild(childId(1), nullptr), E_INVALIDARG);
    EXPECT_EQ(board->accLocation(nullptr, nullptr, nullptr, nullptr, self()), E_INVALIDARG);
    last->Release();
    side->Release();
    board->Release();
    r->Release();
}

TEST_F(AccessibleTest, DefaultActionsPressButtonsAndToggleCheckBoxes) {
    auto* ok = find<rd::TRdImageButton>("ok");
    auto* remember = find<rd::TRdImageButton>("remember");
    int clicks = 0;
    ok->OnClick = [&](tk::TObject*) { ++clicks; };
    IAccessible* r = root();
    ASSERT_NE(r, nullptr);
    BSTR b = nullptr;
    struct Case {
        const char* control;
        const wchar_t* verb;
    } cases[] = {{"ok", L"Press"}, {"remember", L"Uncheck"}};
    for (const Case& c : cases) {
        ASSERT_EQ(r->get_accDefaultAction(childId(-find(c.control)->AccessibleId()), &b), S_OK);
        EXPECT_STREQ(b, c.verb);
        ::SysFreeString(b);
        EXPECT_EQ(r->accDoDefaultAction(childId(-find(c.control)->AccessibleId())), S_OK);
    }
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(remember->Checked());
    // A disabled button and a label have none.
    EXPECT_EQ(r->get_accDefaultAction(childId(-find("off")->AccessibleId()), &b), S_FALSE);
    EXPECT_EQ(r->accDoDefaultAction(childId(-find("off")->AccessibleId())), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(r->accDoDefaultAction(childId(-find("title")->AccessibleId())), DISP_E_MEMBERNOTFOUND);
    r->Release();
}

struct Event {
    DWORD event;
    HWND wnd;
    LONG object, child;
};
std::vector<Event> gEvents;
void CALLBACK onEvent(HWINEVENTHOOK, DWORD E, HWND W, LONG O, LONG C, DWORD, DWORD) {
    gEvents.push_back({E, W, O, C});
}

TEST_F(AccessibleTest, ChangesRaiseEventsWhoseChildIdsLeadBackToTheControl) {
    HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_NAMECHANGE, nullptr, &onEvent,
                                           ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    gEvents.clear();
    struct Case {
        const char* control;
        std::function<void(tk::TControl*)> change;
        DWORD event;
        std::u16string name; // what the event's object is called afterwards
        long state;          // and its state of kChanging
    } cases[] = {
        {"title", [](tk::TControl* c) { c->SetCaption(u"New title"); }, EVENT_OBJECT_NAMECHANGE, u"New title",
         0},
        {"remember", [](tk::TControl* c) { static_cast<rd::TRdImageButton*>(c)->SetChecked(false); },
         EVENT_OBJECT_STATECHANGE, u"Remember me", 0},
        {"ok", [](tk::TControl* c) { static_cast<rd::TRdImageButton*>(c)->SetCaption(u"Fine"); },
         EVENT_OBJECT_NAMECHANGE, u"Fine", 0},
        {"ok", [](tk::TControl* c) { static_cast<rd::TRdImageButton*>(c)->SetIsMouseOver(true); },
         EVENT_OBJECT_STATECHANGE, u"Fine", STATE_SYSTEM_HOTTRACKED},
        {"hidden", [](tk::TControl* c) { c->Show(); }, EVENT_OBJECT_SHOW, u"Hidden", 0},
        {"deep", [](tk::TControl* c) { c->Hide(); }, EVENT_OBJECT_HIDE, u"Deep label",
         STATE_SYSTEM_INVISIBLE},
        {"off", [](tk::TControl* c) { c->SetEnabled(true); }, EVENT_OBJECT_STATECHANGE, u"Off", 0},
    };
    constexpr long kChanging =
        STATE_SYSTEM_CHECKED | STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_HOTTRACKED;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        gEvents.clear();
        c.change(find(c.control));
        pump();
        const Event* e = nullptr;
        for (const Event& x : gEvents)
            if (x.event == c.event && x.child != CHILDID_SELF) e = &x;
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->wnd, wnd);
        EXPECT_EQ(e->object, OBJID_CLIENT);
        IAccessible* a = nullptr;
        VARIANT child;
        ASSERT_EQ(::AccessibleObjectFromEvent(e->wnd, e->object, e->child, &a, &child), S_OK);
        BSTR b = nullptr;
        ASSERT_EQ(a->get_accName(child, &b), S_OK);
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(b)), c.name);
        ::SysFreeString(b);
        VARIANT state;
        ASSERT_EQ(a->get_accState(child, &state), S_OK);
        EXPECT_EQ(state.lVal & kChanging, c.state);
        a->Release();
    }
    ::UnhookWinEvent(hook);
}

// A client that keeps objects after their controls went gets a clean error from every
// call, and the objects still go with their last reference.
TEST_F(AccessibleTest, ObjectsOfDestroyedControlsAnswerNotConnected) {
    IAccessible* r = root();
    ASSERT_NE(r, nullptr);
    IAccessible* deep = hit(r, POINT{origin.x + 40, origin.y + 150});
    IAccessible* inner = hit(r, POINT{origin.x + 200, origin.y + 190});
    ASSERT_TRUE(deep && inner);
    EXPECT_EQ(nameOf(inner), u"Inner");
    delete find("deep");
    const auto allFail = [](IAccessible* A) {
        VARIANT v;
        BSTR b = nullptr;
        long n = 0, l, t, w, h;
        IDispatch* d = nullptr;
        const HRESULT results[] = {
            A->get_accName(self(), &b),
            A->get_accRole(self(), &v),
            A->get_accState(self(), &v),
            A->get_accValue(self(), &b),
            A->get_accChildCount(&n),
            A->get_accChild(childId(1), &d),
            A->get_accParent(&d),
            A->accLocation(&l, &t, &w, &h, self()),
            A->accHitTest(0, 0, &v),
            A->accNavigate(NAVDIR_FIRSTCHILD, self(), &v),
            A->accDoDefaultAction(self()),
            A->get_accFocus(&v),
            A->get_accDefaultAction(self(), &b),
            A->get_accDescription(self(), &b),
        };
        for (HRESULT hr : results)
            EXPECT_EQ(hr, CO_E_OBJNOTCONNECTED);
    };
    allFail(deep);
    // The container lives on without the child.
    long count = 0;
    EXPECT_EQ(inner->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, 1);
    delete form;
    form = nullptr;
    allFail(inner);
    allFail(r);
    for (IAccessible* a : {deep, inner, r})
        a->Release();
}

// The links of an HTML label are simple elements of its object: numbered children with the
// link role, their place in the text, found by hit tests and followed by their action.
TEST_F(AccessibleTest, LinksAreSimpleElements) {
    auto* links = find<rd::TRdHtmLabel>("links");
    ASSERT_NE(links, nullptr);
    int clicks = 0;
    links->LinkItems()->GetItem(0)->OnClick = [&](tk::TObject*) { ++clicks; };
    IAccessible* r = root();
    ASSERT_NE(r, nullptr);
    IAccessible* label = hit(r, POINT{origin.x + 37, origin.y + 180});
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(nameOf(label), u"See the site");
    VARIANT children[2];
    long got = 0;
    ASSERT_EQ(::AccessibleChildren(label, 0, 2, children, &got), S_FALSE);
    ASSERT_EQ(got, 1);
    ASSERT_EQ(children[0].vt, VT_I4);
    const VARIANT link = children[0];
    BSTR b = nullptr;
    ASSERT_EQ(label->get_accName(link, &b), S_OK);
    EXPECT_STREQ(b, L"the site");
    ::SysFreeString(b);
    ASSERT_EQ(label->get_accDefaultAction(link, &b), S_OK);
    EXPECT_STREQ(b, L"Jump");
    ::SysFreeString(b);
    VARIANT v;
    ASSERT_EQ(label->get_accRole(link, &v), S_OK);
    EXPECT_EQ(v.lVal, ROLE_SYSTEM_LINK);
    IDispatch* d = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(label->get_accChild(link, &d), S_FALSE);
    EXPECT_EQ(d, nullptr);
    long l = 0, t = 0, w = 0, h = 0;
    ASSERT_EQ(label->accLocation(&l, &t, &w, &h, link), S_OK);
    const RECT text = at(35, 170, 150, 20);
    EXPECT_GT(w, 10);
    EXPECT_GT(l, text.left + 10) << "after \"See \"";
    EXPECT_LE(l + w, text.right);
    EXPECT_GE(t, text.top);
    EXPECT_LE(t + h, text.bottom);
    ASSERT_EQ(label->accHitTest(l + w / 2, t + h / 2, &v), S_OK);
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(v.lVal, link.lVal);
    EXPECT_EQ(label->accDoDefaultAction(link), S_OK);
    EXPECT_EQ(clicks, 1);
    label->Release();
    r->Release();
}

// A windowed control with the focus says so in its state, in the focus of the objects
// above it, and with a focus event.
TEST_F(AccessibleTest, FocusIsAStateAndAnEvent) {
    HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, &onEvent,
                                           ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    gEvents.clear();
    auto* side = find<tk::TWinControl>("side");
    ::SetForegroundWindow(wnd);
    side->SetFocus();
    pump();
    ::UnhookWinEvent(hook);
    if (::GetFocus() != side->Handle()) GTEST_SKIP() << "this display gives no window the focus";
    bool raised = false;
    for (const Event& e : gEvents)
        raised |= e.wnd == side->Handle() && e.object == OBJID_CLIENT && e.child == CHILDID_SELF;
    EXPECT_TRUE(raised);
    IAccessible* r = root();
    ASSERT_NE(r, nullptr);
    VARIANT v;
    ASSERT_EQ(r->get_accFocus(&v), S_OK);
    IAccessible* focused = take(v);
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(str(locationOf(focused)), str(at(340, 20, 200, 150)));
    EXPECT_EQ(stateOf(focused) & (STATE_SYSTEM_FOCUSED | STATE_SYSTEM_FOCUSABLE),
              STATE_SYSTEM_FOCUSED | STATE_SYSTEM_FOCUSABLE);
    EXPECT_EQ(stateOf(r) & STATE_SYSTEM_FOCUSED, 0);
    focused->Release();
    r->Release();
}

} // namespace
