// How long the loader takes from its process start to its box being on the screen (its
// first UpdateLayeredWindow of the shown box), against a minimal program that creates a
// layered window of the box's size and updates it once. Runs alternate between the two;
// each is closed through its window before the next starts. Also reports the private
// memory of each process while its window is shown.
#include "tests/support/bench_timing.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

using namespace benchtiming;

namespace {

struct Samples {
    std::vector<double> shownMs;
    std::vector<double> cpuMs; // user and kernel time of the process until it was shown
    std::vector<double> privateKiB;
};

HWND windowOf(DWORD pid, const wchar_t* cls) {
    for (HWND w = ::FindWindowExW(nullptr, nullptr, cls, nullptr); w;
         w = ::FindWindowExW(nullptr, w, cls, nullptr)) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(w, &owner);
        if (owner == pid) return w;
    }
    return nullptr;
}

bool runOnce(const std::wstring& exe, const std::wstring& args, const wchar_t* cls, HANDLE signal,
             Samples& s) {
    SignalledRun run = StartUntilSignalled(exe, args, signal);
    if (!run.started()) return false;
    HANDLE process = run.process.get();
    FILETIME created, exited, kernel, user;
    const bool timed = ::GetProcessTimes(process, &created, &exited, &kernel, &user);
    PROCESS_MEMORY_COUNTERS_EX mem{};
    mem.cb = sizeof(mem);
    const bool measured =
        ::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&mem), sizeof(mem));
    HWND wnd = nullptr;
    for (int i = 0; i < 500 && !(wnd = windowOf(run.pid, cls)); ++i)
        ::Sleep(10);
    if (wnd) ::PostMessageW(wnd, WM_CLOSE, 0, 0);
    const bool ended = ::WaitForSingleObject(process, 30000) == WAIT_OBJECT_0;
    if (!ended) ::TerminateProcess(process, 99);
    if (!run.signalled || !ended) return false;
    s.shownMs.push_back(run.signalledMs);
    auto ms = [](const FILETIME& f) {
        return double((uint64_t(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000.0;
    };
    if (timed) s.cpuMs.push_back(ms(kernel) + ms(user));
    // Private bytes: PrivateUsage, which Wine leaves 0 and reports as PagefileUsage.
    if (measured)
        s.privateKiB.push_back(double(mem.PrivateUsage ? mem.PrivateUsage : mem.PagefileUsage) / 1024.0);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const std::wstring loader = L"" VELL_PRODUCT_DIR L"\\VellLoading.exe";
    const std::wstring minimal = L"" VELL_PROBE_DIR L"\\layered_minimal.exe";
    const wchar_t* name = L"VellBoxShownBenchSignal";
    HANDLE signal = ::CreateEventW(nullptr, TRUE, FALSE, name);
    ::SetEnvironmentVariableW(L"VELL_SHOWN_SIGNAL", name);

    Samples l, m;
    // Warm-up: the files are read once.
    if (!runOnce(loader, L"VLR Init", L"Tfrm_LoadingBox", signal, l) ||
        !runOnce(minimal, L"", L"LayeredMinimal", signal, m)) {
        std::printf("warm-up failed: no window shown\n");
        return 1;
    }
    l = {};
    m = {};
    for (int i = 0; i < runs; ++i) {
        if (!runOnce(loader, L"VLR Init", L"Tfrm_LoadingBox", signal, l) ||
            !runOnce(minimal, L"", L"LayeredMinimal", signal, m)) {
            std::printf("run %d failed\n", i);
            return 1;
        }
    }
    std::printf("loading box shown under Wine, %d runs each (process start to the shown, updated window)\n",
                runs);
    std::printf("  loader           median %7.2f ms  mean %7.2f ms  min %7.2f ms\n", Median(l.shownMs),
                Mean(l.shownMs), *std::min_element(l.shownMs.begin(), l.shownMs.end()));
    std::printf("  minimal layered  median %7.2f ms  mean %7.2f ms  min %7.2f ms\n", Median(m.shownMs),
                Mean(m.shownMs), *std::min_element(m.shownMs.begin(), m.shownMs.end()));
    // The fastest runs are the least disturbed by other work on the machine.
    std::printf("  ratio of the fastest runs %.2f\n",
                *std::min_element(l.shownMs.begin(), l.shownMs.end()) /
                    *std::min_element(m.shownMs.begin(), m.shownMs.end()));
    std::printf("  ratio of the medians %.2f (target at most 1.5)\n",
                Median(m.shownMs) > 0 ? Median(l.shownMs) / Median(m.shownMs) : 0.0);
    std::printf("  processor time until shown: loader %.1f ms, minimal layered %.1f ms (medians)\n",
                Median(l.cpuMs), Median(m.cpuMs));
    std::printf("  private memory while shown: loader %.0f KiB, minimal layered %.0f KiB (medians)\n",
                Median(l.privateKiB), Median(m.privateKiB));
    return 0;
}
