#include "platform/timer/rd_timer.h"
#include "platform/timer/tick64.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace vell::win;

namespace {

// Runs this thread's message loop until `done` holds or `ms` milliseconds pass.
template <typename F> bool pumpUntil(F done, DWORD ms = 3000) {
    const uint64_t end = Tick64() + ms;
    while (!done()) {
        if (Tick64() > end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    return true;
}

} // namespace

TEST(RdTimer, RunsOnlyWithEnabledIntervalAndHandler) {
    const int before = TRdTimer::LiveTimerCount();
    TRdTimer t;
    EXPECT_EQ(t.Interval(), 1000u);
    EXPECT_TRUE(t.Enabled());
    EXPECT_EQ(t.TimerId(), 0u); // no handler, no system timer

    int ticks = 0;
    t.SetOnTimer([&](vell::tk::TObject* sender) {
        EXPECT_EQ(sender, &t);
        ++ticks;
    });
    EXPECT_NE(t.TimerId(), 0u);
    EXPECT_EQ(TRdTimer::LiveTimerCount(), before + 1);

    // Replacing the handler keeps the running timer; setting Enabled to its value does nothing.
    const uint32_t id = t.TimerId();
    t.SetOnTimer([&](vell::tk::TObject*) { ++ticks; });
    t.SetEnabled(true);
    EXPECT_EQ(t.TimerId(), id);

    t.SetInterval(10);
    EXPECT_TRUE(pumpUntil([&] { return ticks >= 3; }));

    t.SetInterval(0); // stops
    EXPECT_EQ(t.TimerId(), 0u);
    EXPECT_EQ(TRdTimer::LiveTimerCount(), before);
    t.SetInterval(10);
    t.SetEnabled(false);
    EXPECT_EQ(t.TimerId(), 0u);
    t.SetEnabled(true);
    EXPECT_NE(t.TimerId(), 0u);
    t.SetOnTimer(nullptr);
    EXPECT_EQ(t.TimerId(), 0u);
}

TEST(RdTimer, PublishedPropertiesAndOwnership) {
    const vell::tk::ClassInfo& info = TRdTimer::StaticClass();
    EXPECT_EQ(info.name, "TRdTimer");
    EXPECT_NE(info.findProperty("Enabled"), nullptr);
    EXPECT_NE(info.findProperty("Interval"), nullptr);
    EXPECT_NE(info.findProperty("OnTimer"), nullptr);
    const int before = TRdTimer::LiveTimerCount();
    auto* owner = new vell::tk::TComponent(nullptr);
    auto* t = new TRdTimer(owner);
    t->SetOnTimer([](vell::tk::TObject*) {});
    EXPECT_EQ(TRdTimer::LiveTimerCount(), before + 1);
    vell::tk::Free(owner); // the owner frees the timer, which stops
    EXPECT_EQ(TRdTimer::LiveTimerCount(), before);
}

TEST(RdTimer, DestroyingStopsTheTimer) {
    const int before = TRdTimer::LiveTimerCount();
    int ticks = 0;
    {
        TRdTimer t;
        t.SetInterval(5);
        t.SetOnTimer([&](vell::tk::TObject*) { ++ticks; });
        EXPECT_EQ(TRdTimer::LiveTimerCount(), before + 1);
    }
    EXPECT_EQ(TRdTimer::LiveTimerCount(), before);
    const int seen = ticks;
    pumpUntil([] { return false; }, 100);
    EXPECT_EQ(ticks, seen);
}

TEST(RdTimer, HandlerFailuresAreReportedNotPropagated) {
    int reports = 0;
    TRdTimer* reported = nullptr;
    TRdTimer::SetExceptionHandler([&](TRdTimer* sender, std::exception_ptr error) {
        ++reports;
        reported = sender;
        try {
            std::rethrow_exception(error);
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "tick failed");
        }
    });
    TRdTimer t;
    t.SetInterval(10);
    int ticks = 0;
    t.SetOnTimer([&](vell::tk::TObject*) {
        ++ticks;
        throw std::runtime_error("tick failed");
    });
    EXPECT_TRUE(pumpUntil([&] { return reports >= 2; }));
    EXPECT_EQ(reported, &t);
    EXPECT_EQ(ticks, reports);
    TRdTimer::SetExceptionHandler(nullptr);
}

TEST(Tick64, FollowsTheSystemClock) {
    const uint64_t a = Tick64();
    Sleep(60); // the tick counter may advance in steps of 16 ms or so
    const uint64_t b = Tick64();
    EXPECT_GT(b, a);
    EXPECT_LT(b, a + 5000);
    EXPECT_NEAR(static_cast<double>(b & 0xFFFFFFFFu), static_cast<double>(GetTickCount()), 1000.0);
}
