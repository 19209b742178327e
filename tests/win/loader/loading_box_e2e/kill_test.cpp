// Processes ended from outside at random moments: the loader started by the stand-in hub
// (during its start-up, its log lines and its skin registration, or with the box shown),
// and a helper that keeps writing the log through its rotations, saving an INI file and
// switching the skin. After every kill each log is a whole UTF-16 file, each INI file holds
// the old or the new content, and the next loader shows its box.
//
// VELL_KILLS sets the number of kills of each kind (default 12); the seed of a run is
// printed, and VELL_KILL_SEED repeats it.
#include "box_session.h"
#include "churn/churn_content.h"

#include "core/text/utf.h"
#include "platform/win/environment.h"

#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

using namespace boxtest;
using loadertest::Finish;
using loadertest::ReadBytes;
using loadertest::Start;
using loadertest::WideToUtf8;

namespace {

int killCount() {
    const char* n = std::getenv("VELL_KILLS");
    return n && std::atoi(n) > 0 ? std::atoi(n) : 12;
}

std::mt19937 seededRandom() {
    const char* s = std::getenv("VELL_KILL_SEED");
    const unsigned seed = s ? unsigned(std::strtoul(s, nullptr, 10)) : unsigned(::GetTickCount());
    std::printf("kill seed %u\n", seed);
    return std::mt19937(seed);
}

// What is wrong with a log file, or empty: a log is empty (created, no line yet) or a
// byte-order mark followed by UTF-16 lines that each end with CR LF, without NULs or
// broken surrogate pairs.
std::string logProblem(const std::string& bytes) {
    if (bytes.empty()) return {};
    if (bytes.size() % 2) return "an odd number of bytes";
    std::u16string text(bytes.size() / 2, u'\0');
    std::memcpy(text.data(), bytes.data(), bytes.size());
    if (text[0] != 0xFEFF) return "no byte-order mark";
    if (text.size() < 3 || text.substr(text.size() - 2) != u"\r\n") return "the last line is cut";
    for (size_t i = 1; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == 0) return "a NUL at unit " + std::to_string(i);
        if (c == 0xFEFF) return "a second byte-order mark at unit " + std::to_string(i);
        const bool high = c >= 0xD800 && c < 0xDC00, low = c >= 0xDC00 && c < 0xE000;
        if (low) return "a lone low surrogate at unit " + std::to_string(i);
        if (high && (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] >= 0xE000))
            return "a lone high surrogate at unit " + std::to_string(i);
        if (high) ++i;
    }
    return {};
}

// Every file of `folder` that matches `pattern`, checked as a log.
void expectWholeLogs(const std::wstring& folder, const std::wstring& pattern) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((folder + pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string problem = logProblem(ReadBytes(folder + data.cFileName));
        EXPECT_EQ(problem, "") << WideToUtf8(folder + data.cFileName);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
}

int filesMatching(const std::wstring& pattern) {
    int n = 0;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do
        ++n;
    while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return n;
}

// A process that `parent` started with the given program file name; 0 when none (yet).
DWORD childOf(DWORD parent, const wchar_t* exe) {
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W e{sizeof e};
    DWORD found = 0;
    for (BOOL ok = ::Process32FirstW(snap, &e); ok && !found; ok = ::Process32NextW(snap, &e))
        if (e.th32ParentProcessID == parent && ::lstrcmpiW(e.szExeFile, exe) == 0) found = e.th32ProcessID;
    ::CloseHandle(snap);
    return found;
}

// Ends a process from outside `delayMs` after `since` (at once when that has passed).
void killAt(HANDLE process, DWORD since, DWORD delayMs) {
    const DWORD spent = ::GetTickCount() - since;
    if (spent < delayMs) ::Sleep(delayMs - spent);
    EXPECT_EQ(::WaitForSingleObject(process, 0), WAIT_TIMEOUT) << "it ended before the kill";
    ::TerminateProcess(process, 1);
    ASSERT_EQ(::WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
}

// The hub starts a loader; the loader's process, opened to be ended (null when it never
// appeared), and the tick count of the hub's start.
HANDLE loaderStartedByHub(DWORD& since) {
    since = ::GetTickCount();
    auto hub = Start(L"\"" + ProductFolder() + L"Vellhub.exe\" start Init");
    DWORD pid = 0;
    while (!(pid = childOf(hub.pid, L"VellLoading.exe")) && ::GetTickCount() - since < 10000)
        ::Sleep(1);
    EXPECT_EQ(Finish(hub), 0u);
    return pid ? ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid) : nullptr;
}

void expectTheNextStartShowsTheBox() {
    LoaderRun next(L"VLR Init");
    EXPECT_NE(next.WaitForBox(30000), nullptr);
    EXPECT_EQ(next.Close(), 0u);
}

std::string versionBytes(const std::wstring& folder, int version) {
    const std::wstring path = folder + L"version" + std::to_wstring(version) + L".ini";
    {
        vell::TSafeIniFile ini(vell::text::fromWide(path));
        churn::WriteVersion(ini, version);
    }
    std::string bytes = ReadBytes(path);
    ::DeleteFileW(path.c_str());
    return bytes;
}

} // namespace

TEST(KillAnywhere, TheLoaderEndedAtAnyMomentLeavesWholeLogsAndTheNextStartShowsTheBox) {
    ASSERT_TRUE(::CopyFileW(loadertest::ProductFile(L"Vellhub.exe").c_str(),
                            (ProductFolder() + L"Vellhub.exe").c_str(), FALSE));
    const std::wstring logs = vell::env::GetProductDataFolder() + L"Logs\\";
    // How long a start takes up to the shown box here: kills land up to a quarter beyond it.
    DWORD since = 0;
    HANDLE first = loaderStartedByHub(since);
    ASSERT_NE(first, nullptr);
    while (BoxWindows().empty() && ::GetTickCount() - since < 30000)
        PumpFor(5);
    const DWORD shown = ::GetTickCount() - since;
    ASSERT_EQ(BoxWindows().size(), 1u);
    ::PostMessageW(BoxWindows()[0], WM_CLOSE, 0, 0);
    EXPECT_EQ(::WaitForSingleObject(first, 30000), WAIT_OBJECT_0);
    ::CloseHandle(first);
    std::printf("box shown %lu ms after the hub started\n", static_cast<unsigned long>(shown));

    std::mt19937 random = seededRandom();
    std::uniform_int_distribution<DWORD> moment(0, shown + shown / 4);
    const int kills = killCount();
    for (int i = 0; i < kills && !HasFatalFailure(); ++i) {
        const DWORD delay = moment(random);
        SCOPED_TRACE("kill " + std::to_string(i) + " at " + std::to_string(delay) + " ms");
        HANDLE loader = loaderStartedByHub(since);
        ASSERT_NE(loader, nullptr);
        killAt(loader, since, delay);
        ::CloseHandle(loader);
        expectWholeLogs(logs, L"VellLoading*.log*");
        expectWholeLogs(ProductFolder(), L"VellLoading*.log*");
        expectTheNextStartShowsTheBox();
    }
}

TEST(KillAnywhere, AHelperEndedWhileItLogsSavesAndSwitchesSkinsLeavesWholeLogsAndOldOrNewSettings) {
    const std::wstring folder = loadertest::FreshFolder(L"kill_churn");
    const std::string versions[2] = {versionBytes(folder, 0), versionBytes(folder, 1)};
    ASSERT_NE(versions[0], versions[1]);
    {
        vell::TSafeIniFile ini(vell::text::fromWide(folder + L"settings.ini"));
        churn::WriteVersion(ini, 1);
    }
    ASSERT_EQ(ReadBytes(folder + L"settings.ini"), versions[1]);
    const std::wstring command = L"\"" + loadertest::ProbeFile(L"kill_churn.exe") + L"\" \"" +
                                 folder.substr(0, folder.size() - 1) + L"\" \"" + ProductFolder() + L"skin\"";

    std::mt19937 random = seededRandom();
    std::uniform_int_distribution<DWORD> moment(0, 4000);
    const int kills = killCount();
    int restored = 0;
    for (int i = 0; i < kills && !HasFatalFailure(); ++i) {
        const DWORD delay = moment(random);
        SCOPED_TRACE("kill " + std::to_string(i) + " at " + std::to_string(delay) + " ms");
        const DWORD since = ::GetTickCount();
        auto churn = Start(command);
        ASSERT_NE(churn.process, nullptr);
        killAt(churn.process, since, delay);
        Finish(churn, 0);
        expectWholeLogs(folder, L"churn.log*");
        EXPECT_LE(filesMatching(folder + L"settings.ini.~*"), 1)
            << "only the last killed save's file is left";
        // As the next reader finds it (which completes a swap the kill cut short).
        const bool onDisk = loadertest::Exists(folder + L"settings.ini");
        { vell::TSafeIniFile reader(vell::text::fromWide(folder + L"settings.ini")); }
        const std::string settings = ReadBytes(folder + L"settings.ini");
        EXPECT_TRUE(settings == versions[0] || settings == versions[1])
            << settings.size() << " bytes, " << (onDisk ? "on disk" : "restored");
        if (!onDisk) ++restored;
    }
    std::printf("%d of %d kills cut a settings save short between the files\n", restored, kills);
    EXPECT_GT(filesMatching(folder + L"churn.log.bak*"), 0) << "the log rotated";
    expectTheNextStartShowsTheBox();
}
