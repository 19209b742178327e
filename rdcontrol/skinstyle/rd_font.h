// TRdFont: the font of every skinned control.
//
// Beyond the framework's font it remembers which attributes were set on it (local) and
// which follow a parent font (usually the container's), carries an opacity in the top byte
// of its colour, can be antialiased, has a shadow-or-glow switch and a skin class of its
// own (owner class name "font", its parent the control's skin class), and caches its
// measured line metrics until the next change. Changes inside BeginUpdate / EndUpdate fold
// into one notification; a skin load is one such bracket.
//
// The font-change message CM_RDFONTCHANGE carries a TCNFontChangeParams record; the
// form-wide updates that send it are declared at the end (form_font.cpp).
#pragma once
#include "platform/graphics/font.h"

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vell::text {
class TRdShadowGlow;
}
namespace vell::tk {
class TControl;
}

namespace vell::rd {

class TRdSkinClass;

// Which parts of a font a font-change record changes.
enum TCNFontChange { cnfIncSize, cnfName, cnfCharset, cnfStyle, cnfToVclColor };
using TCNFontChanges = tk::TSet<TCNFontChange>;

struct TCNFontChangeParams {
    TCNFontChanges FontSets;
    int IncSize = 0;     // the size step for cnfIncSize
    int SizeChanged = 0; // set by the receiver: how much its Size moved
    std::u16string FontName;
    int FontCharset = DEFAULT_CHARSET;
    tk::TFontStyles FontStyle;
    // The styles to take away before FontStyle is added; null: FontStyle replaces the style.
    const tk::TFontStyles* OldFontStyle = nullptr;
};

// Sent to every control a form-wide font update visits; LParam points to the
// TCNFontChangeParams record.
inline constexpr UINT CM_RDFONTCHANGE = 0xBC1D;

// The attributes a font keeps as its own rather than taking them from its parent font,
// in the order of ChgProperty.
enum TRdFontAttribute {
    rfaCharset,
    rfaColor,
    rfaHeight,
    rfaName,
    rfaStyle,
    rfaAntialiased,
    rfaAllSkin,
    rfaShadowGlow,
};
using TRdFontChgProperty = std::array<bool, 8>;

class TRdFont : public tk::TFont {
    VELL_CLASS_INFO()
  public:
    // Component: the control the font belongs to (may be null). ParentSkin: that control's
    // skin class, the parent of the font's own.
    explicit TRdFont(tk::TComponent* Component = nullptr, TRdSkinClass* ParentSkin = nullptr);
    ~TRdFont() override;

    void BeginUpdate() { ++FUpdateCount; }
    // Closing the outermost bracket after changes notifies once.
    void EndUpdate();

    // ---- attributes: a setter marks its attribute local when the value differs, when
    // the font has no component, or while the component is being read ----
    void SetName(const std::u16string& Value) override;
    void SetHeight(int Value) override;
    // clDefault while a parent font is set takes the parent's colour and follows it again.
    void SetColor(tk::TColor Value) override;
    void SetStyle(tk::TFontStyles Value) override;
    void SetCharset(int Value) override;
    bool Antialiased() const { return FAntialiased; }
    void SetAntialiased(bool Value);
    // The opacity in the colour's top byte (255: opaque, stored as 0).
    std::uint8_t Alpha() const;
    void SetAlpha(std::uint8_t Value);
    text::TRdShadowGlow* ShadowGlow() const { return FShadowGlow.get(); }
    void SetShadowGlow(const text::TRdShadowGlow* Value);
    TRdSkinClass* AllSkin() const { return FAllSkin.get(); }
    void SetAllSkin(const TRdSkinClass* Value);

    // ---- the parent font ----
    tk::TFont* Parent() const { return FParentFont; }
    // Links the font to P (null: unlinks, every attribute local). With CallCopy the font
    // first copies P. Afterwards no attribute is local, except that a parent that is no
    // skinned font leaves Antialiased, AllSkin and ShadowGlow local.
    void SetParentFont(tk::TFont* P, bool CallCopy);
    // True when a skinned parent font is set and no attribute is local. Setting True copies
    // the parent again; False makes every attribute local.
    bool ParentFont() const;
    void SetParentFontProperty(bool Value);
    // Takes every attribute that is not local from ChgFont (default: the parent font).
    void DoParentFontChange(const tk::TFont* ChgFont = nullptr);
    const TRdFontChgProperty& ChgProperty() const { return FChgProperty; }
    void SetChgProperty(TRdFontAttribute Index, bool Local) { FChgProperty[Index] = Local; }
    tk::TComponent* Component() const { return FComponent; }

    // ---- metrics, measured on the control's canvas (a scratch image without one) ----
    // The height of the sample "`ghj_"; the metric height when that is 0; |Height| + 3 when
    // nothing can be measured.
    int FontHeight() const;
    int FontBaseLine() const; // the descent
    int FontTopLine() const;  // the internal leading
    const TEXTMETRICW& FontTextMetric() const;
    int TextWidth(const std::u16string& Text) const;

    // ---- copying ----
    // From any font its attributes, all local; from a canvas font also its shadow; from a
    // skinned font also its local flags, antialiasing, skin class, shadow and measured
    // metrics. From the parent font, the style the font had before its first link is added
    // and the link stays. One notification.
    void Assign(const tk::TPersistent* Source) override;
    bool Equals(const tk::TFont& CmpTo) const override;

    // Applies a font-change record (size step, name, charset, style, named colours
    // resolved) in one notification; the size step and the name only when stored.
    void UpdateFromParams(TCNFontChangeParams& Params);

    // The output quality follows Antialiased.
    LOGFONTW LogFont() const override;
    // "Height_Default": the base height, written when there is one (not while designing).
    void DefineProperties(tk::TFiler& Filer) override;

    // Stored tests: with no parent font always, else when the attribute is local;
    // OnStoredCallback has the last word.
    bool StoredCharset() const { return StoredAt(rfaCharset); }
    bool StoredColor() const { return StoredAt(rfaColor); }
    bool StoredHeight() const { return StoredAt(rfaHeight); }
    bool StoredName() const { return StoredAt(rfaName); }
    bool StoredStyle() const { return StoredAt(rfaStyle); }
    bool StoredAntialiased() const { return StoredAt(rfaAntialiased); }
    bool StoredAllSkin() const { return StoredAt(rfaAllSkin); }
    bool StoredShadowGlow() const { return StoredAt(rfaShadowGlow); }

    // (Sender, attribute index, stored in and out).
    std::function<void(TRdFont* Sender, int PropertyIndex, bool& AllowStored)> OnStoredCallback;

    // ---- form-wide updates (form_font.cpp) ----
    // Applies Params to Target and, through owned components and the controls of
    // containers, to every control that does not take its parent's font; Exclude lists
    // controls to leave alone. Every visited control is sent CM_RDFONTCHANGE. A top-level
    // form that takes its parent's font changes the application's default font too.
    static void UpdateFormFont(tk::TComponent* Target, TCNFontChangeParams& Params,
                               const std::vector<tk::TComponent*>& Exclude = {});
    // Puts every font of Control's tree (and, for a form, the application's and the
    // screen's fonts) AbsFontSize times the size factor points above its base size.
    static void UpdateFontSize(tk::TControl* Control, int AbsFontSize);
    // UpdateFontSize for every form of the screen; the step becomes the process's
    // (FontIncSize), which later fonts count from.
    static void UpdateFormFontSize(int AbsFontSize);

  protected:
    // Forgets the measured metrics; inside a bracket only counts the change.
    void Changed() override;
    // To a canvas font: its shadow.
    void AssignTo(tk::TPersistent* Dest) const override;

  private:
    bool StoredAt(int Index) const;
    void MarkLocal(int Index, bool Differs);
    void SetAllLocal(bool Local);
    void MeasureIfNeeded() const;
    bool NeverStoredValue() const { return false; }

    bool FAntialiased = false;
    // Measured on demand, forgotten on every change.
    mutable int FFontHeight = 0;
    mutable TEXTMETRICW FFontTextMetric{};
    std::unique_ptr<text::TRdShadowGlow> FShadowGlow;
    std::unique_ptr<TRdSkinClass> FAllSkin;
    tk::TFontStyles FBakStyle;
    tk::TFont* FParentFont = nullptr;
    bool FInCallCopy = false;
    int FUpdateCount = 0;
    int FChangedCount = 0;
    TRdFontChgProperty FChgProperty;
    tk::TComponent* FComponent;
};

// Applies Params to any font: a skinned font by UpdateFromParams, a plain one directly.
void UpdateFontFromParams(tk::TFont& Font, TCNFontChangeParams& Params);

// TRdFont and its shadow class; RegisterRdFont makes them known to form descriptions.
std::array<const tk::ClassInfo*, 2> RdFontClasses();
void RegisterRdFont();

} // namespace vell::rd
