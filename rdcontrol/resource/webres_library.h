// The binding to the product's resource library webres.dll and wrappers of its exports.
// The library is bound on first use (or explicitly with LoadWebResLibrary) and stays bound
// until CloseWebResLibrary, after which it is not bound again until ReopenWebResLibrary. Every wrapper binds
// first with the standard search when nothing is bound yet; an export the library lacks turns its wrapper
// into a no-op (QStringCreate yields 0, QStringGet no text). Every call into the library runs under a
// structured-exception guard: a fault inside it (an access violation, RaiseException) ends that call, which
// then yields nothing, and writes one log line.
#pragma once
#include <cstdint>
#include <string>

namespace vell::rd::webres {

// Binds webres.dll: an already loaded one, else folder + "webres.dll" (folder ends with a
// backslash, or is empty for the standard search). False when it cannot be loaded; a
// later call tries again. True at once when bound, and after CloseWebResLibrary.
bool LoadWebResLibrary(const std::u16string& folder);
// Unloads the library when this module loaded it, clears the exports and marks the
// binding closed.
void CloseWebResLibrary();
// Lets a closed binding bind again (the resource module starting again); nothing otherwise.
void ReopenWebResLibrary();
// The library is bound and was loaded here (not found already loaded).
bool LoadedByUs();
bool RegisterBound();

void ResourceRegister(const std::u16string& packagePath);
void ResourceUnregister(const std::u16string& packagePath);
// The byte size of a resource (0 when absent or unbound). Does not bind. When the library
// faults the result is 0 and *error (when given) describes the fault.
std::int32_t ResourceSize(const std::u16string& resourcePath, std::string* error = nullptr);
// Fills buffer with exactly the bytes whose size ResourceSize reported last for the path.
// False when the library is unbound or faulted (the buffer may then be partly written).
bool ResourceFill(const std::u16string& resourcePath, void* buffer);
// The sub-folder names and file names of a resource folder, each followed by "|".
void ResourceEnum(const std::u16string& folder, std::u16string& dirs, std::u16string& files);

} // namespace vell::rd::webres
