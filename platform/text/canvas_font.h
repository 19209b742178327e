// The font of an image canvas: antialiasing and a drop-shadow switch on top of the usual
// font attributes, and a cached measured line height.
#pragma once
#include "core/component/classes.h"
#include "platform/win/handles.h"

#include <windows.h>

#include <functional>
#include <string>

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

class TCanvasFont : public tk::TPersistent {
    VELL_CLASS_INFO()
  public:
    explicit TCanvasFont(image::TPngImageCanvas* owner = nullptr);
    ~TCanvasFont() override;

    // Attributes (Height as in LOGFONT: negative = character height in pixels).
    const std::wstring& Name() const { return FName; }
    void SetName(const std::wstring& value);
    int Height() const { return FHeight; }
    void SetHeight(int value);
    int Weight() const { return FWeight; }
    void SetWeight(int value);
    bool Italic() const { return FItalic; }
    void SetItalic(bool value);

    bool Antialiased() const { return FAntialiased; }
    void SetAntialiased(bool value);

    // The font handle, made on first use with the current attributes and output quality.
    HFONT Handle();

    // Measured height of the sample "`ghj_" (cached until the next change); the metric's
    // height when that is 0; |Height| + 3 when no DC can be had.
    int FontHeight();
    // The measured descent.
    int FontBaseLine();
    bool HeightMeasured() const { return FFontHeight != 0; }
    const TEXTMETRICW& TextMetric() const { return FFontTextMetric; }

    TRdShadowGlow& ShadowGlow() { return FShadowGlow; }
    const TRdShadowGlow& ShadowGlow() const { return FShadowGlow; }
    void SetShadowGlow(const TRdShadowGlow* value) { FShadowGlow.Assign(value); }
    // ShadowGlow is written when enabled or when the parent font is also a canvas font.
    virtual bool StoresShadowGlow() const;

    TCanvasFont* ParentFont() const { return FParentFont; }
    void SetParentFont(TCanvasFont* parent) { FParentFont = parent; }
    image::TPngImageCanvas* Owner() const { return FOwner; }

    void Assign(const tk::TPersistent* source) override;

    std::function<void(TCanvasFont*)> OnChange;

  protected:
    virtual void Changed();

  private:
    void Rebuild();

    bool FFontSetting = false;
    bool FAntialiased = false;
    int FFontHeight = 0;
    TEXTMETRICW FFontTextMetric{};
    image::TPngImageCanvas* FOwner;
    TRdShadowGlow FShadowGlow;
    TCanvasFont* FParentFont = nullptr;

    std::wstring FName = L"Tahoma";
    int FHeight = -11;
    int FWeight = FW_NORMAL;
    bool FItalic = false;
    win::UniqueFont FHandle;
};

} // namespace vell::text
