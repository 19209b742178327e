#include "crash/engine/report.h"

#include "platform/win/environment.h"
#include "platform/win/handles.h"

#include <tlhelp32.h>
#include <cpuid.h>

#include <cstdio>
#include <cstring>

namespace vell::crash {

namespace {

std::wstring format(const wchar_t* fmt, ...) {
    wchar_t buf[1024];
    va_list args;
    va_start(args, fmt);
    int n = std::vswprintf(buf, 1024, fmt, args);
    va_end(args);
    return n < 0 ? std::wstring() : std::wstring(buf, size_t(n));
}

void line(std::wstring& out, const std::wstring& text) {
    out += text;
    out += L"\r\n";
}

void field(std::wstring& out, const wchar_t* name, const std::wstring& value) {
    line(out, format(L"%-18ls: ", name) + value);
}

bool executable(DWORD protect) {
    return (protect & (PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY)) != 0;
}

bool readableCode(uintptr_t from, uintptr_t to) {
    for (uintptr_t p = from; p < to;) {
        MEMORY_BASIC_INFORMATION mbi{};
        if (!::VirtualQuery(reinterpret_cast<void*>(p), &mbi, sizeof(mbi))) return false;
        if (mbi.State != MEM_COMMIT || !executable(mbi.Protect) || (mbi.Protect & PAGE_GUARD)) return false;
        p = reinterpret_cast<uintptr_t>(mbi.BaseAddress) + mbi.RegionSize;
    }
    return true;
}

const LoadedModule* moduleOf(uintptr_t address, const std::vector<LoadedModule>& modules) {
    for (const LoadedModule& m : modules)
        if (address >= m.base && address - m.base < m.size) return &m;
    return nullptr;
}

// True when the bytes before `ret` end with a call instruction: E8 rel32, FF 15 abs32, or
// one of the register and memory forms of FF /2.
bool followsCall(uintptr_t ret) {
    if (ret < 8 || !readableCode(ret - 7, ret)) return false;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(ret);
    if (p[-5] == 0xE8) return true;
    if (p[-6] == 0xFF && p[-5] == 0x15) return true;
    auto isCallModrm = [](uint8_t modrm, int mod) { return (modrm & 0x38) == 0x10 && (modrm >> 6) == mod; };
    if (p[-2] == 0xFF && isCallModrm(p[-1], 3)) return true;                          // call reg
    if (p[-2] == 0xFF && isCallModrm(p[-1], 0) && (p[-1] & 7) != 4 && (p[-1] & 7) != 5) return true; // call [reg]
    if (p[-3] == 0xFF && isCallModrm(p[-2], 1) && (p[-2] & 7) != 4) return true;    // call [reg+d8]
    if (p[-4] == 0xFF && isCallModrm(p[-3], 1) && (p[-3] & 7) == 4) return true;    // call [sib+d8]
    if (p[-6] == 0xFF && isCallModrm(p[-5], 2) && (p[-5] & 7) != 4) return true;    // call [reg+d32]
    if (p[-7] == 0xFF && isCallModrm(p[-6], 2) && (p[-6] & 7) == 4) return true;    // call [sib+d32]
    return false;
}

std::wstring windowsVersion() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    auto get = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
    OSVERSIONINFOEXW v{};
    v.dwOSVersionInfoSize = sizeof(v);
    std::wstring text = L"unknown";
    if (get && get(reinterpret_cast<OSVERSIONINFOW*>(&v)) == 0) {
        text = format(L"%lu.%lu build %lu", v.dwMajorVersion, v.dwMinorVersion, v.dwBuildNumber);
        if (v.szCSDVersion[0]) text += std::wstring(L" ") + v.szCSDVersion;
    }
    using WineVersionFn = const char*(__cdecl*)();
    if (auto wine = reinterpret_cast<WineVersionFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "wine_get_version")))) {
        const char* w = wine();
        if (w) text += L" (Wine " + std::wstring(w, w + std::strlen(w)) + L")";
    }
    text += vell::env::IsWow64() ? L", 64-bit Windows" : L", 32-bit Windows";
    return text;
}

std::wstring processorText() {
    char brand[49] = {};
    unsigned a, b, c, d;
    if (__get_cpuid(0x80000000, &a, &b, &c, &d) && a >= 0x80000004) {
        for (unsigned i = 0; i < 3; ++i) {
            __get_cpuid(0x80000002 + i, &a, &b, &c, &d);
            std::memcpy(brand + i * 16 + 0, &a, 4);
            std::memcpy(brand + i * 16 + 4, &b, 4);
            std::memcpy(brand + i * 16 + 8, &c, 4);
            std::memcpy(brand + i * 16 + 12, &d, 4);
        }
    }
    std::string name(brand);
    size_t first = name.find_first_not_of(' ');
    name = first == std::string::npos ? "unknown" : name.substr(first);
    SYSTEM_INFO si{};
    ::GetNativeSystemInfo(&si);
    const wchar_t* arch = si.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64   ? L"x64"
                          : si.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL ? L"x86"
                          : si.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_ARM64 ? L"ARM64"
                                                                                       : L"other";
    return std::wstring(name.begin(), name.end()) +
           format(L", %lu logical processors, %ls", si.dwNumberOfProcessors, arch);
}

std::wstring memoryText() {
    MEMORYSTATUSEX m{};
    m.dwLength = sizeof(m);
    if (!::GlobalMemoryStatusEx(&m)) return L"unknown";
    const unsigned long long mb = 1024ull * 1024ull;
    return format(L"%llu MB physical, %llu MB free, load %lu%%; %llu MB address space, %llu MB free",
                  m.ullTotalPhys / mb, m.ullAvailPhys / mb, m.dwMemoryLoad, m.ullTotalVirtual / mb,
                  m.ullAvailVirtual / mb);
}

BOOL CALLBACK addScreen(HMONITOR monitor, HDC, LPRECT, LPARAM param) {
    auto& out = *reinterpret_cast<std::wstring*>(param);
    MONITORINFOEXW mi{};
    mi.cbSize = sizeof(mi);
    if (!::GetMonitorInfoW(monitor, &mi)) return TRUE;
    const RECT& r = mi.rcMonitor;
    const RECT& w = mi.rcWork;
    line(out, format(L"  %ls: %ldx%ld at (%ld,%ld), work area (%ld,%ld)-(%ld,%ld)%ls", mi.szDevice, r.right - r.left,
                     r.bottom - r.top, r.left, r.top, w.left, w.top, w.right, w.bottom,
                     (mi.dwFlags & MONITORINFOF_PRIMARY) ? L", primary" : L""));
    return TRUE;
}

std::wstring localTime() {
    SYSTEMTIME t{};
    ::GetLocalTime(&t);
    return format(L"%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
                  t.wMilliseconds);
}

} // namespace

std::vector<LoadedModule> LoadedModules() {
    std::vector<LoadedModule> modules;
    win::UniqueKernelHandle snap(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0));
    if (!snap) return modules;
    MODULEENTRY32W e{};
    e.dwSize = sizeof(e);
    for (BOOL ok = ::Module32FirstW(snap.get(), &e); ok; ok = ::Module32NextW(snap.get(), &e)) {
        modules.push_back({reinterpret_cast<uintptr_t>(e.modBaseAddr), e.modBaseSize, e.szModule, e.szExePath});
        e.dwSize = sizeof(e);
    }
    return modules;
}

std::wstring DescribeAddress(uintptr_t address, const std::vector<LoadedModule>& modules) {
    if (const LoadedModule* m = moduleOf(address, modules))
        return format(L"%ls+0x%lX", m->name.c_str(), static_cast<unsigned long>(address - m->base));
    return format(L"0x%08lX", static_cast<unsigned long>(address));
}

std::vector<uintptr_t> WalkStack(const ThreadStack& stack, const std::vector<LoadedModule>& modules,
                                 size_t maxFrames) {
    std::vector<uintptr_t> frames;
    if (stack.ip) frames.push_back(stack.ip);
    if (stack.sp < stack.stackLow || stack.sp >= stack.stackHigh) return frames;
    bool started = stack.startAt == 0;
    for (uintptr_t p = stack.sp & ~uintptr_t(3); p + 4 <= stack.stackHigh && frames.size() < maxFrames; p += 4) {
        uintptr_t value = *reinterpret_cast<const uintptr_t*>(p);
        if (!started) {
            if (value != stack.startAt) continue;
            started = true;
        }
        // A return address stored twice in a row (a saved copy beside the original) is one frame.
        if (moduleOf(value, modules) && followsCall(value) && (frames.empty() || frames.back() != value))
            frames.push_back(value);
    }
    if (!started) {
        // The starting frame was not found: keep the whole scan rather than nothing.
        ThreadStack all = stack;
        all.startAt = 0;
        return WalkStack(all, modules, maxFrames);
    }
    return frames;
}

std::wstring BuildReportText(const FailureFacts& facts, const std::vector<LoadedModule>& modules) {
    std::wstring out;
    field(out, L"Date/Time", localTime());
    field(out, L"Application", vell::env::ProgramPath());
    field(out, L"Command line", ::GetCommandLineW());
    field(out, L"Process", format(L"%lu", ::GetCurrentProcessId()));
    field(out, L"Exception class", facts.className);
    field(out, L"Exception message", facts.message);
    field(out, L"Exception address",
          facts.address ? format(L"0x%08lX ", static_cast<unsigned long>(facts.address)) +
                              DescribeAddress(facts.address, modules)
                        : L"unknown");
    field(out, L"Thread", format(L"%lu", facts.threadId) + (facts.mainThread ? L" (main thread)" : L""));
    line(out, L"");
    line(out, L"Call stack:");
    for (uintptr_t frame : facts.stack)
        line(out, format(L"  0x%08lX ", static_cast<unsigned long>(frame)) + DescribeAddress(frame, modules));
    line(out, L"");
    line(out, L"Modules:");
    for (const LoadedModule& m : modules) {
        std::wstring version = vell::env::GetFileVersionString(m.path);
        line(out, format(L"  0x%08lX 0x%08lX %-14ls ", static_cast<unsigned long>(m.base),
                         static_cast<unsigned long>(m.size), version.empty() ? L"-" : version.c_str()) +
                      m.path);
    }
    line(out, L"");
    line(out, L"Processes:");
    win::UniqueKernelHandle snap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snap) {
        PROCESSENTRY32W e{};
        e.dwSize = sizeof(e);
        for (BOOL ok = ::Process32FirstW(snap.get(), &e); ok; ok = ::Process32NextW(snap.get(), &e)) {
            line(out, format(L"  %6lu ", e.th32ProcessID) + e.szExeFile);
            e.dwSize = sizeof(e);
        }
    }
    line(out, L"");
    field(out, L"Processor", processorText());
    field(out, L"Memory", memoryText());
    field(out, L"Windows", windowsVersion());
    line(out, L"Screens:");
    ::EnumDisplayMonitors(nullptr, nullptr, addScreen, reinterpret_cast<LPARAM>(&out));
    return out;
}

} // namespace vell::crash
