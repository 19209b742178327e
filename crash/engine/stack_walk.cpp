#include "crash/engine/stack_walk.h"

#include <algorithm>

namespace vell::crash {

ThreadStack StackAt(const CONTEXT& context) {
    // The thread block is read through a segment register, not an array.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
    auto* tib = reinterpret_cast<NT_TIB*>(::NtCurrentTeb());
#pragma GCC diagnostic pop
    ThreadStack stack;
    stack.sp = StackPointerOf(context);
    stack.stackLow = reinterpret_cast<uintptr_t>(tib->StackLimit);
    stack.stackHigh = reinterpret_cast<uintptr_t>(tib->StackBase);
    UnwindFrames(stack, context);
    return stack;
}

ThreadStack CallerStack() {
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    ::RtlCaptureContext(&context);
    return StackAt(context);
}

std::vector<uintptr_t> WalkStack(const ThreadStack& stack, const std::vector<LoadedModule>& modules,
                                 size_t maxFrames) {
    std::vector<uintptr_t> frames;
    if (stack.ip) frames.push_back(stack.ip);
    const std::vector<uintptr_t> callers = CallerFrames(stack, modules);
    auto from = callers.begin();
    if (stack.startAt) {
        // The starting frame not found: the whole stack rather than nothing.
        auto at = std::find(callers.begin(), callers.end(), stack.startAt);
        if (at != callers.end()) from = at;
    }
    // The throw site starts the callers and is already the failing address: one frame.
    for (; from != callers.end() && frames.size() < maxFrames; ++from)
        if (frames.empty() || frames.back() != *from) frames.push_back(*from);
    return frames;
}

} // namespace vell::crash
