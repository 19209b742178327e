// The HTML label on the platform's text measuring: lines and caption, sizing with MaxWidth,
// link hit-tests and clicks, hints of cut text, painting into a 32-bit image, and link
// collections that do not match the anchors.
#include "platform/image/engine_startup.h"
#include "platform/image/png_image.h"
#include "rdcontrol/labels/html_label.h"

#include <gtest/gtest.h>

using namespace vell;
using rd::TRdHtmLabel;

namespace {

struct Html {
    TRdHtmLabel label{nullptr};
    Html() {
        static bool engine = (image::StartImageEngine(), true);
        (void)engine;
        label.Font()->SetName(u"Tahoma");
        label.Font()->SetHeight(-13);
    }
    image::TPngImage* paint() {
        image::TPngImage* png = image::TPngImage::CreateBlank(
            6, 8, std::max(1, label.Width()), std::max(1, label.Height()), true, false, true, false);
        label.DrawTo(png->CanvasHandle(), 0, 0);
        return png;
    }
    // Opaque pixels the paint left in the image.
    int inked() {
        image::TPngImage* png = paint();
        int n = 0;
        for (int y = 0; y < png->Height(); ++y) {
            const auto* row = static_cast<const uint32_t*>(png->GetScanline(y));
            for (int x = 0; x < png->Width(); ++x)
                n += (row[x] >> 24) != 0;
        }
        png->ReleaseRef();
        return n;
    }
    void move(int x, int y) { label.Perform(WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
};

const char16_t* kLong =
    u"one two three four five six seven eight nine ten eleven twelve thirteen fourteen fifteen";

} // namespace

TEST(RdHtmLabel, LinesCaptionAndPlainText) {
    Html h;
    h.label.Lines()->Add(u"x");
    h.label.Lines()->Add(u"<B>y</B>");
    EXPECT_EQ(h.label.Caption(), u"x<BR><B>y</B>");
    EXPECT_EQ(h.label.PlainText(), u"x\r\ny");
    h.label.SetCaption(u"a\r\nb");
    EXPECT_EQ(h.label.Lines()->Count(), 2);
    EXPECT_EQ(h.label.Caption(), u"a<BR>b");
    static_cast<tk::TControl&>(h.label).SetCaption(u"through the framework");
    EXPECT_EQ(h.label.Lines()->Strings(0), u"through the framework");
    EXPECT_FALSE(h.label.AutoSize());
    EXPECT_TRUE(h.label.WordWrap());
    EXPECT_FALSE(h.label.WrapChar());
}

TEST(RdHtmLabel, MeasuresMarkupWithThePlatformsFonts) {
    Html h;
    h.label.SetCaption(u"bold");
    int plainW = 0, plainH = 0, boldW = 0, boldH = 0, bigW = 0, bigH = 0;
    h.label.CalcHtmlSize(plainW, plainH, 400);
    h.label.SetCaption(u"<B>bold</B>");
    h.label.CalcHtmlSize(boldW, boldH, 400);
    h.label.SetCaption(u"<FONT SIZE=20>bold</FONT>");
    h.label.CalcHtmlSize(bigW, bigH, 400);
    EXPECT_GT(plainW, 15);
    EXPECT_GT(boldW, plainW);
    EXPECT_EQ(boldH, plainH);
    EXPECT_GT(bigH, 2 * plainH - 4);
    h.label.SetCaption(kLong);
    int w = 0, hh = 0;
    h.label.CalcHtmlSize(w, hh, 120);
    EXPECT_LE(w, 120);
    EXPECT_GE(hh, 4 * plainH);
}

TEST(RdHtmLabel, AutoSizeWithMaxWidthGrowsInHeightOnly) {
    Html h;
    h.label.SetCaption(u"short");
    h.label.SetAutoSize(true);
    const int one = h.label.Height();
    EXPECT_GT(one, 10);
    EXPECT_LT(h.label.Width(), 60);
    h.label.Constraints()->SetMaxWidth(200);
    h.label.SetCaption(kLong);
    EXPECT_LE(h.label.Width(), 200);
    EXPECT_GT(h.label.Width(), 150);
    EXPECT_GE(h.label.Height(), 2 * one);
    EXPECT_GE(h.label.FoundTextDrawLine(), 2);
    h.label.SetCaption(u"");
    EXPECT_EQ(h.label.Height(), one); // empty: one line high
}

TEST(RdHtmLabel, LinksHitTestsAndClicks) {
    Html h;
    h.label.SetBounds(0, 0, 400, 60);
    auto* first = h.label.LinkItems()->Add();
    auto* second = h.label.LinkItems()->Add();
    EXPECT_TRUE(first->Font()->Style().has(tk::fsUnderline));
    h.label.SetCaption(u"<A HREF=\"one\">first</A> and <A HREF=two>second</A> and <A HREF=three>third</A>");
    h.paint()->ReleaseRef();
    ASSERT_EQ(first->LastDrawRect().size(), 1u);
    ASSERT_EQ(second->LastDrawRect().size(), 1u);
    const RECT a = first->LastDrawRect()[0], b = second->LastDrawRect()[0];
    EXPECT_EQ(first->LinkPlainText(), u"first");
    std::u16string anchor;
    EXPECT_EQ(h.label.LinkAt(a.left + 2, a.top + 3, nullptr, &anchor), 0);
    EXPECT_EQ(anchor, u"one");
    EXPECT_EQ(h.label.LinkAt(b.left + 2, b.top + 3), 1);
    EXPECT_EQ(h.label.LinkAt(b.right + 40, b.top + 3), -1); // the third anchor has no item
    EXPECT_EQ(h.label.LinkAt(a.left + 2, 50), -1);

    int clicks = 0;
    first->OnClick = [&](tk::TObject* s) { clicks += s == first ? 1 : 100; };
    second->OnClick = [&](tk::TObject*) { clicks += 10; };
    const auto press = [&](RECT down, RECT up) {
        h.label.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(down.left + 2, down.top + 3));
        h.label.Perform(WM_LBUTTONUP, 0, MAKELPARAM(up.left + 2, up.top + 3));
    };
    press(a, b); // pressed on one link, released on another
    EXPECT_EQ(clicks, 0);
    press(a, a);
    EXPECT_EQ(clicks, 1);
    press(b, b);
    EXPECT_EQ(clicks, 11);

    // Hover: the hover index follows the mouse, the link cursor shows over it.
    second->SetCursor(tk::crHandPoint);
    h.label.Perform(tk::CM_MOUSEENTER);
    h.move(b.left + 2, b.top + 3);
    EXPECT_EQ(h.label.MouseHoverLinkId(), 1);
    EXPECT_EQ(h.label.Cursor(), tk::crHandPoint);
    h.move(b.right + 40, 50);
    EXPECT_EQ(h.label.MouseHoverLinkId(), -1);
    EXPECT_EQ(h.label.Cursor(), tk::crDefault);
    h.label.Perform(tk::CM_MOUSELEAVE);
    EXPECT_EQ(h.label.MouseHoverLinkId(), -2);
}

TEST(RdHtmLabel, HintsOfCutText) {
    Html h;
    h.label.SetBounds(0, 0, 80, 20);
    h.label.SetEllipsisPosition(rd::epEndEllipsis);
    h.label.SetAutoShowHint(true);
    h.label.SetCaption(u"<B>a</B> long text that cannot fit the label");
    h.paint()->ReleaseRef();
    EXPECT_TRUE(h.label.FoundTextOutOfRect());
    tk::THintInfo info;
    info.HintStr = u"x";
    h.label.Perform(tk::CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.HintStr, u"a long text that cannot fit the label");

    h.label.SetCaption(u"fits");
    h.paint()->ReleaseRef();
    EXPECT_FALSE(h.label.FoundTextOutOfRect());
    info.HintStr = u"x";
    h.label.Perform(tk::CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.HintStr, u"");
}

TEST(RdHtmLabel, PaintsAndSurvivesOddMarkup) {
    Html h;
    h.label.SetBounds(0, 0, 200, 120);
    h.label.SetCaption(u"plain");
    EXPECT_GT(h.inked(), 20);
    std::u16string nested;
    for (int i = 0; i < 10000; ++i)
        nested += u"<UL>";
    const char16_t* cases[] = {
        u"<B><I>mis</B>nested</I>", u"<A><A><A>x</A>", u"<IMG SRC=\"SSYS:C:\\\">icon <IMG SRC=\"LSYS:0\">",
        u"<P BGCOLOR=#ff0000>red</P><HR>", u"<E>err</E> <SHAD>shadow</SHAD> <R a=\"90\">rot</R>"};
    for (int links : {0, 1, 5}) {
        while (h.label.LinkItems()->Count() < links)
            h.label.LinkItems()->Add();
        for (const char16_t* c : cases) {
            h.label.SetCaption(c);
            EXPECT_GT(h.inked(), 0) << links << " "
                                    << std::string(c, c + std::char_traits<char16_t>::length(c));
        }
        h.label.SetCaption(u"<FONT SIZE=99999999>huge"); // far larger than the label: its glyphs lie below it
        h.paint()->ReleaseRef();
        h.label.SetCaption(nested + u"deep");
        h.paint()->ReleaseRef();
    }
}
