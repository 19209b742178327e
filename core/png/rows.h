// Conversion of unfiltered PNG rows into the pixel layouts (decoder side) and back
// (encoder side). Internal to the codec.
#pragma once
#include <cstdint>

#include "core/png/chunks.h"
#include "core/png/format.h"

namespace vell::png {

class RowConverter {
  public:
    // `gamma`: 256 entries or null (identity). Palette and transparency are used by the
    // PremultipliedBgra layout only.
    RowConverter(const Ihdr& h, const Layout& layout, const uint8_t* gamma, const Palette* palette,
                 const Transparency* transparency);
    // Converts one full-width raw row into the destination rows (alpha/extra may be null
    // when the layout has no such plane).
    void toLayout(const uint8_t* raw, uint8_t* pixels, uint8_t* alpha, uint8_t* extra) const {
        toLayout(raw, h_.width, pixels, alpha, extra);
    }
    // True when a full-width raw row is already the pixel row (whole bytes of indices):
    // such rows need no conversion.
    bool rawIsLayout() const;
    // The same for a row of `width` pixels (an Adam7 pass row).
    void toLayout(const uint8_t* raw, uint32_t width, uint8_t* pixels, uint8_t* alpha, uint8_t* extra) const;

  private:
    enum class Kind : uint8_t;
    Ihdr h_;
    Layout layout_;
    Kind kind_;
    bool identity_ = true;
    uint8_t gamma_[256];
    uint32_t lut_[256];    // premultiplied BGRA for sample values of indexed and grey rows
    uint16_t key_[3] = {}; // transparent sample values of types 0 and 2
    bool hasKey_ = false;
};

// Builds one raw PNG row of the stored layout (the encoder's input side). 2-bit depths are
// produced as 4-bit rows; grey levels are then scaled by 5 so they keep their brightness.
void fromLayout(const Ihdr& h, const Layout& layout, const uint8_t* inverseGamma, const uint8_t* pixels,
                const uint8_t* alpha, const uint8_t* extra, uint8_t* raw);

} // namespace vell::png
