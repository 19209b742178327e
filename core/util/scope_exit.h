// A clean-up written once: the function runs when the scope ends, whether it ends
// normally or by an exception.
#pragma once
#include <utility>

namespace vell {

template <class F>
class ScopeExit {
public:
    explicit ScopeExit(F Fn) : FFn(std::move(Fn)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() { FFn(); }

private:
    F FFn;
};

} // namespace vell
