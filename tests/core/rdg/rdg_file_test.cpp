#include "core/rdg/rdg_file.h"

#include <gtest/gtest.h>

using namespace vell::rdg;

namespace {
std::vector<std::uint8_t> bytes(std::string_view s) {
    return {s.begin(), s.end()};
}
} // namespace

TEST(RdgFile, WritesUtf8WithMarkAndCrLf) {
    EXPECT_EQ(WriteRdgText({u"imgname=images/caf\u00e9.png", u"imgalpha!=128"}),
              "\xEF\xBB\xBFimgname=images/caf\xC3\xA9.png\r\nimgalpha!=128\r\n");
    EXPECT_EQ(WriteRdgText({}), "\xEF\xBB\xBF");
}

TEST(RdgFile, ReadsEveryEncodingAndLineBreak) {
    const std::vector<std::u16string> expected = {u"imgname=a\u00e9.png", u"duration=5"};
    EXPECT_EQ(ReadRdgText(bytes(WriteRdgText(expected))), expected);
    EXPECT_EQ(ReadRdgText(bytes(std::string_view("\xFF\xFEi\0=\0\xE9\0\n\0x\0", 12))),
              (std::vector<std::u16string>{u"i=\u00e9", u"x"}));
    EXPECT_EQ(ReadRdgText(bytes("imgname=a\xE9.png\rduration=5")), expected); // no mark: ANSI
    EXPECT_TRUE(ReadRdgText({}).empty());
}
