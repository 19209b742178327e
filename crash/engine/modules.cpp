#include "crash/engine/modules.h"

#include "platform/win/handles.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>

namespace vell::crash {

std::vector<LoadedModule> LoadedModules() {
    std::vector<LoadedModule> modules;
    win::UniqueKernelHandle snap(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0));
    if (!snap) return modules;
    MODULEENTRY32W e{};
    e.dwSize = sizeof(e);
    for (BOOL ok = ::Module32FirstW(snap.get(), &e); ok; ok = ::Module32NextW(snap.get(), &e)) {
        modules.push_back(
            {reinterpret_cast<uintptr_t>(e.modBaseAddr), e.modBaseSize, e.szModule, e.szExePath});
        e.dwSize = sizeof(e);
    }
    return modules;
}

const LoadedModule* ModuleOf(uintptr_t address, const std::vector<LoadedModule>& modules) {
    for (const LoadedModule& m : modules)
        if (address >= m.base && address - m.base < m.size) return &m;
    return nullptr;
}

std::wstring HexAddress(uintptr_t address) {
    wchar_t text[24];
    std::swprintf(text, 24, L"0x%0*llX", int(2 * sizeof(uintptr_t)),
                  static_cast<unsigned long long>(address));
    return text;
}

std::wstring DescribeAddress(uintptr_t address, const std::vector<LoadedModule>& modules) {
    if (const LoadedModule* m = ModuleOf(address, modules)) {
        wchar_t offset[24];
        std::swprintf(offset, 24, L"+0x%llX", static_cast<unsigned long long>(address - m->base));
        return m->name + offset;
    }
    return HexAddress(address);
}

} // namespace vell::crash
