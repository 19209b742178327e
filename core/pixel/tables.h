// The four exact 256 x 256 byte tables of the image engine. Every product of two byte
// values, premultiplication and its inverse go through them; nothing divides per pixel.
#pragma once
#include <cstdint>

namespace vell::pixel {

struct Tables {
    // All indexed [first * 256 + second]; PreMul and UnPreMul as [alpha * 256 + colour].
    uint8_t preMul[65536];   // 0 if x = 0, else floor((x*y + 127) / 255)
    uint8_t unPreMul[65536]; // 0 if x = 0, else min(floor((y*255 + floor(x/2)) / x), 255)
    uint8_t screen[65536];   // 255 - floor(((255-x)(255-y) + 127) / 255)
    uint8_t mul[65536];      // floor(x*y / 255)
};

// Built once, on first use, and shared by the whole process.
const Tables& tables();

inline uint8_t preMul(uint8_t alpha, uint8_t c) {
    return tables().preMul[alpha << 8 | c];
}
inline uint8_t unPreMul(uint8_t alpha, uint8_t c) {
    return tables().unPreMul[alpha << 8 | c];
}
inline uint8_t screen(uint8_t x, uint8_t y) {
    return tables().screen[x << 8 | y];
}
inline uint8_t mul(uint8_t x, uint8_t y) {
    return tables().mul[x << 8 | y];
}

} // namespace vell::pixel
