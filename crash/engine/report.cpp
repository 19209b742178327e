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

std::wstring windowsVersion() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    auto get =
        reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
    OSVERSIONINFOEXW v{};
    v.dwOSVersionInfoSize = sizeof(v);
    std::wstring text = L"unknown";
    if (get && get(reinterpret_cast<OSVERSIONINFOW*>(&v)) == 0) {
        text = format(L"%lu.%lu build %lu", v.dwMajorVersion, v.dwMinorVersion, v.dwBuildNumber);
        if (v.szCSDVersion[0]) text += std::wstring(L" ") + v.szCSDVersion;
    }
    using WineVersionFn = const char*(__cdecl*)();
    if (auto wine = reinterpret_cast<WineVersionFn>(
            reinterpret_cast<void*>(::GetProcAddress(ntdll, "wine_get_version")))) {
        const char* w = wine();
        if (w) text += L" (Wine " + std::wstring(w, w + std::strlen(w)) + L")";
    }
    const bool windows64 = sizeof(void*) == 8 || vell::env::IsWow64();
    text += windows64 ? L", 64-bit Windows" : L", 32-bit Windows";
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
    line(out, format(L"  %ls: %ldx%ld at (%ld,%ld), work area (%ld,%ld)-(%ld,%ld)%ls", mi.szDevice,
                     r.right - r.left, r.bottom - r.top, r.left, r.top, w.left, w.top, w.right, w.bottom,
                     (mi.dwFlags & MONITORINFOF_PRIMARY) ? L", primary" : L""));
    return TRUE;
}

std::wstring localTime() {
    SYSTEMTIME t{};
    ::GetLocalTime(&t);
    return format(L"%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond, t.wMilliseconds);
}

} // namespace

std::wstring BuildReportText(const FailureFacts& facts, const std::vector<LoadedModule>& modules) {
    std::wstring out;
    field(out, L"Date/Time", localTime());
    field(out, L"Application", vell::env::ProgramPath());
    field(out, L"Command line", ::GetCommandLineW());
    field(out, L"Process", format(L"%lu", ::GetCurrentProcessId()));
    field(out, L"Exception class", facts.className);
    field(out, L"Exception message", facts.message);
    field(out, L"Exception address",
          facts.address ? HexAddress(facts.address) + L" " + DescribeAddress(facts.address, modules)
                        : L"unknown");
    field(out, L"Thread", format(L"%lu", facts.threadId) + (facts.mainThread ? L" (main thread)" : L""));
    line(out, L"");
    line(out, L"Call stack:");
    for (uintptr_t frame : facts.stack)
        line(out, L"  " + HexAddress(frame) + L" " + DescribeAddress(frame, modules));
    line(out, L"");
    line(out, L"Modules:");
    for (const LoadedModule& m : modules) {
        std::wstring version = vell::env::GetFileVersionString(m.path);
        line(out, L"  " + HexAddress(m.base) +
                      format(L" 0x%08lX %-14ls ", static_cast<unsigned long>(m.size),
                             version.empty() ? L"-" : version.c_str()) +
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
