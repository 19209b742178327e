#include "rdcontrol/resource/webres_library.h"

#include "core/text/utf.h"
#include "platform/diag/seh_guard.h"
#include "platform/win/handles.h"
#include "services/log/log.h"

#include <windows.h>

#include <float.h>

#include <cstdio>
#include <cwchar>

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

std::string describe(const char* exportName, const win::SehFault& fault) {
    char text[160];
    std::snprintf(text, sizeof text, "%s raised exception %08lX at %p", exportName,
                  static_cast<unsigned long>(fault.code), fault.address);
    return text;
}

// Runs one call into the library under the structured-exception guard. A fault inside the
// library ends that call only, is written to the log (one line per fault) and described
// in *error when given; the result is whether the call returned. The call should only call
// the export: whatever it started is abandoned at a fault.
template <typename Call> bool callLibrary(const char* exportName, Call&& call, std::string* error = nullptr) {
    win::SehFault fault;
    if (win::Guarded(call, &fault)) return true;
    const std::string message = describe(exportName, fault);
    WriteLogLine(u"webres.dll: " + text::utf8ToUtf16(message));
    if (error) *error = message;
    return false;
}

// Two text handles, closed on every way out.
class TextHandle {
  public:
    TextHandle() {
        if (g_exports.QStringCreate) callLibrary("QStringCreate", [&] { h_ = g_exports.QStringCreate(); });
    }
    TextHandle(const TextHandle&) = delete;
    TextHandle& operator=(const TextHandle&) = delete;
    ~TextHandle() {
        if (h_ && g_exports.QStringClose) callLibrary("QStringClose", [&] { g_exports.QStringClose(h_); });
    }
    void* get() const { return h_; }
    // The handle's text, read inside the guard; a text that cannot be read is no text.
    std::u16string text() const {
        if (!h_ || !g_exports.QStringGet) return {};
        const wchar_t* chars = nullptr;
        std::size_t length = 0;
        const bool read = callLibrary("QStringGet", [&] {
            chars = g_exports.QStringGet(h_);
            length = chars ? std::wcslen(chars) : 0;
        });
        return read && chars ? text::fromWide(std::wstring_view(chars, length)) : std::u16string();
    }

  private:
    void* h_ = nullptr;
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

void ReopenWebResLibrary() {
    if (g_handle == kClosed) g_handle = nullptr;
}

bool LoadedByUs() {
    return bool(g_owned);
}
bool RegisterBound() {
    return g_exports.WebUIResourceRegister != nullptr;
}

void ResourceRegister(const std::u16string& packagePath) {
    bind();
    const wchar_t* path = text::wcs(packagePath);
    if (RegisterFn fn = g_exports.WebUIResourceRegister)
        callLibrary("WebUIResourceRegister", [&] { fn(path); });
}

void ResourceUnregister(const std::u16string& packagePath) {
    bind();
    const wchar_t* path = text::wcs(packagePath);
    if (RegisterFn fn = g_exports.WebUIResourceUnregister)
        callLibrary("WebUIResourceUnregister", [&] { fn(path); });
}

std::int32_t ResourceSize(const std::u16string& resourcePath, std::string* error) {
    std::int32_t size = 0;
    const wchar_t* path = text::wcs(resourcePath);
    if (DataFn fn = g_exports.WebUIResourceData) {
        if (!callLibrary(
                "WebUIResourceData", [&] { fn(path, nullptr, &size); }, error))
            return 0;
    }
    return size;
}

bool ResourceFill(const std::u16string& resourcePath, void* buffer) {
    const wchar_t* path = text::wcs(resourcePath);
    DataFn fn = g_exports.WebUIResourceData;
    return fn && callLibrary("WebUIResourceData", [&] { fn(path, buffer, nullptr); });
}

void ResourceEnum(const std::u16string& folder, std::u16string& dirs, std::u16string& files) {
    bind();
    TextHandle dirList, fileList;
    const wchar_t* path = text::wcs(folder);
    bool listed = false;
    if (EnumFn fn = g_exports.WebUIResourceEnum)
        listed = callLibrary("WebUIResourceEnum", [&] { fn(path, dirList.get(), fileList.get()); });
    // Lists a faulting call may have half filled are not read.
    dirs = listed ? dirList.text() : std::u16string();
    files = listed ? fileList.text() : std::u16string();
}

} // namespace vell::rd::webres
