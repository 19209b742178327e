#include "toolkit/types.h"

#include <iterator>

namespace vell::tk {

namespace {

struct IdentEntry {
    const char* name;
    int64_t value;
};

template <size_t N>
bool lookupIdent(const IdentEntry (&table)[N], std::string_view ident, int64_t& value) {
    for (const IdentEntry& e : table)
        if (sameText(e.name, ident)) {
            value = e.value;
            return true;
        }
    return false;
}
template <size_t N>
bool lookupValue(const IdentEntry (&table)[N], int64_t value, std::string& ident) {
    for (const IdentEntry& e : table)
        if (e.value == value) {
            ident = e.name;
            return true;
        }
    return false;
}

constexpr IdentEntry kCharsets[] = {
    {"ANSI_CHARSET", 0},          {"DEFAULT_CHARSET", 1},     {"SYMBOL_CHARSET", 2},
    {"MAC_CHARSET", 77},          {"SHIFTJIS_CHARSET", 128},  {"HANGEUL_CHARSET", 129},
    {"JOHAB_CHARSET", 130},       {"GB2312_CHARSET", 134},    {"CHINESEBIG5_CHARSET", 136},
    {"GREEK_CHARSET", 161},       {"TURKISH_CHARSET", 162},   {"VIETNAMESE_CHARSET", 163},
    {"HEBREW_CHARSET", 177},      {"ARABIC_CHARSET", 178},    {"BALTIC_CHARSET", 186},
    {"RUSSIAN_CHARSET", 204},     {"THAI_CHARSET", 222},      {"EASTEUROPE_CHARSET", 238},
    {"OEM_CHARSET", 255},
};

constexpr IdentEntry kCursors[] = {
    {"crDefault", 0},      {"crNone", -1},       {"crArrow", -2},     {"crCross", -3},     {"crIBeam", -4},
    {"crSizeNESW", -6},    {"crSizeNS", -7},     {"crSizeNWSE", -8},  {"crSizeWE", -9},    {"crUpArrow", -10},
    {"crHourGlass", -11},  {"crDrag", -12},      {"crNoDrop", -13},   {"crHSplit", -14},   {"crVSplit", -15},
    {"crMultiDrag", -16},  {"crSQLWait", -17},   {"crNo", -18},       {"crAppStart", -19}, {"crHelp", -20},
    {"crHandPoint", -21},  {"crSizeAll", -22},
};

TypeInfo integerTypeWithIdents(std::string name, bool (*toInt)(std::string_view, int64_t&),
                               bool (*toIdent)(int64_t, std::string&)) {
    TypeInfo t;
    t.kind = TypeKind::Integer;
    t.name = std::move(name);
    t.identToInt = toInt;
    t.intToIdent = toIdent;
    return t;
}

} // namespace

const TypeInfo& ColorType() {
    static const TypeInfo t = integerTypeWithIdents(
        "TColor",
        [](std::string_view ident, int64_t& value) {
            TColor c = 0;
            if (!SkinIdentToColor(text::utf8ToUtf16(ident), c)) return false;
            value = c;
            return true;
        },
        [](int64_t value, std::string& ident) {
            std::u16string w;
            if (!SkinColorToIdent(static_cast<TColor>(value), w)) return false;
            ident = text::utf16ToUtf8(w);
            return true;
        });
    return t;
}

const TypeInfo& CharsetType() {
    static const TypeInfo t = integerTypeWithIdents(
        "TFontCharset", [](std::string_view i, int64_t& v) { return lookupIdent(kCharsets, i, v); },
        [](int64_t v, std::string& i) { return lookupValue(kCharsets, v, i); });
    return t;
}

const TypeInfo& CursorType() {
    static const TypeInfo t = integerTypeWithIdents(
        "TCursor", [](std::string_view i, int64_t& v) { return lookupIdent(kCursors, i, v); },
        [](int64_t v, std::string& i) { return lookupValue(kCursors, v, i); });
    return t;
}

#define VELL_ENUM_TYPE(Fn, Name, ...)                                                                        \
    const TypeInfo& Fn() {                                                                                   \
        static const TypeInfo t = makeEnumType(Name, {__VA_ARGS__});                                         \
        return t;                                                                                            \
    }
VELL_ENUM_TYPE(AlignType, "TAlign", "alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom")
VELL_ENUM_TYPE(AlignmentType, "TAlignment", "taLeftJustify", "taRightJustify", "taCenter")
VELL_ENUM_TYPE(VerticalAlignmentType, "TVerticalAlignment", "taAlignTop", "taAlignBottom", "taVerticalCenter")
VELL_ENUM_TYPE(FontPitchType, "TFontPitch", "fpDefault", "fpVariable", "fpFixed")
VELL_ENUM_TYPE(FontQualityType, "TFontQuality", "fqDefault", "fqDraft", "fqProof", "fqNonAntialiased",
               "fqAntialiased", "fqClearType", "fqClearTypeNatural")
VELL_ENUM_TYPE(BrushStyleType, "TBrushStyle", "bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal",
               "bsBDiagonal", "bsCross", "bsDiagCross")
VELL_ENUM_TYPE(PenStyleType, "TPenStyle", "psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear",
               "psInsideFrame")
VELL_ENUM_TYPE(BorderStyleType, "TFormBorderStyle", "bsNone", "bsSingle", "bsSizeable", "bsDialog",
               "bsToolWindow", "bsSizeToolWin")
VELL_ENUM_TYPE(PositionType, "TPosition", "poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
               "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter")
VELL_ENUM_TYPE(BevelCutType, "TBevelCut", "bvNone", "bvLowered", "bvRaised", "bvSpace")
#undef VELL_ENUM_TYPE

const TypeInfo& AnchorsType() {
    static const TypeInfo e = makeEnumType("TAnchorKind", {"akLeft", "akTop", "akRight", "akBottom"});
    static const TypeInfo t = makeSetType("TAnchors", e);
    return t;
}

const TypeInfo& FontStylesType() {
    static const TypeInfo e = makeEnumType("TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
    static const TypeInfo t = makeSetType("TFontStyles", e);
    return t;
}

} // namespace vell::tk
