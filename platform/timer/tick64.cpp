#include "platform/timer/tick64.h"

#include "core/draw/tick.h"

#include <windows.h>

namespace vell::win {

namespace {

using TickCount64Fn = ULONGLONG(WINAPI*)();

TickCount64Fn lookUpTickCount64() {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel ? reinterpret_cast<TickCount64Fn>(
                        reinterpret_cast<void*>(GetProcAddress(kernel, "GetTickCount64")))
                  : nullptr;
}

} // namespace

uint64_t Tick64() {
    static const TickCount64Fn system = lookUpTickCount64();
    if (system) return system();
    static draw::TickExtender extender;
    return extender.extend(GetTickCount());
}

} // namespace vell::win
