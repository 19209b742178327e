// The processor feature test that decides whether the vector kernels may run.
#pragma once

namespace vell::draw {

// True when the processor has both SSE and SSE2. Computed once per process.
bool CpuHasSSE2();

// True when the processor has AVX2 and the operating system keeps the wide registers
// across task switches. Computed once per process.
bool CpuHasAVX2();

} // namespace vell::draw
