#include "toolkit/types.h"

#include "core/component/ident_type.h"

namespace vell::tk {

namespace {

constexpr IdentEntry kCursors[] = {
    {"crDefault", 0},     {"crNone", -1},     {"crArrow", -2},    {"crCross", -3},     {"crIBeam", -4},
    {"crSizeNESW", -6},   {"crSizeNS", -7},   {"crSizeNWSE", -8}, {"crSizeWE", -9},    {"crUpArrow", -10},
    {"crHourGlass", -11}, {"crDrag", -12},    {"crNoDrop", -13},  {"crHSplit", -14},   {"crVSplit", -15},
    {"crMultiDrag", -16}, {"crSQLWait", -17}, {"crNo", -18},      {"crAppStart", -19}, {"crHelp", -20},
    {"crHandPoint", -21}, {"crSizeAll", -22},
};

} // namespace

const TypeInfo& CursorType() {
    static const TypeInfo t = IntegerTypeWithIdents<kCursors>("TCursor");
    return t;
}

#define VELL_ENUM_TYPE(Fn, Name, ...)                                                                        \
    const TypeInfo& Fn() {                                                                                   \
        static const TypeInfo t = makeEnumType(Name, {__VA_ARGS__});                                         \
        return t;                                                                                            \
    }
VELL_ENUM_TYPE(AlignType, "TAlign", "alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient",
               "alCustom")
VELL_ENUM_TYPE(AlignmentType, "TAlignment", "taLeftJustify", "taRightJustify", "taCenter")
VELL_ENUM_TYPE(VerticalAlignmentType, "TVerticalAlignment", "taAlignTop", "taAlignBottom", "taVerticalCenter")
VELL_ENUM_TYPE(BorderStyleType, "TFormBorderStyle", "bsNone", "bsSingle", "bsSizeable", "bsDialog",
               "bsToolWindow", "bsSizeToolWin")
VELL_ENUM_TYPE(PositionType, "TPosition", "poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
               "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter")
VELL_ENUM_TYPE(BevelCutType, "TBevelCut", "bvNone", "bvLowered", "bvRaised", "bvSpace")
VELL_ENUM_TYPE(WindowStateType, "TWindowState", "wsNormal", "wsMinimized", "wsMaximized")
VELL_ENUM_TYPE(FormStyleType, "TFormStyle", "fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop")
VELL_ENUM_TYPE(BiDiModeType, "TBiDiMode", "bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign",
               "bdRightToLeftReadingOnly")
#undef VELL_ENUM_TYPE

const TypeInfo& AnchorsType() {
    static const TypeInfo e = makeEnumType("TAnchorKind", {"akLeft", "akTop", "akRight", "akBottom"});
    static const TypeInfo t = makeSetType("TAnchors", e);
    return t;
}

} // namespace vell::tk
