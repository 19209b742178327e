#include "tests/support/resource_fixture.h"

#include "core/io/stream.h"
#include "core/zip/zip_writer.h"
#include "platform/image/engine_startup.h"
#include "platform/image/png_image.h"
#include "rdcontrol/resource/resource.h"

#include <windows.h>

#include <cstdlib>

namespace vell::rdtest {

void StartModulesOnce() {
    static const bool started = [] {
        image::StartImageEngine();
        rd::StartResourceModule();
        rd::LoadWebResLibrary(u"" VELL_BINARY_DIR "\\product\\");
        std::atexit([] {
            rd::UnloadCache(true);
            rd::StopResourceModule();
        });
        return true;
    }();
    (void)started;
}

unsigned long RunDisabledTestsInChild(const char* filter) {
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring cmd = L"\"" + std::wstring(exe) + L"\" --gtest_also_run_disabled_tests --gtest_filter=";
    for (const char* c = filter; *c; ++c)
        cmd += wchar_t(*c);
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return ~0ul;
    ::WaitForSingleObject(pi.hProcess, 120000);
    DWORD code = 1;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return code;
}

std::u16string DemoSkinFolder() {
    return u"" VELL_BINARY_DIR "\\product\\skin\\";
}

std::string PackageBytes(Files files) {
    zip::ZipWriter w;
    for (const auto& [name, data] : files)
        w.add(name, std::string_view(data));
    const std::vector<std::uint8_t> bytes = w.finish();
    return std::string(bytes.begin(), bytes.end());
}

void WriteBytes(const std::u16string& path, const std::string& bytes) {
    HANDLE h = ::CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD put = 0;
    ::WriteFile(h, bytes.data(), DWORD(bytes.size()), &put, nullptr);
    ::CloseHandle(h);
}

std::string PngBytes(int w, int h, std::uint32_t colour) {
    image::TPngImage* png = image::TPngImage::CreateBlank(6, 8, w, h, false, false, false, false);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            png->SetPixels(x, y, colour);
    TMemoryStream stream;
    png->SaveToStream(stream);
    png->ReleaseRef();
    return stream.Bytes();
}

} // namespace vell::rdtest
