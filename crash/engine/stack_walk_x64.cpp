// The x86_64 walk: every function that touches the stack has unwind data in its module, so
// each frame is unwound to its caller's exactly; a function without it is a leaf, whose
// return address is at the top of the stack.
#include "crash/engine/stack_walk.h"

#if defined(__x86_64__)

namespace vell::crash {

namespace {

bool onStack(const ThreadStack& stack, uintptr_t sp, size_t bytes) {
    return sp >= stack.stackLow && sp < stack.stackHigh && stack.stackHigh - sp >= bytes;
}

// Unwinds one frame: `context` becomes the caller's. False when the walk cannot go on.
bool unwindOnce(const ThreadStack& stack, CONTEXT& context) {
    const DWORD64 pc = context.Rip;
    DWORD64 imageBase = 0;
    if (RUNTIME_FUNCTION* function = ::RtlLookupFunctionEntry(pc, &imageBase, nullptr)) {
        void* handlerData = nullptr;
        DWORD64 establisher = 0;
        ::RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, pc, function, &context, &handlerData, &establisher,
                           nullptr);
    } else {
        if (!onStack(stack, context.Rsp, sizeof(DWORD64))) return false;
        context.Rip = *reinterpret_cast<const DWORD64*>(context.Rsp);
        context.Rsp += sizeof(DWORD64);
    }
    return context.Rip != 0 && onStack(stack, context.Rsp, 0);
}

} // namespace

uintptr_t StackPointerOf(const CONTEXT& context) {
    return context.Rsp;
}

void UnwindFrames(ThreadStack& stack, const CONTEXT& registers) {
    stack.unwoundCount = 0;
    if (!registers.Rip || !onStack(stack, registers.Rsp, 0)) return;
    CONTEXT context = registers;
    while (stack.unwoundCount < ThreadStack::kMaxUnwound) {
        stack.unwound[stack.unwoundCount++] = context.Rip;
        const uintptr_t sp = context.Rsp;
        if (!unwindOnce(stack, context) || context.Rsp <= sp) break; // a frame must move the stack up
    }
}

std::vector<uintptr_t> CallerFrames(const ThreadStack& stack, const std::vector<LoadedModule>& modules) {
    std::vector<uintptr_t> frames;
    // The first unwound frame is where the registers stood: the failing instruction itself
    // when the stack is a failure's (its ip), else a frame of the caller's.
    for (size_t i = stack.ip ? 1 : 0; i < stack.unwoundCount; ++i)
        if (ModuleOf(stack.unwound[i], modules)) frames.push_back(stack.unwound[i]);
    return frames;
}

} // namespace vell::crash

#endif // __x86_64__
