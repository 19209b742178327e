#include "core/draw/cpu.h"

#include <atomic>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace vell::draw {

namespace {

int probe() {
#if defined(__i386__) || defined(__x86_64__)
    // __get_cpuid checks first that the instruction exists (the ID flag can be toggled
    // on 32-bit processors) and fails when it does not.
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return 0;
    return ((edx >> 25) & 1) + ((edx >> 26) & 1) * 2;
#else
    return 0;
#endif
}

} // namespace

bool CpuHasSSE2() {
    static std::atomic<int> cached{-1};
    int v = cached.load(std::memory_order_relaxed);
    if (v < 0) {
        v = probe();
        cached.store(v, std::memory_order_relaxed);
    }
    return v == 3;
}

} // namespace vell::draw
