// Redirecting named imports in the import address tables of loaded modules.
#pragma once
#include <windows.h>

#include <cstddef>

namespace vell {

// The framework's runtime package, when the program is built with runtime packages.
inline constexpr const char* kRuntimePackageName = "vcl170.bpl";

// Which modules RedirectImports patches:
//   1 - the runtime package (if the program uses one), else nothing;
//   2 - the runtime package if there is one, else the program's own module;
//   3 - the runtime package (when present) and the program's own module, and the main
//       executable when this code runs in a library inside another executable that
//       imports the runtime package.
// "The program's own module" is the module this code is linked into.
//
// For every by-name import of LibraryName (case ignored) whose name is in Names[i], the
// import table entry is saved into *Slots[i] (when that slot is still empty) and replaced
// with Replacements[i]. Imports by ordinal and entries that already hold the replacement
// are left alone. Unreadable memory is skipped and reported on the debugger output; the
// walk never fails the program. Returns the number of entries rewritten.
int RedirectImports(int Mode, const char* LibraryName, const char* const Names[], void** const Slots[],
                    void* const Replacements[], std::size_t Count);

// Whether a module's import table names the library (case ignored).
bool FindImportedLibrary(HMODULE Module, const char* LibraryName);

// The module that contains this code.
HMODULE OwnModule();

} // namespace vell
