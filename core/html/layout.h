// The HTML label's renderer: one routine that lays the markup out in a box and either only
// measures it (sizes, lines, link texts and rectangles) or also draws it through a painter.
// Text and pictures are measured through TextMeasure, so the layout is portable; the
// Windows side measures with GDI and paints on a canvas (rdcontrol/html/html_gdi.*).
#pragma once
#include "core/color/colors.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vell::html {

enum StyleBits : unsigned { kBold = 1, kItalic = 2, kUnderline = 4, kStrikeOut = 8 };

struct Font {
    std::u16string Face;
    int Height = -13;   // the framework's convention: negative = character height in pixels
    unsigned Style = 0; // StyleBits
    int Escapement = 0; // tenths of a degree
    TColor Color = clBlack;
    bool operator==(const Font&) const = default;
};

struct Rect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool Contains(int X, int Y) const { return X >= Left && X < Right && Y >= Top && Y < Bottom; }
    bool operator==(const Rect&) const = default;
};

struct FontMetrics {
    int Height = 0; // a line of this font
    int Ascent = 0;
};

class TextMeasure {
  public:
    virtual ~TextMeasure() = default;
    virtual FontMetrics Metrics(const Font& F) = 0;
    virtual int TextWidth(const Font& F, std::u16string_view Text) = 0;
    // How many leading characters of Text fit in MaxWidth pixels.
    virtual int FitChars(const Font& F, std::u16string_view Text, int MaxWidth) = 0;
    // The layout size of a picture source (0 x 0: draws nothing, takes no space).
    virtual void PictureSize(std::u16string_view Source, int& Width, int& Height) {
        (void)Source;
        Width = Height = 0;
    }
    virtual int PixelsPerInch() { return 96; }
};

class Painter {
  public:
    virtual ~Painter() = default;
    // One run on one line, its cell's top-left at (X, Y); Accel is the index of the
    // character to underline as accelerator, or -1.
    virtual void Text(const Font& F, int X, int Y, std::u16string_view Text, int Accel) = 0;
    virtual void FillRect(const Rect& R, TColor Color) = 0;
    virtual void Gradient(const Rect& R, TColor From, TColor To, bool Vertical) = 0;
    virtual void Polyline(const std::vector<std::pair<int, int>>& Points, TColor Color) = 0;
    virtual void Ellipse(const Rect& R, TColor Color) = 0;
    virtual void Picture(std::u16string_view Source, int X, int Y) = 0;
};

enum class Ellipsis { None, Path, End, Word };
enum class Align { Left, Right, Center };

// A link item's look, matched to the n-th anchor of the markup.
struct LinkStyle {
    Font Normal;
    Font Hover;
    TColor ColorBg = clNone;
    int MaxLine = -1;      // -1: no limit
    int LineSpace = -9999; // -9999: the label's
    // A link cut by its line limit on its second or a later line gets a limit one lower,
    // and the text is measured again: a cut link keeps to one line.
    bool FixedWidth = false;
    int LimitLowered = 0; // by how much the limit is lowered now (Render's own passes)
};

struct Options {
    Font BaseFont;
    int BoxWidth = 0, BoxHeight = 0; // the box's top-left is (0, 0)
    Align Alignment = Align::Left;
    bool WordWrap = true;
    bool WrapChar = false;
    bool Prefix = false; // "&" marks accelerators (the label's ShowAccelChar)
    int LineSpacing = 0;
    Ellipsis EllipsisMode = Ellipsis::None;
    std::vector<LinkStyle> Links;
    int HoverLink = -1;
    int ShadowOffset = 2;
    TColor ShadowColor = clNone; // clNone: the default shadow grey
    // Set (a high-contrast scheme): text, bullets and rules draw in Text, links in Link,
    // without the markup's backgrounds and shadows.
    struct FixedColors {
        TColor Text = clBlack;
        TColor Link = clBlack;
    };
    std::optional<FixedColors> Fixed;
};

struct LinkPiece {
    Rect Box;
    std::u16string Title; // the link's TITLE, or an image's ALT
};

// One anchor of the markup, in order.
struct LinkResult {
    std::u16string Anchor;
    std::u16string PlainText;
    std::vector<LinkPiece> Pieces;
    bool Cut = false;
    int CutOnLine = 0; // the link's own line (from 1) its limit cut it on
};

struct Result {
    int Lines = 0;
    bool Cut = false;
    int Width = 0, Height = 0;
    std::vector<LinkResult> Links;
};

// Lays the prepared markup out (see PrepareMarkup) and, with a painter, draws it. Links with
// FixedWidth are first measured until their limits hold (a bounded number of passes).
Result Render(std::u16string_view Markup, const Options& Opt, TextMeasure& Measure, Painter* Paint);

// The anchor whose piece holds (X, Y): its index, or -1.
int HitTest(const Result& R, int X, int Y, Rect* PieceBox = nullptr);

// Limits that keep hostile markup bounded.
inline constexpr int kMaxPointSize = 1000;
inline constexpr int kMaxFixedWidthPasses = 32;

} // namespace vell::html
