#include "core/color/colors.h"
#include "core/skin/skin_colors.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <random>

using namespace vell;
using namespace vell::skin;

namespace {

class SkinColors : public ::testing::Test {
  protected:
    void SetUp() override {
        MergeVclColor();
        SkinColorNames().Clear();
    }
    void TearDown() override {
        MergeVclColor();
        SkinColorNames().Clear();
    }
    static const TRccColorItem* item(std::u16string_view name) {
        const TRccColorItem* it = FindColorItem(ColorNameKey(name));
        return it && it->NameIndex != kUnresolvedColor ? it : nullptr;
    }
};

} // namespace

TEST_F(SkinColors, EveryValueForm) {
    struct Case {
        const char16_t* value;
        ColorOrder order;
        bool sectionTint;
        std::uint32_t color;
        bool canTint;
    };
    const Case cases[] = {
        {u"A1B2C3", ColorOrder::RGB, false, 0x00C3B2A1, false},
        {u"A1B2C3", ColorOrder::RGB, true, 0x00C3B2A1, true},
        {u"#A1B2C3", ColorOrder::RGB, false, 0x00C3B2A1, true},
        {u"&A1B2C3", ColorOrder::RGB, true, 0x00C3B2A1, false},
        {u"$A1B2C3", ColorOrder::RGB, true, 0x00A1B2C3, true},
        {u"161,178,195", ColorOrder::RGB, false, 0x00C3B2A1, false},
        {u"80A1B2C3", ColorOrder::RGB, false, 0x80C3B2A1, false},
        {u"161,178,195", ColorOrder::BGR, false, 0x00A1B2C3, false},
        {u"12345", ColorOrder::BGR, false, 12345, false},
        {u"$A1B2C3", ColorOrder::BGR, false, 0x00A1B2C3, false},
        {u"A1B2C3", ColorOrder::BGR, false, 0x00A1B2C3, false}, // not an integer: hex digits
        {u"$1FF,2,259", ColorOrder::BGR, false, 0x00FF0203, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.value, c.value + std::char_traits<char16_t>::length(c.value)));
        std::uint32_t color = 0;
        bool canTint = !c.canTint;
        ASSERT_TRUE(ParseSkinColor(c.value, c.order, c.sectionTint, color, canTint));
        EXPECT_EQ(color, c.color);
        EXPECT_EQ(canTint, c.canTint);
    }
    for (const char16_t* bad :
         {u"", u"GG0000", u"#", u"&12345678A", u"&1,2", u"1,2", u"1,2,3,4", u"1,,3", u"$"}) {
        std::uint32_t color;
        bool canTint;
        EXPECT_FALSE(ParseSkinColor(bad, ColorOrder::RGB, false, color, canTint));
    }
}

TEST_F(SkinColors, SectionsBecomeNamedItems) {
    SkinColorLoader loader;
    loader.AddSection(u"text",
                      {u"class=color", u"tint=TRUE", u"cl_txt_hot=F2F4F7", u"cl_dis=&7A808A", u"cl_bad=zz",
                       u"empty=", u"noequals"},
                      ColorOrder::RGB);
    loader.AddSection(u"bgr", {u"type=bgr", u"cl_a=161,178,195"}, ColorOrder::RGB);
    loader.ResolveReferences();
    ASSERT_TRUE(item(u"text.cl_txt_hot"));
    EXPECT_EQ(item(u"text.cl_txt_hot")->BGR, 0x00F7F4F2u);
    EXPECT_TRUE(item(u"text.cl_txt_hot")->CanTint);
    EXPECT_FALSE(item(u"text.cl_dis")->CanTint);
    EXPECT_EQ(item(u"bgr.cl_a")->BGR, 0x00A1B2C3u);
    EXPECT_EQ(item(u"TEXT.CL_TXT_HOT"), item(u"text.cl_txt_hot"));
    for (const char16_t* absent :
         {u"text.cl_bad", u"text.empty", u"text.noequals", u"text.class", u"text.tint", u"bgr.type"})
        EXPECT_FALSE(item(absent));
    EXPECT_EQ(SkinColorToRGB(ColorNameKey(u"text.cl_txt_hot")), 0x00F7F4F2u);
    // A later definition of the same name wins.
    loader.AddSection(u"text", {u"cl_txt_hot=&010203"}, ColorOrder::RGB);
    EXPECT_EQ(item(u"text.cl_txt_hot")->BGR, 0x00030201u);
}

TEST_F(SkinColors, ReferencesResolveInAnyOrderAndDropWhatNeverAppears) {
    SkinColorLoader loader;
    loader.AddSection(u"a",
                      {u"x=[#text.cl_a]", u"chain1=[a.chain2]", u"chain2=[&text.cl_b]",
                       u"lost=[text.nothing]", u"loop1=[a.loop2]", u"loop2=[a.loop1]"},
                      ColorOrder::RGB);
    loader.AddSection(u"text", {u"cl_a=&112233", u"cl_b=#445566"}, ColorOrder::RGB);
    EXPECT_EQ(loader.PendingCount(), 6u);
    loader.ResolveReferences();
    EXPECT_EQ(loader.PendingCount(), 0u);
    ASSERT_TRUE(item(u"a.x"));
    EXPECT_EQ(item(u"a.x")->BGR_org, 0x00332211u);
    EXPECT_TRUE(item(u"a.x")->CanTint); // "#" makes the copy tintable
    ASSERT_TRUE(item(u"a.chain1"));
    EXPECT_EQ(item(u"a.chain1")->BGR, 0x00665544u);
    EXPECT_FALSE(item(u"a.chain1")->CanTint); // inherits chain2's "&"
    EXPECT_FALSE(item(u"a.lost"));
    EXPECT_FALSE(item(u"a.loop1"));
    EXPECT_FALSE(item(u"a.loop2"));
}

TEST_F(SkinColors, ReferencesResolveAsPassesFromLastToFirstWould) {
    // A literal model of the passes: visit the pending references from last to first, enter
    // each whose colour exists, repeat while a pass enters anything. Repeated names, chains
    // in both directions and names that never appear, in many random mixes. The name list
    // keeps the first line of each name; the item is the last one entered.
    struct Model {
        std::map<std::u16string, std::pair<std::uint32_t, bool>> items; // name -> (value, tint)
        std::map<std::u16string, std::u16string> names;                 // name -> its first line
        void add(const std::u16string& line) { names.emplace(line.substr(0, line.find(u'=')), line); }
    };
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        MergeVclColor();
        SkinColorNames().Clear();
        Model model;
        std::vector<std::u16string> lines;
        auto name = [&](int k) { return u"c" + std::u16string(1, char16_t(u'a' + k)); };
        const int count = 2 + int(random() % 30);
        for (int i = 0; i < count; ++i) {
            const std::u16string own = name(int(random() % 12));
            if (random() % 4 == 0) {
                const std::uint32_t v = random() & 0xFFFFFF;
                char hex[8];
                std::snprintf(hex, sizeof hex, "%06X", unsigned(v));
                lines.push_back(own + u"=$" + std::u16string(hex, hex + 6));
                model.items[u"s." + own] = {v, false};
                model.add(u"s." + lines.back());
            } else {
                const char16_t* marks[] = {u"", u"#", u"&"};
                lines.push_back(own + u"=[" + marks[random() % 3] + u"s." + name(int(random() % 13)) + u"]");
            }
        }
        std::vector<std::u16string> pending;
        for (const auto& l : lines)
            if (l.find(u"=[") != std::u16string::npos) pending.push_back(u"s." + l);
        for (bool progress = true; progress && !pending.empty();) {
            progress = false;
            for (std::size_t i = pending.size(); i-- > 0;) {
                const std::u16string& l = pending[i];
                const std::size_t sep = l.find(u'=');
                std::u16string target = l.substr(sep + 2, l.size() - sep - 3);
                if (target[0] == u'#' || target[0] == u'&') target.erase(0, 1);
                auto it = model.items.find(target);
                if (it == model.items.end()) continue;
                bool tint = it->second.second;
                if (l[sep + 2] == u'#') tint = true;
                if (l[sep + 2] == u'&') tint = false;
                model.items[l.substr(0, sep)] = {it->second.first, tint};
                model.add(l);
                pending.erase(pending.begin() + std::ptrdiff_t(i));
                progress = true;
            }
        }

        SkinColorLoader loader;
        loader.AddSection(u"s", lines, ColorOrder::BGR);
        loader.ResolveReferences();
        std::map<std::u16string, std::u16string> names;
        for (int i = 0; i < SkinColorNames().Count(); ++i) {
            const std::u16string& line = SkinColorNames().Strings(i);
            names.emplace(line.substr(0, line.find(u'=')), line);
        }
        ASSERT_EQ(names, model.names) << "round " << round;
        ASSERT_EQ(names.size(), std::size_t(SkinColorNames().Count()));
        for (const auto& [ident, value] : model.items) {
            ASSERT_TRUE(item(ident)) << "round " << round;
            EXPECT_EQ(item(ident)->BGR_org, value.first) << "round " << round;
            EXPECT_EQ(item(ident)->CanTint, value.second) << "round " << round;
        }
    }
}

TEST_F(SkinColors, LongReferenceChainsResolve) {
    // Each colour names the one before it, listed so that one pass resolves one entry.
    const int n = 5000;
    std::vector<std::u16string> lines{u"c0=[s.base]"};
    for (int i = 1; i < n; ++i) {
        const std::string l = "c" + std::to_string(i) + "=[s.c" + std::to_string(i - 1) + "]";
        lines.emplace_back(l.begin(), l.end());
    }
    SkinColorLoader loader;
    loader.AddSection(u"s", {u"base=#112233"}, ColorOrder::RGB);
    loader.AddSection(u"s", lines, ColorOrder::RGB);
    loader.ResolveReferences();
    EXPECT_EQ(SkinColorNames().Count(), n + 1);
    ASSERT_TRUE(item(u"s.c4999"));
    EXPECT_EQ(item(u"s.c4999")->BGR_org, 0x00332211u);
    EXPECT_TRUE(item(u"s.c4999")->CanTint);
}

TEST_F(SkinColors, TintPassRecoloursOnlyTintableColoursAndClNoneRestoresThem) {
    SkinColorLoader loader;
    loader.AddSection(u"c", {u"tint=true", u"bg=1C2026", u"same=#1C2026", u"fixed=&1C2026", u"ref=[c.fixed]"},
                      ColorOrder::RGB);
    loader.ResolveReferences();
    const std::uint32_t untinted = 0x0026201C, tint = 0x00FF8000;
    TintSkinColors(tint);
    EXPECT_EQ(item(u"c.bg")->BGR, TintColorValue(untinted, tint));
    EXPECT_EQ(item(u"c.same")->BGR, item(u"c.bg")->BGR);
    EXPECT_EQ(item(u"c.fixed")->BGR, untinted);
    EXPECT_EQ(item(u"c.ref")->BGR, untinted); // a plain reference keeps its target's "&"
    EXPECT_EQ(item(u"c.bg")->BGR_org, untinted);
    EXPECT_NE(item(u"c.bg")->BGR, untinted);
    TintSkinColors(clNone);
    for (const char16_t* name : {u"c.bg", u"c.same", u"c.fixed", u"c.ref"})
        EXPECT_EQ(item(name)->BGR, untinted);
}

TEST_F(SkinColors, NameListIsSortedKeepsTheFirstLineOfANameAndIndexesItsItems) {
    SkinColorNames().AddObject(u"old.kept=010101", PtrInt(ColorNameKey(u"old.kept")));
    SkinColorLoader loader;
    loader.AddSection(u"old", {u"kept=020202"}, ColorOrder::RGB);
    loader.AddSection(u"b", {u"z=111111", u"A=[b.z]", u"a=222222", u"m=333333"}, ColorOrder::RGB);
    loader.ResolveReferences();
    TStringValueList& names = SkinColorNames();
    ASSERT_EQ(names.Count(), 4);
    EXPECT_EQ(names.Strings(0), u"b.a=222222"); // the first line of a name, in any case, stays
    EXPECT_EQ(names.Strings(1), u"b.m=333333");
    EXPECT_EQ(names.Strings(2), u"b.z=111111");
    EXPECT_EQ(names.Strings(3), u"old.kept=010101");
    EXPECT_EQ(item(u"old.kept")->BGR, 0x00020202u); // while the item takes the later value
    EXPECT_EQ(item(u"b.a")->BGR, 0x00111111u);      // the reference resolved last, after b.a
    for (int i = 0; i < names.Count(); ++i) {
        const std::u16string& line = names.Strings(i);
        EXPECT_EQ(item(line.substr(0, line.find(u'=')))->NameIndex, i) << i;
    }
    // Adding by name afterwards still finds its place by binary search.
    int at;
    EXPECT_TRUE(names.Find(u"B.M", at));
    EXPECT_EQ(at, 1);
}
