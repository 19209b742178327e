#include "loader/lib/dpi_awareness.h"
#include "core/text/utf.h"
#include "services/log/log.h"
#include "support.h"

#include <gtest/gtest.h>

using namespace vell::loader::dpi;

TEST(LargeScreen, DecidesOverWorkAreaAndDpi) {
    struct Case {
        int w, h, dpi;
        bool large;
    };
    const Case cases[] = {
        {1920, 1040, 144, false}, // M <= 1920
        {1920, 1200, 192, false}, {1040, 1920, 192, false},
        {2560, 1400, 120, false}, // not M >= 3000, DPI <= 125
        {2560, 1400, 125, false}, {2560, 1400, 126, true},
        {2560, 1400, 144, true},  {3840, 2100, 96, true}, // M >= 3000
        {2999, 1600, 96, false},  {3000, 1600, 96, true},
        {5120, 1400, 144, false},                          // a wide strip: H < M/2 and H < 1920
        {5120, 1919, 144, false}, {5120, 2559, 144, true}, // a strip, but high enough on its own
        {3000, 1499, 96, false},  {3000, 1500, 96, true},  // H = M/2 is not a strip
        {7680, 1920, 96, true},   {7680, 1919, 96, false},
        {1400, 5120, 144, true}, // portrait is never a strip
        {0, 0, 96, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsLargeScreenFor(c.w, c.h, c.dpi), c.large) << c.w << "x" << c.h << " at " << c.dpi;
}

TEST(LargeScreen, ProcessStateStartsAtItsDefaults) {
    EXPECT_FALSE(LargeScreen);
    EXPECT_FLOAT_EQ(LargeScreenScale, 2.0f);
    EXPECT_GT(VLR_GetDPINew(), 0);
}

TEST(WindowsVersion, ComparesAgainstTheRunningSystem) {
    EXPECT_TRUE(IsWindowsVersionOrGreater(5, 0, 0));
    EXPECT_FALSE(IsWindowsVersionOrGreater(99, 0, 0));
    OSVERSIONINFOEXW v{};
    v.dwOSVersionInfoSize = sizeof(v);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ASSERT_TRUE(::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&v)));
#pragma GCC diagnostic pop
    const WORD major = WORD(v.dwMajorVersion), minor = WORD(v.dwMinorVersion), sp = v.wServicePackMajor;
    EXPECT_TRUE(IsWindowsVersionOrGreater(major, minor, sp));
    EXPECT_FALSE(IsWindowsVersionOrGreater(major, minor, WORD(sp + 1))) << "the service pack counts";
    EXPECT_FALSE(IsWindowsVersionOrGreater(major, WORD(minor + 1), 0));
}

namespace {

// Runs a copy of the loader named `name` that Wine shows the Windows version `version`
// (per program, so other tests keep theirs), and returns its early log beside it.
std::string startupLog(const std::wstring& name, const wchar_t* version) {
    const std::wstring key = L"Software\\Wine\\AppDefaults\\" + name;
    HKEY k = nullptr;
    EXPECT_EQ(
        ::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr),
        ERROR_SUCCESS);
    ::RegSetValueExW(k, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                     DWORD((wcslen(version) + 1) * sizeof(wchar_t)));
    ::RegCloseKey(k);

    const std::wstring dir = loadertest::FreshFolder(L"dpi_" + std::wstring(version));
    EXPECT_TRUE(
        ::CopyFileW(loadertest::ProductFile(L"VellLoading.exe").c_str(), (dir + name).c_str(), FALSE));
    EXPECT_EQ(loadertest::RunProgram(L"\"" + dir + name + L"\" nothing"), 0u);
    std::string bytes = loadertest::ReadBytes(dir + name.substr(0, name.size() - 4) + L".log");
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE") << "a UTF-16 log beside the program";
    if (bytes.size() < 2) return {};
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    // Only the texts, without the time stamps.
    std::string lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find(L"\r\n", at);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(at, end - at);
        lines += loadertest::WideToUtf8(line.size() > 25 ? line.substr(25) : line) + "\n";
        at = end + 2;
    }
    return lines;
}

} // namespace

// The probe's lines: an unaware process logs the screen's LOGPIXELSY; a process that starts
// aware (Wine may start one so) logs its awareness instead. The rest of the log is returned.
std::string afterProbe(const std::string& log, bool& startedAware) {
    static const std::string unaware = "InitCheckDPI LOGPIXELSY: ",
                             aware = "**************** GetProcessDpiAwareness : ";
    startedAware = log.rfind(aware, 0) == 0;
    const std::string& first = startedAware ? aware : unaware;
    EXPECT_EQ(log.rfind(first, 0), 0u) << log;
    const size_t end = log.find('\n');
    EXPECT_GT(std::atoi(log.c_str() + first.size()), 0) << log;
    return end == std::string::npos ? std::string() : log.substr(end + 1);
}

TEST(DpiAwareness, StartUpDeclaresWhatTheWindowsVersionAllows) {
    bool aware = false;
    EXPECT_EQ(afterProbe(startupLog(L"VellLoadingWin7.exe", L"win7"), aware),
              "**************** DoDPIAware begin: 6\n"
              "IsWindows8Point1OrGreater 2222\n"
              "**************** DoDPIAware SetProcessDPIAware 3\n");

    // On Windows 10 the process is made per-monitor aware through Shcore. When its awareness
    // is fixed already, the declaration is refused with E_ACCESSDENIED, logged in decimal.
    const std::string win10 = afterProbe(startupLog(L"VellLoadingWin10.exe", L"win10"), aware);
    if (aware) {
        EXPECT_EQ(win10, "**************** DoDPIAware begin: 10\n"
                         "IsWindows8Point1OrGreater 11111\n"
                         "**************** SetProcessDpiAwareness 1\n"
                         "**************** SetProcessDpiAwareness 1 :-2147024891\n");
    } else {
        const std::string head = "**************** DoDPIAware begin: 10\n"
                                 "IsWindows8Point1OrGreater 11111\n"
                                 "**************** SHcoreHandle: ";
        EXPECT_EQ(win10.substr(0, head.size()), head);
        EXPECT_NE(win10.find("\n**************** SetProcessDpiAwareness + 4\n"
                             "**************** SetProcessDpiAwareness :0\n"),
                  std::string::npos)
            << win10;
    }

    // Windows XP has no awareness to declare.
    EXPECT_EQ(startupLog(L"VellLoadingWinXP.exe", L"winxp"), "**************** DoDPIAware begin: 5\n");
}

// Runs on the default display and, as its own test, on a 3840 x 2160 display: the decision
// for the real monitor, logged with the measured DPI.
TEST(LargeScreenDisplay, DecidesForTheMonitorOfTheWindow) {
    const std::wstring dir =
        loadertest::FreshFolder(L"large_screen_" + std::to_wstring(::GetSystemMetrics(SM_CXSCREEN)));
    vell::SetLogFileName(vell::text::fromWide(dir + L"dpi.log"));
    RECT work{};
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    const bool expected = work.right - work.left >= 3000; // at 96 DPI only the size can decide
    EXPECT_EQ(IsLargeScreen(::GetDesktopWindow()), expected);
    EXPECT_EQ(MeasuredDpi, 96);
    vell::SetLogFileName(u"");
    const std::string log = loadertest::ReadBytes(dir + L"dpi.log");
    const std::wstring text(reinterpret_cast<const wchar_t*>(log.data()), log.size() / 2);
    EXPECT_NE(text.find(L"  GetSystemDPI: 96\r\n"), std::wstring::npos) << loadertest::WideToUtf8(text);
}
