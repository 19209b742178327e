#include "loader/lib/command_line.h"
#include "loader/lib/entry_point.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vell::loader;

namespace {

std::string show(const std::vector<std::wstring>& tokens) {
    std::string s;
    for (const auto& t : tokens)
        s += "[" + std::string(t.begin(), t.end()) + "]";
    return s;
}

} // namespace

TEST(CommandLine, SplitsLikeTheProductExpects) {
    struct Case {
        const wchar_t* line;
        std::vector<std::wstring> tokens;
    };
    const Case cases[] = {
        {L"", {}},
        {L"   ", {}},
        {L"a.exe", {L"a.exe"}},
        {L"\"C:\\Program Files\\V\\VellLoading.exe\" VLR Init",
         {L"C:\\Program Files\\V\\VellLoading.exe", L"VLR", L"Init"}},
        // Any code from 1 to 32 separates; the quotes of a stretch are dropped.
        {L"a.exe\tVLR\x01Init\x1f"
         L"x",
         {L"a.exe", L"VLR", L"Init", L"x"}},
        {L"a.exe \"two words\"", {L"a.exe", L"two words"}},
        {L"a.exe pre\"fix mid\"post next", {L"a.exe", L"prefix midpost", L"next"}},
        // Inside quotes control characters stay part of the argument.
        {L"a.exe \"x\ty\"", {L"a.exe", L"x\ty"}},
        // An unbalanced quote runs to the end of the line.
        {L"a.exe \"VLR Init", {L"a.exe", L"VLR Init"}},
        {L"a.exe VLR\"", {L"a.exe", L"VLR"}},
        // Empty pairs of quotes where an argument starts are skipped, not empty arguments.
        {L"a.exe \"\" VLR", {L"a.exe", L"VLR"}},
        {L"a.exe \"\"\"\" VLR \"\"", {L"a.exe", L"VLR"}},
        {L"a.exe \"\"VLR", {L"a.exe", L"VLR"}},
        // Inside an argument an empty pair joins its two sides.
        {L"a.exe V\"\"LR", {L"a.exe", L"VLR"}},
        // No escape character: a backslash is an ordinary character.
        {L"a.exe \\\"VLR x\"", {L"a.exe", L"\\VLR x"}},
        // Characters above 127 are ordinary characters.
        {L"a.exe \x00e9VLR\x4e2d", {L"a.exe", L"\x00e9VLR\x4e2d"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(show(SplitCommandLine(c.line)), show(c.tokens)) << "line: " << show({c.line});
    }
}

TEST(CommandLine, ArgumentOneChoosesTheRequest) {
    struct Case {
        const wchar_t* arg;
        Request request;
    };
    const Case cases[] = {
        {L"/testbugreport", Request::TestFailure},
        {L"/TESTBUGREPORT", Request::TestFailure},
        {L"/TestBugReport", Request::TestFailure},
        {L"/testbugreport1", Request::Nothing},
        {L" /testbugreport", Request::Nothing},
        {L"testbugreport", Request::Nothing},
        {L"VLR", Request::LoadingBox},
        {L"xxvlrxx", Request::LoadingBox},
        {L"-vLr-", Request::LoadingBox},
        {L"V L R", Request::Nothing},
        {L"VL", Request::Nothing},
        {L"", Request::Nothing},
        {L"/testbugreportVLR", Request::LoadingBox},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RequestOf(c.arg), c.request) << show({c.arg});
}

TEST(CommandLine, MissingArgumentsAreEmpty) {
    const auto tokens = SplitCommandLine(L"a.exe VLR");
    EXPECT_EQ(Argument(tokens, 1), L"VLR");
    EXPECT_EQ(Argument(tokens, 2), L"");
    EXPECT_EQ(Argument({}, 0), L"");
}
