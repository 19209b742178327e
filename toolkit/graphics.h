// Fonts, brushes and pens over owned handles, and the canvas that draws with them.
//
// GDI handles are shared through a process-wide cache keyed by their description, so equal
// fonts share one HFONT. DiscardCachedGraphicsObjects (run on a skin change) lets every
// font, brush and pen drop its handle; the next use creates it anew, with colours resolved
// again. A handle stays alive while a canvas still has it selected.
#pragma once
#include "toolkit/types.h"

#include <memory>

namespace vell::image {
class TGraphic;
}

namespace vell::tk {

struct GdiHandle;
using SharedGdiHandle = std::shared_ptr<GdiHandle>;
HGDIOBJ gdiHandle(const SharedGdiHandle& h);

void DiscardCachedGraphicsObjects();
// Number of handles in the cache (for tests).
size_t CachedGraphicsObjectCount();

class TGraphicsObject : public TPersistent {
    VELL_CLASS_INFO()
public:
    TGraphicsObject();
    ~TGraphicsObject() override;
    std::function<void(TGraphicsObject*)> OnChange;
    // Drops the handle; the next Handle() creates it again.
    void ReleaseHandle() { FHandle.reset(); }
    const SharedGdiHandle& SharedHandle();

protected:
    virtual void Changed();
    virtual SharedGdiHandle CreateSharedHandle() = 0;
    SharedGdiHandle FHandle;
};

class TFont : public TGraphicsObject {
    VELL_CLASS_INFO()
public:
    TFont();
    HFONT Handle() { return static_cast<HFONT>(gdiHandle(SharedHandle())); }

    const std::u16string& Name() const { return FName; }
    void SetName(const std::u16string& Value);
    int Height() const { return FHeight; }
    void SetHeight(int Value);
    // Points at PixelsPerInch: Height = -MulDiv(Size, PixelsPerInch, 72).
    int Size() const;
    void SetSize(int Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles Value);
    int Charset() const { return FCharset; }
    void SetCharset(int Value);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch Value);
    int Orientation() const { return FOrientation; }
    void SetOrientation(int Value);
    TFontQuality Quality() const { return FQuality; }
    void SetQuality(TFontQuality Value);
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int Value) { FPixelsPerInch = Value; }

    LOGFONTW LogFont() const;
    void Assign(const TPersistent* Source) override;
    bool Equals(const TFont& Other) const;

protected:
    SharedGdiHandle CreateSharedHandle() override;

private:
    std::u16string FName = u"Tahoma";
    int FHeight = -11;
    TColor FColor = clWindowText;
    TFontStyles FStyle;
    int FCharset = DEFAULT_CHARSET;
    TFontPitch FPitch = fpDefault;
    int FOrientation = 0;
    TFontQuality FQuality = fqDefault;
    int FPixelsPerInch;
};

class TBrush : public TGraphicsObject {
    VELL_CLASS_INFO()
public:
    HBRUSH Handle() { return static_cast<HBRUSH>(gdiHandle(SharedHandle())); }
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle Value);
    void Assign(const TPersistent* Source) override;

protected:
    SharedGdiHandle CreateSharedHandle() override;

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
};

class TPen : public TGraphicsObject {
    VELL_CLASS_INFO()
public:
    HPEN Handle() { return static_cast<HPEN>(gdiHandle(SharedHandle())); }
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle Value);
    void Assign(const TPersistent* Source) override;

protected:
    SharedGdiHandle CreateSharedHandle() override;

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
};

class TCanvas : public TPersistent {
    VELL_CLASS_INFO()
public:
    TCanvas();
    ~TCanvas() override;

    // The device context; a canvas that can make its own (a control's) creates it here.
    HDC Handle();
    void SetHandle(HDC Value);
    bool HandleAllocated() const { return FHandle != nullptr; }

    TFont* Font() const { return FFont.get(); }
    void SetFont(const TFont* Value) { FFont->Assign(Value); }
    TBrush* Brush() const { return FBrush.get(); }
    TPen* Pen() const { return FPen.get(); }

    void FillRect(const RECT& Rect);
    void FrameRect(const RECT& Rect);
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    void TextOut(int X, int Y, const std::u16string& Text);
    void TextRect(const RECT& Rect, int X, int Y, const std::u16string& Text);
    SIZE TextExtent(const std::u16string& Text);
    int TextWidth(const std::u16string& Text) { return TextExtent(Text).cx; }
    int TextHeight(const std::u16string& Text) { return TextExtent(Text).cy; }
    // DrawTextW with the canvas's font and the font colour; Rect may be updated (DT_CALCRECT).
    int DrawText(const std::u16string& Text, RECT& Rect, UINT Format);
    void Draw(int X, int Y, image::TGraphic* Graphic);
    void StretchDraw(const RECT& Rect, image::TGraphic* Graphic);

    void Lock() { ++FLockCount; }
    void Unlock() { --FLockCount; }
    int LockCount() const { return FLockCount; }

    std::function<void(TCanvas*)> OnChange;

protected:
    virtual void CreateHandle() {}
    // Puts back the objects the canvas selected, before the DC goes.
    void DeselectHandles();

private:
    enum : uint32_t { kFontValid = 1, kPenValid = 2, kBrushValid = 4 };
    void RequiredState(uint32_t state);

    HDC FHandle = nullptr;
    uint32_t FState = 0;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TBrush> FBrush;
    std::unique_ptr<TPen> FPen;
    // What is selected now, kept alive while selected, and what was there before.
    SharedGdiHandle FSelFont, FSelPen, FSelBrush;
    HGDIOBJ FOldFont = nullptr, FOldPen = nullptr, FOldBrush = nullptr;
    int FLockCount = 0;
};

// Pixels per logical inch of the screen (LOGPIXELSY).
int ScreenPixelsPerInch();

} // namespace vell::tk
