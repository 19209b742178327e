// The toolkit's seams: hook chains that compose, pre-processing before a control's own
// handling, and per-control message hooks that see Perform-sent notifications.
#include "tests/support/toolkit_helpers.h"

#include <gtest/gtest.h>

using namespace vell::tk;
using namespace vell::tk::test;

namespace {
using Log = std::vector<std::string>;

// Records every invalidation of a window, and may stop it there.
struct Recorder : TToolkitHooks {
    Recorder(std::string name, Log& log, bool stop = false) : name(std::move(name)), log(log), stop(stop) {}
    std::string name;
    Log& log;
    bool stop;
    void InvalidateWindow(TWinControl* c, const RECT* r, bool erase) override {
        log.push_back(name);
        if (!stop) TToolkitHooks::InvalidateWindow(c, r, erase);
    }
    bool PreProcessMessage(TControl* c, TMessage& m) override {
        if (m.Msg == CM_COLORCHANGED && dynamic_cast<TPanel*>(c)) {
            log.push_back(name + " colour");
            return stop;
        }
        return TToolkitHooks::PreProcessMessage(c, m);
    }
};

struct Watcher : TMessageHook {
    Watcher(std::string name, Log& log, UINT swallow = 0)
        : name(std::move(name)), log(log), swallow(swallow) {}
    std::string name;
    Log& log;
    UINT swallow;
    bool BeforeMessage(TControl*, TMessage& m) override {
        if (m.Msg != CM_TEXTCHANGED && m.Msg != CM_SHOWINGCHANGED && m.Msg != WM_SIZE) return false;
        log.push_back(name + " before " + std::to_string(m.Msg));
        return m.Msg == swallow;
    }
    void AfterMessage(TControl*, TMessage& m) override {
        if (m.Msg != CM_TEXTCHANGED && m.Msg != CM_SHOWINGCHANGED && m.Msg != WM_SIZE) return;
        log.push_back(name + " after " + std::to_string(m.Msg));
    }
    void ControlDestroying(TControl*) override { log.push_back(name + " destroying"); }
};
} // namespace

TEST(Hooks, InstalledLinksRunLastFirstAndEitherCanStop) {
    Log log;
    TPanel host(nullptr);
    host.SetBounds(0, 0, 50, 50);
    host.HandleNeeded();
    {
        Recorder first("first", log), second("second", log);
        InstallToolkitHooks(&first);
        InstallToolkitHooks(&second);
        host.Invalidate();
        EXPECT_EQ(log, (Log{"second", "first"}));

        // A link that stops: the ones installed before it do not run.
        log.clear();
        second.stop = true;
        host.Invalidate();
        EXPECT_EQ(log, (Log{"second"}));

        // Removed from the middle, the chain joins up around it.
        log.clear();
        second.stop = false;
        Recorder third("third", log);
        InstallToolkitHooks(&third);
        RemoveToolkitHooks(&second);
        host.Invalidate();
        EXPECT_EQ(log, (Log{"third", "first"}));
        // Links still installed take themselves out when they go.
    }
    log.clear();
    host.Invalidate();
    EXPECT_TRUE(log.empty());
}

TEST(Hooks, PreProcessingRunsBeforeTheControlsOwnHandling) {
    Log log;
    TPanel panel(nullptr);
    Recorder gate("gate", log, true);
    InstallToolkitHooks(&gate);
    // A panel without colour turns transparent in its own handler; the gate stops the
    // notification before the panel sees it.
    panel.SetColor(clNone);
    EXPECT_EQ(log, (Log{"gate colour"}));
    EXPECT_TRUE(panel.ControlStyle() & csOpaque);
    RemoveToolkitHooks(&gate);
    panel.SetColor(vell::clRed);
    panel.SetColor(clNone);
    EXPECT_FALSE(panel.ControlStyle() & csOpaque);
}

TEST(Hooks, MessageHooksSeeWindowAndPerformSentMessagesAroundTheControl) {
    Log log;
    Watcher outer("outer", log), inner("inner", log);
    {
        TForm form(nullptr);
        form.SetBorderStyle(bsNone);
        form.AddMessageHook(&inner);
        form.AddMessageHook(&outer);

        // A notification sent with Perform.
        form.SetCaption(u"x");
        std::string tc = std::to_string(CM_TEXTCHANGED);
        EXPECT_EQ(
            log, (Log{"outer before " + tc, "inner before " + tc, "inner after " + tc, "outer after " + tc}));

        // A window message, and the showing notification the framework sends itself.
        log.clear();
        form.SetBounds(0, 0, 60, 40);
        form.Show();
        std::string size = std::to_string(WM_SIZE), showing = std::to_string(CM_SHOWINGCHANGED);
        EXPECT_NE(std::find(log.begin(), log.end(), "outer before " + size), log.end());
        EXPECT_NE(std::find(log.begin(), log.end(), "inner after " + showing), log.end());

        // A hook that handles a message keeps it from the control; the hooks that saw it
        // still get their after step.
        log.clear();
        Watcher stopper("stopper", log, CM_TEXTCHANGED);
        form.AddMessageHook(&stopper);
        form.SetCaption(u"y");
        EXPECT_EQ(log, (Log{"stopper before " + tc, "stopper after " + tc}));
        wchar_t text[8] = {};
        ::GetWindowTextW(form.Handle(), text, 8);
        EXPECT_STREQ(text, L"x");
        form.RemoveMessageHook(&stopper);
        log.clear();
    }
    // The hooks hear the form go (after the notifications its window sends on the way).
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(Log(log.end() - 2, log.end()), (Log{"inner destroying", "outer destroying"}));
}

TEST(Hooks, LayeredAttributesOfAFormPassTheSeam) {
    struct Follower : TToolkitHooks {
        int alpha = -1;
        bool SetLayeredAttributes(TWinControl* c, COLORREF key, BYTE a, DWORD flags) override {
            alpha = a;
            return TToolkitHooks::SetLayeredAttributes(c, key, a, flags);
        }
    } follower;
    InstallToolkitHooks(&follower);
    TForm form(nullptr);
    form.HandleNeeded();
    form.SetAlphaBlendValue(77);
    form.SetAlphaBlend(true);
    EXPECT_EQ(follower.alpha, 77);
    RemoveToolkitHooks(&follower);
}
