#include "platform/intercept/import_redirect.h"

#include "platform/intercept/code_hook.h"

#include <cstring>
#include <string>
#include <vector>

namespace vell {

namespace {

void Report(const char* prefix, const char* what) {
    std::string text = std::string(prefix) + " " + what;
    ::OutputDebugStringA(text.c_str());
}

// The import descriptors of a loaded module, or null when its headers do not check out.
const IMAGE_IMPORT_DESCRIPTOR* ImportDescriptors(HMODULE module, const char* errPrefix) {
    auto* base = reinterpret_cast<const std::uint8_t*>(module);
    if (!base || !IsReadableMemory(base, sizeof(IMAGE_DOS_HEADER))) {
        Report(errPrefix, "module header not readable");
        return nullptr;
    }
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (!IsReadableMemory(nt, sizeof(IMAGE_NT_HEADERS))) {
        Report(errPrefix, "PE header not readable");
        return nullptr;
    }
    if (nt->Signature != IMAGE_NT_SIGNATURE) return nullptr;
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (nt->OptionalHeader.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_IMPORT || dir.VirtualAddress == 0 ||
        dir.Size == 0)
        return nullptr;
    return reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
}

// Calls visit(descriptor) for each readable descriptor whose library is `library`.
template <typename Visit>
void ForEachDescriptorOf(HMODULE module, const char* library, const char* errPrefix, Visit visit) {
    auto* base = reinterpret_cast<const std::uint8_t*>(module);
    for (const IMAGE_IMPORT_DESCRIPTOR* d = ImportDescriptors(module, errPrefix); d; ++d) {
        if (!IsReadableMemory(d, sizeof *d)) {
            Report(errPrefix, "import descriptor not readable");
            return;
        }
        if (d->Name == 0 && d->FirstThunk == 0) return; // the terminating descriptor
        auto* name = reinterpret_cast<const char*>(base + d->Name);
        if (!IsReadableMemory(name, 1)) {
            Report(errPrefix, "library name not readable");
            continue;
        }
        if (lstrcmpiA(name, library) == 0 && !visit(*d)) return;
    }
}

// Redirects the named imports of one module.
int PatchModule(HMODULE module, const char* library, const char* const names[], void** const slots[],
                void* const replacements[], std::size_t count) {
    auto* base = reinterpret_cast<std::uint8_t*>(module);
    int patched = 0;
    ForEachDescriptorOf(module, library, "RdApiHook err1:", [&](const IMAGE_IMPORT_DESCRIPTOR& d) {
        if (d.OriginalFirstThunk == 0) {
            Report("RdApiHook err2:", "no import name table");
            return true;
        }
        auto* lookup = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d.OriginalFirstThunk);
        auto* iat = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d.FirstThunk);
        for (;; ++lookup, ++iat) {
            if (!IsReadableMemory(lookup, sizeof *lookup) || !IsReadableMemory(iat, sizeof *iat)) {
                Report("RdApiHook err3:", "import table not readable");
                break;
            }
            if (lookup->u1.AddressOfData == 0) break;
            if (IMAGE_SNAP_BY_ORDINAL(lookup->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + lookup->u1.AddressOfData);
            if (!IsReadableMemory(byName, sizeof *byName)) continue;
            const char* importName = reinterpret_cast<const char*>(byName->Name);
            for (std::size_t i = 0; i < count; ++i) {
                if (std::strcmp(importName, names[i]) != 0) continue;
                void* current = reinterpret_cast<void*>(iat->u1.Function);
                if (current == replacements[i]) break; // already ours
                if (*slots[i] == nullptr) *slots[i] = current;
                DWORD old = 0;
                if (::VirtualProtect(&iat->u1.Function, sizeof(void*), PAGE_READWRITE, &old)) {
                    iat->u1.Function = reinterpret_cast<ULONG_PTR>(replacements[i]);
                    DWORD ignored = 0;
                    ::VirtualProtect(&iat->u1.Function, sizeof(void*), old, &ignored);
                    ::FlushInstructionCache(::GetCurrentProcess(), &iat->u1.Function, sizeof(void*));
                    ++patched;
                }
                break;
            }
        }
        return true;
    });
    return patched;
}

} // namespace

HMODULE OwnModule() {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&OwnModule), &module);
    return module;
}

bool FindImportedLibrary(HMODULE Module, const char* LibraryName) {
    bool found = false;
    ForEachDescriptorOf(Module, LibraryName, "FindDllFromIAT err2:", [&](const IMAGE_IMPORT_DESCRIPTOR&) {
        found = true;
        return false;
    });
    return found;
}

int RedirectImports(int Mode, const char* LibraryName, const char* const Names[], void** const Slots[],
                    void* const Replacements[], std::size_t Count) {
    std::vector<HMODULE> modules;
    HMODULE package = ::GetModuleHandleA(kRuntimePackageName);
    HMODULE own = OwnModule();
    switch (Mode) {
    case 1:
        if (package) modules.push_back(package);
        break;
    case 2:
        modules.push_back(package ? package : own);
        break;
    case 3: {
        if (package) modules.push_back(package);
        if (own && own != package) modules.push_back(own);
        HMODULE exe = ::GetModuleHandleW(nullptr);
        if (package && exe != own && FindImportedLibrary(exe, kRuntimePackageName)) modules.push_back(exe);
        break;
    }
    default:
        return 0;
    }
    int patched = 0;
    for (HMODULE m : modules)
        patched += PatchModule(m, LibraryName, Names, Slots, Replacements, Count);
    return patched;
}

} // namespace vell
