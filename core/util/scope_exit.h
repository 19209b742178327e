// Clean-ups written once: they run when the scope ends, whether it ends normally or by an
// exception.
#pragma once
#include <utility>

namespace vell {

template <class F> class ScopeExit {
  public:
    explicit ScopeExit(F Fn) : FFn(std::move(Fn)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() { FFn(); }

  private:
    F FFn;
};

// Sets a flag for a scope and restores what it was.
struct FlagScope {
    bool& flag;
    bool was;
    explicit FlagScope(bool& f) : flag(f), was(f) { flag = true; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;
    ~FlagScope() { flag = was; }
};

} // namespace vell
