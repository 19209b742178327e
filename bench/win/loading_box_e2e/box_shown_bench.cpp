// How long the loader takes from its process start to its box being on the screen (its
// first UpdateLayeredWindow of the shown box), against a minimal program that creates a
// layered window of the box's size and updates it once, and against the same program
// initialising COM as the loader must (the fair floor: COM's libraries come in before
// either program starts). Runs alternate between the three; each is closed through its
// window before the next starts. Also reports the private memory of each process while
// its window is shown, and its committed memory by owner.
#include "bench/win/bench_timing.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

using namespace benchtiming;

namespace {

// Committed memory of a process by what holds it: its own image, the libraries' images,
// mapped views (the draw buffers are DIB sections; Wine maps some of its own data too),
// and private memory (heaps, stacks).
enum Owner { kImage, kLibraries, kMapped, kPrivate, kOwners };
const char* const kOwnerNames[kOwners] = {"image", "libraries", "mapped views", "heap and stacks"};

struct Samples {
    std::vector<double> shownMs;
    std::vector<double> cpuMs; // user and kernel time of the process until it was shown
    std::vector<double> privateKiB;
    std::vector<double> ownerKiB[kOwners];
};

void committedByOwner(HANDLE process, Samples& s) {
    HMODULE exe = nullptr;
    DWORD needed = 0;
    if (!::EnumProcessModules(process, &exe, sizeof exe, &needed)) return;
    double kib[kOwners] = {};
    MEMORY_BASIC_INFORMATION m;
    for (uintptr_t at = 0;
         ::VirtualQueryEx(process, reinterpret_cast<void*>(at), &m, sizeof m) == sizeof m;) {
        if (m.State == MEM_COMMIT) {
            const Owner o = m.Type == MEM_IMAGE    ? (m.AllocationBase == exe ? kImage : kLibraries)
                            : m.Type == MEM_MAPPED ? kMapped
                                                   : kPrivate;
            kib[o] += double(m.RegionSize) / 1024.0;
        }
        const uintptr_t next = reinterpret_cast<uintptr_t>(m.BaseAddress) + m.RegionSize;
        if (next <= at) break;
        at = next;
    }
    for (int o = 0; o < kOwners; ++o)
        s.ownerKiB[o].push_back(kib[o]);
}

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
    committedByOwner(process, s);
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

struct Program {
    const char* name;
    std::wstring exe, args;
    const wchar_t* windowClass;
    Samples samples;
};

void report(const Program& p) {
    const std::vector<double>& t = p.samples.shownMs;
    std::printf("  %-22s median %7.2f ms  mean %7.2f ms  min %7.2f ms\n", p.name, Median(t), Mean(t),
                *std::min_element(t.begin(), t.end()));
}

void ratios(const Program& loader, const Program& base, const char* target) {
    const std::vector<double>&l = loader.samples.shownMs, &b = base.samples.shownMs;
    std::printf("  against the %s: medians %.2f%s, fastest runs %.2f, private memory %.2f\n", base.name,
                Median(b) > 0 ? Median(l) / Median(b) : 0.0, target,
                *std::min_element(l.begin(), l.end()) / *std::min_element(b.begin(), b.end()),
                Median(base.samples.privateKiB) > 0
                    ? Median(loader.samples.privateKiB) / Median(base.samples.privateKiB)
                    : 0.0);
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    Program programs[] = {
        {"loader", L"" VELL_PRODUCT_DIR L"\\VellLoading.exe", L"VLR Init", L"Tfrm_LoadingBox", {}},
        {"fair floor (with COM)",
         L"" VELL_PROBE_DIR L"\\layered_minimal_com.exe",
         L"",
         L"LayeredMinimal",
         {}},
        {"minimal layered", L"" VELL_PROBE_DIR L"\\layered_minimal.exe", L"", L"LayeredMinimal", {}},
    };
    const wchar_t* name = L"VellBoxShownBenchSignal";
    HANDLE signal = ::CreateEventW(nullptr, TRUE, FALSE, name);
    ::SetEnvironmentVariableW(L"VELL_SHOWN_SIGNAL", name);

    // Warm-up: the files are read once.
    for (Program& p : programs) {
        if (!runOnce(p.exe, p.args, p.windowClass, signal, p.samples)) {
            std::printf("warm-up failed: no window shown by the %s\n", p.name);
            return 1;
        }
        p.samples = {};
    }
    for (int i = 0; i < runs; ++i)
        for (Program& p : programs)
            if (!runOnce(p.exe, p.args, p.windowClass, signal, p.samples)) {
                std::printf("run %d of the %s failed\n", i, p.name);
                return 1;
            }
    const Program &loader = programs[0], &floor = programs[1], &minimal = programs[2];
    std::printf("loading box shown under Wine, %d runs each (process start to the shown, updated window)\n",
                runs);
    for (const Program& p : programs)
        report(p);
    // The fastest runs are the least disturbed by other work on the machine.
    ratios(loader, floor, " (target at most 1.2)");
    ratios(loader, minimal, "");
    std::printf("  processor time until shown (medians):");
    for (const Program& p : programs)
        std::printf(" %s %.1f ms;", p.name, Median(p.samples.cpuMs));
    std::printf("\n  private memory while shown (medians, target at most 1.5 x the fair floor's):\n");
    for (const Program& p : programs)
        std::printf("    %-22s %7.0f KiB\n", p.name, Median(p.samples.privateKiB));
    std::printf("  committed memory by owner while shown (medians, KiB):\n    %-22s", "");
    for (const char* owner : kOwnerNames)
        std::printf(" %22s", owner);
    for (const Program& p : programs) {
        std::printf("\n    %-22s", p.name);
        for (int o = 0; o < kOwners; ++o)
            std::printf(" %22.0f", Median(p.samples.ownerKiB[o]));
    }
    std::printf("\n");
    return 0;
}
