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

bool probeAvx2() {
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    const bool osxsave = (ecx >> 27) & 1, avx = (ecx >> 28) & 1;
    if (!osxsave || !avx) return false;
    // XCR0 bits 1 and 2: the system saves the SSE and AVX register state.
    unsigned xcr0Lo = 0, xcr0Hi = 0;
    __asm__ volatile("xgetbv" : "=a"(xcr0Lo), "=d"(xcr0Hi) : "c"(0));
    if ((xcr0Lo & 6) != 6) return false;
    if (__get_cpuid_max(0, nullptr) < 7) return false;
    __cpuid_count(7, 0, eax, ebx, ecx, edx);
    return (ebx >> 5) & 1;
#else
    return false;
#endif
}

} // namespace

bool CpuHasAVX2() {
    static const bool has = probeAvx2();
    return has;
}

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
