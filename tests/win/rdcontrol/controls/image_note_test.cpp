// The image note keeps the picture it shows in step with its items; the transparent label
// takes over the framework's label name and keeps its right edge when it grows.
#include "core/component/reader.h"
#include "platform/image/engine_startup.h"
#include "platform/image/png_image.h"
#include "rdcontrol/buttons/image_note.h"
#include "rdcontrol/register_controls.h"
#include "rdcontrol/labels/transparent_label.h"
#include "rdcontrol/picture/picture_formats.h"

#include <gtest/gtest.h>

using namespace vell;
using rd::TRdImageNote;

namespace {

std::unique_ptr<image::TGraphic> sized(int w, int h) {
    return std::unique_ptr<image::TGraphic>(
        image::TPngImage::CreateBlank(6, 8, w, h, false, false, true, false));
}

// Items whose pictures are 10, 20, 30 ... pixels wide: the shown width tells the item.
struct Note {
    TRdImageNote note{nullptr};
    int changes = 0;
    explicit Note(int items) {
        static bool engine = (image::StartImageEngine(), rd::RegisterPictureFormats(), true);
        (void)engine;
        for (int i = 0; i < items; ++i)
            add();
        note.OnItemChanged = [this](tk::TObject*) { ++changes; };
    }
    void add() {
        rd::TPictureItem* item = note.Items()->Add();
        item->Picture()->SetGraphic(sized(10 * note.Items()->Count(), 5));
    }
    int shown() const { return note.Picture()->Graphic() ? note.Picture()->Width() : 0; }
};

} // namespace

TEST(RdImageNote, ShowsTheItemAtImageIndexAndFollowsItsChanges) {
    Note n(3);
    EXPECT_EQ(n.note.Items()->Items(0)->Name(), u"Picture_0");
    EXPECT_EQ(n.note.Items()->Items(2)->Name(), u"Picture_2");
    n.note.SetImageIndex(1);
    EXPECT_EQ(n.shown(), 20);
    EXPECT_EQ(n.note.NameIndex(), u"Picture_1");

    n.changes = 0;
    n.note.Items()->Items(1)->Picture()->SetGraphic(sized(77, 5));
    EXPECT_EQ(n.shown(), 77); // the shown item changed: at once
    n.note.Items()->Items(2)->Picture()->SetGraphic(sized(88, 5));
    EXPECT_EQ(n.shown(), 77); // another item: not shown, but reported
    EXPECT_EQ(n.changes, 2);

    // A picture put on the note directly is replaced when the same index is chosen again.
    n.note.Picture()->SetGraphic(sized(5, 5));
    EXPECT_EQ(n.shown(), 5);
    n.note.SetImageIndex(1);
    EXPECT_EQ(n.shown(), 77);

    // Moving items re-applies the index: the item now at 1 shows.
    n.note.Items()->Items(2)->SetIndex(0);
    EXPECT_EQ(n.shown(), 10);
}

TEST(RdImageNote, IndexesOutOfRangeShowNothingUntilTheItemsArrive) {
    for (int index : {5, -1, -7, 1 << 30}) {
        Note n(3);
        n.note.SetImageIndex(0);
        n.note.SetImageIndex(index);
        EXPECT_EQ(n.note.ImageIndex(), index);
        EXPECT_EQ(n.shown(), 0) << index;
        EXPECT_EQ(n.note.NameIndex(), u"");
    }
    Note n(3);
    n.note.SetImageIndex(5);
    n.note.Items()->BeginUpdate();
    for (int i = 0; i < 3; ++i)
        n.add();
    EXPECT_EQ(n.shown(), 0); // inside the bracket nothing moves
    n.note.Items()->EndUpdate();
    EXPECT_EQ(n.shown(), 60);

    n.note.Items()->Clear(); // a whole-collection change
    EXPECT_EQ(n.shown(), 0);
    EXPECT_EQ(n.note.ImageIndex(), 5);
}

TEST(RdImageNote, NamesSelectExactlyAndFindWithoutCase) {
    Note n(3);
    n.note.Items()->Items(2)->SetName(u"Sunny");
    n.note.SetImageIndex(0);
    n.note.SetNameIndex(u"sunny");
    EXPECT_EQ(n.note.ImageIndex(), 0); // other letter case selects nothing
    EXPECT_EQ(n.note.Items()->FindByName(u"sUNNY"), n.note.Items()->Items(2));
    EXPECT_EQ(n.note.Items()->FindByName(u"cloudy"), nullptr);
    n.note.SetNameIndex(u"Sunny");
    EXPECT_EQ(n.note.ImageIndex(), 2);
    EXPECT_EQ(n.shown(), 30);
}

TEST(RdImageNote, LockRecordsTheBoundsAndACollectionNeedsANote) {
    Note n(0);
    n.note.SetBounds(5, 6, 70, 80);
    n.note.SetLocked(true);
    n.note.SetBounds(1, 2, 3, 4);
    n.note.RestoreLockedBounds();
    EXPECT_EQ(n.note.Left(), 5);
    EXPECT_EQ(n.note.Height(), 80);
    n.note.SetLocked(false);
    n.note.SetBounds(1, 2, 3, 4);
    n.note.RestoreLockedBounds();
    EXPECT_EQ(n.note.Left(), 1);

    tk::TComponent plain(nullptr);
    EXPECT_THROW(rd::TPictureCollection{&plain}, rd::EInvalidCast);
}

TEST(RdImageNote, ReadFromADescriptionSelectsAfterLoading) {
    rd::RegisterSkinnedControls();
    const char* form = R"(object note: TRdImageNote
  ImageIndex = 1
  Items = <
    item
      Name = 'first'
    end
    item
      Name = 'second'
    end>
end
)";
    TRdImageNote note(nullptr);
    tk::TReader(&note).ReadRootComponent(form);
    EXPECT_EQ(note.Items()->Count(), 2);
    EXPECT_EQ(note.ImageIndex(), 1);
    EXPECT_EQ(note.NameIndex(), u"second");
}

TEST(TransparentLabel, TakesTheFrameworksNameAndKeepsItsRightEdge) {
    rd::RegisterSkinnedControls();
    EXPECT_EQ(tk::FindClass("TLabel"), &rd::TTransparentLabel::StaticClass());
    rd::TTransparentLabel label(nullptr);
    EXPECT_TRUE(label.Transparent());
    EXPECT_FALSE(label.ControlStyle() & tk::csOpaque);
    label.SetAlignment(tk::taRightJustify);
    label.SetCaption(u"short");
    label.SetLeft(300 - label.Width());
    const int narrow = label.Width();
    label.SetCaption(u"a much longer caption");
    EXPECT_GT(label.Width(), narrow);
    EXPECT_EQ(label.Left() + label.Width(), 300);
    const int left = label.Left();
    label.SetAlignment(tk::taLeftJustify);
    label.SetCaption(u"x");
    EXPECT_EQ(label.Left(), left); // left-justified: the left edge stays
}
