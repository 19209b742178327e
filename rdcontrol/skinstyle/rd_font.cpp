#include "rdcontrol/skinstyle/rd_font.h"

#include "core/color/colors.h"
#include "core/util/scope_exit.h"
#include "platform/graphics/canvas.h"
#include "platform/text/canvas_font.h"
#include "rdcontrol/skinstyle/skin_class.h"
#include "toolkit/control.h"
#include "toolkit/win_control.h"

#include <cstdlib>

namespace vell::rd {

using tk::BooleanType;
using tk::ByteType;
using tk::ClassBuilder;
using tk::ClassInfo;
using tk::ClassTypeOf;
using tk::IntegerType;

const ClassInfo& TRdFont::StaticClass() {
    // Charset, Color, Height, Name and Style are declared again for their stored tests;
    // they keep the framework font's places.
    static const ClassInfo info =
        ClassBuilder<TRdFont>("TRdFont", &tk::TFont::StaticClass())
            .ord("ParentFont", BooleanType(), &TRdFont::ParentFont, &TRdFont::SetParentFontProperty,
                 std::nullopt, &TRdFont::NeverStoredValue)
            .ord("Charset", tk::CharsetType(), &TRdFont::Charset, &TRdFont::SetCharset, std::nullopt,
                 &TRdFont::StoredCharset)
            .ord("Color", tk::ColorType(), &TRdFont::Color, &TRdFont::SetColor, std::nullopt,
                 &TRdFont::StoredColor)
            .ord("Height", IntegerType(), &TRdFont::Height, &TRdFont::SetHeight, std::nullopt,
                 &TRdFont::StoredHeight)
            .str("Name", &TRdFont::Name, &TRdFont::SetName, &TRdFont::StoredName)
            .ord("Style", tk::FontStylesType(), &TRdFont::Style, &TRdFont::SetStyle, std::nullopt,
                 &TRdFont::StoredStyle)
            .ord("Antialiased", BooleanType(), &TRdFont::Antialiased, &TRdFont::SetAntialiased, std::nullopt,
                 &TRdFont::StoredAntialiased)
            .ord("Alpha", ByteType(), &TRdFont::Alpha, &TRdFont::SetAlpha, 255, &TRdFont::NeverStoredValue)
            .ord("FontHeight", IntegerType(), &TRdFont::FontHeight, nullptr, std::nullopt,
                 &TRdFont::NeverStoredValue)
            .ord("FontBaseLine", IntegerType(), &TRdFont::FontBaseLine, nullptr, std::nullopt,
                 &TRdFont::NeverStoredValue)
            .ord("FontTopLine", IntegerType(), &TRdFont::FontTopLine, nullptr, std::nullopt,
                 &TRdFont::NeverStoredValue)
            .obj("ShadowGlow", ClassTypeOf<text::TRdShadowGlow>(), &TRdFont::ShadowGlow,
                 &TRdFont::SetShadowGlow, &TRdFont::StoredShadowGlow)
            .obj("AllSkin", ClassTypeOf<TRdSkinClass>(), &TRdFont::AllSkin, &TRdFont::SetAllSkin,
                 &TRdFont::StoredAllSkin)
            .build();
    return info;
}

TRdFont::TRdFont(tk::TComponent* Component, TRdSkinClass* ParentSkin)
    : FShadowGlow(std::make_unique<text::TRdShadowGlow>(this)), FComponent(Component) {
    FChgProperty.fill(true);
    FShadowGlow->OnChanged = [this](text::TRdShadowGlow*) {
        FChgProperty[rfaShadowGlow] = true;
        Changed();
    };
    FAllSkin = std::make_unique<TRdSkinClass>(this, Component, ParentSkin);
    FAllSkin->SetOwnerClassName("font");
    auto skinChanged = [this](tk::TObject*) {
        FChgProperty[rfaAllSkin] = true;
        Changed();
    };
    FAllSkin->OnChange = skinChanged;
    FAllSkin->Draw()->OnChanged = skinChanged;
    // A skin load is one change of the font.
    FAllSkin->LoadBracket = [this](bool Opening) { Opening ? BeginUpdate() : EndUpdate(); };
    // Under a skinned parent font the section name is written only when it is the font's own.
    FAllSkin->SkinClassStored = [this] {
        return !dynamic_cast<TRdFont*>(FParentFont) || FChgProperty[rfaAllSkin];
    };
}

TRdFont::~TRdFont() {
    FAllSkin->OnChange = nullptr;
    FAllSkin->Draw()->OnChanged = nullptr;
    FAllSkin->LoadBracket = nullptr;
    FShadowGlow->OnChanged = nullptr;
}

// ---- change notification ----

void TRdFont::Changed() {
    FFontHeight = 0;
    FFontTextMetric = TEXTMETRICW{};
    if (FUpdateCount > 0) {
        ++FChangedCount;
        return;
    }
    TFont::Changed();
}

void TRdFont::EndUpdate() {
    if (FUpdateCount == 0 || --FUpdateCount > 0) return;
    if (FChangedCount == 0) return;
    FChangedCount = 0;
    TFont::Changed();
}

namespace {
// An update bracket that closes however the scope is left.
struct UpdateScope {
    explicit UpdateScope(TRdFont& f) : font(f) { font.BeginUpdate(); }
    ~UpdateScope() { font.EndUpdate(); }
    TRdFont& font;
};
} // namespace

// ---- attributes ----

void TRdFont::MarkLocal(int Index, bool Differs) {
    if (Differs || !FComponent || FComponent->InState(tk::csReading)) FChgProperty[Index] = true;
}

void TRdFont::SetAllLocal(bool Local) {
    FChgProperty.fill(Local);
}

void TRdFont::SetName(const std::u16string& Value) {
    if (Value.empty()) return; // the framework font keeps its name
    MarkLocal(rfaName, Value != Name());
    TFont::SetName(Value);
}

void TRdFont::SetHeight(int Value) {
    MarkLocal(rfaHeight, Value != Height());
    TFont::SetHeight(Value);
}

void TRdFont::SetColor(tk::TColor Value) {
    if (Value == clDefault && FParentFont) {
        FChgProperty[rfaColor] = false;
        TFont::SetColor(FParentFont->Color());
        return;
    }
    MarkLocal(rfaColor, Value != Color());
    TFont::SetColor(Value);
}

void TRdFont::SetStyle(tk::TFontStyles Value) {
    MarkLocal(rfaStyle, Value != Style());
    TFont::SetStyle(Value);
}

void TRdFont::SetCharset(int Value) {
    MarkLocal(rfaCharset, Value != Charset());
    TFont::SetCharset(Value);
}

void TRdFont::SetAntialiased(bool Value) {
    MarkLocal(rfaAntialiased, Value != FAntialiased);
    if (Value == FAntialiased) return;
    FAntialiased = Value;
    Changed();
}

LOGFONTW TRdFont::LogFont() const {
    LOGFONTW lf = TFont::LogFont();
    lf.lfQuality = text::FontQualityFor(FAntialiased);
    return lf;
}

std::uint8_t TRdFont::Alpha() const {
    return ColorAlpha(Color());
}

void TRdFont::SetAlpha(std::uint8_t Value) {
    const std::uint32_t top = Value == 255 ? 0u : Value;
    SetColor((top << 24) | (SkinColorToRGB(Color()) & 0x00FFFFFFu));
}

void TRdFont::SetShadowGlow(const text::TRdShadowGlow* Value) {
    FShadowGlow->Assign(Value);
}

void TRdFont::SetAllSkin(const TRdSkinClass* Value) {
    FAllSkin->Assign(Value);
}

bool TRdFont::StoredAt(int Index) const {
    bool stored = !FParentFont || FChgProperty[Index];
    if (OnStoredCallback) OnStoredCallback(const_cast<TRdFont*>(this), Index, stored);
    return stored;
}

// ---- the parent font ----

void TRdFont::SetParentFont(tk::TFont* P, bool CallCopy) {
    if (P == this) return; // a font cannot follow itself
    if (P && !FParentFont) FBakStyle = Style();
    FParentFont = P;
    if (!P) {
        SetAllLocal(true);
        return;
    }
    if (CallCopy && !FInCallCopy) {
        FlagScope copying(FInCallCopy);
        Assign(P);
    }
    SetAllLocal(false);
    if (!dynamic_cast<TRdFont*>(P)) {
        FChgProperty[rfaAntialiased] = true;
        FChgProperty[rfaAllSkin] = true;
        FChgProperty[rfaShadowGlow] = true;
    }
}

bool TRdFont::ParentFont() const {
    if (!dynamic_cast<TRdFont*>(FParentFont)) return false;
    for (bool local : FChgProperty)
        if (local) return false;
    return true;
}

void TRdFont::SetParentFontProperty(bool Value) {
    if (Value) {
        if (FParentFont) SetParentFont(FParentFont, true);
    } else {
        SetAllLocal(true);
    }
}

void TRdFont::DoParentFontChange(const tk::TFont* ChgFont) {
    const tk::TFont* src = ChgFont ? ChgFont : FParentFont;
    if (!src || src == this) return;
    UpdateScope bracket(*this);
    // What is taken from the parent stays the parent's.
    const TRdFontChgProperty local = FChgProperty;
    ScopeExit restore([this, &local] { FChgProperty = local; });
    if (!local[rfaCharset]) SetCharset(src->Charset());
    if (!local[rfaColor]) SetColor(src->Color());
    if (!local[rfaHeight]) SetHeight(src->Height());
    if (!local[rfaName]) SetName(src->Name());
    if (!local[rfaStyle]) SetStyle(src->Style());
    if (auto* rd = dynamic_cast<const TRdFont*>(src)) {
        if (!local[rfaAntialiased]) SetAntialiased(rd->FAntialiased);
        if (!local[rfaShadowGlow]) FShadowGlow->Assign(rd->FShadowGlow.get());
        if (!local[rfaAllSkin]) FAllSkin->Assign(rd->FAllSkin.get());
    }
}

// ---- copying ----

void TRdFont::Assign(const tk::TPersistent* Source) {
    if (!dynamic_cast<const tk::TFont*>(Source) || Source == this) {
        TFont::Assign(Source);
        return;
    }
    UpdateScope bracket(*this);
    TFont::Assign(Source);
    if (auto* canvasFont = dynamic_cast<const text::TCanvasFont*>(Source))
        FShadowGlow->Assign(canvasFont->ShadowGlow());
    if (auto* rd = dynamic_cast<const TRdFont*>(Source)) {
        if (FAntialiased != rd->FAntialiased) {
            FAntialiased = rd->FAntialiased;
            Changed();
        }
        FShadowGlow->Assign(rd->FShadowGlow.get());
        FAllSkin->Assign(rd->FAllSkin.get());
        FChgProperty = rd->FChgProperty;
        // The same attributes measure the same: the source's metrics stand.
        FFontHeight = rd->FFontHeight;
        FFontTextMetric = rd->FFontTextMetric;
    } else {
        SetAllLocal(true);
    }
    if (Source == FParentFont) {
        const tk::TFontStyles merged = Style() + FBakStyle;
        if (merged != Style()) TFont::SetStyle(merged);
        SetParentFont(FParentFont, false);
    }
}

void TRdFont::AssignTo(tk::TPersistent* Dest) const {
    if (auto* canvasFont = dynamic_cast<text::TCanvasFont*>(Dest)) {
        canvasFont->ShadowGlow()->Assign(FShadowGlow.get());
        return;
    }
    TFont::AssignTo(Dest);
}

bool TRdFont::Equals(const tk::TFont& CmpTo) const {
    if (!TFont::Equals(CmpTo)) return false;
    auto* rd = dynamic_cast<const TRdFont*>(&CmpTo);
    return !rd || (rd->FAntialiased == FAntialiased && rd->FShadowGlow->Equals(FShadowGlow.get()) &&
                   rd->FAllSkin->Equals(*FAllSkin));
}

// ---- metrics ----

namespace {
// The DC of the control's canvas while it has one; null otherwise.
HDC canvasDC(tk::TComponent* Component) {
    tk::TCanvas* canvas = nullptr;
    if (auto* g = dynamic_cast<tk::TGraphicControl*>(Component))
        canvas = g->Canvas();
    else if (auto* c = dynamic_cast<tk::TCustomControl*>(Component))
        canvas = c->Canvas();
    return canvas && canvas->HandleAllocated() ? canvas->Handle() : nullptr;
}
} // namespace

void TRdFont::MeasureIfNeeded() const {
    if (FFontHeight == 0)
        FFontHeight = text::MeasureLineHeight(const_cast<TRdFont*>(this)->Handle(), canvasDC(FComponent),
                                              FFontTextMetric);
}

int TRdFont::FontHeight() const {
    MeasureIfNeeded();
    return FFontHeight != 0 ? FFontHeight : std::abs(Height()) + 3;
}

int TRdFont::FontBaseLine() const {
    MeasureIfNeeded();
    return FFontTextMetric.tmDescent;
}

int TRdFont::FontTopLine() const {
    MeasureIfNeeded();
    return FFontTextMetric.tmInternalLeading;
}

const TEXTMETRICW& TRdFont::FontTextMetric() const {
    MeasureIfNeeded();
    return FFontTextMetric;
}

int TRdFont::TextWidth(const std::u16string& Text) const {
    return text::MeasureTextWidth(const_cast<TRdFont*>(this)->Handle(), canvasDC(FComponent), Text);
}

// ---- streaming ----

void TRdFont::DefineProperties(tk::TFiler& Filer) {
    TFont::DefineProperties(Filer);
    const bool designing = (Filer.Root() && Filer.Root()->InState(tk::csDesigning)) ||
                           (FComponent && FComponent->InState(tk::csDesigning));
    Filer.DefineProperty(
        "Height_Default",
        [this](const forms::Value& v) {
            if (!v.isInteger()) throw tk::EFilerError("Invalid property value");
            SetBaseHeight(static_cast<int>(v.integer));
        },
        [this] {
            if (BaseHeight() == 0) SetBaseHeight(Height());
            forms::Value v;
            v.kind = forms::ValueKind::Integer;
            v.integer = BaseHeight();
            return v;
        },
        !designing && BaseHeight() != 0);
}

// ---- font-change records ----

namespace {
// The record's changes on any font; Stored says whether the size step and the name may
// change it.
void applyParams(tk::TFont& Font, TCNFontChangeParams& Params, bool HeightStored, bool NameStored) {
    if (Params.FontSets.has(cnfIncSize) && HeightStored)
        Params.SizeChanged = Font.IncSizeOnBase(Params.IncSize);
    if (Params.FontSets.has(cnfName) && NameStored) Font.SetName(Params.FontName);
    if (Params.FontSets.has(cnfCharset)) Font.SetCharset(Params.FontCharset);
    if (Params.FontSets.has(cnfStyle))
        Font.SetStyle(Params.OldFontStyle ? (Font.Style() - *Params.OldFontStyle) + Params.FontStyle
                                          : Params.FontStyle);
    if (Params.FontSets.has(cnfToVclColor)) {
        const tk::TColor c = Font.Color();
        if ((c >> 24) == 0xFF && (c & 0x00FFFFFFu) >= 256) Font.SetColor(SkinColorToRGB(c));
    }
}
} // namespace

void TRdFont::UpdateFromParams(TCNFontChangeParams& Params) {
    UpdateScope bracket(*this);
    applyParams(*this, Params, StoredHeight(), StoredName());
}

void UpdateFontFromParams(tk::TFont& Font, TCNFontChangeParams& Params) {
    if (auto* rd = dynamic_cast<TRdFont*>(&Font))
        rd->UpdateFromParams(Params);
    else
        applyParams(Font, Params, true, true);
}

std::array<const tk::ClassInfo*, 2> RdFontClasses() {
    return {&TRdFont::StaticClass(), &text::TRdShadowGlow::StaticClass()};
}

void RegisterRdFont() {
    for (const tk::ClassInfo* c : RdFontClasses())
        tk::RegisterClassInfo(*c);
}

} // namespace vell::rd
