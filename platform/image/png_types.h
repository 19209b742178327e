// Enumerations and small types shared by the image, its chunks and its canvas.
#pragma once
#include "core/draw/transform.h"

#include <cstdint>

namespace vell::image {

enum TPngAlphaMode : uint8_t { pamDefined, pamPremultiplied, pamIgnore, pamUnknown };
enum TPNGTransparencyMode : uint8_t { ptmNone, ptmBit, ptmPartial };
enum TPngSmoothFilter : uint8_t { psfDefault, psfFastSmooth, psfSmooth };
// Rotations and flips: the kernels' own enumeration.
using draw::pta90, draw::pta180, draw::pta270, draw::ptaHorzFlip, draw::ptaVertFlip;
using draw::TPngTurnAngle;
enum TInterlaceMethod : uint8_t { imNone, imAdam7 };
enum TFilter : uint8_t { pfNone, pfSub, pfUp, pfAverage, pfPaeth };
enum TUnitType : uint8_t { utUnknown, utMeter };

// A set of TFilter values, one bit each.
using TFilters = uint8_t;
constexpr TFilters filterBit(TFilter f) {
    return static_cast<TFilters>(1u << f);
}

// A chunk name as its four characters.
struct TChunkName {
    char c[4] = {0, 0, 0, 0};
    static constexpr TChunkName of(const char (&s)[5]) { return TChunkName{{s[0], s[1], s[2], s[3]}}; }
    uint32_t value() const {
        return uint32_t(uint8_t(c[0])) << 24 | uint32_t(uint8_t(c[1])) << 16 | uint32_t(uint8_t(c[2])) << 8 |
               uint32_t(uint8_t(c[3]));
    }
    bool operator==(const TChunkName& o) const { return value() == o.value(); }
};

} // namespace vell::image
