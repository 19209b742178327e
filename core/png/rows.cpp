#include "core/png/rows.h"

#include <cstring>

#include "core/pixel/premultiply.h"
#include "core/pixel/tables.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace vell::png {

enum class RowConverter::Kind : uint8_t {
    Copy,      // indices of 1, 4, 8 bits
    Nibbles,   // 2-bit samples to 4-bit nibbles
    Grey16,    // high bytes to pixels, low bytes to the extra plane
    Rgb,       // 8/16 bit colour to 24-bit BGR (16: low bytes to the extra plane)
    GreyAlpha, // grey to pixels, alpha to its plane (16: low grey bytes to the extra plane)
    Rgba24,    // colour to 24-bit BGR, alpha to its plane
    Rgba32,    // colour to 32-bit BGRA
    BgraLut,   // PremultipliedBgra from samples of up to 8 bits through lut_
    BgraGrey16,
    BgraRgb,
    BgraGreyAlpha,
    BgraRgba,
};

namespace {

inline uint32_t pack(uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
    return uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16 | uint32_t(a) << 24;
}
inline void put32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}

// RGBA to BGRA for whole rows (swaps bytes 0 and 2 of every pixel).
void swizzleRgba(const uint8_t* src, uint8_t* dst, uint32_t n) {
    uint32_t i = 0;
#ifdef __SSE2__
    const __m128i ga = _mm_set1_epi32(int(0xFF00FF00u));
    const __m128i lo = _mm_set1_epi32(0xFF);
    for (; i + 4 <= n; i += 4) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i * 4));
        const __m128i rb =
            _mm_or_si128(_mm_and_si128(_mm_srli_epi32(x, 16), lo), _mm_slli_epi32(_mm_and_si128(x, lo), 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i * 4), _mm_or_si128(_mm_and_si128(x, ga), rb));
    }
#endif
    for (; i < n; ++i) {
        const uint8_t* s = src + i * 4;
        uint8_t* d = dst + i * 4;
        const uint8_t r = s[0];
        d[0] = s[2];
        d[1] = s[1];
        d[2] = r;
        d[3] = s[3];
    }
}

// The sample value of pixel x of a row of 1, 2, 4 or 8-bit samples.
inline uint32_t sampleAt(const uint8_t* raw, uint32_t x, uint32_t depth) {
    if (depth == 8) return raw[x];
    const uint32_t bit = x * depth;
    return (raw[bit >> 3] >> (8 - depth - (bit & 7))) & ((1u << depth) - 1);
}

// Colour rows (RGB or RGBA samples of 8 or 16 bits) to 24-bit BGR or 32-bit BGRA through
// the gamma table: alpha (high byte) into the fourth byte and/or the alpha plane, the low
// colour bytes of 16-bit samples into the extra plane (fourth byte 0).
void colourRow(const uint8_t* raw, uint32_t w, bool deep, bool hasAlpha, uint32_t outBytes, const uint8_t* g,
               uint8_t* px, uint8_t* alpha, uint8_t* extra) {
    const uint32_t step = deep ? 2 : 1;
    const uint32_t in = (hasAlpha ? 4 : 3) * step;
    for (uint32_t x = 0; x < w; ++x, raw += in, px += outBytes) {
        px[0] = g[raw[2 * step]];
        px[1] = g[raw[step]];
        px[2] = g[raw[0]];
        if (hasAlpha) {
            if (outBytes == 4) px[3] = raw[3 * step];
            if (alpha) alpha[x] = raw[3 * step];
        }
        if (deep) {
            extra[0] = g[raw[5]];
            extra[1] = g[raw[3]];
            extra[2] = g[raw[1]];
            if (outBytes == 4) extra[3] = 0;
            extra += outBytes;
        }
    }
}

} // namespace

RowConverter::RowConverter(const Ihdr& h, const Layout& layout, const uint8_t* gamma, const Palette* palette,
                           const Transparency* trns)
    : h_(h), layout_(layout) {
    for (int i = 0; i < 256; ++i) {
        gamma_[i] = gamma ? gamma[i] : uint8_t(i);
        identity_ = identity_ && gamma_[i] == i;
    }
    const bool deep = h.bitDepth == 16;
    const uint8_t t = h.colorType;
    if (layout.format != PixelFormat::PremultipliedBgra) {
        if (t == kGrey || t == kIndexed)
            kind_ = deep ? Kind::Grey16 : h.bitDepth == 2 ? Kind::Nibbles : Kind::Copy;
        else if (t == kRgb)
            kind_ = Kind::Rgb;
        else if (t == kGreyAlpha)
            kind_ = Kind::GreyAlpha;
        else
            kind_ = layout.bitCount == 32 ? Kind::Rgba32 : Kind::Rgba24;
        return;
    }
    // Transparent sample values of grey and truecolour images, compared at full depth.
    if (trns && (t == kGrey || t == kRgb) && trns->size >= (t == kGrey ? 2 : 6)) {
        hasKey_ = true;
        for (int c = 0; c < (t == kGrey ? 1 : 3); ++c)
            key_[c] = uint16_t(trns->values[2 * c] << 8 | trns->values[2 * c + 1]);
    }
    const pixel::Tables& tables = pixel::tables();
    if (t == kIndexed || (t == kGrey && !deep)) {
        kind_ = Kind::BgraLut;
        Rgbq table[256];
        const uint32_t n = buildColorTable(h, palette, gamma, table);
        for (uint32_t i = 0; i < 256; ++i) {
            uint8_t a = 255;
            if (t == kIndexed && trns && i < trns->size) a = trns->values[i];
            if (t == kGrey && hasKey_ && i == key_[0]) a = 0;
            const Rgbq e = i < n ? table[i] : Rgbq{0, 0, 0, 0};
            const uint8_t* pm = tables.preMul + (a << 8);
            lut_[i] = pack(pm[e.b], pm[e.g], pm[e.r], a);
        }
        return;
    }
    kind_ = t == kGrey        ? Kind::BgraGrey16
            : t == kRgb       ? Kind::BgraRgb
            : t == kGreyAlpha ? Kind::BgraGreyAlpha
                              : Kind::BgraRgba;
}

bool RowConverter::rawIsLayout() const {
    return kind_ == Kind::Copy && (uint64_t(h_.width) * h_.bitDepth) % 8 == 0;
}

void RowConverter::toLayout(const uint8_t* raw, uint32_t w, uint8_t* px, uint8_t* alpha,
                            uint8_t* extra) const {
    const uint8_t* g = gamma_;
    const bool deep = h_.bitDepth == 16;
    const uint32_t step = deep ? 2 : 1; // bytes per sample; the high byte comes first
    switch (kind_) {
    case Kind::Copy: {
        const size_t n = size_t(fileRowBytes(h_, w));
        std::memcpy(px, raw, n);
        // Bits past the last pixel are zero, whatever the file held there.
        const uint32_t used = (w * h_.bitDepth) & 7;
        if (used) px[n - 1] &= uint8_t(0xFF << (8 - used));
        break;
    }
    case Kind::Nibbles: {
        // Four 2-bit samples per byte become two bytes of two nibbles each.
        const uint32_t n = uint32_t(fileRowBytes(h_, w));
        const uint32_t room = layout_.stride;
        for (uint32_t i = 0; i < n; ++i) {
            const uint8_t v = raw[i];
            const uint8_t b0 = uint8_t((v >> 6) << 4 | ((v >> 4) & 3));
            const uint8_t b1 = uint8_t(((v >> 2) & 3) << 4 | (v & 3));
            if (2 * i < room) px[2 * i] = b0;
            if (2 * i + 1 < room) px[2 * i + 1] = b1;
        }
        if (w & 1) px[(w - 1) / 2] &= 0xF0; // the nibble past the last pixel
        if ((w + 1) / 2 < 2 * n && (w + 1) / 2 < room) px[(w + 1) / 2] = 0;
        break;
    }
    case Kind::Grey16:
        for (uint32_t x = 0; x < w; ++x) {
            px[x] = raw[2 * x];
            extra[x] = raw[2 * x + 1];
        }
        break;
    case Kind::Rgb:
        if (!deep && identity_) {
            for (uint32_t x = 0; x < w; ++x, raw += 3, px += 3) {
                px[0] = raw[2];
                px[1] = raw[1];
                px[2] = raw[0];
            }
        } else {
            colourRow(raw, w, deep, false, 3, g, px, nullptr, extra);
        }
        break;
    case Kind::GreyAlpha:
        for (uint32_t x = 0; x < w; ++x, raw += 2 * step) {
            px[x] = raw[0];
            alpha[x] = raw[step];
            if (deep) extra[x] = raw[1];
        }
        break;
    case Kind::Rgba24:
        colourRow(raw, w, deep, true, 3, g, px, alpha, extra);
        break;
    case Kind::Rgba32:
        if (!deep && identity_) {
            swizzleRgba(raw, px, w);
            if (alpha)
                for (uint32_t x = 0; x < w; ++x)
                    alpha[x] = raw[4 * x + 3];
            break;
        }
        colourRow(raw, w, deep, true, 4, g, px, alpha, extra);
        break;
    case Kind::BgraLut:
        if (h_.bitDepth == 8) {
            for (uint32_t x = 0; x < w; ++x)
                put32(px + 4 * x, lut_[raw[x]]);
        } else {
            for (uint32_t x = 0; x < w; ++x)
                put32(px + 4 * x, lut_[sampleAt(raw, x, h_.bitDepth)]);
        }
        break;
    case Kind::BgraGrey16:
        for (uint32_t x = 0; x < w; ++x, raw += 2) {
            const uint8_t v = g[raw[0]];
            const bool clear = hasKey_ && (raw[0] << 8 | raw[1]) == key_[0];
            put32(px + 4 * x, clear ? 0 : pack(v, v, v, 255));
        }
        break;
    case Kind::BgraRgb:
        if (!deep && identity_ && !hasKey_) {
            for (uint32_t x = 0; x < w; ++x, raw += 3)
                put32(px + 4 * x, pack(raw[2], raw[1], raw[0], 255));
            break;
        }
        for (uint32_t x = 0; x < w; ++x, raw += 3 * step) {
            bool clear = false;
            if (hasKey_) {
                const uint32_t r = deep ? raw[0] << 8 | raw[1] : raw[0];
                const uint32_t gg = deep ? raw[2] << 8 | raw[3] : raw[1];
                const uint32_t b = deep ? raw[4] << 8 | raw[5] : raw[2];
                clear = r == key_[0] && gg == key_[1] && b == key_[2];
            }
            put32(px + 4 * x, clear ? 0 : pack(g[raw[2 * step]], g[raw[step]], g[raw[0]], 255));
        }
        break;
    case Kind::BgraGreyAlpha: {
        const uint8_t* pm = pixel::tables().preMul;
        for (uint32_t x = 0; x < w; ++x, raw += 2 * step) {
            const uint8_t a = raw[step];
            const uint8_t v = pm[a << 8 | g[raw[0]]];
            put32(px + 4 * x, pack(v, v, v, a));
        }
        break;
    }
    case Kind::BgraRgba:
        if (!deep && identity_) {
            swizzleRgba(raw, px, w);
        } else {
            for (uint32_t x = 0; x < w; ++x, raw += 4 * step)
                put32(px + 4 * x, pack(g[raw[2 * step]], g[raw[step]], g[raw[0]], raw[3 * step]));
        }
        pixel::premultiplyBgra(px, px, w);
        break;
    }
}

void fromLayout(const Ihdr& h, const Layout& layout, const uint8_t* inv, const uint8_t* px,
                const uint8_t* alpha, const uint8_t* extra, uint8_t* raw) {
    const uint32_t w = h.width;
    const bool deep = h.bitDepth == 16;
    if (!inv && !deep && h.colorType == kRgba && layout.bitCount == 32) {
        swizzleRgba(px, raw, w); // BGRA and RGBA differ by the same swap
        return;
    }
    uint8_t ident[256];
    if (!inv) {
        for (int i = 0; i < 256; ++i)
            ident[i] = uint8_t(i);
        inv = ident;
    }
    switch (h.colorType) {
    case kGrey:
    case kIndexed:
        if (deep) {
            for (uint32_t x = 0; x < w; ++x) {
                raw[2 * x] = px[x];
                raw[2 * x + 1] = extra[x];
            }
        } else if (h.bitDepth == 2) {
            // Written as 4-bit samples; a grey level v of 0..3 becomes 5v on the 0..15 scale.
            const uint32_t n = (w + 1) / 2;
            const bool grey = h.colorType == kGrey;
            for (uint32_t i = 0; i < n; ++i) {
                uint8_t v = px[i];
                if (grey) v = uint8_t(((v >> 4) & 3) * 5 << 4 | (v & 3) * 5);
                raw[i] = v;
            }
            if (w & 1) raw[n - 1] &= 0xF0;
        } else {
            const size_t n = size_t(fileRowBytes(h, w));
            std::memcpy(raw, px, n);
            // Unused low bits of the last byte are written as zero.
            const uint32_t used = (w * h.bitDepth) & 7;
            if (used) raw[n - 1] &= uint8_t(0xFF << (8 - used));
        }
        break;
    case kGreyAlpha:
        for (uint32_t x = 0; x < w; ++x) {
            if (deep) {
                raw[4 * x] = px[x];
                raw[4 * x + 1] = extra[x];
                raw[4 * x + 2] = alpha[x];
                raw[4 * x + 3] = alpha[x]; // the low alpha byte repeats the high one: 0xFF stays opaque
            } else {
                raw[2 * x] = px[x];
                raw[2 * x + 1] = alpha[x];
            }
        }
        break;
    case kRgb:
    case kRgba: {
        const bool hasAlpha = h.colorType == kRgba;
        const uint32_t pxStep = layout.bitCount / 8;
        const uint32_t out = (hasAlpha ? 4 : 3) * (deep ? 2 : 1);
        for (uint32_t x = 0; x < w; ++x, px += pxStep, raw += out) {
            const uint8_t a = hasAlpha ? (pxStep == 4 ? px[3] : alpha[x]) : 0;
            if (deep) {
                const uint8_t* e = extra + x * pxStep;
                raw[0] = inv[px[2]], raw[1] = inv[e[2]];
                raw[2] = inv[px[1]], raw[3] = inv[e[1]];
                raw[4] = inv[px[0]], raw[5] = inv[e[0]];
                if (hasAlpha) raw[6] = a, raw[7] = a;
            } else {
                raw[0] = inv[px[2]];
                raw[1] = inv[px[1]];
                raw[2] = inv[px[0]];
                if (hasAlpha) raw[3] = a;
            }
        }
        break;
    }
    }
}

} // namespace vell::png
