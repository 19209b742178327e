// The HTML label's markup: preparation, plain text, and the renderer's layout measured with a
// fixed-pitch stand-in for the platform's text measuring (a character is half the font's
// pixel height wide, a line is that height plus 3).
#include "core/html/layout.h"
#include "core/html/markup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vell;
using namespace vell::html;

namespace {

std::string narrow(std::u16string_view s) {
    std::string out;
    for (char16_t c : s)
        out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

struct FixedPitch : TextMeasure {
    static int px(const Font& f) { return f.Height < 0 ? -f.Height : f.Height; }
    static int charWidth(const Font& f) { return px(f) / 2 + ((f.Style & kBold) ? 1 : 0); }
    FontMetrics Metrics(const Font& f) override { return {px(f) + 3, px(f)}; }
    int TextWidth(const Font& f, std::u16string_view t) override {
        return charWidth(f) * static_cast<int>(t.size());
    }
    int FitChars(const Font& f, std::u16string_view t, int w) override {
        const int cw = std::max(1, charWidth(f));
        return std::min(static_cast<int>(t.size()), w / cw);
    }
    void PictureSize(std::u16string_view s, int& w, int& h) override {
        w = h = s.starts_with(u"SSYS:") ? 16 : s.starts_with(u"LSYS:") ? 32 : 0;
    }
};

struct Call {
    std::string kind, text;
    int x = 0, y = 0;
    Font font;
    size_t points = 0;
    TColor colour = clNone; // of fills, lines and ellipses
};

struct Recorder : Painter {
    std::vector<Call> calls;
    void Text(const Font& f, int x, int y, std::u16string_view t, int) override {
        calls.push_back({"text", narrow(t), x, y, f});
    }
    void FillRect(const Rect& r, TColor c) override {
        calls.push_back({"fill", "", r.Left, r.Top, {}, 0, c});
    }
    void Gradient(const Rect& r, TColor, TColor, bool) override {
        calls.push_back({"gradient", "", r.Left, r.Top});
    }
    void Polyline(const std::vector<std::pair<int, int>>& p, TColor c) override {
        calls.push_back({"line", "", p.front().first, p.front().second, {}, p.size(), c});
    }
    void Ellipse(const Rect& r, TColor c) override {
        calls.push_back({"ellipse", "", r.Left, r.Top, {}, 0, c});
    }
    void Picture(std::u16string_view s, int x, int y) override {
        calls.push_back({"picture", narrow(s), x, y});
    }
    std::string texts() const {
        std::string s;
        for (const Call& c : calls)
            if (c.kind == "text") s += (s.empty() ? "" : "|") + c.text;
        return s;
    }
    const Call* find(const std::string& text) const {
        for (const Call& c : calls)
            if (c.kind == "text" && c.text == text) return &c;
        return nullptr;
    }
};

Options box(int w, int h) {
    Options o;
    o.BaseFont.Face = u"Sans";
    o.BaseFont.Height = -10; // 5 pixels a character, 13 a line
    o.BoxWidth = w;
    o.BoxHeight = h;
    return o;
}

struct Laid {
    Result result;
    Recorder rec;
};
Laid lay(std::u16string_view markup, const Options& o) {
    FixedPitch m;
    Laid l;
    l.result = Render(PrepareMarkup(markup, o.Prefix).Text, o, m, &l.rec);
    return l;
}

} // namespace

TEST(HtmlMarkup, Preparation) {
    const struct {
        const char16_t* in;
        bool prefix;
        const char16_t* out;
        bool prefixAfter;
    } cases[] = {
        {u"a &amp; b", true, u"a && b", true},
        {u"a &AMP; b", false, u"a & b", false},
        {u"a & b &amp;", true, u"a & b &", false}, // " & " switches prefixes off
        {u"&quot;&sect;&permil;&reg;&copy;&para;&trade;&euro;", false,
         u"\"\u00A7\u2030\u00AE\u00A9\u00B6\u2122\u20AC", false},
        {u"x<#keep>y", false, u"xkeepy", false},
        {u"x<#open", false, u"x<#open", false},
        {u"a\r\nb\rc\nd", false, u"a<BR>b<BR>c\nd", false},
    };
    for (const auto& c : cases) {
        const PreparedMarkup p = PrepareMarkup(c.in, c.prefix);
        EXPECT_EQ(p.Text, c.out) << narrow(c.in);
        EXPECT_EQ(p.Prefix, c.prefixAfter) << narrow(c.in);
    }
}

TEST(HtmlMarkup, PlainTextAndTags) {
    EXPECT_EQ(PlainText(u"x<BR>y"), u"x\r\ny");
    EXPECT_EQ(PlainText(u"<b>bold</b> <A HREF=\"x\">link</A>"), u"bold link");
    EXPECT_EQ(PlainText(u"a < b <i>c"), u"a < b c");
    EXPECT_EQ(PlainText(u"open <tag"), u"open <tag");

    const Tag t(u"font face=\"Segoe UI\" bgcolor=#00ff00 color=#ff0000 size=3");
    EXPECT_EQ(t.Name(), u"FONT");
    EXPECT_EQ(t.Attr(u"FACE"), u"Segoe UI");
    EXPECT_EQ(t.ColorAttr(u"COLOR"), TColor(0x0000FF)); // COLOR is not found inside BGCOLOR
    EXPECT_EQ(t.ColorAttr(u"BGCOLOR"), TColor(0x00FF00));
    EXPECT_EQ(t.IntAttr(u"SIZE"), 3);
    EXPECT_FALSE(t.Attr(u"HREF"));
    EXPECT_EQ(Tag(u"A HREF=\"no end").Attr(u"HREF"), u"no");
    EXPECT_EQ(Tag(u"/SPAN").Name(), u"SPAN");
    EXPECT_TRUE(Tag(u"/SPAN").Closing());
    EXPECT_EQ(ParseColor(u"#FF0000"), TColor(0x0000FF));
    EXPECT_EQ(ParseColor(u"#ff8000"), TColor(0x0080FF));
    EXPECT_EQ(ParseColor(u"red"), TColor(0x0000FF));
    EXPECT_FALSE(ParseColor(u"#12"));
    EXPECT_FALSE(ParseColor(u"nosuchcolour"));
    EXPECT_EQ(ParseInt(u"99999999999"), 2147483647);
}

// Markup in, what the layout measured out.
TEST(HtmlLayout, MeasuredRunsAndLines) {
    const struct {
        const char16_t* markup;
        int boxWidth;
        const char* texts; // the drawn runs, in order
        int lines, width, height;
    } cases[] = {
        {u"hello", 200, "hello", 1, 25, 13},
        {u"aaaa bbbb cccc", 50, "aaaa bbbb|cccc", 2, 45, 26},
        {u"aaaaaaaaaaaaaaaa b", 50, "aaaaaaaaaaaaaaaa|b", 2, 80, 26}, // a long word stays whole
        {u"<FONT SIZE=3>x</FONT>y", 200, "x|y", 1, 13, 19},           // 12 pt = 16 px
        {u"<FONT SIZE=20>x", 200, "x", 1, 13, 30},                    // 20 pt = 27 px
        {u"<FONT SIZE=99999999>x", 200, "x", 1, 666, 1336},           // capped at 1000 pt
        {u"<font style=\"font-size: 24pt\">x", 200, "x", 1, 16, 35},
        {u"a<Z>hidden</Z>b", 200, "a|b", 1, 10, 13},
        {u"a<BR>b", 200, "a|b", 2, 5, 26},
        {u"a<BR LINESPACE=5>b", 200, "a|b", 2, 5, 31},
        {u"a<BR><BR>b", 200, "a|b", 3, 5, 39},
        {u"<B><I>x</B></I>y", 200, "x|y", 1, 11, 13},
        {u"<<<>>>", 200, "<|<|>>", 1, 20, 13}, // "<>" is an empty tag
        {u"<FONT color=#ff0000 never closed", 200, "<FONT color=#ff0000 never closed", 1, 160, 13},
        {u"x &lt;tag&gt;&nbsp;y", 200, "x <tag> y", 1, 45, 13},
        {u"<OL><LI>a<LI>b</OL><UL><LI>c</UL>", 200, "1. |a|2. |b|\xC2\xB7|c", 3, 20, 39},
        {u"<IND x=\"40\">a<OF x=\"10\">b", 200, "a|b", 1, 45, 13},
        {u"x<SUP>2</SUP>", 200, "x|2", 1, 10, 16},
        {u"<IMG SRC=\"SSYS:c:\\\">a", 200, "a", 1, 21, 19},
        {u"<IMG SRC=\"IDX:3\">a", 200, "a", 1, 5, 13},
        {u"<P ALIGN=RIGHT>r</P>l", 100, "r|l", 2, 5, 26},
    };
    for (const auto& c : cases) {
        const Laid l = lay(c.markup, box(c.boxWidth, 1000));
        const std::string texts = l.rec.texts();
        // The bullet is drawn as a middle dot.
        std::string want = c.texts;
        for (size_t at = want.find("\xC2\xB7"); at != std::string::npos; at = want.find("\xC2\xB7"))
            want.replace(at, 2, "?");
        EXPECT_EQ(texts, want) << narrow(c.markup);
        EXPECT_EQ(l.result.Lines, c.lines) << narrow(c.markup);
        EXPECT_EQ(l.result.Width, c.width) << narrow(c.markup);
        EXPECT_EQ(l.result.Height, c.height) << narrow(c.markup);
        EXPECT_FALSE(l.result.Cut) << narrow(c.markup);
    }
}

TEST(HtmlLayout, PositionsAndDecorations) {
    Laid right = lay(u"<P ALIGN=RIGHT>r</P>l", box(100, 1000));
    EXPECT_EQ(right.rec.find("r")->x, 95);
    EXPECT_EQ(right.rec.find("l")->x, 0);
    Laid center = lay(u"<P ALIGN=center>ab</P>", box(100, 1000));
    EXPECT_EQ(center.rec.find("ab")->x, 45);
    Laid ind = lay(u"<IND x=\"40\">a<IND x=\"10\">b<OF x=\"10\">c", box(200, 1000));
    EXPECT_EQ(ind.rec.find("a")->x, 40);
    EXPECT_EQ(ind.rec.find("b")->x, 45); // IND only moves right
    EXPECT_EQ(ind.rec.find("c")->x, 10);

    Laid sub = lay(u"x<SUB>2</SUB>", box(200, 1000));
    EXPECT_GT(sub.rec.find("2")->y, sub.rec.find("x")->y);
    Laid sup = lay(u"x<SUP>2</SUP>", box(200, 1000));
    EXPECT_LT(sup.rec.find("2")->y, sup.rec.find("x")->y);

    Laid shad = lay(u"<SHAD>s</SHAD>", box(200, 1000));
    ASSERT_EQ(shad.rec.texts(), "s|s"); // the shadow first, moved by 2
    EXPECT_EQ(shad.rec.calls[0].x, 2);
    EXPECT_EQ(shad.rec.calls[0].font.Color, TColor(0x808080));

    Laid err = lay(u"<E>abc</E>", box(200, 1000));
    const Call& zig = err.rec.calls.back();
    EXPECT_EQ(zig.kind, "line");
    EXPECT_EQ(zig.x, 0);
    EXPECT_EQ(zig.y, 14);      // x a multiple of 4: one below the line's bottom
    EXPECT_EQ(zig.points, 8u); // 0, 2, ... 14 covers the 15 pixels

    Laid styles = lay(u"<B>b</B><I>i</I><U>u</U><STRIKE>s</S>n<HI>h</HI>", box(200, 1000));
    EXPECT_EQ(styles.rec.find("b")->font.Style, unsigned(kBold));
    EXPECT_EQ(styles.rec.find("i")->font.Style, unsigned(kItalic));
    EXPECT_EQ(styles.rec.find("u")->font.Style, unsigned(kUnderline));
    EXPECT_EQ(styles.rec.find("s")->font.Style, unsigned(kStrikeOut));
    EXPECT_EQ(styles.rec.find("n")->font.Style, 0u);
    EXPECT_EQ(styles.rec.find("h")->font.Color, TColor(0xFF00000E));

    Laid font = lay(u"<FONT FACE=Mono COLOR=#0000ff SIZE=5>f</FONT>g", box(200, 1000));
    EXPECT_EQ(font.rec.find("f")->font.Face, u"Mono");
    EXPECT_EQ(font.rec.find("f")->font.Color, TColor(0xFF0000));
    EXPECT_EQ(font.rec.find("f")->font.Height, -21); // 16 pt
    EXPECT_EQ(font.rec.find("g")->font, box(0, 0).BaseFont);

    Laid rotated = lay(u"<R a=\"90\">r</R>n", box(200, 1000));
    EXPECT_EQ(rotated.rec.find("r")->font.Escapement, 900);
    EXPECT_EQ(rotated.rec.find("n")->font.Escapement, 0);

    Laid rule = lay(u"above<HR COLOR=#00ff00>below", box(200, 1000));
    bool ruleSeen = false;
    for (const Call& c : rule.rec.calls)
        ruleSeen |= c.kind == "line" && c.y == 14;
    EXPECT_TRUE(ruleSeen);
    EXPECT_GT(rule.rec.find("below")->y, 14);

    Laid para = lay(u"<P BGCOLOR=#ff0000 BGCOLORTO=#0000ff>p</P><BODY BGCOLOR=#ffffff>", box(200, 50));
    EXPECT_EQ(para.rec.calls[0].kind, "fill");     // the body first, over the box
    EXPECT_EQ(para.rec.calls[1].kind, "gradient"); // then the paragraph's gradient

    Laid accel = lay(u"&File &&more", [] {
        Options o = box(200, 100);
        o.Prefix = true;
        return o;
    }());
    EXPECT_EQ(accel.rec.texts(), "File &more");
}

// Fixed colours (a high-contrast scheme): text, rules and bullets in the text colour, links
// in the link colour, and none of the markup's backgrounds or shadows.
TEST(HtmlLayout, FixedColoursDropBackgroundsAndShadows) {
    Options o = box(300, 200);
    o.Links.push_back({});
    o.Fixed = Options::FixedColors{0x111111, 0x222222};
    Laid l = lay(u"<BODY BGCOLOR=#ffffff><P BGCOLOR=#ff0000>p<FONT COLOR=#0000ff "
                 u"BGCOLOR=#00ff00>f</FONT><SHAD>s</SHAD>"
                 u"<A HREF=x>a</A></P><HR COLOR=#00ff00><UL><LI TYPE=SQUARE COLOR=#ff0000>i</LI></UL>",
                 o);
    int texts = 0, marks = 0;
    for (const Call& c : l.rec.calls) {
        EXPECT_NE(c.kind, "gradient");
        if (c.kind == "text") {
            ++texts;
            EXPECT_EQ(c.font.Color, c.text == "a" ? TColor(0x222222) : TColor(0x111111)) << c.text;
        } else {
            ++marks;
            EXPECT_EQ(c.colour, TColor(0x111111)) << c.kind << " at " << c.x << "," << c.y;
        }
    }
    EXPECT_EQ(l.rec.texts(), "p|f|s|a|i"); // the shadow's copy is gone
    EXPECT_EQ(marks, 2);                   // the rule and the bullet
    EXPECT_EQ(texts, 5);
}

TEST(HtmlLayout, LinksAndHitTest) {
    Options o = box(300, 1000);
    LinkStyle a, b;
    a.Normal = b.Normal = o.BaseFont;
    a.Normal.Style = b.Normal.Style = kUnderline;
    a.Hover = b.Hover = a.Normal;
    a.Hover.Color = b.Hover.Color = 0xFF0000;
    o.Links = {a, b};
    o.HoverLink = 1;
    const Laid l = lay(u"<A HREF=x TITLE=\"t t\">one</A> <A href=\"Y z\">two</A> <a>three</a>", o);
    ASSERT_EQ(l.result.Links.size(), 3u); // three anchors, two link items
    EXPECT_EQ(l.result.Links[0].Anchor, u"x");
    EXPECT_EQ(l.result.Links[1].Anchor, u"Y z"); // values keep their case
    EXPECT_EQ(l.result.Links[1].PlainText, u"two");
    EXPECT_EQ(l.result.Links[0].Pieces[0].Title, u"t t");
    EXPECT_EQ(l.rec.find("one")->font.Style, unsigned(kUnderline));
    EXPECT_EQ(l.rec.find("two")->font.Color, TColor(0xFF0000)); // hovered
    EXPECT_EQ(l.rec.find("three")->font, o.BaseFont);           // no item: the surrounding font
    const struct {
        int x, y, link;
    } hits[] = {{2, 5, 0}, {14, 12, 0}, {16, 5, -1}, {22, 5, 1}, {40, 5, 2}, {80, 5, -1}, {2, 13, -1}};
    for (const auto& h : hits) {
        Rect piece;
        EXPECT_EQ(HitTest(l.result, h.x, h.y, &piece), h.link) << h.x << "," << h.y;
        if (h.link == 1) {
            EXPECT_EQ(piece, (Rect{20, 0, 35, 13}));
        }
    }

    // A link wrapped over two lines has a piece per line.
    const Laid wrapped = lay(u"ab <A>cc dd</A>", [&] {
        Options n = box(30, 1000);
        n.Links = {a};
        return n;
    }());
    ASSERT_EQ(wrapped.result.Links[0].Pieces.size(), 2u);
    EXPECT_EQ(wrapped.result.Links[0].Pieces[1].Box, (Rect{0, 13, 10, 26}));
}

TEST(HtmlLayout, LineLimitsCutWithEllipsis) {
    // Three lines of text in a box two lines high.
    Options o = box(50, 30);
    o.EllipsisMode = Ellipsis::End;
    const Laid boxCut = lay(u"aaaa bbbb cccc dddd eeee", o);
    EXPECT_TRUE(boxCut.result.Cut);
    EXPECT_EQ(boxCut.result.Lines, 2);
    EXPECT_EQ(boxCut.rec.texts(), "aaaa bbbb|cccc dd...");

    o.EllipsisMode = Ellipsis::None;
    const Laid clipped = lay(u"aaaa bbbb cccc dddd eeee", o);
    EXPECT_TRUE(clipped.result.Cut);
    EXPECT_EQ(clipped.rec.texts(), "aaaa bbbb|cccc dddd");

    // A link limited to one line; the text after it goes on.
    Options m = box(50, 1000);
    m.EllipsisMode = Ellipsis::End;
    LinkStyle one;
    one.Normal = one.Hover = m.BaseFont;
    one.MaxLine = 1;
    m.Links = {one};
    const Laid link = lay(u"<A>aaaa bbbb cccc</A><BR>after", m);
    EXPECT_TRUE(link.result.Links[0].Cut);
    EXPECT_EQ(link.result.Links[0].PlainText, u"aaaa bbbb cccc");
    EXPECT_EQ(link.rec.texts(), "aaaa bb...|after");
    const Laid after = lay(u"<A>aaaa bbbb cccc</A>x", m); // goes on after the "...", here on the next line
    EXPECT_EQ(after.rec.find("x")->x, 0);
    EXPECT_EQ(after.rec.find("x")->y, 13);
    const Laid attr = lay(u"<A MAXLINE=2>aaaa bbbb cccc dddd eeee ffff</A>", m); // the attribute wins
    EXPECT_EQ(attr.result.Lines, 2);

    // A fixed-width link cut on its second or a later line is measured again with a lower
    // limit: cut, it keeps to one line, and text after it follows on the next.
    const struct {
        const char16_t* markup;
        bool fixed;
        int lines;
        size_t pieces;
        bool cut;
    } fixedCases[] = {
        {u"<A MAXLINE=3>aaaa bbbb cccc dddd eeee ffff gggg</A>", false, 3, 3, true},
        {u"<A MAXLINE=3>aaaa bbbb cccc dddd eeee ffff gggg</A>", true, 1, 1, true},
        {u"<A MAXLINE=3>aaaa bbbb</A>", true, 1, 1, false},           // not cut: as it is
        {u"<A MAXLINE=3>aaaa bbbb cccc dddd</A>", true, 2, 2, false}, // fits its limit
        {u"xx <A MAXLINE=2>aaaa bbbb cccc dddd</A><BR>after", true, 2, 1, true},
    };
    for (const auto& c : fixedCases) {
        Options f = m;
        f.Links[0].FixedWidth = c.fixed;
        const Laid r = lay(c.markup, f);
        EXPECT_EQ(r.result.Lines, c.lines) << narrow(c.markup) << " fixed " << c.fixed;
        EXPECT_EQ(r.result.Links[0].Pieces.size(), c.pieces) << narrow(c.markup) << " fixed " << c.fixed;
        EXPECT_EQ(r.result.Links[0].Cut, c.cut) << narrow(c.markup) << " fixed " << c.fixed;
    }

    // One line without wrapping: the run passing the right edge is cut there.
    Options single = box(30, 100);
    single.WordWrap = false;
    single.EllipsisMode = Ellipsis::End;
    const Laid one_line = lay(u"abcdefghij<B>more</B>", single);
    EXPECT_TRUE(one_line.result.Cut);
    EXPECT_EQ(one_line.rec.texts(), "abc...");

    // Wrapping inside words when WrapChar is on.
    Options chars = box(20, 1000);
    chars.WrapChar = true;
    EXPECT_EQ(lay(u"abcdefghij", chars).rec.texts(), "abcd|efgh|ij");
}

// Hostile markup ends, within the box, with bounded output.
TEST(HtmlLayout, BadInput) {
    std::u16string nested;
    for (int i = 0; i < 10000; ++i)
        nested += u"<UL><LI>";
    nested += u"deep text here";
    const Laid deep = lay(nested, box(200, 4096));
    EXPECT_LE(deep.result.Height, 4096 + 13);
    EXPECT_GE(deep.result.Lines, 1);

    std::u16string fonts;
    for (int i = 0; i < 2000; ++i)
        fonts += u"<FONT SIZE=999999><R a=\"99999\"><A><SUP>x";
    const Laid big = lay(fonts, box(100, 65535));
    EXPECT_TRUE(big.result.Cut);

    const char16_t* odd[] = {u"<",
                             u">",
                             u"<>",
                             u"</>",
                             u"<A",
                             u"</A></A></P></UL></FONT>",
                             u"<P><P><P>",
                             u"<IMG>",
                             u"<LI>",
                             u"<BR LINESPACE=-99999>x<BR>y",
                             u"<OL><LI><LI></OL></OL>",
                             u"<FONT SIZE=-5 COLOR=#zzzzzz>x",
                             u"\0\0<\0>"};
    for (const char16_t* s : odd) {
        const Laid l = lay(s, box(0, 0));
        EXPECT_LE(l.result.Lines, 3) << narrow(s);
    }
}
