// PNG basics shared by the reader, decoder and encoder: the signature, chunk names, the
// header record, the in-memory pixel layouts the image model keeps for each colour type
// and bit depth, and the caller-settable limits.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace vell::png {

inline constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// A chunk name as the big-endian 32-bit value of its four characters.
constexpr uint32_t chunkType(const char (&name)[5]) {
    return uint32_t(uint8_t(name[0])) << 24 | uint32_t(uint8_t(name[1])) << 16 |
           uint32_t(uint8_t(name[2])) << 8 | uint32_t(uint8_t(name[3]));
}
inline constexpr uint32_t kIHDR = chunkType("IHDR"), kPLTE = chunkType("PLTE"), kIDAT = chunkType("IDAT"),
                          kIEND = chunkType("IEND"), kTRNS = chunkType("tRNS"), kGAMA = chunkType("gAMA"),
                          kPHYS = chunkType("pHYs"), kTIME = chunkType("tIME"), kTEXT = chunkType("tEXt"),
                          kZTXT = chunkType("zTXt"), kCHRM = chunkType("cHRM");

// The chunk kinds the codec has its own handling for; any other name is kept byte for
// byte when ancillary and refused when critical.
bool isKnownChunk(uint32_t type);
// Critical: bit 5 of the first name byte is clear (upper-case first letter).
constexpr bool isCriticalChunk(uint32_t type) {
    return (type & 0x20000000u) == 0;
}

inline uint32_t readBE32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
inline void writeBE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

enum ColorType : uint8_t { kGrey = 0, kRgb = 2, kIndexed = 3, kGreyAlpha = 4, kRgba = 6 };

// The header values as read from (or written to) the IHDR chunk.
struct Ihdr {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t bitDepth = 0;
    uint8_t colorType = 0;
    uint8_t compressionMethod = 0;
    uint8_t filterMethod = 0;
    uint8_t interlaceMethod = 0; // 0 none, 1 Adam7
};

inline constexpr uint32_t kMaxDimension = 65535;

// Bytes of one unfiltered row of `width` pixels in the file (without the filter byte).
uint64_t fileRowBytes(const Ihdr& h, uint32_t width);
// Bytes per complete pixel for the filters (at least 1).
uint32_t filterOffset(const Ihdr& h);
// Exact size of the inflated image data (filter bytes included, all Adam7 passes).
uint64_t inflatedSize(const Ihdr& h);

// The pixel layouts a decoder writes and an encoder reads:
//   Stored   - the image model's layout: packed indices (1, 4, 8 bit; 2-bit samples held as
//              4-bit nibbles) with a colour table for types 0, 3, 4; 24-bit BGR for types 2
//              and 6; type 4 and 6 add an alpha plane; 16-bit depths add a low-byte plane.
//   Stored32 - the same, but colour type 6 as 32-bit BGRA without an alpha plane.
//   PremultipliedBgra - every colour type expanded to 32-bit BGRA, colour premultiplied by
//              alpha with the engine's table; no extra planes. (Not an encoder input.)
enum class PixelFormat : uint8_t { Stored, Stored32, PremultipliedBgra };

struct Layout {
    PixelFormat format = PixelFormat::Stored;
    uint8_t bitCount = 0;        // bits per pixel of the pixel rows: 1, 4, 8, 24 or 32
    uint32_t stride = 0;         // bytes from one pixel row to the next
    bool alphaPlane = false;     // separate alpha plane: width bytes per row, no padding
    bool extraPlane = false;     // low bytes of 16-bit samples: same layout and stride as the pixel rows
    uint16_t colorTableSize = 0; // colour table entries for indexed layouts (2^file depth, 256 for 16 bit)
};

// The layout for a header (which must be valid, see parseIhdr). The stride is
// ((bitCount * width + 31) / 32) * 4.
Layout layoutFor(const Ihdr& h, PixelFormat format);

// Bytes of the pixel store of that layout: pixel rows, alpha plane and low-byte plane.
uint64_t pixelStoreBytes(const Ihdr& h, const Layout& layout);

// Limits against damaged and hostile files. The inflated size of image data is known
// exactly from the header and is never exceeded; these bound the rest.
struct Limits {
    uint64_t maxPixelBytes = 256ull << 20; // pixel store plus decoder work memory of one image
    uint32_t maxTextBytes = 1u << 20;      // inflated text of one zTXt chunk
};

// Raises EPNGOutMemory ("... , Size=N") when the pixel store of the layout exceeds
// limits.maxPixelBytes.
void checkPixelLimit(const Ihdr& h, const Layout& layout, const Limits& limits);

// A colour-table entry in the bitmap-info order blue, green, red, reserved (RGBQUAD).
struct Rgbq {
    uint8_t b, g, r, reserved;
};

} // namespace vell::png
