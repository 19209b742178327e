// Linked only into executables that ask for it (crash/CMakeLists.txt): every C++ throw
// passes through here first, so that a failure report can name the place of the throw.
#include "crash/engine/engine.h"

extern "C" {
[[noreturn]] void __real___cxa_throw(void* object, void* type, void* destructor);

[[noreturn]] void __wrap___cxa_throw(void* object, void* type, void* destructor) {
    vell::crash::NoteThrowSite(reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
    __real___cxa_throw(object, type, destructor);
}
}
