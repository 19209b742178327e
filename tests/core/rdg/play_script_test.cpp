#include "core/rdg/play_script.h"

#include <gtest/gtest.h>

using namespace vell::rdg;

namespace {
PlayEntry F(int frame) {
    return {PlayEntryKind::Frame, frame};
}
PlayEntry J(int target) {
    return {PlayEntryKind::Jump, target};
}
PlayEntry D(int interval, int total) {
    return {PlayEntryKind::Duration, interval, total};
}
std::vector<PlayEntry> frames(int from, int to) {
    std::vector<PlayEntry> r;
    for (int i = from; from <= to ? i <= to : i >= to; i += from <= to ? 1 : -1)
        r.push_back(F(i));
    return r;
}
std::vector<PlayEntry> cat(std::initializer_list<std::vector<PlayEntry>> parts) {
    std::vector<PlayEntry> r;
    for (auto& p : parts)
        r.insert(r.end(), p.begin(), p.end());
    return r;
}
} // namespace

TEST(PlayScript, CompilesTheDocumentedScripts) {
    struct Case {
        const char16_t* script;
        int duration;
        bool custom;
        std::vector<PlayEntry> entries;
        int durationAfter;
        int firstMarker;
    };
    const Case cases[] = {
        {u"0-9", 1000, false, cat({{D(100, 1000)}, frames(0, 9), {J(0)}}), 1000, 0},
        {u"0-3r", 1000, false, cat({{D(166, 1000)}, frames(0, 3), {F(2), F(1), J(0)}}), 1000, 0},
        {u"9-6", 400, false, cat({{D(100, 400)}, frames(9, 6), {J(0)}}), 400, 0},
        {u"6-9r", 600, false, cat({{D(100, 600)}, frames(6, 9), {F(8), F(7), J(0)}}), 600, 0},
        {u"0,1,2", 900, false, {D(300, 900), F(0), F(1), F(2)}, 900, 0},
        // A d= item closes the group before it and sets the next group's duration;
        // the duration afterwards is the first group's.
        {u"0-4,d=500,5-9", 1000, false,
         cat({{D(200, 1000)}, frames(0, 4), {D(100, 500)}, frames(5, 9), {J(5)}}), 1000, 0},
        // A group of one frame joins the next group.
        {u"0,duration=300,1,2", 1000, false, {D(100, 300), F(0), F(1), F(2)}, 300, 0},
        // With a custom duration a d= item ends the script.
        {u"0-4,d=500,5-9", 1000, true, cat({{D(200, 1000)}, frames(0, 4)}), 1000, 0},
        {u"5", 1000, false, {F(5)}, 1000, -1},
        {u"3, 4", 1000, false, {D(500, 1000), F(3), F(4)}, 1000, 0},
        {u"3 ,4", 1000, false, {F(3)}, 1000, -1},
        {u"-2--4", 300, false, cat({{D(100, 300)}, frames(-2, -4), {J(0)}}), 300, 0},
        {u"1,2-3,4", 100, false, {D(25, 100), F(1), F(2), F(3), F(4)}, 100, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.script, c.script + std::char_traits<char16_t>::length(c.script)));
        int duration = c.duration;
        PlayList list = compilePlayScript(c.script, duration, c.custom);
        EXPECT_EQ(list.entries, c.entries);
        EXPECT_EQ(duration, c.durationAfter);
        EXPECT_EQ(list.firstMarker, c.firstMarker);
    }
}

TEST(PlayScript, StopsQuietlyAtWhatDoesNotFit) {
    for (const char16_t* script :
         {u"", u"abc", u"1-x", u"d=", u"x=5,1", u",1", u"99999999999", u"0-2000000000"}) {
        int duration = 1000;
        PlayList list = compilePlayScript(script, duration, false);
        EXPECT_TRUE(list.entries.empty());
        EXPECT_EQ(duration, 1000);
    }
    int duration = 1000;
    EXPECT_LE(compilePlayScript(u"0-9999,0-9999,0-9999", duration, false).entries.size(),
              std::size_t(kMaxPlayEntries) + 2);
}
