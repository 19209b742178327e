// The bug report: the failure, the failing thread's stack as module+offset, the loaded
// modules, the running processes, processor, memory, Windows version and screens.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "crash/engine/modules.h"

namespace vell::crash {

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
