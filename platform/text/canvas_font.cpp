#include "platform/text/canvas_font.h"

#include "platform/image/png_canvas.h"
#include "platform/image/png_image.h"

#include <cstdlib>

namespace vell::text {

using tk::BooleanType;
using tk::ClassBuilder;
using tk::ClassInfo;
using tk::ClassTypeOf;

// ---- TRdShadowGlow ----

const ClassInfo& TRdShadowGlow::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TRdShadowGlow>("TRdShadowGlow", &tk::TPersistent::StaticClass())
            .ord("Enabled", BooleanType(), &TRdShadowGlow::Enabled, &TRdShadowGlow::SetEnabled, 0)
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
    static const ClassInfo info =
        ClassBuilder<TCanvasFont>("TCanvasFont", &tk::TFont::StaticClass())
            .ord("Antialiased", BooleanType(), &TCanvasFont::Antialiased, &TCanvasFont::SetAntialiased, 0)
            .obj("ShadowGlow", ClassTypeOf<TRdShadowGlow>(), &TCanvasFont::ShadowGlow,
                 &TCanvasFont::SetShadowGlow, &TCanvasFont::StoresShadowGlow)
            .build();
    return info;
}

TCanvasFont::TCanvasFont(image::TPngImageCanvas* owner)
    : FOwner(owner), FShadowGlow(std::make_unique<TRdShadowGlow>(this)) {
    FShadowGlow->OnChanged = [this](TRdShadowGlow*) { Changed(); };
}

TCanvasFont::~TCanvasFont() = default;

void TCanvasFont::SetAntialiased(bool value) {
    if (value == FAntialiased) return;
    FAntialiased = value;
    Changed();
}

LOGFONTW TCanvasFont::LogFont() const {
    LOGFONTW lf = TFont::LogFont();
    lf.lfQuality = FontQualityFor(FAntialiased);
    return lf;
}

void TCanvasFont::Changed() {
    FFontHeight = 0;
    TFont::Changed();
}

namespace {
// Runs measure with font selected into dc, or into a 1 x 1 scratch image's DC when dc is
// null; false when there is no font or no DC.
template <class Measure> bool withFontSelected(HFONT font, HDC dc, Measure measure) {
    if (!font) return false;
    image::TPngImage* scratch = nullptr;
    if (!dc) {
        scratch = image::TPngImage::CreateCacheDC32(1, 1, true);
        dc = scratch ? scratch->CanvasHandle() : nullptr;
    }
    if (dc) {
        HGDIOBJ old = ::SelectObject(dc, font);
        measure(dc);
        ::SelectObject(dc, old);
    }
    if (scratch) scratch->Free();
    return dc != nullptr;
}
} // namespace

int MeasureLineHeight(HFONT font, HDC dc, TEXTMETRICW& metrics) {
    int height = 0;
    withFontSelected(font, dc, [&](HDC d) {
        SIZE size{};
        ::GetTextExtentPoint32W(d, L"`ghj_", 5, &size);
        if (!::GetTextMetricsW(d, &metrics)) metrics = TEXTMETRICW{};
        height = size.cy != 0 ? size.cy : metrics.tmHeight;
    });
    return height;
}

int MeasureTextWidth(HFONT font, HDC dc, std::u16string_view text) {
    int width = 0;
    withFontSelected(font, dc, [&](HDC d) {
        SIZE size{};
        if (::GetTextExtentPoint32W(d, reinterpret_cast<const wchar_t*>(text.data()),
                                    static_cast<int>(text.size()), &size))
            width = size.cx;
    });
    return width;
}

int TCanvasFont::FontHeight() {
    if (FFontHeight == 0) {
        HDC dc = FOwner && FOwner->HandleAllocated() ? FOwner->Handle() : nullptr;
        FFontHeight = MeasureLineHeight(Handle(), dc, FFontTextMetric);
    }
    return FFontHeight != 0 ? FFontHeight : std::abs(Height()) + 3;
}

int TCanvasFont::FontBaseLine() {
    FontHeight();
    return FFontTextMetric.tmDescent;
}

bool TCanvasFont::StoresShadowGlow() const {
    return FShadowGlow->Enabled() || dynamic_cast<const TCanvasFont*>(FParentFont) != nullptr;
}

bool TCanvasFont::Equals(const tk::TFont& other) const {
    if (!TFont::Equals(other)) return false;
    auto* c = dynamic_cast<const TCanvasFont*>(&other);
    return !c || (c->FAntialiased == FAntialiased && c->FShadowGlow->Equals(FShadowGlow.get()));
}

void TCanvasFont::Assign(const tk::TPersistent* source) {
    auto* other = dynamic_cast<const TCanvasFont*>(source);
    if (other && other != this) {
        // The font's own parts first, quietly: the framework's copy below notifies once.
        FAntialiased = other->FAntialiased;
        auto onChanged = std::exchange(FShadowGlow->OnChanged, nullptr);
        FShadowGlow->Assign(other->FShadowGlow.get());
        FShadowGlow->OnChanged = std::move(onChanged);
    }
    TFont::Assign(source);
}

} // namespace vell::text
