#include "toolkit/graphics.h"
#include "platform/win/handles.h"

#include <map>
#include <set>

namespace vell::tk {

// ---- the handle cache ----

struct GdiHandle {
    win::UniqueHandle<HGDIOBJ, win::SimpleTraits<HGDIOBJ, win::deleteGdiObject>> handle;
};

HGDIOBJ gdiHandle(const SharedGdiHandle& h) { return h ? h->handle.get() : nullptr; }

namespace {

std::map<std::string, SharedGdiHandle>& cache() {
    static std::map<std::string, SharedGdiHandle> c;
    return c;
}
std::set<TGraphicsObject*>& liveObjects() {
    static std::set<TGraphicsObject*> s;
    return s;
}

template <class T>
std::string keyOf(char kind, const T& description) {
    std::string key(1, kind);
    key.append(reinterpret_cast<const char*>(&description), sizeof(T));
    return key;
}

SharedGdiHandle cached(const std::string& key, HGDIOBJ (*create)(const void*), const void* arg) {
    auto& c = cache();
    if (auto it = c.find(key); it != c.end()) return it->second;
    auto h = std::make_shared<GdiHandle>();
    h->handle.reset(create(arg));
    if (!h->handle) return nullptr;
    c.emplace(key, h);
    return h;
}

} // namespace

void DiscardCachedGraphicsObjects() {
    for (TGraphicsObject* o : liveObjects()) o->ReleaseHandle();
    cache().clear();
}

size_t CachedGraphicsObjectCount() { return cache().size(); }

int ScreenPixelsPerInch() {
    static const int ppi = [] {
        win::WindowDC dc(nullptr);
        int v = dc ? ::GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
        return v > 0 ? v : 96;
    }();
    return ppi;
}

// ---- TGraphicsObject ----

const ClassInfo& TGraphicsObject::StaticClass() {
    static const ClassInfo info = ClassBuilder<TGraphicsObject>("TGraphicsObject", &TPersistent::StaticClass()).build();
    return info;
}

TGraphicsObject::TGraphicsObject() { liveObjects().insert(this); }
TGraphicsObject::~TGraphicsObject() { liveObjects().erase(this); }

const SharedGdiHandle& TGraphicsObject::SharedHandle() {
    if (!FHandle) FHandle = CreateSharedHandle();
    return FHandle;
}

void TGraphicsObject::Changed() {
    FHandle.reset();
    if (OnChange) OnChange(this);
}

// ---- TFont ----

const ClassInfo& TFont::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TFont>("TFont", &TGraphicsObject::StaticClass())
            .ord("Charset", CharsetType(), &TFont::Charset, &TFont::SetCharset)
            .ord("Color", ColorType(), &TFont::Color, &TFont::SetColor)
            .ord("Height", IntegerType(), &TFont::Height, &TFont::SetHeight)
            .str("Name", &TFont::Name, &TFont::SetName)
            .ord("Orientation", IntegerType(), &TFont::Orientation, &TFont::SetOrientation, 0)
            .ord("Pitch", FontPitchType(), &TFont::Pitch, &TFont::SetPitch, fpDefault)
            .ord("Size", IntegerType(), &TFont::Size, &TFont::SetSize, std::nullopt, &TFont::NeverStored)
            .ord("Style", FontStylesType(), &TFont::Style, &TFont::SetStyle)
            .ord("Quality", FontQualityType(), &TFont::Quality, &TFont::SetQuality, fqDefault)
            .build();
    return info;
}

TFont::TFont() : FPixelsPerInch(ScreenPixelsPerInch()) {}

void TFont::SetName(const std::u16string& Value) {
    if (Value.empty() || Value == FName) return;
    FName = Value;
    Changed();
}
void TFont::SetHeight(int Value) {
    if (Value == FHeight) return;
    FHeight = Value;
    Changed();
}
int TFont::Size() const { return -::MulDiv(FHeight, 72, FPixelsPerInch); }
void TFont::SetSize(int Value) { SetHeight(-::MulDiv(Value, FPixelsPerInch, 72)); }
void TFont::SetColor(TColor Value) {
    if (Value == FColor) return;
    FColor = Value;
    if (OnChange) OnChange(this); // the colour is not part of the handle
}
void TFont::SetStyle(TFontStyles Value) {
    if (Value == FStyle) return;
    FStyle = Value;
    Changed();
}
void TFont::SetCharset(int Value) {
    if (Value == FCharset) return;
    FCharset = Value;
    Changed();
}
void TFont::SetPitch(TFontPitch Value) {
    if (Value == FPitch) return;
    FPitch = Value;
    Changed();
}
void TFont::SetOrientation(int Value) {
    if (Value == FOrientation) return;
    FOrientation = Value;
    Changed();
}
void TFont::SetQuality(TFontQuality Value) {
    if (Value == FQuality) return;
    FQuality = Value;
    Changed();
}

LOGFONTW TFont::LogFont() const {
    LOGFONTW lf{};
    lf.lfHeight = FHeight;
    lf.lfEscapement = lf.lfOrientation = FOrientation;
    lf.lfWeight = FStyle.has(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = FStyle.has(fsItalic);
    lf.lfUnderline = FStyle.has(fsUnderline);
    lf.lfStrikeOut = FStyle.has(fsStrikeOut);
    lf.lfCharSet = static_cast<BYTE>(FCharset);
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    static constexpr BYTE kQuality[] = {DEFAULT_QUALITY,      DRAFT_QUALITY,         PROOF_QUALITY,
                                        NONANTIALIASED_QUALITY, ANTIALIASED_QUALITY, CLEARTYPE_QUALITY,
                                        CLEARTYPE_NATURAL_QUALITY};
    lf.lfQuality = kQuality[FQuality];
    lf.lfPitchAndFamily = FPitch == fpVariable ? VARIABLE_PITCH : FPitch == fpFixed ? FIXED_PITCH : DEFAULT_PITCH;
    size_t n = std::min<size_t>(FName.size(), LF_FACESIZE - 1);
    for (size_t i = 0; i < n; ++i) lf.lfFaceName[i] = static_cast<wchar_t>(FName[i]);
    return lf;
}

SharedGdiHandle TFont::CreateSharedHandle() {
    LOGFONTW lf = LogFont();
    return cached(keyOf('F', lf), [](const void* p) -> HGDIOBJ {
        return ::CreateFontIndirectW(static_cast<const LOGFONTW*>(p));
    }, &lf);
}

void TFont::Assign(const TPersistent* Source) {
    auto* f = dynamic_cast<const TFont*>(Source);
    if (!f) {
        TPersistent::Assign(Source);
        return;
    }
    if (f == this) return;
    FName = f->FName;
    FHeight = f->FHeight;
    FColor = f->FColor;
    FStyle = f->FStyle;
    FCharset = f->FCharset;
    FPitch = f->FPitch;
    FOrientation = f->FOrientation;
    FQuality = f->FQuality;
    FPixelsPerInch = f->FPixelsPerInch;
    Changed();
}

bool TFont::Equals(const TFont& o) const {
    return FName == o.FName && FHeight == o.FHeight && FColor == o.FColor && FStyle == o.FStyle &&
           FCharset == o.FCharset && FPitch == o.FPitch && FOrientation == o.FOrientation && FQuality == o.FQuality;
}

// ---- TBrush ----

const ClassInfo& TBrush::StaticClass() {
    static const ClassInfo info = ClassBuilder<TBrush>("TBrush", &TGraphicsObject::StaticClass())
                                      .ord("Color", ColorType(), &TBrush::Color, &TBrush::SetColor, clWhite)
                                      .ord("Style", BrushStyleType(), &TBrush::Style, &TBrush::SetStyle, bsSolid)
                                      .build();
    return info;
}

void TBrush::SetColor(TColor Value) {
    if (Value == FColor) return;
    FColor = Value;
    if (FStyle == bsClear) FStyle = bsSolid;
    Changed();
}
void TBrush::SetStyle(TBrushStyle Value) {
    if (Value == FStyle) return;
    FStyle = Value;
    Changed();
}
void TBrush::Assign(const TPersistent* Source) {
    auto* b = dynamic_cast<const TBrush*>(Source);
    if (!b) {
        TPersistent::Assign(Source);
        return;
    }
    FColor = b->FColor;
    FStyle = b->FStyle;
    Changed();
}

SharedGdiHandle TBrush::CreateSharedHandle() {
    LOGBRUSH lb{};
    lb.lbColor = ColorToRGB(FColor);
    if (FStyle == bsSolid) {
        lb.lbStyle = BS_SOLID;
    } else if (FStyle == bsClear) {
        lb.lbStyle = BS_HOLLOW;
        lb.lbColor = 0;
    } else {
        lb.lbStyle = BS_HATCHED;
        static constexpr LONG kHatch[] = {0, 0, HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS,
                                          HS_DIAGCROSS};
        lb.lbHatch = static_cast<ULONG_PTR>(kHatch[FStyle]);
    }
    return cached(keyOf('B', lb), [](const void* p) -> HGDIOBJ {
        return ::CreateBrushIndirect(static_cast<const LOGBRUSH*>(p));
    }, &lb);
}

// ---- TPen ----

const ClassInfo& TPen::StaticClass() {
    static const ClassInfo info = ClassBuilder<TPen>("TPen", &TGraphicsObject::StaticClass())
                                      .ord("Color", ColorType(), &TPen::Color, &TPen::SetColor, clBlack)
                                      .ord("Style", PenStyleType(), &TPen::Style, &TPen::SetStyle, psSolid)
                                      .ord("Width", IntegerType(), &TPen::Width, &TPen::SetWidth, 1)
                                      .build();
    return info;
}

void TPen::SetColor(TColor Value) {
    if (Value == FColor) return;
    FColor = Value;
    Changed();
}
void TPen::SetWidth(int Value) {
    if (Value == FWidth || Value < 0) return;
    FWidth = Value;
    Changed();
}
void TPen::SetStyle(TPenStyle Value) {
    if (Value == FStyle) return;
    FStyle = Value;
    Changed();
}
void TPen::Assign(const TPersistent* Source) {
    auto* p = dynamic_cast<const TPen*>(Source);
    if (!p) {
        TPersistent::Assign(Source);
        return;
    }
    FColor = p->FColor;
    FWidth = p->FWidth;
    FStyle = p->FStyle;
    Changed();
}

SharedGdiHandle TPen::CreateSharedHandle() {
    static constexpr UINT kStyle[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    LOGPEN lp{};
    lp.lopnStyle = kStyle[FStyle];
    lp.lopnWidth.x = FWidth;
    lp.lopnColor = ColorToRGB(FColor);
    return cached(keyOf('P', lp), [](const void* p) -> HGDIOBJ {
        return ::CreatePenIndirect(static_cast<const LOGPEN*>(p));
    }, &lp);
}

// ---- TCanvas ----

const ClassInfo& TCanvas::StaticClass() {
    static const ClassInfo info = ClassBuilder<TCanvas>("TCanvas", &TPersistent::StaticClass()).build();
    return info;
}

TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()), FBrush(std::make_unique<TBrush>()), FPen(std::make_unique<TPen>()) {
    FFont->OnChange = [this](TGraphicsObject*) { FState &= ~kFontValid; };
    FBrush->OnChange = [this](TGraphicsObject*) { FState &= ~kBrushValid; };
    FPen->OnChange = [this](TGraphicsObject*) { FState &= ~kPenValid; };
}

TCanvas::~TCanvas() { SetHandle(nullptr); }

HDC TCanvas::Handle() {
    if (!FHandle) CreateHandle();
    return FHandle;
}

void TCanvas::SetHandle(HDC Value) {
    if (FHandle == Value) return;
    DeselectHandles();
    FHandle = Value;
    FState = 0;
}

void TCanvas::DeselectHandles() {
    if (FHandle) {
        if (FOldFont) ::SelectObject(FHandle, FOldFont);
        if (FOldPen) ::SelectObject(FHandle, FOldPen);
        if (FOldBrush) ::SelectObject(FHandle, FOldBrush);
    }
    FOldFont = FOldPen = FOldBrush = nullptr;
    FSelFont.reset();
    FSelPen.reset();
    FSelBrush.reset();
    FState = 0;
}

void TCanvas::RequiredState(uint32_t state) {
    HDC dc = Handle();
    if (!dc) throw EConvertError("Canvas does not allow drawing");
    auto select = [dc](SharedGdiHandle& sel, HGDIOBJ& old, const SharedGdiHandle& h) {
        HGDIOBJ prev = ::SelectObject(dc, gdiHandle(h));
        if (!old) old = prev;
        sel = h;
    };
    if ((state & kFontValid) && !(FState & kFontValid)) {
        select(FSelFont, FOldFont, FFont->SharedHandle());
        ::SetTextColor(dc, ColorToRGB(FFont->Color()));
        FState |= kFontValid;
    }
    if ((state & kPenValid) && !(FState & kPenValid)) {
        select(FSelPen, FOldPen, FPen->SharedHandle());
        FState |= kPenValid;
    }
    if ((state & kBrushValid) && !(FState & kBrushValid)) {
        select(FSelBrush, FOldBrush, FBrush->SharedHandle());
        ::SetBkColor(dc, ColorToRGB(FBrush->Color()));
        ::SetBkMode(dc, FBrush->Style() == bsSolid ? OPAQUE : TRANSPARENT);
        FState |= kBrushValid;
    }
}

void TCanvas::FillRect(const RECT& Rect) {
    RequiredState(kBrushValid);
    ::FillRect(FHandle, &Rect, FBrush->Handle());
    if (OnChange) OnChange(this);
}

void TCanvas::FrameRect(const RECT& Rect) {
    RequiredState(kBrushValid);
    ::FrameRect(FHandle, &Rect, FBrush->Handle());
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
    RequiredState(kPenValid | kBrushValid);
    ::Rectangle(FHandle, X1, Y1, X2, Y2);
}

void TCanvas::MoveTo(int X, int Y) {
    RequiredState(kPenValid);
    ::MoveToEx(FHandle, X, Y, nullptr);
}

void TCanvas::LineTo(int X, int Y) {
    RequiredState(kPenValid);
    ::LineTo(FHandle, X, Y);
}

void TCanvas::TextOut(int X, int Y, const std::u16string& Text) {
    RequiredState(kFontValid | kBrushValid);
    ::ExtTextOutW(FHandle, X, Y, 0, nullptr, text::wcs(Text), static_cast<UINT>(Text.size()), nullptr);
}

void TCanvas::TextRect(const RECT& Rect, int X, int Y, const std::u16string& Text) {
    RequiredState(kFontValid | kBrushValid);
    UINT options = ETO_CLIPPED | (FBrush->Style() != bsClear ? ETO_OPAQUE : 0);
    ::ExtTextOutW(FHandle, X, Y, options, &Rect, text::wcs(Text), static_cast<UINT>(Text.size()), nullptr);
}

SIZE TCanvas::TextExtent(const std::u16string& Text) {
    RequiredState(kFontValid);
    SIZE s{};
    ::GetTextExtentPoint32W(FHandle, text::wcs(Text), static_cast<int>(Text.size()), &s);
    return s;
}

int TCanvas::DrawText(const std::u16string& Text, RECT& Rect, UINT Format) {
    RequiredState(kFontValid | kBrushValid);
    return ::DrawTextW(FHandle, text::wcs(Text), static_cast<int>(Text.size()), &Rect, Format);
}

} // namespace vell::tk
