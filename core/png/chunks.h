// Parsers and serializers of the chunk data the codec understands, and the chunk writer.
// Parsers take the chunk's data bytes (without length, name and CRC); serializers return
// them. Errors are raised as the image engine's exceptions (core/image/errors.h).
#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/png/format.h"

namespace vell::png {

// ---- output --------------------------------------------------------------------------
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual void write(const void* data, size_t size) = 0;
};

class VectorSink final : public ByteSink {
  public:
    explicit VectorSink(std::vector<uint8_t>& out) : out_(out) {}
    void write(const void* data, size_t size) override;

  private:
    std::vector<uint8_t>& out_;
};

// Writes one chunk: big-endian length, name, data, big-endian CRC-32 of name and data.
void writeChunk(ByteSink& out, uint32_t type, std::span<const uint8_t> data);
// Writes the 8-byte signature.
void writeSignature(ByteSink& out);

// ---- IHDR ----------------------------------------------------------------------------
// Raises EPngInvalidIHDR (fewer than 13 bytes), EPNGSizeExceeds (a side above 65535),
// EPNGUnknownCompression, EPNGUnknownInterlace. Also refuses, with EPngInvalidIHDR, a zero
// side and a colour type / bit depth pair the format does not define, which no later
// stage could handle. The filter method is not checked.
Ihdr parseIhdr(std::span<const uint8_t> data);
// 13 bytes; a bit depth of 2 is written as 4 (the caller then writes non-interlaced data).
std::array<uint8_t, 13> serializeIhdr(const Ihdr& h);

// ---- PLTE, colour tables ----------------------------------------------------------------
struct Palette {
    uint32_t count = 0; // at most 256
    uint8_t rgb[256][3] = {};
};
Palette parsePlte(std::span<const uint8_t> data);
// The colour-table entries written back through the inverse gamma table.
std::vector<uint8_t> serializePlte(std::span<const Rgbq> table, const uint8_t inverseGamma[256]);

// The colour table of an indexed layout: the gamma-corrected grey ramp for types 0 and 4
// (entry i = gamma[MulDiv(i, 255, entries - 1)]), the palette through the gamma table for
// type 3 (entries beyond the palette are black). Returns the number of entries
// (layoutFor(h).colorTableSize); 0 for types 2 and 6.
uint32_t buildColorTable(const Ihdr& h, const Palette* palette, const uint8_t gamma[256], Rgbq out[256]);

// ---- tRNS ----------------------------------------------------------------------------
struct Transparency {
    uint8_t values[256]; // raw chunk data (PaletteValues); 255 beyond `size`
    uint16_t size = 0;   // bytes kept, at most 256
    bool bitTransparency = false;
    Transparency() { std::fill(values, values + 256, uint8_t(255)); }
};
Transparency parseTrns(std::span<const uint8_t> data, uint8_t colorType);
// With the header of a 2-bit grey image (saved as 4-bit), the grey sample is written on
// the 4-bit scale (times 5), as the image data is.
std::vector<uint8_t> serializeTrns(const Transparency& t, const Ihdr* header = nullptr);
// The transparent colour as a colour value (red in the low byte); 0xFF000000 when none.
uint32_t transparentColor(const Transparency& t, const Ihdr& h, std::span<const Rgbq> table,
                          const uint8_t gamma[256]);
// Makes `color` the transparent colour (types 0, 2, 3; others leave t unchanged).
void setTransparentColor(Transparency& t, const Ihdr& h, uint32_t color, std::span<const Rgbq> table);

// ---- gAMA ----------------------------------------------------------------------------
std::optional<uint32_t> parseGama(std::span<const uint8_t> data); // empty when shorter than 4 bytes
std::array<uint8_t, 4> serializeGama(uint32_t gamma);
// gamma[i] = round(255 * (i/255)^(1 / (g/100000 * 2.2))), halves to even, and
// inverse[gamma[i]] = i over an identity start; g = 0 gives identity tables.
void buildGammaTables(uint32_t g, uint8_t gamma[256], uint8_t inverse[256]);

// ---- pHYs, tIME ---------------------------------------------------------------------
struct PhysicalSize {
    uint32_t ppuX = 0, ppuY = 0;
    uint8_t unit = 0; // 0 unknown, 1 metre
};
PhysicalSize parsePhys(std::span<const uint8_t> data); // zeros when shorter than 9 bytes
std::array<uint8_t, 9> serializePhys(const PhysicalSize& p);

struct TimeStamp {
    uint16_t year = 0;
    uint8_t month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
TimeStamp parseTime(std::span<const uint8_t> data); // zeros unless exactly 7 bytes
std::array<uint8_t, 7> serializeTime(const TimeStamp& t);

// ---- tEXt, zTXt ---------------------------------------------------------------------
struct TextChunk {
    std::string keyword; // UTF-8
    std::string text;    // UTF-8
};
// Keyword up to the first zero byte, text the rest; fewer than 3 bytes give empty fields.
TextChunk parseText(std::span<const uint8_t> data);
std::vector<uint8_t> serializeText(const TextChunk& t);
// Keyword, method byte; the text inflated when the method is 0. An inflate error, another
// method, fewer than 4 bytes or more than maxTextBytes of text leave the text empty.
TextChunk parseZtxt(std::span<const uint8_t> data, uint32_t maxTextBytes);
// Keyword, zero, method 0, the text deflated at `level` (an empty text is stored as one
// blank). Empty when deflate fails: the chunk is then not written.
std::optional<std::vector<uint8_t>> serializeZtxt(const TextChunk& t, int level);

// ---- DEVUR drawing properties ----------------------------------------------------------
// The private tEXt keyword DEVUR carries the image's drawing properties as name=value lines.
struct DrawProperties {
    uint8_t alphaBlendValue = 255;
    bool grayMode = false;
    uint8_t smoothFilter = 0; // 0 default, 1 fast smooth, 2 smooth
    bool isDefault() const { return alphaBlendValue == 255 && !grayMode && smoothFilter == 0; }
};
bool isDevurKeyword(std::string_view keyword); // "DEVUR", ignoring case
// Reads AlphaBlendValue, GrayMode (non-zero = set) and SmoothFilter (above 2 = default);
// missing or non-numeric entries keep the values of `current`.
DrawProperties readDevur(std::string_view text, DrawProperties current);
// The save-time rewrite of a tEXt chunk: when its keyword is DEVUR or `props` is not the
// default, the three lines are set (a default value removes its line, other lines stay)
// and the keyword becomes DEVUR when any value is non-default. Otherwise `t` unchanged.
TextChunk writeDevur(const TextChunk& t, const DrawProperties& props);

} // namespace vell::png
