// How long the loader takes from process start to the end of module start-up, against a
// do-nothing program started the same way, and the same for the whole run (argument 1
// without "VLR": start-up, version, mutex, shut-down). Runs alternate between the two
// programs; the report gives medians, means and the ratio of the medians.
#include "bench/win/bench_timing.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace benchtiming;

namespace {

struct Times {
    std::vector<double> started; // ms until the start-up signal
    std::vector<double> ended;   // ms until the process ended
};

bool runOnce(const std::wstring& exe, HANDLE signal, Times& times) {
    SignalledRun run = StartUntilSignalled(exe, L"bench", signal);
    if (!run.started()) return false;
    const bool ended = ::WaitForSingleObject(run.process.get(), 30000) == WAIT_OBJECT_0;
    if (!run.signalled || !ended) return false;
    times.started.push_back(run.signalledMs);
    times.ended.push_back(NowMs() - run.startMs);
    return true;
}

void row(const char* what, const std::vector<double>& loader, const std::vector<double>& nothing) {
    std::printf("%-28s loader median %7.2f ms mean %7.2f ms | do-nothing median %7.2f ms mean %7.2f ms | "
                "ratio %.2f\n",
                what, Median(loader), Mean(loader), Median(nothing), Mean(nothing),
                Median(nothing) > 0 ? Median(loader) / Median(nothing) : 0.0);
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;
    const std::wstring loader = L"" VELL_PRODUCT_DIR L"\\VellLoading.exe";
    const std::wstring nothing = L"" VELL_PROBE_DIR L"\\do_nothing.exe";
    const wchar_t* name = L"VellStartupBenchSignal";
    HANDLE signal = ::CreateEventW(nullptr, TRUE, FALSE, name);
    ::SetEnvironmentVariableW(L"VELL_STARTUP_SIGNAL", name);

    Times l, n;
    runOnce(loader, signal, l); // warm-up: the files are read once
    runOnce(nothing, signal, n);
    l = {};
    n = {};
    for (int i = 0; i < runs; ++i) {
        if (!runOnce(loader, signal, l) || !runOnce(nothing, signal, n)) {
            std::printf("run %d failed\n", i);
            return 1;
        }
    }
    std::printf("loader start-up under Wine, %d runs each\n", runs);
    row("start to end of start-up", l.started, n.started);
    row("start to process end", l.ended, n.ended);
    return 0;
}
