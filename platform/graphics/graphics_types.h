// Colours and the kinds of fonts, brushes and pens, with their type information for
// streaming (form descriptions and skin lines name them: "clWindowText", "fsBold").
#pragma once
#include "core/color/colors.h"
#include "core/component/classes.h"

#include <windows.h>

namespace vell::tk {

using ::vell::clBlack;
using ::vell::clBtnFace;
using ::vell::clDefault;
using ::vell::clNone;
using ::vell::clWhite;
using ::vell::TColor;
inline constexpr TColor clWindow = 0xFF000005;
inline constexpr TColor clWindowText = 0xFF000008;
inline constexpr TColor clGrayText = 0xFF000011;

// The colour to draw with (0x00BBGGRR): system colours and colour names resolved, the
// opacity byte dropped.
inline COLORREF ColorToRGB(TColor Color) {
    return SkinColorToRGB(Color) & 0xFFFFFF;
}

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
enum TFontQuality {
    fqDefault,
    fqDraft,
    fqProof,
    fqNonAntialiased,
    fqAntialiased,
    fqClearType,
    fqClearTypeNatural
};
enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

const TypeInfo& ColorType();   // Integer kind; colour names through the colour identifiers
const TypeInfo& CharsetType(); // Integer kind; DEFAULT_CHARSET and friends
const TypeInfo& FontStylesType();
const TypeInfo& FontPitchType();
const TypeInfo& FontQualityType();
const TypeInfo& BrushStyleType();
const TypeInfo& PenStyleType();

} // namespace vell::tk
