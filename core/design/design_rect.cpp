#include "core/design/design_rect.h"

namespace vell::design {

const tk::TypeInfo& SuperStretchModeType() {
    static const tk::TypeInfo t = tk::makeEnumType(
        "TSuperStretchMode", {"sdmDefault", "sdmStretch", "sdmFill", "sdmFrame", "sdmCorner"});
    return t;
}

const tk::ClassInfo& TDesignRect::StaticClass() {
    using B = tk::ClassBuilder<TDesignRect>;
    static const tk::ClassInfo info =
        B("TDesignRect", &tk::TPersistent::StaticClass())
            .ord("StretchMode", SuperStretchModeType(), &TDesignRect::StretchMode,
                 &TDesignRect::SetStretchMode, sdmDefault)
            .ord("Empty", tk::BooleanType(), &TDesignRect::Empty, &TDesignRect::SetEmpty, 1,
                 &TDesignRect::EmptyStored)
            .ord("Left", tk::IntegerType(), &TDesignRect::Left, &TDesignRect::SetLeft, 0)
            .ord("Top", tk::IntegerType(), &TDesignRect::Top, &TDesignRect::SetTop, 0)
            .ord("Right", tk::IntegerType(), &TDesignRect::Right, &TDesignRect::SetRight, 0)
            .ord("Bottom", tk::IntegerType(), &TDesignRect::Bottom, &TDesignRect::SetBottom, 0)
            .build();
    return info;
}

int TDesignRect::GetIndex(int index) const {
    switch (index) {
    case 0:
        return FLeft;
    case 1:
        return FTop;
    case 2:
        return FRight;
    case 3:
        return FBottom;
    default:
        return 0;
    }
}

void TDesignRect::SetIndex(int index, int value) {
    int* field = nullptr;
    switch (index) {
    case 0:
        field = &FLeft;
        break;
    case 1:
        field = &FTop;
        break;
    case 2:
        field = &FRight;
        break;
    case 3:
        field = &FBottom;
        break;
    default:
        Changed();
        return;
    }
    if (*field == value) return;
    *field = value;
    Changed();
}

void TDesignRect::SetStretchMode(TSuperStretchMode value) {
    if (FStretchMode == value) return;
    FStretchMode = value;
    Changed();
}

bool TDesignRect::Empty() const {
    return FLeft == 0 && FTop == 0 && FRight == 0 && FBottom == 0 && FStretchMode == sdmDefault;
}

void TDesignRect::SetEmpty(bool value) {
    if (value) {
        FLeft = FTop = FRight = FBottom = 0;
        FStretchMode = sdmDefault;
        Changed();
        return;
    }
    FChangeEmpty = true;
    try {
        Changed();
    } catch (...) {
        FChangeEmpty = false;
        throw;
    }
    FChangeEmpty = false;
}

void TDesignRect::CopyFrom(const TDesignRect& source) {
    FLeft = source.FLeft;
    FTop = source.FTop;
    FRight = source.FRight;
    FBottom = source.FBottom;
    FStretchMode = source.FStretchMode;
}

void TDesignRect::Assign(const tk::TPersistent* Source) {
    if (!Source) {
        SetEmpty(true);
        return;
    }
    auto* source = dynamic_cast<const TDesignRect*>(Source);
    if (!source) {
        tk::TPersistent::Assign(Source);
        return;
    }
    if (source == this || Equals(source)) return;
    CopyFrom(*source);
    Changed();
}

void TDesignRect::AssignTo(TDesignRect* dest) {
    if (!dest) {
        FLeft = FTop = FRight = FBottom = 0;
        FStretchMode = sdmDefault;
        return;
    }
    dest->CopyFrom(*this);
}

bool TDesignRect::Equals(const TDesignRect* other) const {
    if (other == this) return true;
    return other && FLeft == other->FLeft && FTop == other->FTop && FRight == other->FRight &&
           FBottom == other->FBottom && FStretchMode == other->FStretchMode;
}

void TDesignRect::SetValue(int aLeft, int aTop, int aRight, int aBottom) {
    if (aRight != kKeepAxis) {
        FLeft = aLeft;
        FRight = aRight == kSameAsFirst ? aLeft : aRight;
    }
    if (aBottom != kKeepAxis) {
        FTop = aTop;
        FBottom = aBottom == kSameAsFirst ? aTop : aBottom;
    }
}

void TDesignRect::Changed() {
    if (OnChange) OnChange(*this);
}

} // namespace vell::design
