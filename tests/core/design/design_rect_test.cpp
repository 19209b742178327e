#include "core/component/reader.h"
#include "core/component/writer.h"
#include "core/design/design_rect.h"

#include <gtest/gtest.h>

using namespace vell::design;

namespace {
struct Counted {
    TDesignRect rect;
    int changes = 0;
    bool sawChangeEmpty = false;
    Counted() {
        rect.OnChange = [this](TDesignRect& r) {
            ++changes;
            sawChangeEmpty |= r.ChangeEmpty();
        };
    }
};
std::array<int, 5> values(const TDesignRect& r) {
    return {r.Left(), r.Top(), r.Right(), r.Bottom(), int(r.StretchMode())};
}
} // namespace

TEST(DesignRect, SetValueHonoursKeepAndCopyMarkersWithoutNotifying) {
    Counted c;
    c.rect.SetValue(1, 2, 3, 4);
    c.rect.SetValue(5, 7, TDesignRect::kSameAsFirst, TDesignRect::kKeepAxis);
    EXPECT_EQ(values(c.rect), (std::array<int, 5>{5, 2, 5, 4, 0}));
    c.rect.SetValue(9, 8, TDesignRect::kKeepAxis, TDesignRect::kSameAsFirst);
    EXPECT_EQ(values(c.rect), (std::array<int, 5>{5, 8, 5, 8, 0}));
    EXPECT_EQ(c.changes, 0);
}

TEST(DesignRect, SettersNotifyOnlyOnRealChanges) {
    Counted c;
    c.rect.SetLeft(16);
    c.rect.SetLeft(16);
    c.rect.SetBottom(3);
    c.rect.SetStretchMode(sdmFill);
    c.rect.SetStretchMode(sdmFill);
    EXPECT_EQ(c.changes, 3);
    c.rect.SetIndex(7, 1); // outside 0..3: only a notification
    EXPECT_EQ(c.changes, 4);
    EXPECT_EQ(values(c.rect), (std::array<int, 5>{16, 0, 0, 3, sdmFill}));
    EXPECT_FALSE(c.rect.Empty());
    c.rect.SetEmpty(true);
    EXPECT_TRUE(c.rect.Empty());
    EXPECT_EQ(c.changes, 5);
    EXPECT_FALSE(c.sawChangeEmpty);
    c.rect.SetEmpty(false); // a forced not-empty announcement
    EXPECT_EQ(c.changes, 6);
    EXPECT_TRUE(c.sawChangeEmpty);
    EXPECT_FALSE(c.rect.ChangeEmpty());
}

TEST(DesignRect, AssignCopiesAndNotifiesOnceAssignToIsSilent) {
    Counted a, b;
    a.rect.SetValue(1, 2, 3, 4);
    a.rect.SetStretchMode(sdmCorner);
    a.changes = 0;
    b.rect.Assign(&a.rect);
    EXPECT_EQ(b.changes, 1);
    EXPECT_TRUE(b.rect.Equals(&a.rect));
    b.rect.Assign(&a.rect);
    EXPECT_EQ(b.changes, 1);
    b.rect.Assign(nullptr);
    EXPECT_TRUE(b.rect.Empty());
    EXPECT_EQ(b.changes, 2);

    a.rect.AssignTo(&b.rect);
    EXPECT_EQ(values(b.rect), values(a.rect));
    EXPECT_EQ(b.changes, 2);
    a.rect.AssignTo(nullptr);
    EXPECT_TRUE(a.rect.Empty());
    EXPECT_EQ(a.changes, 0);
    EXPECT_TRUE(a.rect.Equals(&a.rect));
    EXPECT_FALSE(a.rect.Equals(nullptr));
}

TEST(DesignRect, StreamsItsMarginsModeAndEmptiness) {
    Counted c;
    vell::tk::TReader reader(nullptr);
    reader.ReadSkinLines(&c.rect, "Left=16\nStretchMode=sdmFill\nBottom=$10\nTop=x\nWidth=3");
    EXPECT_EQ(values(c.rect), (std::array<int, 5>{16, 0, 0, 16, sdmFill}));
    EXPECT_EQ(c.changes, 3);
    EXPECT_EQ(vell::tk::WritePropertyLines(c.rect),
              "StretchMode=sdmFill\r\nEmpty=False\r\nLeft=16\r\nBottom=16\r\n");
    // Written lines read back to an equal rectangle; an empty one writes nothing.
    TDesignRect copy;
    reader.ReadSkinLines(&copy, vell::tk::WritePropertyLines(c.rect));
    EXPECT_TRUE(copy.Equals(&c.rect));
    reader.ReadSkinLine(&copy, "Empty", "True");
    EXPECT_TRUE(copy.Empty());
    EXPECT_EQ(vell::tk::WritePropertyLines(copy), "");
    vell::tk::TStrings other;
    EXPECT_THROW(copy.Assign(&other), vell::tk::EConvertError);
}
