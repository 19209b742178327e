#include "platform/graphics/graphics_types.h"

#include "core/component/ident_type.h"
#include "core/text/utf.h"

namespace vell::tk {

namespace {

constexpr IdentEntry kCharsets[] = {
    {"ANSI_CHARSET", 0},      {"DEFAULT_CHARSET", 1},    {"SYMBOL_CHARSET", 2},
    {"MAC_CHARSET", 77},      {"SHIFTJIS_CHARSET", 128}, {"HANGEUL_CHARSET", 129},
    {"JOHAB_CHARSET", 130},   {"GB2312_CHARSET", 134},   {"CHINESEBIG5_CHARSET", 136},
    {"GREEK_CHARSET", 161},   {"TURKISH_CHARSET", 162},  {"VIETNAMESE_CHARSET", 163},
    {"HEBREW_CHARSET", 177},  {"ARABIC_CHARSET", 178},   {"BALTIC_CHARSET", 186},
    {"RUSSIAN_CHARSET", 204}, {"THAI_CHARSET", 222},     {"EASTEUROPE_CHARSET", 238},
    {"OEM_CHARSET", 255},
};

} // namespace

const TypeInfo& ColorType() {
    static const TypeInfo t = [] {
        TypeInfo i;
        i.kind = TypeKind::Integer;
        i.name = "TColor";
        i.identToInt = [](std::string_view ident, int64_t& value) {
            TColor c = 0;
            if (!SkinIdentToColor(text::utf8ToUtf16(ident), c)) return false;
            value = c;
            return true;
        };
        i.intToIdent = [](int64_t value, std::string& ident) {
            std::u16string w;
            if (!SkinColorToIdent(static_cast<TColor>(value), w)) return false;
            ident = text::utf16ToUtf8(w);
            return true;
        };
        return i;
    }();
    return t;
}

const TypeInfo& CharsetType() {
    static const TypeInfo t = IntegerTypeWithIdents<kCharsets>("TFontCharset");
    return t;
}

const TypeInfo& FontStylesType() {
    static const TypeInfo e =
        makeEnumType("TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
    static const TypeInfo t = makeSetType("TFontStyles", e);
    return t;
}

const TypeInfo& FontPitchType() {
    static const TypeInfo t = makeEnumType("TFontPitch", {"fpDefault", "fpVariable", "fpFixed"});
    return t;
}

const TypeInfo& FontQualityType() {
    static const TypeInfo t =
        makeEnumType("TFontQuality", {"fqDefault", "fqDraft", "fqProof", "fqNonAntialiased", "fqAntialiased",
                                      "fqClearType", "fqClearTypeNatural"});
    return t;
}

const TypeInfo& BrushStyleType() {
    static const TypeInfo t =
        makeEnumType("TBrushStyle", {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal",
                                     "bsBDiagonal", "bsCross", "bsDiagCross"});
    return t;
}

const TypeInfo& PenStyleType() {
    static const TypeInfo t = makeEnumType(
        "TPenStyle", {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"});
    return t;
}

} // namespace vell::tk
