#include "rdcontrol/resource/webres_library.h"

#include "core/text/utf.h"
#include "platform/win/handles.h"

#include <windows.h>

#include <float.h>

namespace vell::rd::webres {

namespace {

using RegisterFn = void(__stdcall*)(const wchar_t*);
using DataFn = void(__stdcall*)(const wchar_t*, void*, std::int32_t*);
using EnumFn = void(__stdcall*)(const wchar_t*, void*, void*);
using CreateFn = void*(__stdcall*)();
using SetFn = void(__stdcall*)(void*, const wchar_t*);
using GetFn = const wchar_t*(__stdcall*)(void*);
using CloseFn = void(__stdcall*)(void*);

struct Exports {
    RegisterFn WebUIResourceRegister = nullptr;
    RegisterFn WebUIResourceUnregister = nullptr;
    DataFn WebUIResourceData = nullptr;
    EnumFn WebUIResourceEnum = nullptr;
    CreateFn QStringCreate = nullptr;
    SetFn QStringSet = nullptr; // bound, never called
    GetFn QStringGet = nullptr;
    CloseFn QStringClose = nullptr;
};

// Binding state. The handle is null while unbound, the module (owned or found) while
// bound, and kClosed once the module has shut down.
const HMODULE kClosed = reinterpret_cast<HMODULE>(~std::uintptr_t(0));
HMODULE g_handle = nullptr;
win::UniqueModule g_owned; // set only when this module loaded the library
Exports g_exports;

template <typename F> F resolve(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// LoadLibrary with the "cannot open file" box suppressed and the floating-point control
// word the library's start-up might change put back.
HMODULE safeLoadLibrary(const std::wstring& path) {
    const UINT oldMode = ::SetErrorMode(SEM_NOOPENFILEERRORBOX);
    const unsigned int fpu = _controlfp(0, 0);
    HMODULE module = ::LoadLibraryW(path.c_str());
    _controlfp(fpu, _MCW_EM | _MCW_RC | _MCW_PC);
    ::SetErrorMode(oldMode);
    return module;
}

void bind() {
    if (!g_handle) LoadWebResLibrary(u"");
}

// Two text handles, closed on every way out.
class TextHandle {
public:
    TextHandle() : h_(g_exports.QStringCreate ? g_exports.QStringCreate() : nullptr) {}
    TextHandle(const TextHandle&) = delete;
    TextHandle& operator=(const TextHandle&) = delete;
    ~TextHandle() {
        if (h_ && g_exports.QStringClose) g_exports.QStringClose(h_);
    }
    void* get() const { return h_; }
    std::u16string text() const {
        return h_ && g_exports.QStringGet ? text::fromWide(g_exports.QStringGet(h_)) : std::u16string();
    }

private:
    void* h_;
};

} // namespace

bool LoadWebResLibrary(const std::u16string& folder) {
    if (g_handle) return true;
    HMODULE module = ::GetModuleHandleW(L"webres.dll");
    if (!module) {
        module = safeLoadLibrary(text::toWide(folder) + L"webres.dll");
        if (!module) return false;
        g_owned.reset(module);
    }
    g_handle = module;
    g_exports.WebUIResourceRegister = resolve<RegisterFn>(module, "WebUIResourceRegister");
    g_exports.WebUIResourceUnregister = resolve<RegisterFn>(module, "WebUIResourceUnregister");
    g_exports.WebUIResourceData = resolve<DataFn>(module, "WebUIResourceData");
    g_exports.WebUIResourceEnum = resolve<EnumFn>(module, "WebUIResourceEnum");
    g_exports.QStringCreate = resolve<CreateFn>(module, "QStringCreate");
    g_exports.QStringSet = resolve<SetFn>(module, "QStringSet");
    g_exports.QStringGet = resolve<GetFn>(module, "QStringGet");
    g_exports.QStringClose = resolve<CloseFn>(module, "QStringClose");
    return true;
}

void CloseWebResLibrary() {
    if (g_owned) {
        g_exports = Exports{};
        g_owned.reset();
    }
    g_handle = kClosed;
}

bool LoadedByUs() { return bool(g_owned); }
bool RegisterBound() { return g_exports.WebUIResourceRegister != nullptr; }

void ResourceRegister(const std::u16string& packagePath) {
    bind();
    if (g_exports.WebUIResourceRegister) g_exports.WebUIResourceRegister(text::wcs(packagePath));
}

void ResourceUnregister(const std::u16string& packagePath) {
    bind();
    if (g_exports.WebUIResourceUnregister) g_exports.WebUIResourceUnregister(text::wcs(packagePath));
}

std::int32_t ResourceSize(const std::u16string& resourcePath) {
    std::int32_t size = 0;
    if (g_exports.WebUIResourceData) g_exports.WebUIResourceData(text::wcs(resourcePath), nullptr, &size);
    return size;
}

void ResourceFill(const std::u16string& resourcePath, void* buffer) {
    if (g_exports.WebUIResourceData) g_exports.WebUIResourceData(text::wcs(resourcePath), buffer, nullptr);
}

void ResourceEnum(const std::u16string& folder, std::u16string& dirs, std::u16string& files) {
    bind();
    TextHandle dirList, fileList;
    if (g_exports.WebUIResourceEnum) g_exports.WebUIResourceEnum(text::wcs(folder), dirList.get(), fileList.get());
    dirs = dirList.text();
    files = fileList.text();
}

} // namespace vell::rd::webres
