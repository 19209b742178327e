// A resource library that faults: every export of a test build of webres.dll is made to
// raise an access violation and then RaiseException in turn. Each fault loads nothing,
// writes one log line, and the next call (and the caches) work as before. Runs in a child
// process so that the test build is the webres.dll bound there.
#include "core/io/stream.h"
#include "core/image/errors.h"
#include "core/text/utf.h"
#include "platform/image/engine_startup.h"
#include "rdcontrol/resource/resource.h"
#include "services/log/log.h"
#include "tests/support/temp_dir.h"
#include "tests/support/resource_fixture.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace vell;
using rd::TResource;

namespace {

using FaultFn = void(__stdcall*)(const char*, int);
enum FaultKind { kNone = 0, kAccessViolation = 1, kRaise = 2, kHugeSize = 3 };

// How many fault lines the log holds.
int faultLines(const std::u16string& logFile) {
    HANDLE h = ::CreateFileW(text::wcs(logFile), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    std::u16string content(::GetFileSize(h, nullptr) / 2, u'\0');
    DWORD got = 0;
    ::ReadFile(h, content.data(), DWORD(content.size() * 2), &got, nullptr);
    ::CloseHandle(h);
    int n = 0;
    for (std::size_t at = content.find(u"webres.dll: "); at != std::u16string::npos;
         at = content.find(u"webres.dll: ", at + 1))
        ++n;
    return n;
}

std::string read(const std::u16string& path) {
    TMemoryStream stream;
    TResource::LoadStream(stream, path);
    return stream.Bytes();
}

} // namespace

// Each child test binds the test build afresh in a process of its own.
TEST(FaultyWebRes, RunsInFreshProcesses) {
    for (const char* test : {"FaultyWebResChild.DISABLED_EveryExportFaultsInTurn",
                             "FaultyWebResChild.DISABLED_TheBufferOfAReportedSizeCannotBeHad"})
        EXPECT_EQ(rdtest::RunDisabledTestsInChild(test), 0u)
            << test << ": the child's failures are in its own output";
}

TEST(FaultyWebResChild, DISABLED_EveryExportFaultsInTurn) {
    ASSERT_EQ(::GetModuleHandleW(L"webres.dll"), nullptr);
    vell::testing::TempDir dir;
    const std::u16string logFile = dir / u"faults.log";
    SetLogFileName(logFile);
    image::StartImageEngine();
    rd::StartResourceModule();
    ASSERT_TRUE(rd::LoadWebResLibrary(u"" VELL_BINARY_DIR "\\faulty-webres\\"));
    const auto fault = reinterpret_cast<FaultFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"webres.dll"), "WebResTestFault")));
    ASSERT_NE(fault, nullptr) << "not the test build of webres.dll";

    const std::u16string skin = dir / u"black.dll";
    rdtest::WriteBytes(skin, rdtest::PackageBytes({{"a.txt", "abc"},
                                                   {"sub/b.txt", "b"},
                                                   {"images/a.png", rdtest::PngBytes(3, 2, 0x0000FF)}}));
    TResource::Register(skin, false);
    ASSERT_EQ(read(u"a.txt"), "abc");

    // Each case: the export made to fault, and what the program sees while it does.
    struct Case {
        const char* where;
        int faults; // calls of the export while it faults: one log line each
        std::function<void()> whileFaulting;
    };
    const Case cases[] = {
        {"WebUIResourceRegister", 1,
         [&] {
             TResource::Unregister(skin);
             TResource::Register(skin, false); // the state moves on, nothing becomes readable
             EXPECT_EQ(TResource::SkinName(), u"black");
             EXPECT_EQ(read(u"a.txt"), "");
         }},
        {"WebUIResourceUnregister", 1,
         [&] {
             TResource::Unregister(skin);
             EXPECT_EQ(TResource::SkinName(), u"");
         }},
        {"WebUIResourceData.size", 2,
         [&] {
             EXPECT_EQ(read(u"a.txt"), "");
             EXPECT_EQ(TResource::Size(u":/black/a.txt"), 0);
         }},
        {"WebUIResourceData.fill", 1,
         [&] {
             TMemoryStream stream;
             stream.WriteBuffer("xy", 2);
             TResource::LoadStream(stream, u"a.txt"); // the stream stays as it was
             EXPECT_EQ(stream.Bytes(), "xy");
         }},
        {"WebUIResourceEnum", 1,
         [&] {
             std::u16string dirs = u"old", files = u"old";
             TResource::Enum(u":/black/", dirs, files);
             EXPECT_EQ(dirs + files, u"");
         }},
        {"QStringCreate", 2,
         [&] {
             std::u16string dirs, files;
             TResource::Enum(u":/black/", dirs, files);
             EXPECT_EQ(dirs + files, u"");
         }},
        {"QStringGet", 2,
         [&] {
             std::u16string dirs = u"old", files = u"old";
             TResource::Enum(u":/black/", dirs, files);
             EXPECT_EQ(dirs + files, u"");
         }},
    };
    for (const int kind : {kAccessViolation, kRaise}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.where) + (kind == kRaise ? " raising" : " violating access"));
            const int before = faultLines(logFile);
            fault(c.where, kind);
            c.whileFaulting();
            fault(nullptr, kNone);
            const int logged = faultLines(logFile) - before;
            EXPECT_EQ(logged, c.faults);

            // The library and the module go on as before.
            TResource::Unregister(skin);
            TResource::Register(skin, false);
            EXPECT_EQ(read(u"a.txt"), "abc");
            std::u16string dirs, files;
            TResource::Enum(u":/black/", dirs, files);
            EXPECT_EQ(dirs, u"sub|images|");
            EXPECT_EQ(files, u"a.txt|");
        }
    }

    // A text handle that faults while being closed: the lists were read before.
    fault("QStringClose", kAccessViolation);
    std::u16string dirs, files;
    TResource::Enum(u":/black/", dirs, files);
    fault(nullptr, kNone);
    EXPECT_EQ(dirs, u"sub|images|");
    EXPECT_EQ(files, u"a.txt|");

    // A picture whose data faults is cached empty; the next skin load fills the same object.
    fault("WebUIResourceData.size", kAccessViolation);
    image::TRdGraphic* picture = rd::LoadCachedImage(u"images/a.png");
    fault(nullptr, kNone);
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(picture->Empty());
    TResource::Unregister(skin);
    TResource::Register(skin, false);
    EXPECT_EQ(rd::LoadCachedImage(u"images/a.png"), picture);
    EXPECT_FALSE(picture->Empty());
    EXPECT_EQ(picture->Width(), 3);

    rd::UnloadCache(true);
    rd::StopResourceModule();
    SetLogFileName(u"");
}

TEST(FaultyWebResChild, DISABLED_TheBufferOfAReportedSizeCannotBeHad) {
    if (sizeof(void*) == 8)
        GTEST_SKIP() << "a 64-bit process can have a 2 GB buffer; the 32-bit build proves this path";
    image::StartImageEngine();
    rd::StartResourceModule();
    ASSERT_TRUE(rd::LoadWebResLibrary(u"" VELL_BINARY_DIR "\\faulty-webres\\"));
    const auto fault = reinterpret_cast<FaultFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"webres.dll"), "WebResTestFault")));
    ASSERT_NE(fault, nullptr);
    fault("WebUIResourceData.size", kHugeSize);
    TMemoryStream stream;
    try {
        TResource::LoadStream(stream, u":/any/a.txt");
        ADD_FAILURE() << "no allocation error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Out of memory, len:2147483632, err:");
    }
    EXPECT_EQ(stream.Size(), 0);
    // A picture is then cached empty, not a failure of its caller.
    image::TRdGraphic* picture = rd::LoadCachedImage(u":/any/b.png");
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(picture->Empty());
    fault(nullptr, kNone);
    rd::UnloadCache(true);
    rd::StopResourceModule();
}
