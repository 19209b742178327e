// The x86_64 guard. Handlers are not chained at run time on x64: the system finds them
// through the unwind data of the functions on the stack. The guard is therefore a small
// function of its own, vell_guarded_call, whose unwind data names onGuardedFault as its
// exception handler. A fault that no frame inside the call handles reaches that handler,
// which unwinds every frame above the guard (their own unwind handlers run) and resumes the
// guard at its fault exit, which returns 0.
#include "platform/diag/seh_guard.h"

#if defined(__x86_64__)

#include <windows.h>

extern "C" {
// fn(context) under the guard; 1 when it returned, 0 after a fault, with the fault in *fault.
int vell_guarded_call(void (*fn)(void*) noexcept, void* context, vell::win::SehFault* fault);
void vell_guarded_call_faulted();
EXCEPTION_DISPOSITION vell_guard_handler(EXCEPTION_RECORD* record, void* frame, CONTEXT* context,
                                         DISPATCHER_CONTEXT* dispatch);
}

// The frame: 40 bytes (32 of home space for the callee, 8 to align the stack); the
// establisher frame the handler receives is the stack pointer after the prologue. The
// fault pointer is kept in the caller's home slot of the third argument, at frame + 64.
asm(R"(
    .text
    .p2align 4
    .globl vell_guarded_call
    .def vell_guarded_call; .scl 2; .type 32; .endef
    .seh_proc vell_guarded_call
vell_guarded_call:
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    .seh_handler vell_guard_handler, @except
    movq %r8, 64(%rsp)
    movq %rcx, %rax
    movq %rdx, %rcx
    callq *%rax
    movl $1, %eax
    addq $40, %rsp
    ret
    .globl vell_guarded_call_faulted
vell_guarded_call_faulted:
    xorl %eax, %eax
    addq $40, %rsp
    ret
    .seh_endproc
)");

namespace {

constexpr int kFaultSlot = 64;

} // namespace

extern "C" EXCEPTION_DISPOSITION vell_guard_handler(EXCEPTION_RECORD* record, void* frame, CONTEXT*,
                                                    DISPATCHER_CONTEXT* dispatch) {
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        return ExceptionContinueSearch;
    if (vell::win::IsCxxExceptionCode(record->ExceptionCode)) return ExceptionContinueSearch; // no fault
    auto* fault = *reinterpret_cast<vell::win::SehFault**>(static_cast<char*>(frame) + kFaultSlot);
    if (fault) {
        fault->code = record->ExceptionCode;
        fault->address = record->ExceptionAddress;
    }
    // Unwinds every frame above the guard and continues it at its fault exit; never returns.
    ::RtlUnwindEx(frame, reinterpret_cast<void*>(&vell_guarded_call_faulted), record, nullptr,
                  dispatch->ContextRecord, dispatch->HistoryTable);
    return ExceptionContinueSearch;
}

namespace vell::win {

const void* ExceptionChainHead() {
    return nullptr;
}

bool CallGuarded(void (*fn)(void*) noexcept, void* context, SehFault* fault) {
    SehFault seen;
    const bool returned = vell_guarded_call(fn, context, &seen) != 0;
    if (!returned && fault) *fault = seen;
    return returned;
}

} // namespace vell::win

#endif // __x86_64__
