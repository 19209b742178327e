// What the Windows benchmarks share: a millisecond clock, the summaries of samples, and the
// best time per call of a short loop.
#pragma once
#include "platform/win/handles.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <type_traits>
#include <vector>

namespace benchtiming {

inline double NowMs() {
    static const LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(freq.QuadPart);
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

inline double Mean(const std::vector<double>& v) {
    double s = 0;
    for (double x : v)
        s += x;
    return v.empty() ? 0 : s / double(v.size());
}

// Seconds per call of f, the best of five loops of n calls; GDI's batch is flushed around
// each loop so queued drawing is counted. f takes the call's index or nothing.
template <typename F> double BestSecondsPerCall(int n, F f) {
    double best = 1e30;
    for (int round = 0; round < 5; ++round) {
        ::GdiFlush();
        const double start = NowMs();
        for (int i = 0; i < n; ++i) {
            if constexpr (std::is_invocable_v<F, int>)
                f(i);
            else
                f();
        }
        ::GdiFlush();
        best = std::min(best, (NowMs() - start) / 1000.0 / n);
    }
    return best;
}

// A benchmarked program started with `args`, and how long it took from CreateProcess until
// it set `signal` (it sets the event named by an environment variable the bench chose).
struct SignalledRun {
    vell::win::UniqueKernelHandle process, thread;
    DWORD pid = 0;
    double startMs = 0;     // NowMs() just before CreateProcess
    double signalledMs = 0; // from the start until the signal, or until the process ended
    bool signalled = false;
    bool started() const { return process.get() != nullptr; }
};

inline SignalledRun StartUntilSignalled(const std::wstring& exe, const std::wstring& args, HANDLE signal) {
    SignalledRun run;
    ::ResetEvent(signal);
    std::wstring cmd = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    run.startMs = NowMs();
    if (!::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return run;
    run.process.reset(pi.hProcess);
    run.thread.reset(pi.hThread);
    run.pid = pi.dwProcessId;
    HANDLE both[2] = {signal, pi.hProcess};
    run.signalled = ::WaitForMultipleObjects(2, both, FALSE, 30000) == WAIT_OBJECT_0;
    run.signalledMs = NowMs() - run.startMs;
    return run;
}

} // namespace benchtiming
