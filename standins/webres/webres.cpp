// webres.dll: registers resource packages (ZIP archives named *.rcc or *.dll) and
// serves their files under ":/" + package name + "/". Strings cross as zero-terminated
// UTF-16; every export is stdcall, exported by its plain name (webres.def), and never
// lets an exception out.
//
// WebUIResourceData is called twice: first with a null buffer to learn the size, then
// with a buffer of that size and no size pointer. The second call cannot tell how big
// its buffer is, so each thread remembers the bytes whose size it reported last and
// the fill call copies exactly those; a fill without a matching size query writes
// nothing.
#include <windows.h>

#include "core/package/package_store.h"
#include "standins/webres/fault_point.h"
#include "platform/win/handles.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

using vell::package::PackageStore;

PackageStore& store() {
    static PackageStore instance;
    return instance;
}

std::string toUtf8(const wchar_t* text) {
    if (!text || !*text) return {};
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string r(std::size_t(n - 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, r.data(), n, nullptr, nullptr);
    return r;
}

std::wstring toWide(const std::string& text) {
    if (text.empty()) return {};
    int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring r(std::size_t(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), r.data(), n);
    return r;
}

// Package identity ignores case for every letter, not only ASCII ones.
std::string packageKey(const wchar_t* path) {
    std::wstring lower(path);
    if (!lower.empty()) ::CharLowerBuffW(lower.data(), DWORD(lower.size()));
    return toUtf8(lower.c_str());
}

// Reads the whole file; false when it cannot be opened, is too large or reads short.
bool readFile(const wchar_t* path, std::vector<std::uint8_t>& out) {
    vell::win::UniqueKernelHandle file(::CreateFileW(path, GENERIC_READ,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        std::uint64_t(size.QuadPart) > vell::zip::ZipLimits{}.maxArchiveBytes)
        return false;
    out.resize(std::size_t(size.QuadPart));
    std::size_t done = 0;
    while (done < out.size()) {
        DWORD chunk = DWORD(std::min<std::size_t>(out.size() - done, 1u << 24)), got = 0;
        if (!::ReadFile(file.get(), out.data() + done, chunk, &got, nullptr) || got == 0) return false;
        done += got;
    }
    return true;
}

struct PendingData {
    std::string path;
    std::vector<std::uint8_t> bytes;
    bool valid = false;
};
thread_local PendingData pending;

// Text handles.
struct QString {
    std::wstring text;
};
std::mutex handlesLock;
std::unordered_set<QString*>& handles() {
    static std::unordered_set<QString*> live;
    return live;
}
QString* liveHandle(void* h) {
    auto* q = static_cast<QString*>(h);
    return h && handles().count(q) ? q : nullptr;
}

std::wstring joinBar(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& n : names)
        joined += n + "|";
    return toWide(joined);
}

} // namespace

extern "C" {

void __stdcall WebUIResourceRegister(const wchar_t* path) {
    if (WebResFaultPoint("WebUIResourceRegister")) return;
    try {
        if (!path || !*path) return;
        const std::string key = packageKey(path);
        std::vector<std::uint8_t> bytes;
        if (readFile(path, bytes))
            store().add(key, std::move(bytes));
        else
            store().remove(key); // the file is gone or unreadable: so is its package
    } catch (...) {
    }
}

void __stdcall WebUIResourceUnregister(const wchar_t* path) {
    if (WebResFaultPoint("WebUIResourceUnregister")) return;
    try {
        if (path && *path) store().remove(packageKey(path));
    } catch (...) {
    }
}

void __stdcall WebUIResourceData(const wchar_t* path, void* buffer, int* size) {
    if (WebResFaultPoint(size ? "WebUIResourceData.size" : "WebUIResourceData.fill", size)) return;
    try {
        const std::string resource = toUtf8(path);
        if (size) {
            *size = 0;
            pending.valid = false;
            pending.path = resource;
            if (store().read(resource, pending.bytes) && pending.bytes.size() <= std::size_t(INT_MAX)) {
                pending.valid = true;
                *size = int(pending.bytes.size());
            } else {
                pending.bytes.clear();
            }
        }
        if (buffer) {
            if (pending.valid && pending.path == resource && !pending.bytes.empty())
                std::memcpy(buffer, pending.bytes.data(), pending.bytes.size());
            pending.valid = false;
            pending.bytes.clear();
            pending.bytes.shrink_to_fit();
        }
    } catch (...) {
        if (size) *size = 0;
        pending.valid = false;
    }
}

void __stdcall WebUIResourceEnum(const wchar_t* folder, void* dirs, void* files) {
    if (WebResFaultPoint("WebUIResourceEnum")) return;
    try {
        std::vector<std::string> folderNames, fileNames;
        store().list(toUtf8(folder), folderNames, fileNames);
        std::lock_guard guard(handlesLock);
        if (QString* d = liveHandle(dirs)) d->text = joinBar(folderNames);
        if (QString* f = liveHandle(files)) f->text = joinBar(fileNames);
    } catch (...) {
    }
}

void* __stdcall QStringCreate() {
    if (WebResFaultPoint("QStringCreate")) return nullptr;
    try {
        auto* q = new QString;
        std::lock_guard guard(handlesLock);
        handles().insert(q);
        return q;
    } catch (...) {
        return nullptr;
    }
}

void __stdcall QStringSet(void* handle, const wchar_t* text) {
    if (WebResFaultPoint("QStringSet")) return;
    try {
        std::lock_guard guard(handlesLock);
        if (QString* q = liveHandle(handle)) q->text = text ? text : L"";
    } catch (...) {
    }
}

const wchar_t* __stdcall QStringGet(void* handle) {
    if (WebResFaultPoint("QStringGet")) return L"";
    std::lock_guard guard(handlesLock);
    QString* q = liveHandle(handle);
    return q ? q->text.c_str() : L"";
}

void __stdcall QStringClose(void* handle) {
    if (WebResFaultPoint("QStringClose")) return;
    try {
        std::lock_guard guard(handlesLock);
        if (QString* q = liveHandle(handle)) {
            handles().erase(q);
            delete q;
        }
    } catch (...) {
    }
}

} // extern "C"
