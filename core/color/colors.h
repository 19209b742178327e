// Colour values and colour identifiers.
//
// A colour value (TColor) is 0x00BBGGRR for a plain colour, 0xFF0000nn for the platform's
// system colour nn, 0xFFxxxxxx (xxxxxx >= 256) for a named colour, clNone and clDefault;
// any other value whose top byte is 0x01..0xFE carries an opacity in that byte.
//
// Every colour name maps to a fixed value (ColorNameKey). One process-wide table maps
// those values, and the built-in colour names and values, to colour items; the skin
// layer fills in the items of the skin's colours when a skin is loaded. Drawing code
// turns any colour value into real red, green and blue with SkinColorToRGB.
#pragma once
#include "core/containers/hash.h"
#include "core/containers/string_list.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace vell {

using TColor = std::uint32_t;

inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;
inline constexpr TColor clBlack = 0x00000000;
inline constexpr TColor clWhite = 0x00FFFFFF;
inline constexpr TColor clRed = 0x000000FF;
inline constexpr TColor clBtnFace = 0xFF00000F;

// NameIndex of a colour item.
inline constexpr std::int32_t kBuiltInColor = -1;    // one of the built-in names
inline constexpr std::int32_t kUnresolvedColor = -2; // nobody has defined the name yet
// What an unresolved name draws with: a dark red.
inline constexpr std::uint32_t kUnresolvedBGR = 230;

struct TRccColorItem {
    std::u16string Ident;                      // the name as written (case kept)
    std::int32_t NameIndex = kUnresolvedColor; // >= 0: position in the skin colour name list
    std::uint32_t BGR = kUnresolvedBGR;        // the colour to draw with (0x00BBGGRR, opacity allowed)
    std::uint32_t BGR_org = kUnresolvedBGR;    // the skin's colour before tinting
    TColor Color = 0;                          // the item's key value
    bool CanTint = false;                      // the skin's tint applies
    TRccColorItem* Next = nullptr;             // used only while the table is rebuilt
};

struct BuiltInColor {
    const char16_t* Name;
    TColor Value;
};
// The 52 built-in colour names with their standard values, in their enumeration order.
std::span<const BuiltInColor> BuiltInColors();

// ---- Colour names and values ----

// CRC-32 of the ASCII-lower-cased name's UTF-16LE bytes, top byte set to 0xFF.
TColor ColorNameKey(std::u16string_view Name);
// A number (decimal or $hex) is its own key; a name unknown to the table becomes a new
// unresolved item. Always succeeds.
bool SkinIdentToColor(std::u16string_view Ident, TColor& Color);
// The identifier of the item entered under Color; false when there is none.
bool SkinColorToIdent(TColor Color, std::u16string& Ident);
// Every skin colour name in list order, then the built-in names.
void SkinGetColorValues(const std::function<void(const std::u16string&)>& Proc);
// Plain colours, opacity-carrying colours, clNone and clDefault come back unchanged;
// system colours become the platform's current colour, named colours their item's BGR,
// anything unknown or unresolved 0x000000E6.
std::uint32_t SkinColorToRGB(TColor Color);
// The value for a name or number if its item is resolved, else Default.
TColor FindColorByName(std::u16string_view Text, TColor Default);
// The opacity a colour carries: clNone 0, clDefault 255, else the resolved top byte or 255.
std::uint8_t ColorAlpha(TColor Color);
// The colour after the skin tint: its grey level (R*77 + G*151 + B*28) >> 8 tinted with
// Tint at full strength; the opacity byte is kept.
std::uint32_t TintColorValue(TColor Color, TColor Tint);

// ---- The table ----

// The process-wide colour item table (512 buckets, its own lock; values are
// TRccColorItem*, owned by the table). Created with its built-in part on first use.
TPointerHash& ColorItemTable();
// The skin's colour names (each line's object is the colour value), filled by the skin layer.
TStringValueList& SkinColorNames();
// The item entered under a key (resolved or not), or null. Hold the table's lock while
// using it.
TRccColorItem* FindColorItem(TColor Key);
// Rebuilds the built-in part and resets every other item to unresolved.
void MergeVclColor();
// Enters (or updates) a skin colour under its name key; used by the skin layer.
TRccColorItem* EnterSkinColor(std::u16string_view Ident, std::int32_t NameIndex, std::uint32_t BGR_org,
                              std::uint32_t BGR, bool CanTint);

// ---- System colours ----

// The platform's current colour (0x00BBGGRR) of a system colour number.
using SystemColorProvider = std::uint32_t (*)(int index);
// The platform layer installs the real provider at start-up; null restores the default,
// the classic Windows scheme.
void SetSystemColorProvider(SystemColorProvider provider);
std::uint32_t ClassicSystemColor(int index);

} // namespace vell
