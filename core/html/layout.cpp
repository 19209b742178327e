// The renderer works in three steps: the markup is read token by token into lines of
// placed pieces (text runs, pictures, bullets), each piece with its font and decorations;
// the lines are then aligned and the link rectangles collected; with a painter, last, the
// backgrounds, pieces and rules are drawn. Measuring and drawing share the first two
// steps, so a hit-test sees exactly what a paint draws.
#include "core/html/layout.h"

#include "core/html/markup.h"

#include <algorithm>
#include <optional>

namespace vell::html {

namespace {

constexpr TColor clHighlight = 0xFF00000D;
constexpr TColor clHighlightText = 0xFF00000E;
constexpr TColor clDefaultShadow = 0x00808080;
constexpr int kListIndent = 12;
constexpr std::u16string_view kDots = u"...";

enum class PieceKind { Text, Picture, Square, Circle };
enum class Raise { Baseline, Top, Middle };

struct Piece {
    PieceKind Kind = PieceKind::Text;
    Font F;
    std::u16string Text; // text, or the picture source
    int Accel = -1;
    int X = 0, Width = 0;
    int Ascent = 0, Descent = 0;
    int Shift = 0; // > 0 lowered (subscript), < 0 raised (superscript)
    Raise RaiseMode = Raise::Baseline;
    TColor Bg = clNone;
    TColor Mark = clNone; // bullet colour
    bool Shadow = false;
    bool Error = false;
    int Link = -1;
    std::u16string Title;
};

struct Line {
    int Top = 0;
    int Height = 0;
    int Baseline = 0; // from Top
    int SupOffset = 0, SubOffset = 0;
    Align Alignment = Align::Left;
    int Dx = 0;
    std::vector<Piece> Pieces;
    int Right() const {
        int r = 0;
        for (const Piece& p : Pieces)
            r = std::max(r, p.X + p.Width);
        return r;
    }
};

struct Block { // a paragraph's background
    size_t FirstLine, EndLine;
    TColor From, To;
};

struct Rule {
    int Y;
    TColor Color;
};

struct BodyBackground {
    TColor From = clNone, To = clNone;
    bool Horizontal = false;
};

struct PicturePlacement {
    std::u16string Source;
    int X, Y;
};

// Everything the tags change.
struct State {
    Font F;
    TColor Bg = clNone;
    bool Hidden = false, Shadow = false, Error = false;
    int Shift = 0;
};

class Renderer {
  public:
    Renderer(const Options& O, TextMeasure& M) : FOpt(O), FMeasure(M) {
        FState.F = O.BaseFont;
        FAlign = O.Alignment;
    }

    Result Run(std::u16string_view Markup, Painter* P) {
        Tokens(Markup);
        if (!FStop) FinishLine(false);
        CloseBlock();
        Finish();
        if (P) Draw(*P);
        return std::move(FResult);
    }

  private:
    // ---- reading ----

    void Tokens(std::u16string_view s) {
        size_t i = 0;
        while (i < s.size() && !FStop) {
            size_t tagEnd = std::u16string_view::npos;
            if (s[i] == u'<') {
                const size_t close = s.find(u'>', i + 1);
                const size_t nextOpen = s.find(u'<', i + 1);
                if (close != std::u16string_view::npos &&
                    (nextOpen == std::u16string_view::npos || nextOpen > close))
                    tagEnd = close;
            }
            if (tagEnd != std::u16string_view::npos) {
                DoTag(Tag(s.substr(i + 1, tagEnd - i - 1)));
                i = tagEnd + 1;
                continue;
            }
            // A text run up to the next "<" that starts a tag (a stray "<" is text).
            size_t end = s.find(u'<', i + 1);
            if (end == std::u16string_view::npos) end = s.size();
            TextRun(s.substr(i, end - i));
            i = end;
        }
    }

    void TextRun(std::u16string_view Raw) {
        std::u16string decoded = DecodeRunEntities(Raw);
        if (FSkipLink) {
            CollectLinkText(decoded);
            return;
        }
        // Accelerator prefixes: "&&" is an ampersand, "&x" underlines x.
        std::u16string text;
        int accel = -1;
        if (FOpt.Prefix && decoded.find(u'&') != std::u16string::npos) {
            text.reserve(decoded.size());
            for (size_t k = 0; k < decoded.size(); ++k) {
                if (decoded[k] == u'&' && k + 1 < decoded.size()) {
                    ++k;
                    if (decoded[k] != u'&' && accel < 0) accel = static_cast<int>(text.size());
                }
                text += decoded[k];
            }
        } else {
            text = std::move(decoded);
        }
        CollectLinkText(text);
        if (FState.Hidden || text.empty()) return;
        Place(text, accel);
    }

    void CollectLinkText(std::u16string_view Text) {
        if (FLink >= 0) FResult.Links[static_cast<size_t>(FLink)].PlainText += Text;
    }

    // Places a run on the current line, wrapping at word boundaries into new lines.
    void Place(std::u16string_view run, int accel) {
        const Font f = CurrentFont();
        const FontMetrics m = FMeasure.Metrics(f);
        bool lineStart = false; // a continuation line drops its leading spaces
        while (!run.empty() && !FStop && !FSkipLink) {
            if (lineStart) {
                const size_t skip = std::min(run.find_first_not_of(u' '), run.size());
                run.remove_prefix(skip);
                accel -= static_cast<int>(skip);
                lineStart = false;
                if (run.empty()) break;
            }
            const int avail = FOpt.BoxWidth - FX;
            if (!FOpt.WordWrap) {
                // One line: a run that passes the right edge cuts the line there.
                if (FLineCut) return;
                AddText(f, m, run, accel);
                if (FX > FOpt.BoxWidth) {
                    FResult.Cut = true;
                    if (FLink >= 0) FResult.Links[static_cast<size_t>(FLink)].Cut = true;
                    CutLine(FLine);
                    FLineCut = FOpt.EllipsisMode != Ellipsis::None;
                }
                return;
            }
            // Characters are at least a pixel wide, so no more than this can fit.
            const size_t probe = std::min(run.size(), static_cast<size_t>(std::max(avail, 0)) + 64);
            const int n = std::clamp(FMeasure.FitChars(f, run.substr(0, probe), std::max(avail, 0)), 0,
                                     static_cast<int>(probe));
            if (static_cast<size_t>(n) == run.size()) {
                AddText(f, m, run, accel);
                return;
            }
            size_t k = 0; // the piece is run[0, k)
            if (run[static_cast<size_t>(n)] == u' ')
                k = static_cast<size_t>(n);
            else if (const size_t sp = run.substr(0, static_cast<size_t>(n)).find_last_of(u' ');
                     sp != std::u16string_view::npos)
                k = sp + 1;
            std::u16string_view piece = run.substr(0, k);
            while (!piece.empty() && piece.back() == u' ')
                piece.remove_suffix(1);
            if (piece.empty()) {
                if (!LineEmpty()) {
                    WrapLine();
                    lineStart = true;
                    continue;
                }
                if (FOpt.WrapChar) {
                    k = static_cast<size_t>(std::max(n, 1));
                } else { // a word wider than the line stays whole
                    k = std::min(run.find(u' '), run.size());
                    if (k == 0) k = 1;
                }
                piece = run.substr(0, k);
            }
            AddText(f, m, piece, accel);
            run.remove_prefix(k);
            accel -= static_cast<int>(k);
            if (run.find_first_not_of(u' ') == std::u16string_view::npos) return;
            WrapLine();
            lineStart = true;
        }
    }

    void AddText(const Font& f, const FontMetrics& m, std::u16string_view text, int accel) {
        Piece p = NewPiece(PieceKind::Text, f);
        p.Text.assign(text);
        p.Accel = accel >= 0 && accel < static_cast<int>(text.size()) ? accel : -1;
        p.Width = FMeasure.TextWidth(f, text);
        p.Ascent = m.Ascent;
        p.Descent = std::max(0, m.Height - m.Ascent);
        if (FState.Shift) p.Shift = FState.Shift * (m.Height / 4);
        FX += p.Width;
        FLine.Pieces.push_back(std::move(p));
    }

    Piece NewPiece(PieceKind kind, const Font& f) {
        Piece p;
        p.Kind = kind;
        p.F = f;
        p.X = FX;
        p.Bg = FState.Bg;
        if (FLink >= 0 && FLink < static_cast<int>(FOpt.Links.size()) && p.Bg == clNone)
            p.Bg = FOpt.Links[static_cast<size_t>(FLink)].ColorBg;
        p.Shadow = FState.Shadow;
        p.Error = FState.Error;
        p.RaiseMode = FRaise;
        p.Link = FLink;
        if (FLink >= 0) p.Title = FLinkTitle;
        return p;
    }

    // The font of the next run: the link item's (hover) font inside an anchor that has
    // one, the state's otherwise; bold, italic, underline and strike-out add to it.
    Font CurrentFont() const {
        Font f = FState.F;
        if (FLink >= 0 && FLink < static_cast<int>(FOpt.Links.size())) {
            const LinkStyle& ls = FOpt.Links[static_cast<size_t>(FLink)];
            f = FLink == FOpt.HoverLink ? ls.Hover : ls.Normal;
            f.Escapement = FState.F.Escapement;
        }
        f.Style |= FStyle;
        return f;
    }

    bool LineEmpty() const { return FLine.Pieces.empty(); }

    // ---- lines ----

    int LineIndent() const { return std::max(0, FParaIndent) + kListIndent * std::max(0, FListLevel); }

    int Spacing() const {
        if (FLink >= 0 && FLink < static_cast<int>(FOpt.Links.size()) &&
            FOpt.Links[static_cast<size_t>(FLink)].LineSpace != -9999)
            return FOpt.Links[static_cast<size_t>(FLink)].LineSpace;
        if (FBreakSpace) return *FBreakSpace;
        if (FListSpace) return *FListSpace;
        return FOpt.LineSpacing;
    }

    // A wrap inside a link with a line limit that is reached cuts the link instead.
    void WrapLine() {
        if (FLink >= 0 && FLinkMaxLine >= 0) {
            const int used = static_cast<int>(FLines.size()) - FLinkFirstLine + 1;
            if (used >= FLinkMaxLine) {
                CutLine(FLine);
                FResult.Links[static_cast<size_t>(FLink)].Cut = true;
                FResult.Links[static_cast<size_t>(FLink)].CutOnLine = used;
                FResult.Cut = true;
                FSkipLink = true;
                return;
            }
        }
        FinishLine(true);
    }

    // Ends the current line. An empty line counts only when Forced (a break), and is then
    // one line of the current font high.
    void FinishLine(bool Forced) {
        if (FStop) return;
        if (LineEmpty() && !Forced) {
            FX = LineIndent();
            return;
        }
        Line& l = FLine;
        int asc = 0, desc = 0;
        for (const Piece& p : l.Pieces) {
            if (p.Shift < 0) l.SupOffset = std::max(l.SupOffset, -p.Shift);
            if (p.Shift > 0) l.SubOffset = std::max(l.SubOffset, p.Shift);
            asc = std::max(asc, p.Ascent);
            desc = std::max(desc, p.Descent);
        }
        if (l.Pieces.empty()) {
            const FontMetrics m = FMeasure.Metrics(CurrentFont());
            asc = m.Ascent;
            desc = std::max(0, m.Height - m.Ascent);
        }
        l.Top = FY;
        l.Baseline = l.SupOffset + asc;
        l.Height = l.SupOffset + asc + desc + l.SubOffset;
        l.Alignment = FAlign;
        if (!FLines.empty() && static_cast<long long>(l.Top) + l.Height > FOpt.BoxHeight) {
            // This line passes the bottom: the one before is the last shown, cut with "...".
            FStop = true;
            FResult.Cut = true;
            CutLine(FLines.back());
            for (const Piece& p : FLines.back().Pieces)
                if (p.Link >= 0) FResult.Links[static_cast<size_t>(p.Link)].Cut = true;
            FLine = Line{};
            return;
        }
        FY = static_cast<int>(
            std::min<long long>(static_cast<long long>(l.Top) + l.Height + Spacing(), 1 << 30));
        FBreakSpace.reset();
        FLineCut = false;
        FLines.push_back(std::move(FLine));
        FLine = Line{};
        FX = LineIndent();
    }

    // Ends a line's text with "..." (by the ellipsis mode) so that it fits the box.
    void CutLine(Line& l) {
        if (FOpt.EllipsisMode == Ellipsis::None) return;
        auto last = std::find_if(l.Pieces.rbegin(), l.Pieces.rend(),
                                 [](const Piece& p) { return p.Kind == PieceKind::Text; });
        if (last == l.Pieces.rend()) return;
        Piece& p = *last;
        l.Pieces.erase(last.base(), l.Pieces.end());
        const int dots = FMeasure.TextWidth(p.F, kDots);
        const int room = std::max(0, FOpt.BoxWidth - p.X - dots);
        std::u16string& t = p.Text;
        if (FOpt.EllipsisMode == Ellipsis::Path && t.size() > 1) {
            // Keep the end: cut characters from the middle until it fits.
            size_t keep = t.size();
            while (keep > 0 && FMeasure.TextWidth(p.F, t.substr(0, keep / 2) +
                                                           t.substr(t.size() - (keep - keep / 2))) > room)
                --keep;
            t = t.substr(0, keep / 2) + std::u16string(kDots) + t.substr(t.size() - (keep - keep / 2));
        } else {
            size_t n = static_cast<size_t>(
                std::clamp(FMeasure.FitChars(p.F, t, room), 0, static_cast<int>(t.size())));
            if (FOpt.EllipsisMode == Ellipsis::Word && n < t.size()) {
                const size_t sp = t.substr(0, n).find_last_of(u' ');
                if (sp != std::u16string::npos && sp > 0) n = sp;
            }
            while (n > 0 && t[n - 1] == u' ')
                --n;
            t = t.substr(0, n) + std::u16string(kDots);
        }
        if (p.Accel >= static_cast<int>(t.size()) - 3) p.Accel = -1;
        p.Width = FMeasure.TextWidth(p.F, t);
        if (&l == &FLine) FX = p.X + p.Width; // what follows on this line goes after the "..."
    }

    // ---- tags ----

    void DoTag(const Tag& t) {
        const std::u16string& n = t.Name();
        if (FSkipLink && !(t.Closing() && n == u"A")) return;
        if (t.Closing()) {
            Close(n);
            return;
        }
        if (n == u"B")
            FStyle |= kBold;
        else if (n == u"I")
            FStyle |= kItalic;
        else if (n == u"U")
            FStyle |= kUnderline;
        else if (n == u"S" || n.starts_with(u"ST"))
            FStyle |= kStrikeOut;
        else if (n == u"E")
            FState.Error = true;
        else if (n == u"Z")
            FState.Hidden = true;
        else if (n == u"SHAD")
            FState.Shadow = true;
        else if (n == u"SUB")
            FState.Shift = 1;
        else if (n == u"SUP")
            FState.Shift = -1;
        else if (n == u"HI") {
            FState.Bg = clHighlight;
            FState.F.Color = clHighlightText;
        } else if (n == u"SPAN") {
            if (auto c = t.StyleColor(u"BACKGROUND-COLOR:")) FState.Bg = *c;
        } else if (n == u"FONT")
            FontTag(t);
        else if (n == u"A")
            Anchor(t);
        else if (n == u"BR") {
            if (auto sp = t.IntAttr(u"LINESPACE")) FBreakSpace = *sp;
            FinishLine(true);
        } else if (n == u"P")
            Paragraph(t);
        else if (n == u"BODY")
            Body(t);
        else if (n == u"HR")
            HorizontalRule(t);
        else if (n == u"IMG")
            Image(t);
        else if (n == u"IND") {
            if (auto x = t.IntAttr(u"X")) FX = std::max(FX, *x);
        } else if (n == u"OF") {
            if (auto x = t.IntAttr(u"X")) FX = *x;
        } else if (n == u"UL" || n == u"OL") {
            if (FListLevel < (1 << 20)) ++FListLevel;
            FNumbering = n == u"OL";
            if (FNumbering) FNumber = 1;
            FListType = t.Attr(u"TYPE");
            FListColor = t.ColorAttr(u"COLOR");
            FinishLine(false);
        } else if (n == u"LI")
            ListItem(t);
        else if (n == u"R") {
            FRotateSaved.push_back(FState.F.Escapement);
            if (auto a = t.IntAttr(u"A"))
                FState.F.Escapement = static_cast<int>(std::clamp(*a, -3600, 3600) * 10);
        }
    }

    void Close(const std::u16string& n) {
        if (n == u"B")
            FStyle &= ~kBold;
        else if (n == u"I")
            FStyle &= ~kItalic;
        else if (n == u"U")
            FStyle &= ~kUnderline;
        else if (n == u"E")
            FState.Error = false;
        else if (n == u"Z")
            FState.Hidden = false;
        else if (n == u"HI") {
            FState.Bg = clNone;
            FState.F.Color = FOpt.BaseFont.Color;
        } else if (n == u"SPAN")
            FState.Bg = clNone;
        else if (n.starts_with(u"SH"))
            FState.Shadow = false;
        else if (n.starts_with(u"SU"))
            FState.Shift = 0;
        else if (n.starts_with(u"S"))
            FStyle &= ~kStrikeOut;
        else if (n == u"FONT") {
            FState.F.Face = FOpt.BaseFont.Face;
            FState.F.Height = FOpt.BaseFont.Height;
            FState.F.Color = FOpt.BaseFont.Color;
            FState.Bg = clNone;
        } else if (n == u"A") {
            FLink = -1;
            FSkipLink = false;
            FLinkMaxLine = -1;
        } else if (n == u"P") {
            FinishLine(false);
            CloseBlock();
            FAlign = FOpt.Alignment;
            FParaIndent = 0;
            FX = LineIndent();
        } else if (n == u"UL" || n == u"OL") {
            FListLevel = std::max(0, FListLevel - 1);
            FNumbering = false;
            if (FListLevel == 0) FListSpace.reset();
            FinishLine(false);
        } else if (n == u"LI") {
            FinishLine(false);
        } else if (n == u"R") {
            FState.F.Escapement = FRotateSaved.empty() ? FOpt.BaseFont.Escapement : FRotateSaved.back();
            if (!FRotateSaved.empty()) FRotateSaved.pop_back();
        }
    }

    int PointsToHeight(int pt) const {
        pt = std::clamp(pt, 1, kMaxPointSize);
        return -static_cast<int>((static_cast<long long>(pt) * FMeasure.PixelsPerInch() + 36) / 72);
    }

    void FontTag(const Tag& t) {
        if (auto face = t.Attr(u"FACE"); face && !face->empty()) FState.F.Face = *face;
        if (auto c = t.ColorAttr(u"COLOR")) FState.F.Color = *c;
        if (auto c = t.ColorAttr(u"BGCOLOR")) FState.Bg = *c;
        if (auto size = t.IntAttr(u"SIZE")) {
            static constexpr int kSteps[] = {8, 10, 12, 14, 16};
            const int pt = *size >= 1 && *size <= 5 ? kSteps[*size - 1] : *size;
            if (pt > 0) FState.F.Height = PointsToHeight(pt);
        }
        if (auto pt = t.StyleNumber(u"FONT-SIZE:"); pt && *pt > 0) FState.F.Height = PointsToHeight(*pt);
    }

    void Anchor(const Tag& t) {
        FLink = static_cast<int>(FResult.Links.size());
        LinkResult r;
        if (auto h = t.Attr(u"HREF")) r.Anchor = *h;
        FResult.Links.push_back(std::move(r));
        FLinkTitle = t.Attr(u"TITLE").value_or(u"");
        FLinkMaxLine =
            FLink < static_cast<int>(FOpt.Links.size()) ? FOpt.Links[static_cast<size_t>(FLink)].MaxLine : -1;
        if (auto m = t.IntAttr(u"MAXLINE")) FLinkMaxLine = *m;
        if (FLinkMaxLine == 0) FLinkMaxLine = -1;
        if (FLinkMaxLine > 0 && FLink < static_cast<int>(FOpt.Links.size()))
            FLinkMaxLine = std::max(1, FLinkMaxLine - FOpt.Links[static_cast<size_t>(FLink)].LimitLowered);
        FLinkFirstLine = static_cast<int>(FLines.size());
        FSkipLink = false;
    }

    void Paragraph(const Tag& t) {
        FinishLine(false);
        CloseBlock();
        if (auto a = t.Attr(u"ALIGN")) {
            std::u16string v = *a;
            for (auto& c : v)
                c = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
            FAlign = v == u"RIGHT" ? Align::Right : v == u"CENTER" ? Align::Center : Align::Left;
        }
        if (auto ind = t.IntAttr(u"INDENT")) FParaIndent = std::clamp(*ind, 0, 1 << 20);
        FX = LineIndent();
        const auto from = t.ColorAttr(u"BGCOLOR");
        if (from)
            FBlock = Block{FLines.size(), FLines.size(), *from, t.ColorAttr(u"BGCOLORTO").value_or(clNone)};
    }

    void CloseBlock() {
        if (!FBlock) return;
        FBlock->EndLine = FLines.size();
        if (FBlock->EndLine > FBlock->FirstLine) FBlocks.push_back(*FBlock);
        FBlock.reset();
    }

    void Body(const Tag& t) {
        for (const char16_t* a : {u"BACKGROUND", u"BGTOPLEFT"})
            if (auto src = t.Attr(a)) FPictures.push_back({*src, FX, FY});
        if (auto c = t.ColorAttr(u"BGCOLOR")) {
            FBody.From = *c;
            FBody.To = t.ColorAttr(u"BGCOLORTO").value_or(clNone);
            auto dir = t.Attr(u"DIR");
            FBody.Horizontal = dir && (*dir == u"H" || *dir == u"h");
        }
    }

    void HorizontalRule(const Tag& t) {
        FinishLine(false);
        if (FStop) return;
        const int bottom = FLines.empty() ? FY : FLines.back().Top + FLines.back().Height;
        FRules.push_back({bottom + 1, t.ColorAttr(u"COLOR").value_or(clBlack)});
        FY = std::max(FY, bottom + 3);
    }

    void Image(const Tag& t) {
        const std::u16string src = t.Attr(u"SRC").value_or(u"");
        int w = 0, h = 0;
        FMeasure.PictureSize(src, w, h);
        w = std::clamp(w, 0, 1 << 16);
        h = std::clamp(h, 0, 1 << 16);
        if (t.QuotedValueStarts(u"ALIGN", u"TOP"))
            FRaise = Raise::Top;
        else if (t.QuotedValueStarts(u"ALIGN", u"MIDDLE"))
            FRaise = Raise::Middle;
        if (w == 0 || h == 0 || FState.Hidden) return;
        if (FOpt.WordWrap && !LineEmpty() && FX + w > FOpt.BoxWidth) WrapLine();
        if (FStop || FSkipLink) return;
        Piece p = NewPiece(PieceKind::Picture, CurrentFont());
        p.RaiseMode = Raise::Baseline;
        p.Text = src;
        p.Width = w;
        const bool wrap = t.Attr(u"WRAP").has_value();
        if (wrap) { // the line keeps the text's height
            const FontMetrics m = FMeasure.Metrics(p.F);
            p.Ascent = m.Ascent;
            p.Descent = m.Height - m.Ascent;
            FRaise = Raise::Baseline;
        } else {
            p.Ascent = h;
        }
        if (auto alt = t.Attr(u"ALT"); alt && FLink >= 0) p.Title = *alt;
        FX += w;
        FLine.Pieces.push_back(std::move(p));
    }

    void ListItem(const Tag& t) {
        FinishLine(false);
        if (FStop || FSkipLink) return;
        if (auto sp = t.IntAttr(u"LINESPACE")) FListSpace = *sp;
        const int level = std::max(1, FListLevel);
        const std::optional<std::u16string> type = t.Attr(u"TYPE") ? t.Attr(u"TYPE") : FListType;
        const std::optional<TColor> colour = t.ColorAttr(u"COLOR") ? t.ColorAttr(u"COLOR") : FListColor;
        const int textX = LineIndent();
        FX = std::max(0, textX - kListIndent);
        if (type) {
            std::u16string v = *type;
            for (auto& c : v)
                c = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
            if (v == u"SQUARE" || v == u"CIRCLE") {
                Piece p = NewPiece(v == u"SQUARE" ? PieceKind::Square : PieceKind::Circle, CurrentFont());
                p.Width = 8;
                const FontMetrics m = FMeasure.Metrics(p.F);
                p.Ascent = m.Ascent;
                p.Descent = m.Height - m.Ascent;
                p.Mark = colour.value_or(p.F.Color);
                FLine.Pieces.push_back(std::move(p));
            }
            FX = textX;
            return;
        }
        Font f = CurrentFont();
        if (colour) f.Color = *colour;
        std::u16string mark;
        if (FNumbering)
            mark = NumberText(FNumber++) + u". ";
        else
            mark = level % 2 ? u"\u00B7" : u"o";
        const FontMetrics m = FMeasure.Metrics(f);
        const bool hidden = FState.Hidden;
        FState.Hidden = false;
        AddText(f, m, mark, -1);
        FState.Hidden = hidden;
        FX = std::max(FX, textX);
    }

    static std::u16string NumberText(int n) {
        std::u16string s;
        do {
            s.insert(s.begin(), static_cast<char16_t>(u'0' + n % 10));
            n /= 10;
        } while (n > 0);
        return s;
    }

    // ---- placing and results ----

    void Finish() {
        for (Line& l : FLines) {
            const int free = FOpt.BoxWidth - l.Right();
            l.Dx = free <= 0                      ? 0
                   : l.Alignment == Align::Right  ? free
                   : l.Alignment == Align::Center ? free / 2
                                                  : 0;
            FResult.Width = std::max(FResult.Width, l.Right());
        }
        FResult.Lines = static_cast<int>(FLines.size());
        FResult.Height = FLines.empty() ? 0 : FLines.back().Top + FLines.back().Height;
        for (const Line& l : FLines) {
            int link = -1;
            for (const Piece& p : l.Pieces) {
                const Rect r = PieceRect(l, p);
                if (p.Link < 0) {
                    link = -1;
                    continue;
                }
                auto& pieces = FResult.Links[static_cast<size_t>(p.Link)].Pieces;
                if (link == p.Link && !pieces.empty() && pieces.back().Title == p.Title) {
                    Rect& b = pieces.back().Box;
                    b = {std::min(b.Left, r.Left), std::min(b.Top, r.Top), std::max(b.Right, r.Right),
                         std::max(b.Bottom, r.Bottom)};
                } else {
                    pieces.push_back({r, p.Title});
                }
                link = p.Link;
            }
        }
    }

    static int PieceTop(const Line& l, const Piece& p) {
        const int h = p.Ascent + p.Descent;
        switch (p.RaiseMode) {
        case Raise::Top:
            return l.Top;
        case Raise::Middle:
            return l.Top + (l.Height - h) / 2;
        default:
            return l.Top + l.Baseline - p.Ascent + p.Shift;
        }
    }

    static Rect PieceRect(const Line& l, const Piece& p) {
        const int top = PieceTop(l, p);
        return {p.X + l.Dx, top, p.X + l.Dx + p.Width, top + p.Ascent + p.Descent};
    }

    void Draw(Painter& P) {
        const std::optional<Options::FixedColors>& fixed = FOpt.Fixed;
        auto ink = [&](TColor C) { return fixed ? fixed->Text : C; };
        if (FBody.From != clNone && !fixed) {
            const Rect box{0, 0, FOpt.BoxWidth, FOpt.BoxHeight};
            if (FBody.To == clNone)
                P.FillRect(box, FBody.From);
            else
                P.Gradient(box, FBody.From, FBody.To, !FBody.Horizontal);
        }
        for (const PicturePlacement& pic : FPictures)
            P.Picture(pic.Source, pic.X, pic.Y);
        for (const Block& b : FBlocks) {
            if (fixed) break;
            const Line& last = FLines[b.EndLine - 1];
            const Rect r{0, FLines[b.FirstLine].Top, FOpt.BoxWidth, last.Top + last.Height};
            if (b.To == clNone)
                P.FillRect(r, b.From);
            else
                P.Gradient(r, b.From, b.To, true);
        }
        const TColor shadow = FOpt.ShadowColor == clNone ? clDefaultShadow : FOpt.ShadowColor;
        for (const Line& l : FLines) {
            for (const Piece& p : l.Pieces) {
                const Rect r = PieceRect(l, p);
                switch (p.Kind) {
                case PieceKind::Picture:
                    P.Picture(p.Text, r.Left, r.Top);
                    continue;
                case PieceKind::Square:
                    P.FillRect({r.Left, l.Top + 2, r.Left + 8, l.Top + 10}, ink(p.Mark));
                    continue;
                case PieceKind::Circle:
                    P.Ellipse({r.Left, l.Top + 2, r.Left + 8, l.Top + 10}, ink(p.Mark));
                    continue;
                case PieceKind::Text:
                    break;
                }
                if (fixed) {
                    Font f = p.F;
                    f.Color = p.Link >= 0 ? fixed->Link : fixed->Text;
                    P.Text(f, r.Left, r.Top, p.Text, p.Accel);
                    continue;
                }
                if (p.Bg != clNone) P.FillRect(r, p.Bg);
                if (p.Shadow) {
                    Font s = p.F;
                    s.Color = shadow;
                    P.Text(s, r.Left + FOpt.ShadowOffset, r.Top + FOpt.ShadowOffset, p.Text, p.Accel);
                }
                P.Text(p.F, r.Left, r.Top, p.Text, p.Accel);
                if (p.Error) Zigzag(P, r.Left, r.Right, l.Top + l.Height);
            }
        }
        for (const Rule& rule : FRules)
            P.Polyline({{0, rule.Y}, {FOpt.BoxWidth, rule.Y}}, ink(rule.Color));
    }

    // The error mark: points every 2 pixels from the even x at or left of Left, low where
    // x is a multiple of 4, so that neighbouring runs join.
    static void Zigzag(Painter& P, int Left, int Right, int Bottom) {
        std::vector<std::pair<int, int>> pts;
        for (int x = Left - (((Left % 2) + 2) % 2); x <= Right; x += 2)
            pts.emplace_back(x, (((x % 4) + 4) % 4) == 0 ? Bottom + 1 : Bottom - 1);
        if (pts.size() > 1) P.Polyline(pts, clRed);
    }

    const Options& FOpt;
    TextMeasure& FMeasure;
    Result FResult;
    State FState;
    unsigned FStyle = 0;
    Align FAlign;
    Raise FRaise = Raise::Baseline;
    int FX = 0, FY = 0;
    Line FLine;
    std::vector<Line> FLines;
    bool FStop = false;
    bool FLineCut = false; // the line was cut at the right edge: its further runs are not drawn
    int FParaIndent = 0;
    std::optional<Block> FBlock;
    std::vector<Block> FBlocks;
    std::vector<Rule> FRules;
    BodyBackground FBody;
    std::vector<PicturePlacement> FPictures;
    std::optional<int> FBreakSpace, FListSpace;
    int FListLevel = 0;
    bool FNumbering = false;
    int FNumber = 1;
    std::optional<std::u16string> FListType;
    std::optional<TColor> FListColor;
    std::vector<int> FRotateSaved;
    int FLink = -1;
    int FLinkMaxLine = -1;
    int FLinkFirstLine = 0;
    bool FSkipLink = false;
    std::u16string FLinkTitle;
};

} // namespace

Result Render(std::u16string_view Markup, const Options& Opt, TextMeasure& Measure, Painter* Paint) {
    const bool fixed =
        std::any_of(Opt.Links.begin(), Opt.Links.end(), [](const LinkStyle& l) { return l.FixedWidth; });
    if (!fixed) return Renderer(Opt, Measure).Run(Markup, Paint);
    // Measuring passes: a fixed-width link cut on its second or a later line takes one line
    // less, until none is.
    Options o = Opt;
    for (int pass = 0; pass < kMaxFixedWidthPasses; ++pass) {
        Result measured = Renderer(o, Measure).Run(Markup, nullptr);
        bool again = false;
        for (size_t i = 0; i < measured.Links.size() && i < o.Links.size(); ++i)
            if (o.Links[i].FixedWidth && measured.Links[i].Cut && measured.Links[i].CutOnLine >= 2) {
                ++o.Links[i].LimitLowered;
                again = true;
            }
        if (!again) return Paint ? Renderer(o, Measure).Run(Markup, Paint) : measured;
    }
    return Renderer(o, Measure).Run(Markup, Paint);
}

int HitTest(const Result& R, int X, int Y, Rect* PieceBox) {
    for (size_t i = 0; i < R.Links.size(); ++i)
        for (const LinkPiece& p : R.Links[i].Pieces)
            if (p.Box.Contains(X, Y)) {
                if (PieceBox) *PieceBox = p.Box;
                return static_cast<int>(i);
            }
    return -1;
}

} // namespace vell::html
