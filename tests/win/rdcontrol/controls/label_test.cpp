// The skinned label: sizing to its text, the edges it keeps, wrapping and cutting with
// "...", what its last layout reports, the caption as a hint only when cut, state colours.
#include "platform/image/engine_startup.h"
#include "platform/image/png_image.h"
#include "rdcontrol/labels/label.h"

#include <gtest/gtest.h>

using namespace vell;
using rd::TRdLabel;

namespace {

struct Label {
    TRdLabel label{nullptr};
    Label() {
        static bool engine = (image::StartImageEngine(), true);
        (void)engine;
        label.Font()->SetName(u"Tahoma");
        label.Font()->SetHeight(-13);
    }
    int line() {
        tk::TCanvas c;
        HDC dc = ::CreateCompatibleDC(nullptr);
        c.SetHandle(dc);
        c.Font()->Assign(label.Font());
        const int h = TRdLabel::LineHeight(c);
        c.SetHandle(nullptr);
        ::DeleteDC(dc);
        return h;
    }
    // A real paint into a 32-bit image.
    void paint() {
        image::TPngImage* png = image::TPngImage::CreateBlank(
            6, 8, std::max(1, label.Width()), std::max(1, label.Height()), true, false, true, false);
        label.DrawTo(png->CanvasHandle(), 0, 0);
        png->ReleaseRef();
    }
};

const char16_t* kLong = u"one two three four five six seven eight nine ten eleven twelve thirteen fourteen";

} // namespace

TEST(RdLabel, AutoSizeMeasuresItsTextAndKeepsEdges) {
    Label l;
    const int line = l.line();
    l.label.SetCaption(u"");
    EXPECT_EQ(l.label.Height(), line); // an empty caption is one line high
    l.label.TextBorder()->SetTop(3);
    l.label.TextBorder()->SetBottom(4);
    EXPECT_EQ(l.label.Height(), line + 7);

    Label amp;
    amp.label.SetShowAccelChar(true);
    amp.label.SetCaption(u"&");
    Label ampSpace;
    ampSpace.label.SetShowAccelChar(true);
    ampSpace.label.SetCaption(u"& ");
    EXPECT_EQ(amp.label.Width(), ampSpace.label.Width());
    EXPECT_EQ(amp.label.Height(), line);

    Label right;
    right.label.SetAlignment(tk::taRightJustify);
    right.label.SetCaption(u"short");
    right.label.SetLeft(300 - right.label.Width());
    right.label.SetCaption(u"a much longer caption");
    EXPECT_EQ(right.label.Left_Right(), 300);
    EXPECT_GT(right.label.Width(), 60);

    Label bottom;
    bottom.label.SetAutoSize(false);
    bottom.label.SetLayout(tk::tlBottom);
    bottom.label.SetBounds(0, 100, 80, 40);
    bottom.label.Constraints()->SetMaxHeight(20);
    EXPECT_EQ(bottom.label.Top_Bottom(), 140); // the bottom edge stays
}

TEST(RdLabel, WrappingCuttingAndWhatTheLayoutReports) {
    Label l;
    const int line = l.line();
    l.label.SetAutoSize(false);
    l.label.SetWordWrap(true);
    l.label.SetBounds(0, 0, 120, line * 10);
    l.label.SetCaption(u"alpha beta gamma delta epsilon zeta eta");
    l.paint();
    EXPECT_GE(l.label.FoundTextDrawLine(), 3);
    EXPECT_TRUE(l.label.FoundTextWordBreak());
    EXPECT_FALSE(l.label.FoundTextEllipsis());

    // Two and a half lines: cut to two whole lines ending in "...".
    l.label.SetEllipsisPosition(rd::epEndEllipsis);
    l.label.SetWrapChar(false);
    l.label.SetAutoShowHint(true);
    l.label.SetBounds(0, 0, 120, line * 5 / 2);
    l.label.SetCaption(kLong);
    l.paint();
    EXPECT_TRUE(l.label.FoundTextEllipsis());
    EXPECT_GE(l.label.FoundTextDrawLine(), 1); // no more lines than the box holds whole
    EXPECT_LE(l.label.FoundTextDrawLine(), 2);
    tk::THintInfo info;
    info.HintStr = u"";
    EXPECT_EQ(l.label.Perform(tk::CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(info.HintStr, kLong); // the whole caption

    // A text that fits is not cut, and no hint shows.
    l.label.SetCaption(u"fits");
    l.paint();
    EXPECT_FALSE(l.label.FoundTextEllipsis());
    info.HintStr = u"x";
    l.label.Perform(tk::CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_TRUE(info.HintStr.empty());

    l.label.SetAutoShowHint(false);
    EXPECT_TRUE(l.label.ShowHint()); // stays on
}

TEST(RdLabel, StateColours) {
    Label l;
    l.label.SetCaption(u"state");
    l.label.Font()->SetColor(0x00112233);
    l.label.SetFontHoverColor(0x000000FF);
    l.label.SetFontDownColor(0x0000FF00);
    TColor drawn = 0;
    l.label.OnPaintEnd = [&](tk::TObject*) { drawn = l.label.Canvas()->Font()->Color(); };
    l.paint();
    EXPECT_EQ(drawn, 0x00112233u);
    l.label.Perform(tk::CM_MOUSEENTER);
    l.paint();
    EXPECT_EQ(drawn, 0x000000FFu);
    l.label.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    l.paint();
    EXPECT_EQ(drawn, 0x0000FF00u);
    l.label.SetEnabled(false);
    l.paint();
    EXPECT_EQ(drawn, tk::clGrayText); // disabled wins over hover and press
    l.label.SetEnabled(true);
    l.label.Perform(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    l.label.Perform(tk::CM_MOUSELEAVE);
    l.paint();
    EXPECT_EQ(drawn, 0x00112233u);
}

TEST(RdLabel, TheFrameworksTextIsTheCaption) {
    Label l;
    static_cast<tk::TControl&>(l.label).SetCaption(u"through the framework");
    EXPECT_EQ(l.label.Caption(), u"through the framework");
}
