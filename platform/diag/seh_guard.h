// Calls into code we do not control (a foreign library) so that a structured exception it
// raises and does not handle itself, such as an access violation or RaiseException, ends
// that call instead of the process.
//
// The guard stands as a frame of its own below the call: on i686 a record pushed onto the
// thread's exception chain, on x86_64 a function whose unwind data names the guard's
// handler. When the system finds no handler inside the call, it reaches that frame: the
// frame records the fault, lets the library's own frames unwind (their SEH handlers run)
// and resumes right after the call. C++ exceptions are not structured faults to the guard:
// they pass through it. The frames of the abandoned call are dropped without
// their C++ destructors, so a guarded call should do nothing but call the foreign function;
// keep its arguments and results in the caller.
#pragma once

#include <cstdint>
#include <exception>
#include <type_traits>

namespace vell::win {

// True for the codes with which GCC's C++ runtime raises a C++ exception as a structured one
// (x86_64: to throw 0x20474343, to unwind 0x21474343, to force an unwind 0x22474343). Such
// an exception that nothing catches is continued by the program's start-up code, after
// which the runtime calls std::terminate; handlers that are not C++ leave them alone.
inline constexpr std::uint32_t kCxxThrowCode = 0x20474343;
constexpr bool IsCxxExceptionCode(std::uint32_t code) {
    return (code & 0x00FFFFFF) == 0x00474343;
}

struct SehFault {
    std::uint32_t code = 0;        // the exception code, e.g. 0xC0000005 for an access violation
    const void* address = nullptr; // where it was raised
};

// Calls fn(context). True when it returned; false when a structured exception left it, with
// the fault in *fault when given. Guards nest: the innermost one takes the fault.
bool CallGuarded(void (*fn)(void*) noexcept, void* context, SehFault* fault = nullptr);

// The innermost frame of this thread's exception chain (a guard leaves it as it found it).
// x86_64 keeps no chain (handlers are found through unwind data): there it is always null.
const void* ExceptionChainHead();

// Calls f() as CallGuarded does. A C++ exception thrown by f passes through unchanged.
template <typename F> bool Guarded(F&& f, SehFault* fault = nullptr) {
    struct Call {
        std::remove_reference_t<F>* f;
        std::exception_ptr thrown;
    } call{&f, nullptr};
    const bool returned = CallGuarded(
        [](void* context) noexcept {
            auto* c = static_cast<Call*>(context);
            try {
                (*c->f)();
            } catch (...) {
                c->thrown = std::current_exception();
            }
        },
        &call, fault);
    if (call.thrown) std::rethrow_exception(call.thrown);
    return returned;
}

} // namespace vell::win
