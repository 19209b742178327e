// Animated references, driven by calling the timer's handler and moving a fake clock:
// no test waits for a real timer.
#include "platform/image/rdg_image.h"
#include "platform/timer/rd_timer.h"
#include "rdg_helpers.h"

#include <gtest/gtest.h>

using namespace vell::image;
using namespace vell::image::test;

namespace {

class ClockedRdg : public TRdgImage {
  public:
    uint64_t now = 100000;

  protected:
    uint64_t PlayTick() const override { return now; }
};

class RdgPlay : public ::testing::Test {
  protected:
    RdgPlay() {
        for (int i = 0; i < 12; ++i) {
            const std::string name = "images/f_" + std::to_string(i) + ".png";
            frames[i] = resolver.add(std::u16string(name.begin(), name.end()), coordPicture(1, 1, i));
        }
    }

    std::unique_ptr<ClockedRdg> animation(const std::u16string& imgname, int duration) {
        auto r = std::make_unique<ClockedRdg>();
        std::vector<std::u16string> lines{u"imgname=" + imgname};
        if (duration) {
            const std::string d = "duration=" + std::to_string(duration);
            lines.emplace_back(d.begin(), d.end());
        }
        r->LoadFromStrings(lines, false, true);
        return r;
    }

    // What a draw does: start the timer, then show the current frame.
    int draw(ClockedRdg& r) {
        r.StartPlay();
        TPngImage* root = r.RootPngLnk();
        for (int i = 0; i < 12; ++i)
            if (root == frames[i]) return i;
        return -1;
    }

    // One timer tick after `ms` milliseconds, then a draw (the tick asked for a repaint).
    int tick(ClockedRdg& r, int ms) {
        r.now += uint64_t(ms);
        if (!r.Timer()) return -2;
        r.Timer()->Timer();
        return draw(r);
    }

    FakeResolver resolver;
    TPngImage* frames[12] = {};
};

} // namespace

TEST_F(RdgPlay, ScriptsPlayTheirFramesInOrder) {
    struct Case {
        const char16_t* name;
        std::vector<int> frames; // the first draw, then one per tick
        uint32_t interval;       // the duration over the frames of the group
    };
    const Case cases[] = {
        {u"images/f_%d.png<0-9>", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1}, 100},
        {u"images/f_%d.png<0-3r>", {0, 1, 2, 3, 2, 1, 0, 1, 2}, 1000 / 6},
        {u"images/f_%d.png<9-6>", {9, 8, 7, 6, 9, 8}, 1000 / 4},
        {u"images/f_%d.png<0,1,2>", {0, 1, 2, 2, 2}, 1000 / 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
        auto r = animation(c.name, 1000);
        std::vector<int> seen{draw(*r)};
        ASSERT_NE(r->Timer(), nullptr);
        EXPECT_EQ(r->Timer()->Interval(), c.interval);
        EXPECT_TRUE(r->Timer()->Enabled());
        while (seen.size() < c.frames.size())
            seen.push_back(tick(*r, 100));
        EXPECT_EQ(seen, c.frames);
    }
}

TEST_F(RdgPlay, DurationItemsTimeTheirGroups) {
    auto r = animation(u"images/f_%d.png<0-4,d=500,5-9>", 1000);
    EXPECT_EQ(r->Duration(), 1000);
    std::vector<std::pair<int, uint32_t>> seen{{draw(*r), r->Timer()->Interval()}};
    for (int i = 0; i < 9; ++i) {
        const int frame = tick(*r, 100);
        seen.emplace_back(frame, r->Timer()->Interval());
    }
    const std::vector<std::pair<int, uint32_t>> expected{{0, 200}, {1, 200}, {2, 200}, {3, 200}, {4, 200},
                                                         {5, 100}, {6, 100}, {7, 100}, {8, 100}, {9, 100}};
    EXPECT_EQ(seen, expected);
}

TEST_F(RdgPlay, OwnDurationIsSpreadOverTheList) {
    auto r = animation(u"images/f_%d.png<0-9>", 1000);
    draw(*r);
    ASSERT_EQ(r->PlayIndexList()->entries.size(), 12u);
    r->SetDuration(2000);
    EXPECT_TRUE(r->DurationCustom());
    EXPECT_EQ(r->Timer()->Interval(), 166u);
    // Handing the duration back takes the script's again.
    r->SetDuration(-1);
    EXPECT_FALSE(r->DurationCustom());
    EXPECT_EQ(r->Duration(), 1000);
    EXPECT_EQ(r->Timer()->Interval(), 100u);
}

TEST_F(RdgPlay, PausesWithoutDrawsAndResumesWhereItStopped) {
    auto r = animation(u"images/f_%d.png<0-9>", 1000);
    draw(*r);
    EXPECT_EQ(tick(*r, 100), 1);
    EXPECT_EQ(tick(*r, 100), 2);
    // Nobody draws for 5 s: the next tick frees the timer and shows nothing new.
    r->now += 5000;
    r->Timer()->Timer();
    EXPECT_EQ(r->Timer(), nullptr);
    // The next draw starts again from the frame it stopped on.
    EXPECT_EQ(draw(*r), 2);
    ASSERT_NE(r->Timer(), nullptr);
    EXPECT_EQ(tick(*r, 100), 3);
    // Ticks within max(3 x interval, 3000) ms of a draw keep it going.
    r->now += 2900;
    r->Timer()->Timer();
    EXPECT_NE(r->Timer(), nullptr);
}

TEST_F(RdgPlay, ReferencesToAnAnimatedDefinitionPlayOnTheirOwn) {
    auto def = std::make_unique<TRdgImage>();
    def->LoadFromStrings({u"imgname=images/f_%d.png<0-3>", u"duration=400"}, false, true);
    resolver.add(u"[spin]", std::move(def));
    ClockedRdg one, two;
    one.LoadFromStrings({u"imgname=[spin]"}, false, true);
    two.LoadFromStrings({u"imgname=[spin]"}, false, true);
    EXPECT_EQ(draw(one), 0);
    EXPECT_EQ(draw(two), 0);
    EXPECT_EQ(tick(one, 100), 1);
    EXPECT_EQ(tick(one, 100), 2);
    EXPECT_EQ(draw(two), 0);
    EXPECT_EQ(one.Timer()->Interval(), 100u);
    EXPECT_NE(one.Timer(), two.Timer());
}

TEST_F(RdgPlay, FrameNamesAndPositions) {
    resolver.add(u"images/g_007.png", coordPicture(1, 1, 77));
    auto padded = animation(u"images/g_%03d.png<7>", 1000);
    ASSERT_NE(padded->RootPngLnk(), nullptr);
    EXPECT_EQ(pixelAt(*padded->RootPngLnk(), 0, 0) >> 16 & 0xFF, 77u);

    // Setting the position keeps it inside the list and shows that frame.
    auto r = animation(u"images/f_%d.png<0-9>", 1000);
    draw(*r);
    r->SetPlayIndex(4); // position 4 is frame 3 (position 0 is the duration marker)
    EXPECT_EQ(draw(*r), 3);
    r->SetPlayIndex(500); // the last position: the jump back to the start
    EXPECT_EQ(r->PlayIndex(), 11);
    EXPECT_EQ(draw(*r), 0);
    r->SetPlayIndex(-3);
    EXPECT_EQ(r->PlayIndex(), 0);

    // Without a duration nothing plays on its own.
    auto still = animation(u"images/f_%d.png<0-9>", 0);
    EXPECT_EQ(draw(*still), 0);
    EXPECT_TRUE(!still->Timer() || !still->Timer()->Enabled());
}
