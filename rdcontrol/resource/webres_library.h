// The binding to the product's resource library webres.dll and wrappers of its exports.
// The library is bound on first use (or explicitly with LoadWebResLibrary) and stays bound
// until CloseWebResLibrary, after which it is never bound again. Every wrapper binds first
// with the standard search when nothing is bound yet; an export the library lacks turns its
// wrapper into a no-op (QStringCreate yields 0, QStringGet no text).
#pragma once
#include <cstdint>
#include <string>

namespace vell::rd::webres {

// Binds webres.dll: an already loaded one, else folder + "webres.dll" (folder ends with a
// backslash, or is empty for the standard search). False when it cannot be loaded; a
// later call tries again. True at once when bound, and after CloseWebResLibrary.
bool LoadWebResLibrary(const std::u16string& folder);
// Unloads the library when this module loaded it, clears the exports and marks the
// binding closed for good.
void CloseWebResLibrary();
// The library is bound and was loaded here (not found already loaded).
bool LoadedByUs();
bool RegisterBound();

void ResourceRegister(const std::u16string& packagePath);
void ResourceUnregister(const std::u16string& packagePath);
// The byte size of a resource (0 when absent or unbound). Does not bind.
std::int32_t ResourceSize(const std::u16string& resourcePath);
// Fills buffer with exactly the bytes whose size ResourceSize reported last for the path.
void ResourceFill(const std::u16string& resourcePath, void* buffer);
// The sub-folder names and file names of a resource folder, each followed by "|".
void ResourceEnum(const std::u16string& folder, std::u16string& dirs, std::u16string& files);

} // namespace vell::rd::webres
