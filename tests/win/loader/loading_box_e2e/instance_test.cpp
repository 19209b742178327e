// One loader at a time: a loader started while a box is shown ends at once, and of many
// loaders started at the same moment exactly one shows a box.
#include "box_session.h"

#include <gtest/gtest.h>

#include <memory>

using namespace boxtest;

TEST(BoxInstances, ASecondLoaderEndsAtOnceWhileTheBoxIsShown) {
    LoaderRun first(L"VLR Init");
    HWND box = first.WaitForBox();
    ASSERT_NE(box, nullptr);
    for (const wchar_t* arguments : {L"VLR Change", L"VLR Init", L"/testbugreport", L""}) {
        LoaderRun second(arguments);
        EXPECT_EQ(second.Finish(), 0u) << loadertest::WideToUtf8(arguments);
    }
    EXPECT_EQ(BoxWindows(), std::vector<HWND>{box});
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(first.Close(), 0u);
    EXPECT_TRUE(BoxWindows().empty());
}

TEST(BoxInstances, OfTwentyLoadersStartedTogetherOneShowsTheBox) {
    constexpr int kCount = 20;
    std::vector<loadertest::Started> loaders(kCount);
    std::vector<HANDLE> threads(kCount);
    const std::wstring cmd = L"\"" + ProductFolder() + L"VellLoading.exe\" VLR Init";
    for (int i = 0; i < kCount; ++i)
        loaders[i] = loadertest::Start(cmd, {}, true, &threads[i]);
    for (HANDLE t : threads) {
        ::ResumeThread(t);
        ::CloseHandle(t);
    }
    // The losers end on their own; the winner shows its box and stays.
    int running = kCount;
    for (int waited = 0; waited < 120000 && (running > 1 || BoxWindows().empty()); waited += 50) {
        PumpFor(50);
        running = 0;
        for (const loadertest::Started& l : loaders)
            running += ::WaitForSingleObject(l.process, 0) == WAIT_TIMEOUT;
    }
    PumpFor(500);
    const std::vector<HWND> boxes = BoxWindows();
    ASSERT_EQ(boxes.size(), 1u);
    int stillRunning = 0;
    for (loadertest::Started& l : loaders) {
        if (::WaitForSingleObject(l.process, 0) == WAIT_TIMEOUT) {
            ++stillRunning;
            EXPECT_EQ(l.pid, ProcessOf(boxes[0])) << "the running loader is the one with the box";
            ::PostMessageW(boxes[0], WM_CLOSE, 0, 0);
        }
        EXPECT_EQ(loadertest::Finish(l, 30000), 0u);
    }
    EXPECT_EQ(stillRunning, 1);
}
