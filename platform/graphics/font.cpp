#include "platform/graphics/font.h"

#include "platform/win/handles.h"

#include <algorithm>
#include <cstring>

namespace vell::tk {

int ScreenPixelsPerInch() {
    static const int ppi = [] {
        win::WindowDC dc(nullptr);
        int v = dc ? ::GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
        return v > 0 ? v : 96;
    }();
    return ppi;
}

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

template <class T> void TFont::change(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Changed();
}

void TFont::SetName(const std::u16string& Value) {
    if (!Value.empty()) change(FName, Value);
}
void TFont::SetHeight(int Value) {
    change(FHeight, Value);
}
int TFont::Size() const {
    return -::MulDiv(FHeight, 72, FPixelsPerInch);
}
void TFont::SetSize(int Value) {
    SetHeight(-::MulDiv(Value, FPixelsPerInch, 72));
}
void TFont::SetColor(TColor Value) {
    change(FColor, Value);
}
void TFont::SetStyle(TFontStyles Value) {
    change(FStyle, Value);
}
void TFont::SetCharset(int Value) {
    change(FCharset, Value);
}
void TFont::SetPitch(TFontPitch Value) {
    change(FPitch, Value);
}
void TFont::SetOrientation(int Value) {
    change(FOrientation, Value);
}
void TFont::SetQuality(TFontQuality Value) {
    change(FQuality, Value);
}
void TFont::SetPixelsPerInch(int Value) {
    if (Value > 0) change(FPixelsPerInch, Value);
}

namespace {
int gFontIncSize = 0;
}

int FontIncSize() {
    return gFontIncSize;
}
void SetFontIncSize(int Value) {
    gFontIncSize = Value;
}

int TFont::IncSizeOnBase(int N) {
    if (FBaseHeight == 0) FBaseHeight = FHeight;
    const int before = Size();
    if (N != 0)
        SetSize(N - ::MulDiv(FBaseHeight, 72, FPixelsPerInch));
    else
        SetHeight(FBaseHeight);
    return Size() - before;
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
    static constexpr BYTE kQuality[] = {DEFAULT_QUALITY,          DRAFT_QUALITY,       PROOF_QUALITY,
                                        NONANTIALIASED_QUALITY,   ANTIALIASED_QUALITY, CLEARTYPE_QUALITY,
                                        CLEARTYPE_NATURAL_QUALITY};
    lf.lfQuality = kQuality[FQuality];
    lf.lfPitchAndFamily = FPitch == fpVariable ? VARIABLE_PITCH
                          : FPitch == fpFixed  ? FIXED_PITCH
                                               : DEFAULT_PITCH;
    size_t n = std::min<size_t>(FName.size(), LF_FACESIZE - 1);
    for (size_t i = 0; i < n; ++i)
        lf.lfFaceName[i] = static_cast<wchar_t>(FName[i]);
    return lf;
}

void TFont::Changed() {
    if (FHandle) {
        const LOGFONTW lf = LogFont();
        if (std::memcmp(&lf, &FHandleLogFont, sizeof lf) != 0) FHandle.reset();
    }
    NotifyChange();
}

SharedGdiHandle TFont::CreateSharedHandle() {
    FHandleLogFont = LogFont();
    return CachedGdiHandle('F', &FHandleLogFont, sizeof FHandleLogFont, [](const void* p) -> HGDIOBJ {
        return ::CreateFontIndirectW(static_cast<const LOGFONTW*>(p));
    });
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
    if (f->FBaseHeight != 0) FBaseHeight = f->FBaseHeight;
    Changed();
}

void ReplaceFontKeepingValues(std::unique_ptr<TFont>& Slot, std::unique_ptr<TFont> Value) {
    if (!Value) return;
    Value->Assign(Slot.get());
    Value->OnChange = std::move(Slot->OnChange);
    Slot = std::move(Value);
}

bool TFont::Equals(const TFont& o) const {
    return FName == o.FName && FHeight == o.FHeight && FColor == o.FColor && FStyle == o.FStyle &&
           FCharset == o.FCharset && FPitch == o.FPitch && FOrientation == o.FOrientation &&
           FQuality == o.FQuality;
}

} // namespace vell::tk
