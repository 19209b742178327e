#include "crash/engine/stack_walk.h"

namespace vell::crash {

ThreadStack StackAt(const CONTEXT& context) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds" // the thread block is read through a segment register, not an array
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

} // namespace vell::crash
