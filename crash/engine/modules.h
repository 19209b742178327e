// The modules loaded in this process, and addresses told as module and offset.
#pragma once
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

// The module that holds the address, or null.
const LoadedModule* ModuleOf(uintptr_t address, const std::vector<LoadedModule>& modules);

// An address as the report writes it: "0x" and as many hex digits as a pointer has
// (8 on i686, 16 on x86_64).
std::wstring HexAddress(uintptr_t address);

// "VellLoading.exe+0x1A2B" for an address inside a module, else HexAddress(address).
std::wstring DescribeAddress(uintptr_t address, const std::vector<LoadedModule>& modules);

} // namespace vell::crash
