// A top-down DIB section and its pixel pointer, owned together.
#pragma once
#include "platform/win/handles.h"

#include <cstdint>

namespace vell::win {

// The header of a top-down, uncompressed DIB.
BITMAPINFO topDownBitmapInfo(int width, int height, int bitCount);

class DibSection {
  public:
    DibSection() = default;
    // Creates a top-down 32-bit (or `bitCount`) DIB section; empty on failure.
    static DibSection create(int width, int height, int bitCount = 32, HDC reference = nullptr);
    // Creates one from a complete BITMAPINFO (header and colour table).
    static DibSection create(const BITMAPINFO& info, HDC reference = nullptr);

    // Takes ownership of a bitmap made elsewhere (bits may be null for a device bitmap).
    static DibSection adopt(HBITMAP bitmap, uint8_t* bits) {
        DibSection d;
        d.bitmap_.reset(bitmap);
        d.bits_ = bits;
        return d;
    }

    HBITMAP handle() const { return bitmap_.get(); }
    uint8_t* bits() const { return bits_; }
    explicit operator bool() const { return static_cast<bool>(bitmap_); }
    HBITMAP release() {
        bits_ = nullptr;
        return bitmap_.release();
    }

  private:
    UniqueBitmap bitmap_;
    uint8_t* bits_ = nullptr;
};

} // namespace vell::win
