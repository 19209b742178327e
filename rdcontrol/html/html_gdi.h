// The HTML label's renderer on Windows: text measured on a canvas's device context and
// drawn with the platform's text routine (so a canvas of a 32-bit image gets alpha text
// through the image engine's interception), shapes and gradients on the same canvas, and
// the shell's file icons ("SSYS:" small, "LSYS:" large) as inline pictures.
#pragma once
#include "core/html/layout.h"
#include "platform/graphics/canvas.h"

namespace vell::rd {

// The markup's font description of a framework font.
html::Font HtmlFont(const tk::TFont& F);

// Measures with the canvas's font, which it changes to each run's font.
class TCanvasTextMeasure : public html::TextMeasure {
  public:
    explicit TCanvasTextMeasure(tk::TCanvas& Canvas) : FCanvas(Canvas) {}
    html::FontMetrics Metrics(const html::Font& F) override;
    int TextWidth(const html::Font& F, std::u16string_view Text) override;
    int FitChars(const html::Font& F, std::u16string_view Text, int MaxWidth) override;
    void PictureSize(std::u16string_view Source, int& Width, int& Height) override;
    int PixelsPerInch() override;
    // Puts F on the canvas (a run's font) and selects it.
    void Select(const html::Font& F);

  private:
    tk::TCanvas& FCanvas;
    html::Font FSelected;
    bool FHasSelected = false;
    html::FontMetrics FMetrics;
};

// Draws on the canvas, offset by (Dx, Dy) from the layout's box.
class TCanvasHtmlPainter : public html::Painter {
  public:
    TCanvasHtmlPainter(tk::TCanvas& Canvas, TCanvasTextMeasure& Measure, int Dx, int Dy)
        : FCanvas(Canvas), FMeasure(Measure), FDx(Dx), FDy(Dy) {}
    void Text(const html::Font& F, int X, int Y, std::u16string_view Text, int Accel) override;
    void FillRect(const html::Rect& R, TColor Color) override;
    void Gradient(const html::Rect& R, TColor From, TColor To, bool Vertical) override;
    void Polyline(const std::vector<std::pair<int, int>>& Points, TColor Color) override;
    void Ellipse(const html::Rect& R, TColor Color) override;
    void Picture(std::u16string_view Source, int X, int Y) override;

  private:
    RECT Moved(const html::Rect& R) const {
        return {R.Left + FDx, R.Top + FDy, R.Right + FDx, R.Bottom + FDy};
    }
    tk::TCanvas& FCanvas;
    TCanvasTextMeasure& FMeasure;
    int FDx, FDy;
};

} // namespace vell::rd
