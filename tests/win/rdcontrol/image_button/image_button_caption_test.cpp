// The image button's caption engine: whole lines that fit the height with "...", a line
// limit, cutting a single line, hiding a caption that cannot show a character, what the last
// layout reports, and sizing to the caption.
#include "platform/image/engine_startup.h"
#include "platform/image/png_image.h"
#include "rdcontrol/buttons/image_button.h"
#include "rdcontrol/labels/label.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vell;
using rd::TRdImageButton;

namespace {

struct Button {
    TRdImageButton b{nullptr};
    Button() {
        static bool engine = (image::StartImageEngine(), true);
        (void)engine;
        b.Font()->SetName(u"Tahoma");
        b.Font()->SetHeight(-13);
    }
    int line() {
        tk::TCanvas c;
        HDC dc = ::CreateCompatibleDC(nullptr);
        c.SetHandle(dc);
        c.Font()->Assign(b.Font());
        const int h = rd::TRdCustomLabel::LineHeight(c);
        c.SetHandle(nullptr);
        ::DeleteDC(dc);
        return h;
    }
    void paint() {
        auto* png = image::TPngImage::CreateBlank(6, 8, std::max(1, b.Width()), std::max(1, b.Height()), true,
                                                  false, true, false);
        b.DrawTo(png->CanvasHandle(), 0, 0);
        png->ReleaseRef();
    }
};

const char16_t* kFour = u"alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu";

} // namespace

TEST(RdImageButtonCaption, LinesEllipsisAndWhatTheLayoutReports) {
    struct Case {
        const char* name;
        int width;
        double lines; // height in lines
        std::function<void(TRdImageButton&)> setup;
        int minLines, maxLines;
        bool ellipsis, wordBreak;
    };
    const Case cases[] = {
        {"wrap, two and a half lines high", 120, 2.5,
         [](TRdImageButton& b) {
             b.SetWordWrap(true);
             b.SetCaption(kFour);
         },
         1, 2, true, true},
        {"wrap, margins leave two lines", 120, 3,
         [](TRdImageButton& b) {
             b.SetWordWrap(true);
             b.SetTextTopMargin(4);
             b.SetTextBottomMargin(4);
             b.SetCaption(kFour);
         },
         1, 2, true, true},
        {"one line, too wide", 80, 2, [](TRdImageButton& b) { b.SetCaption(kFour); }, 1, 1, true, false},
        {"one line that fits", 200, 2, [](TRdImageButton& b) { b.SetCaption(u"OK"); }, 1, 1, false, false},
        {"line limit 2 on four lines", 120, 12,
         [](TRdImageButton& b) {
             b.SetWordWrap(true);
             b.SetTextMaxLine(2);
             b.SetCaption(kFour);
         },
         2, 2, true, true},
        {"line limit 2 without ellipsis by height", 120, 12,
         [](TRdImageButton& b) {
             b.SetWordWrap(true);
             b.SetEllipsisByHeight(false);
             b.SetTextMaxLine(2);
             b.SetCaption(kFour);
         },
         2, 2, true, true},
        {"line limit 0: none", 120, 12,
         [](TRdImageButton& b) {
             b.SetWordWrap(true);
             b.SetTextMaxLine(0);
             b.SetCaption(kFour);
         },
         3, 12, false, true},
        {"negative line limit: none", 120, 12,
         [](TRdImageButton& b) {
             b.SetWordWrap(true);
             b.SetTextMaxLine(-3);
             b.SetCaption(kFour);
         },
         3, 12, false, true},
        {"wrap without ellipsis by height", 120, 2.5,
         [](TRdImageButton& b) {
             b.SetWordWrap(true);
             b.SetEllipsisByHeight(false);
             b.SetCaption(kFour);
         },
         3, 12, false, true},
    };
    for (const Case& c : cases) {
        Button t;
        const int line = t.line();
        t.b.SetBounds(0, 0, c.width, int(line * c.lines));
        c.setup(t.b);
        t.paint();
        EXPECT_GE(t.b.FoundTextDrawLine(), c.minLines) << c.name;
        EXPECT_LE(t.b.FoundTextDrawLine(), c.maxLines) << c.name;
        EXPECT_EQ(t.b.FoundTextEllipsis(), c.ellipsis) << c.name;
        EXPECT_EQ(t.b.FoundTextWordBreak(), c.wordBreak) << c.name;
        const RECT r = t.b.LastTextRect();
        EXPECT_GE(r.left, 0) << c.name;
        EXPECT_LE(r.right, c.width) << c.name;
        if (c.ellipsis && c.minLines == c.maxLines) {
            EXPECT_EQ(r.bottom - r.top, c.minLines * line) << c.name;
        }
        // The measuring pass after a resize reports the same as the paint.
        const bool e = t.b.FoundTextEllipsis();
        t.b.SetBounds(0, 0, c.width, int(line * c.lines));
        t.b.SetBounds(0, 0, c.width + 1, int(line * c.lines));
        t.b.SetBounds(0, 0, c.width, int(line * c.lines));
        EXPECT_EQ(t.b.FoundTextEllipsis(), e) << c.name;
    }
}

TEST(RdImageButtonCaption, AutoHideTextDrawsNothingWhereNotACharacterAndDotsFit) {
    Button t;
    t.b.SetBounds(0, 0, 14, 30);
    t.b.SetTextOffset(0);
    t.b.SetAutoHideText(true);
    t.b.SetCaption(u"Wide caption");
    t.paint();
    EXPECT_EQ(t.b.LastTextRect().right - t.b.LastTextRect().left, 0);
    EXPECT_EQ(t.b.FoundTextDrawLine(), 0);
    t.b.SetBounds(0, 0, 200, 30);
    t.paint();
    EXPECT_GT(t.b.LastTextRect().right - t.b.LastTextRect().left, 20);
}

TEST(RdImageButtonCaption, TheCaptionStartsAfterTheOffsetOnTheAlignedSide) {
    struct Case {
        tk::TAlignment align;
        int offset;
    } cases[] = {
        {tk::taLeftJustify, 20}, {tk::taLeftJustify, 5}, {tk::taRightJustify, 20}, {tk::taCenter, 20}};
    for (const Case& c : cases) {
        Button t;
        t.b.SetBounds(0, 0, 200, 30);
        t.b.SetButtonCaptionAlignment(c.align);
        t.b.SetTextOffset(c.offset);
        t.b.SetCaption(u"Caption");
        t.paint();
        const RECT r = t.b.LastTextRect();
        if (c.align == tk::taLeftJustify) {
            EXPECT_EQ(r.left, c.offset);
        }
        if (c.align == tk::taRightJustify) {
            EXPECT_EQ(r.right, 200 - c.offset);
        }
        if (c.align == tk::taCenter) {
            EXPECT_LE(std::abs((r.left + r.right) / 2 - 100), 1);
        }
        EXPECT_GT(r.bottom, r.top);
    }
}

TEST(RdImageButtonCaption, AutoSizeByTextFitsTheCaptionAndARightAlignedButtonKeepsItsRightEdge) {
    Button t;
    t.b.SetButtonCaptionAlignment(tk::taRightJustify);
    t.b.SetBounds(100, 10, 60, 30);
    t.b.SetAutoSizeByText(true);
    t.b.SetCaption(u"short");
    const int right = t.b.Left() + t.b.Width();
    const int narrow = t.b.Width();
    t.b.SetCaption(u"a much longer caption than before");
    EXPECT_GT(t.b.Width(), narrow);
    EXPECT_EQ(t.b.Left() + t.b.Width(), right);
    EXPECT_EQ(t.b.Height(), t.line());

    Button left; // left-aligned: the width grows to the right
    left.b.SetButtonCaptionAlignment(tk::taLeftJustify);
    left.b.SetBounds(100, 10, 60, 30);
    left.b.SetAutoSizeByText(true);
    left.b.SetCaption(u"a much longer caption than before");
    EXPECT_EQ(left.b.Left(), 100);
    EXPECT_EQ(left.b.Width(), t.b.Width());

    // An empty caption is not sized.
    Button empty;
    empty.b.SetBounds(0, 0, 77, 33);
    empty.b.SetAutoSizeByText(true);
    empty.b.SetCaption(u"");
    EXPECT_EQ(empty.b.Width(), 77);
}

TEST(RdImageButtonCaption, HugeCaptionsAndTinyBoxesAreSafe) {
    std::u16string huge;
    while (huge.size() < 65536)
        huge += u"word ";
    for (bool wrap : {false, true})
        for (int h : {0, 1, 5, 300}) {
            Button t;
            t.b.SetBounds(0, 0, 150, h);
            t.b.SetWordWrap(wrap);
            t.b.SetTextMaxLine(wrap ? 3 : 0);
            t.b.SetCaption(huge);
            t.paint();
            EXPECT_LE(t.b.FoundTextDrawLine(), std::max(3, h)) << wrap << " " << h;
        }
    Button margins; // margins wider than the button
    margins.b.SetBounds(0, 0, 30, 30);
    margins.b.SetTextLeftMargin(40);
    margins.b.SetTextRightMargin(40);
    margins.b.SetTextTopMargin(-50);
    margins.b.SetWordWrap(true);
    margins.b.SetCaption(u"some caption text");
    margins.paint();
    SUCCEED();
}
