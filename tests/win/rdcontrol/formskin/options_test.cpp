// The form skin's option objects and the hook list, without windows shown.
#include "rdcontrol/formskin/form_skin_options.h"
#include "rdcontrol/formskin/form_wnd_list.h"
#include "toolkit/forms.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vell;
using namespace vell::rd;

TEST(FormSkinOptions, DefaultsChecksAndOneChangePerCall) {
    tk::TComponent owner(nullptr);
    TEllipseSize e(&owner);
    TBorderLines b(&owner);
    TShadowFrame f(&owner);
    EXPECT_TRUE(e.Ellipse());
    EXPECT_FALSE(e.Check());
    EXPECT_EQ(b.Color(), 0xFF000006u);
    EXPECT_EQ(b.Width(), 1);
    EXPECT_FALSE(b.Check()); // not enabled

    int changes = 0;
    e.OnChange = [&] { ++changes; };
    e.SetSize(8, 0);
    EXPECT_TRUE(e.Check());
    e.SetSize(8, 0); // the same: no change
    e.SetHeight(6);
    EXPECT_EQ(changes, 2);

    // Border lines draw only when enabled, with a width, and with a side on.
    struct Case {
        bool enabled;
        int width;
        bool l, r, t, bottom;
        bool check;
    } cases[] = {
        {true, 1, true, true, true, true, true},     {true, 0, true, true, true, true, false},
        {true, -2, false, false, true, false, true}, {true, 3, false, false, false, false, false},
        {false, 3, true, true, true, true, false},
    };
    for (const Case& c : cases) {
        b.SetEnabled(c.enabled);
        b.SetWidth(c.width);
        b.SetLeft(c.l);
        b.SetRight(c.r);
        b.SetTop(c.t);
        b.SetBottom(c.bottom);
        EXPECT_EQ(b.Check(), c.check) << c.enabled << " " << c.width << " " << c.l << c.r << c.t << c.bottom;
    }

    // No change is announced while the form skin is being loaded.
    int frameChanges = 0;
    f.OnChange = [&] { ++frameChanges; };
    owner.SetState(tk::csLoading);
    f.SetLeft(4);
    owner.ClearState(tk::csLoading);
    EXPECT_EQ(frameChanges, 0);
    EXPECT_EQ(f.Left(), 4);
    f.SetRight(6);
    EXPECT_EQ(frameChanges, 1);
    EXPECT_EQ(f.Width(), 10);
}

TEST(FormSkinOptions, ShadowFrameTakesPictureMarginsWithTheirPadsOrPlainDesignMargins) {
    tk::TComponent owner(nullptr);
    TShadowFrame f(&owner);
    int changes = 0;
    f.OnChange = [&] { ++changes; };

    TRdFormSkinBkgOpt opt;
    opt.SetValue(10, 12, 14, 16);
    opt.SetPadLeft(1);
    opt.SetPadTop(2);
    opt.SetPadRight(3);
    opt.SetPadBottom(4);
    f.Assign(&opt);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ((std::vector<int>{f.Left(), f.Top(), f.Right(), f.Bottom()}),
              (std::vector<int>{11, 14, 17, 20}));

    design::TDesignRect plain;
    plain.SetValue(5, 6, 7, 8);
    f.Assign(&plain);
    EXPECT_EQ((std::vector<int>{f.Left(), f.Top(), f.Right(), f.Bottom()}), (std::vector<int>{5, 6, 7, 8}));
    EXPECT_EQ(changes, 2);

    // A picture option copies its pads with one change, also when only the pads differ.
    TRdFormSkinBkgOpt copy;
    int optChanges = 0;
    copy.OnChange = [&](design::TDesignRect&) { ++optChanges; };
    copy.Assign(&opt);
    EXPECT_EQ(optChanges, 1);
    EXPECT_EQ(copy.PadBottom(), 4);
    opt.SetPadTop(9);
    copy.Assign(&opt);
    EXPECT_EQ(optChanges, 2);
    EXPECT_EQ(copy.PadTop(), 9);
}

namespace {

// A hook that records what it sees and may act while it runs.
struct Recorder : tk::TMessageHook {
    std::string name;
    std::vector<std::string>* log;
    std::function<void()> during;
    bool handle = false;
    Recorder(std::string n, std::vector<std::string>* l) : name(std::move(n)), log(l) {}
    bool BeforeMessage(tk::TControl*, tk::TMessage& m) override {
        if (m.Msg != WM_USER + 7) return false;
        log->push_back(name + "<");
        if (during) during();
        return handle;
    }
    void AfterMessage(tk::TControl*, tk::TMessage& m) override {
        if (m.Msg == WM_USER + 7) log->push_back(name + ">");
    }
};

} // namespace

TEST(FormWndList, HooksRunInOrderOnPerformedMessagesAndTheChainSurvivesRemovalsWhileRunning) {
    auto* form = new tk::TForm(nullptr);
    TRdFormWndList* list = TRdFormWndList::Of(form);
    EXPECT_EQ(list->Name(), "RdFormWndList");
    EXPECT_EQ(TRdFormWndList::Of(form), list); // one list per control
    std::vector<std::string> log;
    Recorder a("a", &log), b("b", &log), c("c", &log);
    list->AddHook(&a);
    list->AddHook(&b);
    list->AddHook(&c);
    list->AddHook(&b); // listed already
    list->AddHook(nullptr);
    EXPECT_EQ(list->HookCount(), 3);

    form->Perform(WM_USER + 7);
    EXPECT_EQ(log, (std::vector<std::string>{"a<", "b<", "c<", "c>", "b>", "a>"}));

    // b takes a and itself out while it runs: c still runs next, and NowProc followed.
    log.clear();
    int nowDuringB = -2;
    b.during = [&] {
        list->RemoveHook(&a);
        list->RemoveHook(&b);
        nowDuringB = list->NowProc();
    };
    form->Perform(WM_USER + 7);
    EXPECT_EQ(nowDuringB, -1); // index 1 less the two removed at or before it
    EXPECT_EQ(log, (std::vector<std::string>{"a<", "b<", "c<", "c>"}));
    EXPECT_EQ(list->HookCount(), 1);
    EXPECT_EQ(list->NowProc(), -1);

    // A hook that handles the message stops the chain and the control's handling.
    log.clear();
    Recorder d("d", &log);
    c.handle = true;
    list->AddHook(&d);
    form->Perform(WM_USER + 7);
    EXPECT_EQ(log, (std::vector<std::string>{"c<", "c>"}));
    tk::Free(form);
}

TEST(FormWndList, HooksOfAComponentThatGoesLeaveTheListAndTheControlsEndEmptiesIt) {
    auto* form = new tk::TForm(nullptr);
    TRdFormWndList* list = TRdFormWndList::Of(form);
    std::vector<std::string> log;
    Recorder a("a", &log), b("b", &log);
    auto* keeper = new tk::TComponent(nullptr);
    list->AddHook(&a, keeper);
    list->AddHook(&b);
    tk::Free(keeper);
    EXPECT_EQ(list->HookCount(), 1);
    form->Perform(WM_USER + 7);
    EXPECT_EQ(log, (std::vector<std::string>{"b<", "b>"}));
    tk::Free(form); // the list goes with its control, hooks undone
}
