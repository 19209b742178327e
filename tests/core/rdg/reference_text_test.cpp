#include "core/rdg/reference_text.h"

#include <gtest/gtest.h>

using namespace vell;
using namespace vell::rdg;
using design::TDesignRect;

namespace {
using Lines = std::vector<std::u16string>;

struct Ref {
    RdgValues v;
    TDesignRect opt;
    int optChanges = 0;
    Ref() {
        opt.OnChange = [this](TDesignRect&) { ++optChanges; };
    }
    void load(const Lines& lines, bool selfUpdate = false, bool init = true) {
        LoadFromStrings(v, opt, lines, selfUpdate, init);
    }
    Lines save(const Lines* definition = nullptr) const { return SaveToStrings(v, opt, definition); }
};
} // namespace

TEST(ReferenceText, ReadsEveryKey) {
    Ref r;
    r.load({u"imgname=images/a.png", u"imgrect=10,10,30,40", u"imgalpha=128", u"imgsmooth=2",
            u"imgopt=16,8,-1000,-2000,2", u"duration=500", u"SkinRcc=1"});
    EXPECT_EQ(r.v.ImgName, u"images/a.png");
    EXPECT_EQ(r.v.SrcClip, (ClipRect{10, 10, 30, 40}));
    EXPECT_EQ(r.v.AlphaBlendValue, 128);
    EXPECT_EQ(r.v.SmoothFilter, kSmooth);
    EXPECT_EQ((std::array{r.opt.Left(), r.opt.Top(), r.opt.Right(), r.opt.Bottom()}),
              (std::array{16, 0, 16, 0}));
    EXPECT_EQ(r.opt.StretchMode(), design::sdmFill);
    EXPECT_EQ(r.v.Duration, 500);
    // A plain value is the reference's own when it sets something; a plain duration is
    // not (a play script may still change it).
    EXPECT_TRUE(r.v.SrcClipCustom && r.v.ImgAlphaCustom && r.v.ImgOptCustom);
    EXPECT_FALSE(r.v.DurationCustom);
    EXPECT_EQ(r.v.Values.Values(u"skinrcc"), u"1"); // other lines are carried
    EXPECT_TRUE(r.v.PlayImgNameBase.empty());
    EXPECT_EQ(r.v.PlayIndex, -1);
}

TEST(ReferenceText, CustomValuesSurviveASelfUpdate) {
    Ref r;
    r.load({u"imgname=a.png", u"imgalpha=128", u"duration!=700"});
    EXPECT_TRUE(r.v.ImgAlphaCustom);
    EXPECT_TRUE(r.v.DurationCustom);
    r.load({u"imgname=b.png", u"imgalpha=50", u"duration=100", u"imgrect=1,2,3,4", u"imgsmooth=1"}, true,
           false);
    EXPECT_EQ(r.v.ImgName, u"a.png"); // a self-update leaves the name alone
    EXPECT_EQ(r.v.AlphaBlendValue, 128);
    EXPECT_EQ(r.v.Duration, 700);
    EXPECT_EQ(r.v.SrcClip, (ClipRect{1, 2, 3, 4}));
    EXPECT_EQ(r.v.SmoothFilter, kSmoothFast);
    // The "!" key wins over the plain one.
    r.load({u"imgalpha=10", u"imgalpha!=20"});
    EXPECT_EQ(r.v.AlphaBlendValue, 20);
}

TEST(ReferenceText, UnreadableNumbersFallBack) {
    struct Case {
        Lines lines;
        int alpha;
        ClipRect clip;
        std::uint8_t smooth;
        int duration;
        std::array<int, 5> opt;
    };
    const Case cases[] = {
        {{u"imgalpha=abc", u"imgsmooth=x", u"duration=", u"imgrect=a,5"},
         -1,
         {0, 5, 0, 0},
         0,
         -1,
         {0, 0, 0, 0, 0}},
        {{u"imgalpha=300", u"imgsmooth=7", u"imgrect=1,2,3"}, 255, {1, 2, 3, 0}, 0, -1, {0, 0, 0, 0, 0}},
        {{u"imgalpha=-9", u"imgopt=1,2,3", u"duration=$10"}, -1, {}, 0, 16, {1, 2, 3, 0, 0}},
        {{u"imgalpha= 7 ", u"imgopt=1,1,1,1,9", u"duration=99999999999"}, 7, {}, 0, -1, {1, 1, 1, 1, 0}},
    };
    for (const Case& c : cases) {
        Ref r;
        r.load(c.lines);
        EXPECT_EQ(r.v.AlphaBlendValue, c.alpha);
        EXPECT_EQ(r.v.SrcClip, c.clip);
        EXPECT_EQ(r.v.SmoothFilter, c.smooth);
        EXPECT_EQ(r.v.Duration, c.duration);
        EXPECT_EQ(
            (std::array{r.opt.Left(), r.opt.Top(), r.opt.Right(), r.opt.Bottom(), int(r.opt.StretchMode())}),
            c.opt);
    }
}

TEST(ReferenceText, AnimatedNamesCompileTheirScript) {
    Ref r;
    r.load({u"imgname=images/f_%d.png<0-4,D=500,5-9>", u"duration=1000"});
    EXPECT_EQ(r.v.ImgName, u"images/f_%d.png<0-4,D=500,5-9>");
    EXPECT_EQ(r.v.PlayImgNameBase, u"images/f_%d.png");
    EXPECT_EQ(r.v.PlayScript, u"0-4,D=500,5-9");
    ASSERT_TRUE(r.v.PlayIndexList);
    EXPECT_EQ(r.v.PlayIndexList->entries.size(), 13u);
    EXPECT_EQ(r.v.Duration, 1000);
    EXPECT_EQ(r.v.PlayIndex, 0);
    EXPECT_EQ(r.v.PlayLast, 12);
    // A name without a script clears the animation.
    r.load({u"imgname=images/still.png"});
    EXPECT_FALSE(r.v.PlayIndexList);
    EXPECT_TRUE(r.v.PlayImgNameBase.empty());
}

TEST(ReferenceText, WritesOnlyCustomKeysWithTheirMark) {
    Ref r;
    r.load({u"imgname=a.png", u"imgalpha!=128", u"imgopt!=16,16,16,16,1", u"foo=bar", u"imgsmooth=1"});
    EXPECT_EQ(r.save(), (Lines{u"foo=bar", u"imgalpha!=128", u"imgname=a.png", u"imgopt!=16,16,16,16,1",
                               u"imgsmooth=1"}));
    // Read back, the text gives the same values and writes the same lines.
    Ref again;
    again.load(r.save());
    EXPECT_EQ(again.save(), r.save());

    Ref plain;
    plain.load({u"imgname=a.png", u"duration=100"});
    EXPECT_EQ(plain.save(), (Lines{u"duration=100", u"imgname=a.png"}));
    plain.v.ImgName.clear();
    EXPECT_EQ(plain.save(), (Lines{u"duration=100"}));
}

TEST(ReferenceText, LinesADefinitionGivesAreNotWrittenAgain) {
    Ref r;
    r.load({u"imgname=[btn_ok]", u"imgsmooth=1", u"skinrcc=1", u"color=ABC"});
    const Lines definition = {u"imgname=images/btn.png", u"SkinRcc=1", u"color=abc", u"imgsmooth=2"};
    EXPECT_EQ(r.save(&definition), (Lines{u"imgname=[btn_ok]", u"imgsmooth=1"}));
}

TEST(ReferenceText, WrittenTextReadsBackToTheSameValues) {
    struct Case {
        Lines text;
        Lines written;
    };
    const Case cases[] = {
        // A "!" line that does not read keeps the plain line from being read: the
        // opacity and duration stay unset, and the plain lines are not written either.
        {{u"imgalpha!=zz", u"imgalpha=200", u"imgname=a.png"}, {u"imgname=a.png"}},
        {{u"duration!=zz", u"duration=500", u"imgname=a.png"}, {u"imgname=a.png"}},
        // Plain values that set nothing are not written as values of their own.
        {{u"imgalpha=-1", u"imgopt=0,0,0,0,0", u"imgname=a.png"}, {u"imgname=a.png"}},
        {{u"imgalpha!=-5", u"imgalpha=9", u"imgname=a.png"}, {u"imgname=a.png"}},
        // Repeated keys are written once.
        {{u"imgname=a.png", u"imgalpha!=3", u"imgalpha!=4", u"imgsmooth=1", u"imgsmooth=2"},
         {u"imgalpha!=3", u"imgname=a.png", u"imgsmooth=1"}},
        // A plain duration stays the text's: the play script may still change it.
        {{u"imgname=f_%d.png<d=500,0-9>", u"duration=1000"},
         {u"duration=1000", u"imgname=f_%d.png<d=500,0-9>"}},
    };
    for (const Case& c : cases) {
        Ref r;
        r.load(c.text);
        const Lines once = r.save();
        EXPECT_EQ(once, c.written) << std::string(c.text[0].begin(), c.text[0].end());
        Ref back;
        back.load(once);
        EXPECT_EQ(back.v.AlphaBlendValue, r.v.AlphaBlendValue);
        auto ownAlpha = [](const Ref& x) { return x.v.ImgAlphaCustom && x.v.AlphaBlendValue != -1; };
        EXPECT_EQ(ownAlpha(back), ownAlpha(r));
        EXPECT_EQ(back.v.Duration, r.v.Duration);
        EXPECT_EQ(back.v.SmoothFilter, r.v.SmoothFilter);
        EXPECT_EQ(back.save(), once);
    }
}

TEST(ReferenceText, ValuesADefinitionGivesStayTheDefinitions) {
    // A linked reference holds the definition's lines under their plain names ("!"
    // dropped) without making them its own; written, they must not come back as its own.
    Ref r;
    r.load({u"imgname=[btn]"});
    const Lines definition = {u"imgname=images/btn.png", u"imgalpha!=200", u"imgrect!=1,2,3,4",
                              u"imgopt=4,4,4,4,1"};
    for (const char16_t* copied : {u"imgalpha=200", u"imgrect=1,2,3,4", u"imgopt=4,4,4,4,1"})
        r.v.Values.Add(copied);
    r.v.AlphaBlendValue = 200;
    r.v.SrcClip = ClipRect{1, 2, 3, 4};
    EXPECT_EQ(r.save(&definition), (Lines{u"imgname=[btn]"}));
    // Lines left from an earlier definition are not the reference's own either.
    EXPECT_EQ(r.save(nullptr), (Lines{u"imgname=[btn]"}));
}
