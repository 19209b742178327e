#include "platform/text/canvas_font.h"

#include "platform/image/png_canvas.h"
#include "platform/image/png_image.h"

#include <cstdlib>

namespace vell::text {

using tk::BooleanType;
using tk::ClassBuilder;
using tk::ClassInfo;
using tk::IntegerType;

// ---- TRdShadowGlow ----

const ClassInfo& TRdShadowGlow::StaticClass() {
    static const ClassInfo info = ClassBuilder<TRdShadowGlow>("TRdShadowGlow", &tk::TPersistent::StaticClass())
                                      .ord("Enabled", BooleanType(), &TRdShadowGlow::Enabled,
                                           &TRdShadowGlow::SetEnabled, 0)
                                      .build();
    return info;
}

void TRdShadowGlow::SetEnabled(bool value) {
    if (value == FEnabled) return;
    FEnabled = value;
    if (OnChanged) OnChanged(this);
}

void TRdShadowGlow::Assign(const tk::TPersistent* source) {
    if (!source) {
        SetEnabled(false);
        return;
    }
    if (auto* other = dynamic_cast<const TRdShadowGlow*>(source)) {
        SetEnabled(other->FEnabled);
        return;
    }
    tk::TPersistent::Assign(source);
}

// ---- TCanvasFont ----

const ClassInfo& TCanvasFont::StaticClass() {
    static const ClassInfo info = ClassBuilder<TCanvasFont>("TCanvasFont", &tk::TPersistent::StaticClass())
                                      .ord("Height", IntegerType(), &TCanvasFont::Height, &TCanvasFont::SetHeight)
                                      .ord("Antialiased", BooleanType(), &TCanvasFont::Antialiased,
                                           &TCanvasFont::SetAntialiased, 0)
                                      .build();
    return info;
}

TCanvasFont::TCanvasFont(image::TPngImageCanvas* owner) : FOwner(owner), FShadowGlow(this) {
    FShadowGlow.OnChanged = [this](TRdShadowGlow*) { Changed(); };
}

TCanvasFont::~TCanvasFont() = default;

void TCanvasFont::SetName(const std::wstring& value) {
    if (value == FName) return;
    FName = value;
    Changed();
}

void TCanvasFont::SetHeight(int value) {
    if (value == FHeight) return;
    FHeight = value;
    Changed();
}

void TCanvasFont::SetWeight(int value) {
    if (value == FWeight) return;
    FWeight = value;
    Changed();
}

void TCanvasFont::SetItalic(bool value) {
    if (value == FItalic) return;
    FItalic = value;
    Changed();
}

void TCanvasFont::SetAntialiased(bool value) {
    if (value == FAntialiased) return;
    FAntialiased = value;
    Changed();
}

void TCanvasFont::Rebuild() {
    FHandle.reset();
}

HFONT TCanvasFont::Handle() {
    if (!FHandle && !FFontSetting) {
        FFontSetting = true;
        LOGFONTW lf{};
        lf.lfHeight = FHeight;
        lf.lfWeight = FWeight;
        lf.lfItalic = FItalic ? 1 : 0;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfQuality = FAntialiased ? ANTIALIASED_QUALITY : DEFAULT_QUALITY;
        FName.copy(lf.lfFaceName, LF_FACESIZE - 1);
        FHandle.reset(::CreateFontIndirectW(&lf));
        FFontSetting = false;
    }
    return FHandle.get();
}

void TCanvasFont::Changed() {
    // Every change rebuilds the handle, so the output quality follows any attribute change.
    Rebuild();
    FFontHeight = 0;
    if (OnChange) OnChange(this);
}

int TCanvasFont::FontHeight() {
    if (FFontHeight != 0) return FFontHeight;
    HDC dc = nullptr;
    image::TPngImage* scratch = nullptr;
    if (FOwner && FOwner->HandleAllocated()) {
        dc = FOwner->Handle();
    } else {
        scratch = image::TPngImage::CreateCacheDC32(1, 1, true);
        if (scratch) dc = scratch->CanvasHandle();
    }
    if (!dc || !Handle()) {
        if (scratch) scratch->Free();
        return std::abs(FHeight) + 3;
    }
    HGDIOBJ old = ::SelectObject(dc, Handle());
    SIZE size{};
    ::GetTextExtentPoint32W(dc, L"`ghj_", 5, &size);
    ::GetTextMetricsW(dc, &FFontTextMetric);
    ::SelectObject(dc, old);
    if (scratch) scratch->Free();
    FFontHeight = size.cy != 0 ? size.cy : FFontTextMetric.tmHeight;
    if (FFontHeight == 0) return std::abs(FHeight) + 3;
    return FFontHeight;
}

int TCanvasFont::FontBaseLine() {
    FontHeight();
    return FFontTextMetric.tmDescent;
}

bool TCanvasFont::StoresShadowGlow() const {
    return FShadowGlow.Enabled() || FParentFont != nullptr;
}

void TCanvasFont::Assign(const tk::TPersistent* source) {
    auto* other = dynamic_cast<const TCanvasFont*>(source);
    if (!other) {
        tk::TPersistent::Assign(source);
        return;
    }
    FName = other->FName;
    FHeight = other->FHeight;
    FWeight = other->FWeight;
    FItalic = other->FItalic;
    FAntialiased = other->FAntialiased;
    FShadowGlow.OnChanged = nullptr;
    FShadowGlow.Assign(&other->FShadowGlow);
    FShadowGlow.OnChanged = [this](TRdShadowGlow*) { Changed(); };
    Changed();
}

} // namespace vell::text
