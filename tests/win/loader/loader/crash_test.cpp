// The whole crash path in separate processes: the loader's test failure, failures of every
// kind in the probe, the report file, the screenshot and the sender's command line.
#include "core/png/codec.h"
#include "crash/engine/engine.h"
#include "support.h"

#include <gtest/gtest.h>

using namespace loadertest;

namespace {

const std::string kRule = std::string(75, '=') + "\r\n";

struct Scene {
    std::wstring dir;    // the program folder
    std::wstring temp;   // the "temp" folder of the child
    std::wstring record; // where the sender stand-in records what it got
    std::map<std::wstring, std::wstring> env() const {
        return {{L"TEMP", temp}, {L"TMP", temp}, {L"VELL_SENDER_RECORD", record}};
    }
};

Scene makeScene(const std::wstring& name, bool withVellhub, bool withSender) {
    Scene s;
    s.dir = FreshFolder(name);
    s.temp = FreshFolder(name + L"_temp");
    s.record = FreshFolder(name + L"_record");
    RemoveTree(s.record);
    MakeProductFolder(s.dir, withVellhub, withSender);
    return s;
}

std::string report(const std::wstring& path) {
    std::string bytes = ReadBytes(path);
    EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF") << "UTF-8 with byte-order mark";
    return bytes.size() >= 3 ? bytes.substr(3) : bytes;
}

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string line(const std::string& text, const std::string& field) {
    size_t at = text.find(field);
    if (at == std::string::npos) return {};
    return text.substr(at, text.find("\r\n", at) - at);
}

// The lines of the report's call stack.
std::string callStack(const std::string& text) {
    const std::string head = "Call stack:\r\n";
    size_t at = text.find(head);
    if (at == std::string::npos) return {};
    at += head.size();
    return text.substr(at, text.find("\r\n\r\n", at) - at);
}

int countBlocks(const std::string& text) {
    int n = 0;
    for (size_t at = 0; (at = text.find("Main_Version      : ", at)) != std::string::npos; ++at)
        ++n;
    return n;
}

// The sender's recorded arguments (its command line after the program's path). The sender
// runs on after the failing process ended: wait for its record to be complete.
std::string senderArguments(const Scene& s) {
    for (int i = 0; i < 1000 && !Exists(s.record + L"\\done.txt"); ++i)
        ::Sleep(10);
    std::string cmd = ReadBytes(s.record + L"\\command_line.txt");
    size_t at = cmd.find("/AntRun");
    return at == std::string::npos ? cmd : cmd.substr(at);
}

} // namespace

// A plain coloured window of this process, for the screenshot to show.
class ColouredWindow {
  public:
    ColouredWindow(int x, int y, int w, int h, COLORREF colour) : brush_(::CreateSolidBrush(colour)) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"CrashTestColour";
        wc.hbrBackground = brush_;
        ::RegisterClassW(&wc);
        wnd_ = ::CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"", WS_POPUP, x, y, w, h, nullptr, nullptr,
                                 wc.hInstance, nullptr);
        ::ShowWindow(wnd_, SW_SHOWNOACTIVATE);
        ::UpdateWindow(wnd_);
        MSG msg;
        for (int i = 0; i < 20; ++i) {
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                ::DispatchMessageW(&msg);
            ::Sleep(10);
        }
    }
    ~ColouredWindow() {
        ::DestroyWindow(wnd_);
        ::DeleteObject(brush_);
    }

  private:
    HBRUSH brush_;
    HWND wnd_ = nullptr;
};

TEST(CrashPath, TestFailureWritesTheReportAndStartsTheSender) {
    const Scene s = makeScene(L"crash_test_failure", true, true);
    ColouredWindow window(100, 50, 200, 100, RGB(200, 30, 60));
    EXPECT_EQ(RunProgram(L"\"" + s.dir + L"VellLoading.exe\" /TestBugReport", s.env()), 0u);

    const std::string text = report(s.dir + L"bugreport_new.txt");
    EXPECT_EQ(text.rfind("Main_Version      : 4.2.1.7\r\n", 0), 0u) << text.substr(0, 200);
    EXPECT_EQ(line(text, "Exception class"), "Exception class   : vell::Exception");
    EXPECT_EQ(line(text, "Exception message"), "Exception message : testbugreport");
    EXPECT_TRUE(has(line(text, "Exception address"), "VellLoading.exe+0x"))
        << line(text, "Exception address");
    EXPECT_TRUE(has(line(text, "Thread"), "(main thread)"));
    for (const char* section : {"Call stack:\r\n  0x", "Modules:\r\n", "Processes:\r\n", "Processor ",
                                "Memory ", "Windows ", "Screens:\r\n"})
        EXPECT_TRUE(has(text, section)) << section;
    EXPECT_TRUE(has(text, "VellLoading.exe\r\n")) << "the process list names the loader";
    EXPECT_EQ(text.substr(text.size() - kRule.size()), kRule);
    EXPECT_EQ(countBlocks(text), 1);

    EXPECT_EQ(senderArguments(s), "/AntRun /App \"VellLoading.exe\" /files \"" + WideToUtf8(s.temp) +
                                      "screenshots.png|" + WideToUtf8(s.dir) + "bugreport_new.txt\"");
    EXPECT_EQ(ReadBytes(s.record + L"\\bugreport_new.txt"), ReadBytes(s.dir + L"bugreport_new.txt"));

    // The screenshot is a PNG of the whole screen.
    const std::string file = ReadBytes(s.temp + L"screenshots.png");
    EXPECT_EQ(ReadBytes(s.record + L"\\screenshots.png"), file);
    const std::vector<uint8_t> bytes(file.begin(), file.end());
    const vell::png::BgraImage shot = vell::png::decodeToBgra(bytes);
    EXPECT_EQ(int(shot.width), ::GetSystemMetrics(SM_CXVIRTUALSCREEN));
    EXPECT_EQ(int(shot.height), ::GetSystemMetrics(SM_CYVIRTUALSCREEN));
    auto pixel = [&](int x, int y) {
        const uint8_t* p = &shot.pixels[(size_t(y) * shot.width + size_t(x)) * 4];
        return std::to_string(p[2]) + "," + std::to_string(p[1]) + "," + std::to_string(p[0]) + "," +
               std::to_string(p[3]);
    };
    if (shot.width >= 400 && shot.height >= 200) {
        EXPECT_EQ(pixel(200, 100), "200,30,60,255") << "the window of this test";
        EXPECT_EQ(pixel(350, 100), pixel(0, 0)) << "beside it the desktop";
    }
}

TEST(CrashPath, EachFailureAddsABlockOnTop) {
    const Scene s = makeScene(L"crash_two_runs", false, true);
    Started first = Start(L"\"" + s.dir + L"VellLoading.exe\" /testbugreport", s.env());
    const DWORD firstPid = first.pid;
    EXPECT_EQ(Finish(first), 0u);
    Started second = Start(L"\"" + s.dir + L"VellLoading.exe\" /testbugreport", s.env());
    const DWORD secondPid = second.pid;
    EXPECT_EQ(Finish(second), 0u);

    const std::string text = report(s.dir + L"bugreport_new.txt");
    EXPECT_EQ(countBlocks(text), 2);
    EXPECT_EQ(text.rfind("Main_Version      : 4.0.0.0\r\n", 0), 0u) << "no Vellhub.exe: the default version";
    const size_t newer = text.find("Process           : " + std::to_string(secondPid) + "\r\n");
    const size_t older = text.find("Process           : " + std::to_string(firstPid) + "\r\n");
    ASSERT_NE(newer, std::string::npos);
    ASSERT_NE(older, std::string::npos);
    EXPECT_LT(newer, older);
}

TEST(CrashPath, AnUnwritableProgramFolderSendsTheReportToTemp) {
    const Scene s = makeScene(L"crash_unwritable", true, true);
    // The report's name in the program folder is taken by a folder, so nothing can be
    // written there under that name (folder permissions do not bind the test's user).
    ASSERT_TRUE(::CreateDirectoryW((s.dir + L"bugreport_new.txt").c_str(), nullptr));
    EXPECT_EQ(RunProgram(L"\"" + s.dir + L"VellLoading.exe\" /testbugreport", s.env()), 0u);
    const std::string text = report(s.temp + L"bugreport_new.txt");
    EXPECT_EQ(text.rfind("Main_Version      : 4.2.1.7\r\n", 0), 0u);
    EXPECT_EQ(senderArguments(s), "/AntRun /App \"VellLoading.exe\" /files \"" + WideToUtf8(s.temp) +
                                      "screenshots.png|" + WideToUtf8(s.temp) + "bugreport_new.txt\"");
}

TEST(CrashPath, WithoutSenderTheEngineEndsTheProcessItself) {
    const Scene s = makeScene(L"crash_no_sender", true, false);
    EXPECT_EQ(RunProgram(L"\"" + s.dir + L"VellLoading.exe\" /testbugreport", s.env()),
              vell::crash::kUnreportedExitCode);
    EXPECT_FALSE(Exists(s.dir + L"bugreport_new.txt"));
    EXPECT_FALSE(Exists(s.temp + L"bugreport_new.txt"));
    EXPECT_FALSE(Exists(s.temp + L"screenshots.png"));
    EXPECT_FALSE(Exists(s.record));
}

TEST(CrashPath, FailuresOfEveryKindAreCaught) {
    struct Case {
        const wchar_t* kind;
        const char* className;
        const char* message; // part of the message line
        bool mainThread;
        const char* exception; // the /Exception argument, "" for none
    };
    const Case cases[] = {
        {L"cpp", "vell::Exception", "probe failure SendBugReport_2ASKUSER", true, "ET_BugReport_AskUser"},
        {L"av", "EXCEPTION_ACCESS_VIOLATION", "write of address 0x00000000", true, ""},
        {L"int", "int", "(no message)", true, ""},
        {L"overflow", "EXCEPTION_STACK_OVERFLOW", "Stack overflow", true, ""},
        {L"abort", "abort", "abnormal program termination", true, ""},
        {L"thread-cpp", "vell::Exception", "probe failure", false, "ET_BugReport_AskUser"},
        {L"thread-av", "EXCEPTION_ACCESS_VIOLATION", "Access violation", false, ""},
        {L"wndproc-cpp", "vell::Exception", "failure in a window procedure", true, ""},
        {L"wndproc-av", "EXCEPTION_ACCESS_VIOLATION", "Access violation", true, ""},
        {L"wndproc-caught", "vell::Exception", "caught in a window procedure", true, ""},
    };
    Scene s = makeScene(L"crash_kinds", false, true);
    ASSERT_TRUE(
        ::CopyFileW(ProbeFile(L"loader_probe.exe").c_str(), (s.dir + L"loader_probe.exe").c_str(), FALSE));
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.kind));
        ::DeleteFileW((s.dir + L"bugreport_new.txt").c_str());
        RemoveTree(s.record);
        EXPECT_EQ(RunProgram(L"\"" + s.dir + L"loader_probe.exe\" fail " + c.kind + L" bridge", s.env()), 0u);
        const std::string text = report(s.dir + L"bugreport_new.txt");
        EXPECT_EQ(text.rfind("Main_Version      : 1.2.3.4\r\n", 0), 0u);
        EXPECT_EQ(line(text, "Exception class"), std::string("Exception class   : ") + c.className);
        EXPECT_TRUE(has(line(text, "Exception message"), c.message)) << line(text, "Exception message");
        EXPECT_EQ(has(line(text, "Thread"), "(main thread)"), c.mainThread) << line(text, "Thread");
        // The stack leads back into the probe's own code, through more than one of its frames;
        // addresses have as many digits as a pointer.
        const std::string stack = callStack(text);
        int probeFrames = 0;
        for (size_t at = 0; (at = stack.find("loader_probe.exe+0x", at)) != std::string::npos; ++at)
            ++probeFrames;
        EXPECT_GE(probeFrames, 2) << stack;
        EXPECT_EQ(stack.find("  0x"), 0u) << stack;
        EXPECT_EQ(stack.find(' ', 4), 4 + 2 * sizeof(void*)) << "address width: " << stack.substr(0, 40);
        const std::string args = senderArguments(s);
        EXPECT_EQ(has(args, "/Exception"), *c.exception != 0) << args;
        if (*c.exception) {
            EXPECT_TRUE(has(args, std::string("/Exception \"") + c.exception + "\"")) << args;
        }
    }
}

TEST(CrashPath, WithoutHandlerTheEngineEndsWithItsOwnExitCode) {
    Scene s = makeScene(L"crash_no_handler", false, true);
    ASSERT_TRUE(
        ::CopyFileW(ProbeFile(L"loader_probe.exe").c_str(), (s.dir + L"loader_probe.exe").c_str(), FALSE));
    for (const wchar_t* kind : {L"cpp", L"av"}) {
        EXPECT_EQ(RunProgram(L"\"" + s.dir + L"loader_probe.exe\" fail " + kind, s.env()),
                  vell::crash::kUnreportedExitCode)
            << WideToUtf8(kind);
        EXPECT_FALSE(Exists(s.dir + L"bugreport_new.txt"));
    }
}
