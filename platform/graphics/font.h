// The framework's font. Libraries derive from it (the image canvas's font, the skinned
// font): every setter is virtual, so a derived font can see and veto or widen each
// attribute change, and every change goes through the one virtual Changed step, which
// a derived font overrides to fold changes, re-measure or mark attributes as its own.
// A colour change notifies like any other; the handle is made again only when the
// logical font it was made from changes.
#pragma once
#include "platform/graphics/graphics_object.h"

#include <memory>
#include <string>

namespace vell::tk {

class TFont : public TGraphicsObject {
    VELL_CLASS_INFO()
  public:
    TFont();
    HFONT Handle() { return static_cast<HFONT>(gdiHandle(SharedHandle())); }

    const std::u16string& Name() const { return FName; }
    virtual void SetName(const std::u16string& Value); // an empty name is ignored
    int Height() const { return FHeight; }
    virtual void SetHeight(int Value);
    // Points at PixelsPerInch: Height = -MulDiv(Size, PixelsPerInch, 72).
    int Size() const;
    void SetSize(int Value);
    TColor Color() const { return FColor; }
    virtual void SetColor(TColor Value);
    TFontStyles Style() const { return FStyle; }
    virtual void SetStyle(TFontStyles Value);
    int Charset() const { return FCharset; }
    virtual void SetCharset(int Value);
    TFontPitch Pitch() const { return FPitch; }
    virtual void SetPitch(TFontPitch Value);
    int Orientation() const { return FOrientation; }
    virtual void SetOrientation(int Value);
    TFontQuality Quality() const { return FQuality; }
    virtual void SetQuality(TFontQuality Value);
    // Changes Size, not Height; values below 1 are ignored.
    int PixelsPerInch() const { return FPixelsPerInch; }
    virtual void SetPixelsPerInch(int Value);

    // The height that relative size steps count from (0: none yet). Setting it is no change
    // of the font.
    int BaseHeight() const { return FBaseHeight; }
    void SetBaseHeight(int Value) { FBaseHeight = Value; }
    // Steps the size relative to the base height B (taken from Height when there is none),
    // whose size is b = MulDiv(B, 72, PixelsPerInch): N != 0 sets Size N - b, N = 0 puts
    // Height back to B. Returns the change of Size.
    int IncSizeOnBase(int N);

    // The logical font the handle is made from.
    virtual LOGFONTW LogFont() const;
    // Copies every attribute of a font with one change notification, and its base height
    // when it has one.
    void Assign(const TPersistent* Source) override;
    virtual bool Equals(const TFont& Other) const;

  protected:
    void Changed() override;
    SharedGdiHandle CreateSharedHandle() override;

  private:
    template <class T> void change(T& field, const T& value);

    std::u16string FName = u"Tahoma";
    int FHeight = -11;
    TColor FColor = clWindowText;
    TFontStyles FStyle;
    int FCharset = DEFAULT_CHARSET;
    TFontPitch FPitch = fpDefault;
    int FOrientation = 0;
    TFontQuality FQuality = fqDefault;
    int FPixelsPerInch;
    int FBaseHeight = 0;
    LOGFONTW FHandleLogFont{}; // what FHandle was made from
};

// Puts Value (a derived font) in Slot's place: it takes the old font's values and change
// handler. Null is ignored. Canvases and controls replace their fonts this way.
void ReplaceFontKeepingValues(std::unique_ptr<TFont>& Slot, std::unique_ptr<TFont> Value);

// The process-wide font size step: what IncSizeOnBase is given for every font that follows
// the application's size setting (0: fonts at their base height).
int FontIncSize();
void SetFontIncSize(int Value);

// Pixels per logical inch of the screen (LOGPIXELSY).
int ScreenPixelsPerInch();

} // namespace vell::tk
