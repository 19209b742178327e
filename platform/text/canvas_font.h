// The font of an image canvas: the framework's font (name, height, colour, style, charset
// and the rest, selected into the canvas's DC) with antialiasing, a shadow-or-glow switch
// and a cached measured line height of its own.
#pragma once
#include "platform/graphics/font.h"

#include <functional>
#include <memory>
#include <string_view>

namespace vell::image {
class TPngImageCanvas;
}

namespace vell::text {

// Whether text in this font gets a soft drop shadow. The effect has no parameters.
class TRdShadowGlow : public tk::TPersistent {
    VELL_CLASS_INFO()
  public:
    explicit TRdShadowGlow(tk::TPersistent* owner = nullptr) : FOwner(owner) {}
    tk::TPersistent* Owner() const { return FOwner; }
    tk::TPersistent* GetOwner() const override { return FOwner; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    bool Empty() const { return !FEnabled; }
    bool Equals(const TRdShadowGlow* other) const { return other && other->FEnabled == FEnabled; }
    // Copies Enabled from another shadow; null disables.
    void Assign(const tk::TPersistent* source) override;

    std::function<void(TRdShadowGlow*)> OnChanged;

  private:
    tk::TPersistent* FOwner;
    bool FEnabled = false;
};

// The line height of font: the height of the sample "`ghj_" on dc (on a 1 x 1 scratch image
// when dc is null), else the metric height; the text metrics go to metrics. 0 when nothing
// can be measured. Every font that caches a measured height measures this way.
int MeasureLineHeight(HFONT font, HDC dc, TEXTMETRICW& metrics);
// The width of text in font, measured the same way; 0 when nothing can be measured.
int MeasureTextWidth(HFONT font, HDC dc, std::u16string_view text);

// The output quality of an antialiased font, and of one that is not.
inline BYTE FontQualityFor(bool antialiased) {
    return antialiased ? ANTIALIASED_QUALITY : DEFAULT_QUALITY;
}

class TCanvasFont : public tk::TFont {
    VELL_CLASS_INFO()
  public:
    explicit TCanvasFont(image::TPngImageCanvas* owner = nullptr);
    ~TCanvasFont() override;

    bool Antialiased() const { return FAntialiased; }
    void SetAntialiased(bool value);

    // Measured height of the sample "`ghj_" (cached until the next change); the metric's
    // height when that is 0; |Height| + 3 when no DC can be had.
    int FontHeight();
    // The measured descent.
    int FontBaseLine();
    bool HeightMeasured() const { return FFontHeight != 0; }
    const TEXTMETRICW& TextMetric() const { return FFontTextMetric; }

    TRdShadowGlow* ShadowGlow() const { return FShadowGlow.get(); }
    void SetShadowGlow(const TRdShadowGlow* value) { FShadowGlow->Assign(value); }
    // ShadowGlow is written when enabled or when the parent font is also a canvas font.
    virtual bool StoresShadowGlow() const;

    tk::TFont* ParentFont() const { return FParentFont; }
    void SetParentFont(tk::TFont* parent) { FParentFont = parent; }
    image::TPngImageCanvas* Owner() const { return FOwner; }

    // The output quality follows Antialiased.
    LOGFONTW LogFont() const override;
    // From any font its attributes; from a canvas font also antialiasing and the shadow, with
    // one change notification.
    void Assign(const tk::TPersistent* source) override;
    // Against another canvas font, antialiasing and the shadow count too.
    bool Equals(const tk::TFont& other) const override;

  protected:
    // Every change forgets the measured height.
    void Changed() override;

  private:
    bool FAntialiased = false;
    int FFontHeight = 0;
    TEXTMETRICW FFontTextMetric{};
    image::TPngImageCanvas* FOwner;
    std::unique_ptr<TRdShadowGlow> FShadowGlow;
    tk::TFont* FParentFont = nullptr;
};

} // namespace vell::text
