// Descriptors of pixel blocks for the kernels (blur, sharpen, tint), and the kernels'
// error type. A descriptor never owns memory by itself: blocks the library allocates
// live in a PixelBlock, which frees them with the descriptor.
#pragma once
#include "core/image/errors.h"

#include <cstdint>
#include <memory>

namespace vell::draw {

// Pixel format codes 1..7; 7 is 32-bit blue, green, red, alpha in memory order.
enum PixelFormat : uint8_t {
    pfBits1 = 1,
    pfBits4 = 2,
    pfBits8 = 3,
    pfBits16a = 4,
    pfBits16b = 5,
    pfBits24 = 6,
    pfBits32 = 7,
};

enum PixelDataFlags : uint8_t {
    pdOwnsMemory = 1,    // the block's memory was allocated by the library
    pdStraightAlpha = 2, // 32-bit pixels hold straight (not premultiplied) alpha
};

struct TPixelData {
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t Stride = 0;
    uint8_t Format = 0;
    uint8_t BitsPerPixel = 0;
    uint8_t Flags = 0;
    uint8_t* Scan0 = nullptr;
    const TPixelData* Parent = nullptr;

    bool valid() const { return Scan0 && Width > 0 && Height > 0 && Stride != 0; }
    bool straightAlpha() const { return (Flags & pdStraightAlpha) != 0; }
    uint8_t* row(int y) const { return Scan0 + static_cast<ptrdiff_t>(y) * Stride; }
};

// The kernel error codes; each has one fixed message.
enum class KernelErrorCode {
    InvalidImageData = 0,
    InvalidDevice = 1,
    InvalidBitmap = 2,
    InvalidRect = 3,
    OutOfMemory = 4,
    IllegalParameters = 5,
    Need32Bit = 6,
    Need8Bit = 7,
    FormatNotSupported = 8,
    NotInvertible = 9,
};

class KernelError : public ::vell::Exception {
  public:
    explicit KernelError(KernelErrorCode code);
    KernelErrorCode code() const { return code_; }

  private:
    KernelErrorCode code_;
};

const char* kernelErrorMessage(KernelErrorCode code);
[[noreturn]] void raiseKernelError(KernelErrorCode code);

// Bits per pixel of a format code, 0 for a code outside 1..7.
int bitsPerPixel(int format);

// Fills `data` over existing memory. Stride 0 means the DWORD-aligned row of the format.
// Format 7 over existing memory is marked straight-alpha. Raises FormatNotSupported for
// a code outside 1..7 and InvalidImageData when the row size does not fit 32 bits.
void InitPixelData(int width, int height, int stride, TPixelData& data, uint8_t* scan0, int format);

// A descriptor for the rectangle (x, y, w, h) of `source`, sharing its memory.
void SubPixelData(const TPixelData& source, int x, int y, TPixelData& data, int w, int h);

// Checks two blocks for a two-block operation (both valid, both format 7) and returns the
// common size in `width`, `height`.
void pairPixelData(const TPixelData& a, const TPixelData& b, int& width, int& height);

// A zero-filled block the library allocated; its descriptor carries pdOwnsMemory.
class PixelBlock {
  public:
    PixelBlock(int width, int height, int format);
    const TPixelData& data() const { return data_; }

  private:
    std::unique_ptr<uint8_t[]> memory_;
    TPixelData data_;
};

} // namespace vell::draw
