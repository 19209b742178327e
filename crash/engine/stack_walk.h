// The failing thread's call stack: where it stood, and the walk from there to the return
// addresses of its callers.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "crash/engine/modules.h"

namespace vell::crash {

// Where the failing thread stood.
struct ThreadStack {
    uintptr_t ip = 0;       // the instruction that failed (0 when unknown)
    uintptr_t sp = 0;       // its stack pointer
    uintptr_t stackLow = 0; // the thread's stack bounds
    uintptr_t stackHigh = 0;
    uintptr_t startAt = 0; // drop frames above this return address (0: keep all)
    // x86_64: the code address of every frame from the registers down, unwound when the
    // stack was taken, while all its frames were still there (by the time of the walk the
    // frames of the functions that took it have returned and may be overwritten).
    static constexpr size_t kMaxUnwound = 256;
    uintptr_t unwound[kMaxUnwound] = {};
    size_t unwoundCount = 0;
};

// The stack pointer the context holds.
uintptr_t StackPointerOf(const CONTEXT& context);
// x86_64: fills stack.unwound from the context (i686 code has no unwind data: nothing).
void UnwindFrames(ThreadStack& stack, const CONTEXT& context);
// The return addresses of the frames below the failing one, innermost first, in loaded
// modules, at most ThreadStack::kMaxUnwound. On i686 every stack word from `sp` up that is a
// return address into a loaded module (it points just behind a call instruction); on x86_64
// the frames unwound with the modules' unwind data.
std::vector<uintptr_t> CallerFrames(const ThreadStack& stack, const std::vector<LoadedModule>& modules);

// The stack of the thread that raised the exception whose context this is; call it on that
// thread (the bounds are the calling thread's).
ThreadStack StackAt(const CONTEXT& context);

// The stack of the calling thread where this function was called, for failures that raise
// no exception record. The first frames are the caller's own.
ThreadStack CallerStack();

// The failing instruction, then the caller frames from startAt on (all of them when startAt
// is not among them), at most maxFrames in all.
std::vector<uintptr_t> WalkStack(const ThreadStack& stack, const std::vector<LoadedModule>& modules,
                                 size_t maxFrames = 48);

} // namespace vell::crash
