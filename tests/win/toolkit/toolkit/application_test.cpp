// Focus and keys, the screen's forms, form alpha and window state, calls from worker
// threads, and the framework's hints.
#include "tests/support/toolkit_helpers.h"

#include <gtest/gtest.h>

#include <thread>

using namespace vell::tk;
using namespace vell::tk::test;

namespace {
using Log = std::vector<std::string>;

// Runs the loop until Done or about two seconds passed.
template <class F> bool pumpUntil(F Done) {
    for (int i = 0; i < 200 && !Done(); ++i) {
        Application()->ProcessMessages();
        ::Sleep(10);
    }
    return Done();
}

bool sendKey(HWND w, WPARAM key) {
    MSG msg{w, WM_KEYDOWN, key, 1, 0, {0, 0}};
    return Application()->IsKeyMsg(msg);
}

// A hint window class of the test's own.
class TTestHint : public THintWindow {
    VELL_CLASS_INFO()
  public:
    using THintWindow::THintWindow;
};

struct FocusForm {
    FocusForm() : form(nullptr) {
        form.SetBounds(50, 50, 300, 200);
        for (int i = 0; i < 3; ++i) {
            auto* p = new TPanel(nullptr);
            p->SetName("p" + std::to_string(i));
            p->SetBounds(10 + 90 * i, 10, 80, 80);
            p->SetParent(&form);
            p->SetTabStop(true);
            panels.push_back(p);
        }
        form.Show();
        ::SetForegroundWindow(form.Handle());
        Application()->ProcessMessages();
    }
    TForm form;
    std::vector<TPanel*> panels;
};
} // namespace

const ClassInfo& TTestHint::StaticClass() {
    static const ClassInfo info = ClassBuilder<TTestHint>("TTestHint", &THintWindow::StaticClass()).build();
    return info;
}

TEST(Focus, TabFollowsTheTabOrderAndSkipsWhatCannotTakeTheFocus) {
    FocusForm f;
    auto& p = f.panels;
    p[2]->SetTabOrder(0); // order: p2, p0, p1
    EXPECT_EQ(p[2]->TabOrder(), 0);
    EXPECT_EQ(p[0]->TabOrder(), 1);
    Log entered;
    for (TPanel* panel : p)
        panel->OnEnter = [&entered, panel](TObject*) { entered.push_back(panel->Name()); };

    ASSERT_TRUE(p[2]->CanFocus());
    p[2]->SetFocus();
    EXPECT_TRUE(p[2]->Focused());
    EXPECT_EQ(f.form.ActiveControl(), p[2]);

    EXPECT_TRUE(sendKey(p[2]->Handle(), VK_TAB));
    EXPECT_TRUE(p[0]->Focused());
    p[1]->SetTabStop(false);
    EXPECT_TRUE(sendKey(p[0]->Handle(), VK_TAB));
    EXPECT_TRUE(p[2]->Focused()); // p1 is no tab stop: round to the start
    p[0]->SetEnabled(false);
    EXPECT_FALSE(p[0]->CanFocus());
    EXPECT_THROW(p[0]->SetFocus(), EInvalidOperation);
    EXPECT_EQ(entered, (Log{"p2", "p0", "p2"}));
}

TEST(Focus, KeysReachTheFocusedControlAndDialogCharactersTheForm) {
    FocusForm f;
    TPanel* target = f.panels[1];
    target->SetFocus();
    Log log;
    target->OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
        log.push_back("down " + std::to_string(key));
        if (key == 'Q') key = 0;
    };
    target->OnKeyPress = [&](TObject*, char16_t& key) { log.push_back(std::string("press ") + char(key)); };
    f.form.SetKeyPreview(true);
    f.form.OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
        log.push_back("form " + std::to_string(key));
    };
    ::SendMessageW(target->Handle(), WM_KEYDOWN, 'A', 1);
    ::SendMessageW(target->Handle(), WM_CHAR, 'a', 1);
    EXPECT_EQ(log, (Log{"form 65", "down 65", "press a"}));

    // A control that answers a dialog character (an accelerator) takes the key.
    struct Accel : TBlock {
        using TBlock::TBlock;
        void WndProc(TMessage& m) override {
            if (m.Msg == CM_DIALOGCHAR && m.WParam == 'x') {
                log.push_back("accel");
                m.Result = 1;
                return;
            }
            TBlock::WndProc(m);
        }
    };
    auto* accel = new Accel(f.panels[0], {0, 0, 10, 10}, 0);
    MSG ch{target->Handle(), WM_SYSCHAR, 'x', 1, 0, {0, 0}};
    EXPECT_TRUE(Application()->IsKeyMsg(ch));
    EXPECT_EQ(accel->log, (Log{"accel"}));
}

TEST(Screen, ListsEveryFormInZOrderWithTheActiveOneAndLayeredAttributes) {
    int before = Screen()->FormCount();
    {
        TForm a(nullptr), b(nullptr);
        EXPECT_EQ(Screen()->FormCount(), before + 2);
        a.SetBounds(0, 0, 100, 100);
        b.SetBounds(50, 50, 100, 100);
        a.Show();
        b.Show();
        b.BringToFront();
        Screen()->ZOrderChanged();
        EXPECT_EQ(Screen()->Forms(0), &b);
        EXPECT_EQ(Screen()->Forms(1), &a);
        a.BringToFront();
        Screen()->ZOrderChanged();
        EXPECT_EQ(Screen()->Forms(0), &a);

        a.SetAlphaBlendValue(128);
        a.SetAlphaBlend(true);
        BYTE alpha = 0;
        DWORD flags = 0;
        ASSERT_TRUE(::GetLayeredWindowAttributes(a.Handle(), nullptr, &alpha, &flags));
        EXPECT_EQ(alpha, 128);
        EXPECT_TRUE(flags & LWA_ALPHA);

        b.SetWindowState(wsMaximized);
        EXPECT_TRUE(::IsZoomed(b.Handle()));
        EXPECT_EQ(b.WindowState(), wsMaximized);
        b.SetWindowState(wsNormal);
        EXPECT_EQ(b.WindowState(), wsNormal);

        b.SetFormStyle(fsStayOnTop);
        EXPECT_TRUE(::GetWindowLongW(b.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    }
    EXPECT_EQ(Screen()->FormCount(), before);
    EXPECT_FALSE(Screen()->HintFont()->Name().empty());
    EXPECT_GT(Screen()->Fonts()->Count(), 0);
}

TEST(Threads, SynchronizeRunsOnTheUserInterfaceThreadAndQueueLater) {
    TApplication* app = Application();
    DWORD mainThread = ::GetCurrentThreadId(), ranOn = 0;
    bool done = false, failed = false, queued = false;
    std::thread worker([&] {
        app->Synchronize([&] { ranOn = ::GetCurrentThreadId(); });
        try {
            app->Synchronize([] { throw EInvalidOperation("from the loop"); });
        } catch (const EInvalidOperation&) {
            failed = true;
        }
        app->Queue([&] { queued = true; });
        done = true;
    });
    EXPECT_TRUE(pumpUntil([&] { return done && queued; }));
    worker.join();
    EXPECT_EQ(ranOn, mainThread);
    EXPECT_TRUE(failed);
}

TEST(Hints, ShowAfterThePauseInTheApplicationsWindowClassAndEndOnAClick) {
    struct Hinted : TBlock {
        using TBlock::TBlock;
        void WndProc(TMessage& m) override {
            if (m.Msg == CM_HINTSHOW) {
                auto* hi = reinterpret_cast<THintInfo*>(m.LParam);
                hi->HintStr += u"!";
                hi->HideTimeout = 0;
            }
            TBlock::WndProc(m);
        }
    };
    TApplication* app = Application();
    TForm form(nullptr);
    form.SetBounds(100, 100, 200, 200);
    form.Show();
    auto* c = new Hinted(&form, {10, 10, 50, 50}, 0);
    c->SetHint(u"short|long");
    c->SetShowHint(true);
    app->SetHintPause(10);
    app->SetHintWindowClass(&TTestHint::StaticClass());
    std::u16string shown;
    app->OnShowHint = [&](std::u16string& text, bool&, THintInfo&) { shown = text; };

    TMessage move{WM_MOUSEMOVE, 0, MAKELPARAM(5, 5), 0};
    app->HintMouseMessage(c, move);
    EXPECT_EQ(app->Hint(), u"long");
    ASSERT_TRUE(
        pumpUntil([&] { return app->HintWindow() && ::IsWindowVisible(app->HintWindow()->Handle()); }));
    EXPECT_EQ(shown, u"short!");
    EXPECT_EQ(app->HintWindow()->Caption(), u"short!");
    EXPECT_EQ(&app->HintWindow()->ClassType(), &TTestHint::StaticClass());
    int forms = Screen()->FormCount();
    bool listed = false;
    for (int i = 0; i < forms; ++i)
        listed |= Screen()->Forms(i) == app->HintWindow();
    EXPECT_TRUE(listed);

    TMessage click{WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5), 0};
    app->HintMouseMessage(c, click);
    EXPECT_FALSE(::IsWindowVisible(app->HintWindow()->Handle()));
    EXPECT_EQ(app->HintControl(), nullptr);
    app->OnShowHint = nullptr;
    app->SetHintWindowClass(nullptr);
    app->SetHintPause(500);
}

TEST(Hints, ACustomHintSizesAndPaintsTheWindowAndItsSetterPassesTheSeam) {
    struct Look : TCustomHint {
        using TCustomHint::TCustomHint;
        int sized = 0;
        void SetHintSize(THintWindow* w) override {
            ++sized;
            w->SetBounds(w->Left(), w->Top(), 77, 33);
        }
    };
    struct Refuser : TToolkitHooks {
        TCustomHint* refused = nullptr;
        void CustomHintChanging(TControl* c, TCustomHint*& v) override {
            if (v == refused) v = nullptr;
        }
    } refuser;
    TForm form(nullptr);
    form.SetBounds(100, 100, 200, 200);
    form.Show();
    Look look(nullptr), other(nullptr);
    form.SetCustomHint(&look);
    auto* c = new TBlock(&form, {10, 10, 50, 50}, 0);
    c->SetHint(u"tip");
    c->SetShowHint(true);
    EXPECT_EQ(c->EffectiveCustomHint(), &look); // from its container
    c->SetParentCustomHint(false);
    EXPECT_EQ(c->EffectiveCustomHint(), nullptr);
    c->SetParentCustomHint(true);

    look.ShowHint(c);
    TApplication* app = Application();
    ASSERT_NE(app->HintWindow(), nullptr);
    EXPECT_EQ(app->HintWindow()->CustomHint(), &look);
    EXPECT_EQ(look.sized, 1);
    EXPECT_EQ(app->HintWindow()->Width(), 77);
    look.HideHint();
    EXPECT_FALSE(::IsWindowVisible(app->HintWindow()->Handle()));
    app->CancelHint();

    refuser.refused = &other;
    InstallToolkitHooks(&refuser);
    c->SetCustomHint(&other);
    EXPECT_EQ(c->CustomHint(), nullptr);
    RemoveToolkitHooks(&refuser);
}
