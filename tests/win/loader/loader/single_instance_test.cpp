#include "loader/lib/single_instance.h"
#include "support.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vell::loader;
using namespace loadertest;

TEST(SingleInstance, TheMutexIsHeldUntilItsHandleCloses) {
    const wchar_t* name = L"VellTest_SingleInstance_InProcess";
    HANDLE first = AcquireInstanceMutex(name);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(AcquireInstanceMutex(name), nullptr);
    ::CloseHandle(first);
    HANDLE again = AcquireInstanceMutex(name);
    EXPECT_NE(again, nullptr);
    ::CloseHandle(again);
}

TEST(SingleInstance, OfProcessesStartedTogetherExactlyOneWins) {
    const std::wstring name = L"VellTest_SingleInstance_Race";
    HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, (name + L"_release").c_str());
    ASSERT_NE(release, nullptr);
    constexpr int kCount = 8;
    std::vector<Started> probes(kCount);
    std::vector<HANDLE> threads(kCount);
    for (int i = 0; i < kCount; ++i)
        probes[i] =
            Start(L"\"" + ProbeFile(L"loader_probe.exe") + L"\" instance " + name, {}, true, &threads[i]);
    for (HANDLE t : threads) {
        ::ResumeThread(t);
        ::CloseHandle(t);
    }
    // The losers end on their own; the winner waits for the release event.
    for (int waited = 0; waited < 20000; waited += 20) {
        int ended = 0;
        for (const Started& p : probes)
            ended += ::WaitForSingleObject(p.process, 0) == WAIT_OBJECT_0;
        if (ended >= kCount - 1) break;
        ::Sleep(20);
    }
    ::SetEvent(release);
    int winners = 0, losers = 0, other = 0;
    for (Started& p : probes) {
        DWORD code = Finish(p);
        (code == 10 ? winners : code == 11 ? losers : other)++;
    }
    ::CloseHandle(release);
    EXPECT_EQ(winners, 1);
    EXPECT_EQ(losers, kCount - 1);
    EXPECT_EQ(other, 0);
}

TEST(SingleInstance, ALoaderEndsAtOnceWhileAnotherHoldsTheMutex) {
    const std::wstring dir = FreshFolder(L"instance_held");
    MakeProductFolder(dir, true, true);
    const std::wstring temp = FreshFolder(L"instance_held_temp");
    const std::wstring record = dir + L"record";
    const std::map<std::wstring, std::wstring> env = {
        {L"TEMP", temp}, {L"TMP", temp}, {L"VELL_SENDER_RECORD", record}};

    HANDLE held = ::CreateMutexW(nullptr, TRUE, kInstanceMutexName);
    ASSERT_NE(held, nullptr);
    for (const wchar_t* args : {L" /testbugreport", L" VLR Init", L"", L" x"}) {
        EXPECT_EQ(RunProgram(L"\"" + dir + L"VellLoading.exe\"" + args, env), 0u) << WideToUtf8(args);
        EXPECT_FALSE(Exists(dir + L"bugreport_new.txt")) << "a second loader reached the test failure";
        EXPECT_FALSE(Exists(record));
    }
    ::CloseHandle(held);

    // Without the other holder the same command line does reach the test failure.
    EXPECT_EQ(RunProgram(L"\"" + dir + L"VellLoading.exe\" /testbugreport", env), 0u);
    EXPECT_TRUE(Exists(dir + L"bugreport_new.txt"));
}
