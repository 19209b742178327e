// The Vellhub.exe stand-in as the product's side of the loader: starting it, and closing or
// ending the box.
#include "support.h"

#include <gtest/gtest.h>

using namespace loadertest;

namespace {

std::wstring vellhub(const std::wstring& dir, const std::wstring& args) {
    return L"\"" + dir + L"Vellhub.exe\" " + args;
}

// A window that looks like the loading box to other programs.
Started fakeBox() {
    Started box = Start(L"\"" + ProbeFile(L"loader_probe.exe") +
                        L"\" window Tfrm_LoadingBox frm_LoadingBox 100 100 560 240");
    for (int i = 0; i < 500 && !::FindWindowW(L"Tfrm_LoadingBox", L"frm_LoadingBox"); ++i)
        ::Sleep(20);
    return box;
}

} // namespace

TEST(Vellhub, StartsTheLoaderWithVlrAndTheReason) {
    // The sender stand-in, named as the loader, records the command line it was given.
    const std::wstring dir = FreshFolder(L"vellhub_start");
    const std::wstring record = FreshFolder(L"vellhub_start_record");
    ASSERT_TRUE(::CopyFileW(ProductFile(L"Vellhub.exe").c_str(), (dir + L"Vellhub.exe").c_str(), FALSE));
    ASSERT_TRUE(
        ::CopyFileW(ProductFile(L"SendBugReport.exe").c_str(), (dir + L"VellLoading.exe").c_str(), FALSE));
    for (const wchar_t* reason : {L"Init", L"Change"}) {
        ::DeleteFileW((record + L"command_line.txt").c_str());
        EXPECT_EQ(RunProgram(vellhub(dir, L"start " + std::wstring(reason) + L" --wait"),
                             {{L"VELL_SENDER_RECORD", record}}),
                  0u);
        EXPECT_EQ(ReadBytes(record + L"command_line.txt"),
                  "\"" + WideToUtf8(dir) + "VellLoading.exe\" VLR " + WideToUtf8(reason));
    }
}

TEST(Vellhub, RunsTheRealLoader) {
    const std::wstring dir = FreshFolder(L"vellhub_real");
    MakeProductFolder(dir, true, true);
    // The box stays until it is closed: start it, wait for its window, close it.
    EXPECT_EQ(RunProgram(vellhub(dir, L"start Init")), 0u);
    HWND box = nullptr;
    for (int i = 0; i < 300 && !box; ++i) {
        box = ::FindWindowW(L"Tfrm_LoadingBox", L"frm_LoadingBox");
        if (!box) ::Sleep(100);
    }
    ASSERT_NE(box, nullptr) << "the loading box did not appear";
    EXPECT_EQ(RunProgram(vellhub(dir, L"close 30000")), 0u) << "the box ended through its close request";
}

TEST(Vellhub, ClosesOrEndsTheBox) {
    const std::wstring dir = ProductFile(L"");
    Started box = fakeBox();
    EXPECT_EQ(RunProgram(vellhub(dir, L"close")), 0u);
    EXPECT_EQ(Finish(box), 0u) << "the box ended through its close request";

    box = fakeBox();
    EXPECT_EQ(RunProgram(vellhub(dir, L"kill")), 0u);
    EXPECT_EQ(Finish(box), 1u) << "the box's process was ended from outside";

    EXPECT_EQ(RunProgram(vellhub(dir, L"close")), 1u) << "no box";
    EXPECT_EQ(RunProgram(vellhub(dir, L"kill")), 1u) << "no box";
}

TEST(Vellhub, RejectsBadCommandLines) {
    const std::wstring dir = ProductFile(L"");
    for (const wchar_t* args : {L"", L"start", L"start Boot", L"start Init now", L"stop", L"kill now"})
        EXPECT_EQ(RunProgram(vellhub(dir, args)), 64u) << WideToUtf8(args);
}
