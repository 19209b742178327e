// The i686 guard: a frame of our own on the thread's exception chain at FS:[0].
#include "platform/diag/seh_guard.h"

#if defined(__i386__)

#include <windows.h>

namespace vell::win {

namespace {

// The flags of a handler call made while frames are being unwound, not to find a handler.
constexpr DWORD kUnwindFlags = 0x2 /* unwinding */ | 0x4 /* exit unwind */;

// One record of the thread's exception chain: the system reads the first two fields.
struct GuardFrame {
    GuardFrame* next;
    void* handler;
    void* resume[5]; // where CallGuarded continues after a fault (__builtin_setjmp)
    SehFault fault;
};

// The head of the chain is the first word of the thread's information block, at FS:[0].
GuardFrame* chainHead() {
    GuardFrame* head;
    asm volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}

void setChainHead(GuardFrame* head) {
    asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory");
}

extern "C" EXCEPTION_DISPOSITION __cdecl onGuardedFault(EXCEPTION_RECORD* record, void* frame, CONTEXT*,
                                                        void*) {
    if (record->ExceptionFlags & kUnwindFlags) return ExceptionContinueSearch;
    auto* guard = static_cast<GuardFrame*>(frame);
    guard->fault.code = record->ExceptionCode;
    guard->fault.address = record->ExceptionAddress;
    // Unwinds every frame above ours (the library's, the dispatcher's), leaving ours at the top.
    ::RtlUnwind(frame, nullptr, record, nullptr);
    __builtin_longjmp(guard->resume, 1);
}

} // namespace

const void* ExceptionChainHead() {
    return chainHead();
}

bool CallGuarded(void (*fn)(void*) noexcept, void* context, SehFault* fault) {
    GuardFrame frame{};
    frame.next = chainHead();
    frame.handler = reinterpret_cast<void*>(&onGuardedFault);
    volatile bool returned = false; // read again after a resume
    if (__builtin_setjmp(frame.resume) == 0) {
        setChainHead(&frame);
        fn(context);
        returned = true;
    }
    setChainHead(frame.next);
    if (!returned && fault) *fault = frame.fault;
    return returned;
}

} // namespace vell::win

#endif // __i386__
