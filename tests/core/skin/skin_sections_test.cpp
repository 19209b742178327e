#include "core/skin/match_spec.h"
#include "core/skin/tint_patterns.h"
#include "core/skin/value_strings.h"

#include <gtest/gtest.h>

using namespace vell;
using namespace vell::skin;

namespace {
void fill(TStringList& list, std::initializer_list<const char16_t*> lines) {
    list.Clear();
    for (const char16_t* l : lines)
        list.Add(l);
}
std::vector<std::u16string> linesOf(const TStringList& list) {
    std::vector<std::u16string> r;
    for (int i = 0; i < list.Count(); ++i)
        r.push_back(list.Strings(i));
    return r;
}
} // namespace

TEST(MatchSpec, ShellWildcards) {
    struct Case {
        const char16_t* path;
        const char16_t* pattern;
        bool match;
    };
    const Case cases[] = {
        {u"images/bg.png", u"images/*.png", true},
        {u"IMAGES/BG.PNG", u"images/*.png", true},
        {u"images/sub/bg.png", u"images/*.png", true}, // "*" crosses separators
        {u"images/bg.png", u"*.jpg", false},
        {u"images/bg.png", u"images/b?.png", true},
        {u"images/b.png", u"images/b?.png", false},
        {u"readme", u"*.*", true},
        {u"a.png", u"*.jpg; *.png", true},
        {u"a.png", u"", false},
        {u"", u"*", true},
        {u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", u"*a*a*a*a*a*a*a*a*a*a*a*a*c", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchSpec(c.path, c.pattern), c.match) << std::string(c.pattern, c.pattern + 5);
}

TEST(TintPatterns, TheLastMatchingLineDecides) {
    TRdValueStrings p;
    fill(p, {u"images/*.png", u"images/logo.png=false"});
    EXPECT_FALSE(IsTintablePath(&p, u"images/logo.png"));
    EXPECT_TRUE(IsTintablePath(&p, u"images/bg.png"));
    fill(p, {u"images/logo.png=false", u"images/*.png"});
    EXPECT_TRUE(IsTintablePath(&p, u"images/logo.png"));
    fill(p, {u"images/*.png=true", u"images/a*.png=0", u"images/ab.png=FALSE"});
    EXPECT_FALSE(IsTintablePath(&p, u"images/ac.png"));
    EXPECT_TRUE(IsTintablePath(&p, u"images/b.png"));
    EXPECT_FALSE(IsTintablePath(&p, u"other/b.png"));
    EXPECT_FALSE(IsTintablePath(nullptr, u"images/b.png"));
}

TEST(ValueStrings, NamesAreFoundThroughTheHashAfterEveryChange) {
    TRdValueStrings s;
    fill(s, {u"Font.Color=text.cl_txt", u"class=TRdLabel", u"solo"});
    EXPECT_EQ(s.IndexOfName(u"font.color"), 0);
    EXPECT_EQ(s.IndexOf(u"CLASS=other"), 1); // by name, not by whole text
    EXPECT_EQ(s.IndexOfName(u"solo"), 2);
    EXPECT_EQ(s.IndexOfName(u"missing"), -1);
    s.Delete(0);
    EXPECT_EQ(s.IndexOfName(u"class"), 0);
    s.SetValue(u"Color", u"clRed");
    EXPECT_EQ(s.GetValue(u"color"), u"clRed");
    s.SetCaseSensitive(true);
    EXPECT_EQ(s.IndexOfName(u"color"), -1);
    EXPECT_EQ(s.IndexOfName(u"Color"), 2);
}

TEST(ValueStrings, InheritsThroughParentsAndSurvivesLoops) {
    TRdValueStrings a, b, c;
    fill(a, {u"Font.Color=text.cl_a", u"Color=clA", u"Width=1"});
    fill(b, {u"Color=clB", u"parent=a"});
    fill(c, {u"Height=3", u"parent=b"});
    b.Parent = &a;
    c.Parent = &b;
    EXPECT_EQ(c.GetValue(u"Color"), u"clB");
    EXPECT_EQ(c.GetValue(u"font.color"), u"text.cl_a");
    EXPECT_EQ(c.GetValue(u"nothing"), u"");

    TStringListEx unsorted;
    c.AssignTo(unsorted);
    EXPECT_EQ(linesOf(unsorted), (std::vector<std::u16string>{u"Font.Color=text.cl_a", u"Width=1",
                                                              u"Color=clB", u"Height=3", u"parent=b"}));
    // Into a section (as image definitions are made) the lines come out the same.
    TRdValueStrings section;
    c.AssignTo(section);
    EXPECT_EQ(linesOf(section), linesOf(unsorted));
    EXPECT_EQ(section.GetValue(u"width"), u"1");
    TStringValueList sorted;
    c.AssignTo(sorted);
    EXPECT_EQ(linesOf(sorted), (std::vector<std::u16string>{u"Color=clB", u"Font.Color=text.cl_a",
                                                            u"Height=3", u"parent=b", u"Width=1"}));

    // a -> c -> b -> a: every section of the loop is visited once.
    a.Parent = &c;
    EXPECT_EQ(a.GetValue(u"Height"), u"3");
    EXPECT_EQ(a.GetValue(u"nothing"), u"");
    EXPECT_EQ(a.Ancestors().size(), 2u);
    a.AssignTo(unsorted);
    EXPECT_EQ(linesOf(unsorted),
              (std::vector<std::u16string>{u"Height=3", u"parent=b", u"Font.Color=text.cl_a", u"Color=clA",
                                           u"Width=1"}));
    a.AssignTo(section);
    EXPECT_EQ(linesOf(section), linesOf(unsorted));
    // A section may be flattened into one of its own ancestors.
    a.AssignTo(c);
    EXPECT_EQ(linesOf(c), linesOf(unsorted));
    a.Parent = &a;
    EXPECT_TRUE(a.Ancestors().empty());
}

TEST(ValueStrings, LongChainsAreCutAndStayCheap) {
    // Every section inherits from the next one: flattening each of them is bounded by the
    // inheritance limit, not by the length of the chain.
    const int n = 1000;
    std::vector<std::unique_ptr<TRdValueStrings>> chain;
    for (int i = 0; i < n; ++i) {
        chain.push_back(std::make_unique<TRdValueStrings>());
        const std::string name = "k" + std::to_string(i);
        chain.back()->Add(std::u16string(name.begin(), name.end()) + u"=v");
        chain.back()->Add(u"shared=" + std::u16string(1, char16_t(u'a' + i % 26)));
    }
    for (int i = 0; i + 1 < n; ++i)
        chain[std::size_t(i)]->Parent = chain[std::size_t(i) + 1].get();
    const int limit = TRdValueStrings::kMaxInheritance;
    EXPECT_EQ(int(chain[0]->Ancestors().size()), limit);
    EXPECT_EQ(chain[0]->GetValue(u"k" + std::u16string(u"64")), u"v");
    EXPECT_EQ(chain[0]->GetValue(u"k" + std::u16string(u"65")), u"");
    std::size_t lines = 0;
    for (auto& s : chain) {
        TRdValueStrings flat;
        s->AssignTo(flat);
        lines += std::size_t(flat.Count());
        EXPECT_LE(flat.Count(), limit + 2);
    }
    EXPECT_GT(lines, std::size_t(n) * std::size_t(limit) / 2);
    EXPECT_EQ(chain[0]->GetValue(u"shared"), u"a");
}
