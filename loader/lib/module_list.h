// Module start-up and shut-down as an explicit ordered list: start-up runs the entries in
// order, shut-down runs those that started in reverse order. A process ended from outside
// runs no shut-down at all.
#pragma once
#include <cstddef>
#include <span>

namespace vell::loader {

struct Module {
    const char* name;
    void (*startup)();  // nullptr: nothing to do
    void (*shutdown)(); // nullptr: nothing to do
};

class ModuleList {
  public:
    explicit ModuleList(std::span<const Module> modules) : modules_(modules) {}
    ModuleList(const ModuleList&) = delete;
    ModuleList& operator=(const ModuleList&) = delete;

    // Starts every module in order. A failure raised by a start-up passes to the caller;
    // the modules started before it are still shut down by Shutdown.
    void Startup();
    // Shuts the started modules down in reverse order; a second call does nothing.
    void Shutdown();
    size_t started() const { return started_; }

  private:
    std::span<const Module> modules_;
    size_t started_ = 0;
};

// The loader's own modules, in start-up order.
std::span<const Module> LoaderModules();

} // namespace vell::loader
