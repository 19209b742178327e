#include "core/pixel/tables.h"

namespace vell::pixel {

namespace {

Tables build() {
    Tables t;
    for (int x = 0; x < 256; ++x) {
        for (int y = 0; y < 256; ++y) {
            const int i = x * 256 + y;
            t.preMul[i] = x == 0 ? 0 : static_cast<uint8_t>((x * y + 127) / 255);
            if (x == 0) {
                t.unPreMul[i] = 0;
            } else {
                const int v = (y * 255 + x / 2) / x;
                t.unPreMul[i] = static_cast<uint8_t>(v > 255 ? 255 : v);
            }
            t.screen[i] = static_cast<uint8_t>(255 - ((255 - x) * (255 - y) + 127) / 255);
            t.mul[i] = static_cast<uint8_t>(x * y / 255);
        }
    }
    return t;
}

} // namespace

const Tables& tables() {
    static const Tables* const instance = new Tables(build());
    return *instance;
}

} // namespace vell::pixel
