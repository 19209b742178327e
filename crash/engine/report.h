// The bug report: the failure, the failing thread's stack as module+offset, the loaded
// modules, the running processes, processor, memory, Windows version and screens.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vell::crash {

struct LoadedModule {
    uintptr_t base = 0;
    uintptr_t size = 0;
    std::wstring name; // file name
    std::wstring path; // full path
};

// The modules of this process, by a snapshot.
std::vector<LoadedModule> LoadedModules();

// "VellLoading.exe+0x1A2B" for an address inside a module, else "0x1234ABCD".
std::wstring DescribeAddress(uintptr_t address, const std::vector<LoadedModule>& modules);

// Where the failing thread stood.
struct ThreadStack {
    uintptr_t ip = 0;          // the instruction that failed (0 when unknown)
    uintptr_t sp = 0;          // its stack pointer
    uintptr_t stackLow = 0;    // the thread's stack bounds
    uintptr_t stackHigh = 0;
    uintptr_t startAt = 0;     // drop scanned frames above this return address (0: keep all)
};

// The thread's stack read from `sp` up: the failing instruction, then every stack word that
// is a return address into a loaded module (it points just behind a call instruction).
std::vector<uintptr_t> WalkStack(const ThreadStack& stack, const std::vector<LoadedModule>& modules,
                                 size_t maxFrames = 48);

struct FailureFacts {
    std::wstring className;
    std::wstring message;
    uintptr_t address = 0;
    DWORD threadId = 0;
    bool mainThread = false;
    std::vector<uintptr_t> stack;
};

// The complete report text, lines ended by CR LF.
std::wstring BuildReportText(const FailureFacts& facts, const std::vector<LoadedModule>& modules);

} // namespace vell::crash
