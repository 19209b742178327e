#include "core/draw/pixel_data.h"

#include <climits>
#include <cstring>
#include <new>

namespace vell::draw {

namespace {

const char* const kMessages[] = {
    "Invalid image data.",
    "Invalid device handle or regional.",
    "Invalid bitmap handle.",
    "Invalid rectangular area.",
    "Not enough memory.",
    "Illegal parameters.",
    "Must be 32 bit image pixel format.",
    "Must be 8 bit image pixel format.",
    "The image pixel format not supported.",
    "Not invertible transformation matrix.",
};

// Cuts one axis of a sub-block: returns the new extent and the offset into the source.
int cutAxis(int sourceExtent, int offset, int extent, int& skip) {
    const long long end = static_cast<long long>(offset) + extent;
    if (end == 0 || end > INT_MAX || end < INT_MIN) raiseKernelError(KernelErrorCode::InvalidRect);
    long long size = end < sourceExtent ? end : sourceExtent;
    skip = 0;
    if (offset > 0) {
        if (offset >= size) raiseKernelError(KernelErrorCode::InvalidRect);
        size -= offset;
        skip = offset;
    }
    // A rectangle that ends left of the block (negative end) leaves nothing to describe.
    if (size <= 0) raiseKernelError(KernelErrorCode::InvalidRect);
    return static_cast<int>(size);
}

} // namespace

KernelError::KernelError(KernelErrorCode code) : ::vell::Exception(kernelErrorMessage(code)), code_(code) {}

const char* kernelErrorMessage(KernelErrorCode code) {
    const int i = static_cast<int>(code);
    return i >= 0 && i < 10 ? kMessages[i] : kMessages[0];
}

void raiseKernelError(KernelErrorCode code) {
    throw KernelError(code);
}

int bitsPerPixel(int format) {
    static const uint8_t bits[] = {0, 1, 4, 8, 16, 16, 24, 32};
    return format >= 1 && format <= 7 ? bits[format] : 0;
}

void InitPixelData(int width, int height, int stride, TPixelData& data, uint8_t* scan0, int format) {
    const int bpp = bitsPerPixel(format);
    if (bpp == 0) raiseKernelError(KernelErrorCode::FormatNotSupported);
    if (stride == 0) {
        const long long bytes = (static_cast<long long>(bpp) * width + 31) / 32 * 4;
        if (bytes > INT_MAX || bytes < 0) raiseKernelError(KernelErrorCode::InvalidImageData);
        stride = static_cast<int>(bytes);
    }
    data = TPixelData{};
    data.Width = width;
    data.Height = height;
    data.Stride = stride;
    data.Format = static_cast<uint8_t>(format);
    data.BitsPerPixel = static_cast<uint8_t>(bpp);
    data.Flags = format == pfBits32 ? pdStraightAlpha : 0;
    data.Scan0 = scan0;
}

void SubPixelData(const TPixelData& source, int x, int y, TPixelData& data, int w, int h) {
    if (!source.valid()) raiseKernelError(KernelErrorCode::InvalidImageData);
    if (source.Format < pfBits8 || source.Format > pfBits32)
        raiseKernelError(KernelErrorCode::FormatNotSupported);
    int skipX = 0, skipY = 0;
    const int width = cutAxis(source.Width, x, w, skipX);
    const int height = cutAxis(source.Height, y, h, skipY);
    TPixelData result = source;
    result.Width = width;
    result.Height = height;
    result.Scan0 = source.Scan0 + static_cast<ptrdiff_t>(skipY) * source.Stride +
                   static_cast<ptrdiff_t>(skipX) * (source.BitsPerPixel / 8);
    result.Flags = static_cast<uint8_t>(source.Flags & ~pdOwnsMemory);
    result.Parent = &source;
    data = result;
}

void pairPixelData(const TPixelData& a, const TPixelData& b, int& width, int& height) {
    if (!a.valid() || !b.valid()) raiseKernelError(KernelErrorCode::InvalidImageData);
    if (a.Format != pfBits32 || b.Format != pfBits32) raiseKernelError(KernelErrorCode::Need32Bit);
    width = a.Width < b.Width ? a.Width : b.Width;
    height = a.Height < b.Height ? a.Height : b.Height;
}

PixelBlock::PixelBlock(int width, int height, int format) {
    const int bpp = bitsPerPixel(format);
    if (bpp == 0) raiseKernelError(KernelErrorCode::FormatNotSupported);
    if (width <= 0 || height <= 0) raiseKernelError(KernelErrorCode::IllegalParameters);
    const unsigned long long stride = (static_cast<unsigned long long>(bpp) * width + 31) / 32 * 4;
    const unsigned long long bytes = stride * static_cast<unsigned long long>(height);
    if (stride > INT_MAX || bytes > static_cast<unsigned long long>(PTRDIFF_MAX) / 2)
        raiseKernelError(KernelErrorCode::OutOfMemory);
    memory_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(bytes)]);
    if (!memory_) raiseKernelError(KernelErrorCode::OutOfMemory);
    std::memset(memory_.get(), 0, static_cast<size_t>(bytes));
    InitPixelData(width, height, static_cast<int>(stride), data_, memory_.get(), format);
    data_.Flags = pdOwnsMemory;
}

} // namespace vell::draw
