// Helpers shared by the files of TRdgImage (not part of its interface).
#pragma once
#include "platform/image/rdg_image.h"

#include <climits>
#include <cstdint>

namespace vell::image::rdg_detail {

// Link chains are short (a reference, a definition, a picture); a longer walk means a
// damaged chain and ends there.
inline constexpr int kMaxChainDepth = 32;

inline TRdgImage* asRdg(TGraphic* g) {
    return dynamic_cast<TRdgImage*>(g);
}

// a + b without overflow: clip values come from text and may be anything.
inline int addSat(int a, int b) {
    const int64_t s = int64_t(a) + b;
    return s > INT_MAX ? INT_MAX : s < INT_MIN ? INT_MIN : int(s);
}

// b - a without overflow.
inline int diffSat(int a, int b) {
    const int64_t d = int64_t(b) - a;
    return d > INT_MAX ? INT_MAX : d < INT_MIN ? INT_MIN : int(d);
}

// The length from `from` to `to`; nothing when `to` lies before `from`.
inline int spanOf(int from, int to) {
    const int64_t d = int64_t(to) - from;
    return d < 0 ? 0 : d > INT_MAX ? INT_MAX : int(d);
}

} // namespace vell::image::rdg_detail
